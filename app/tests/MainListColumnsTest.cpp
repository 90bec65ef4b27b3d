// The main window's details view: default column widths.
#include "app/MainForm.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeView>

using namespace vellora;

TEST(MainListColumns, DefaultsFitCaptionsAndValuesAndSavedWidthsWin) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QFont oldFont = QApplication::font();
    QApplication::setFont(QFont(test::testFontFamily(), 9));
    {
        TfrmMain w;
        w.AddImageFile(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg")));
        w.SetViewStyle(TImageViewStyle::ivsReport);
        w.resize(1100, 400);
        w.show();
        QApplication::processEvents();
        QTreeView *tree = w.lvFile->TreeView();
        QHeaderView *header = tree->header();
        const QFontMetrics metrics(tree->font());
        TImageListItem *item = w.lvFile->Items().Item(0);
        const QStringList values = QStringList{item->Caption()} + item->SubItems();
        ASSERT_EQ(header->count(), 6);
        for (int i = 0; i < header->count(); ++i) {
            EXPECT_GE(header->sectionSize(i), header->sectionSizeHint(i)) << i;
            EXPECT_GT(header->sectionSize(i), metrics.horizontalAdvance(values.value(i)) + 6)
                << i << " " << values.value(i).toStdString();
        }
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(w.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmMain-details.png")));
        header->resizeSection(1, 55);
    }
    {
        TfrmMain again;
        EXPECT_EQ(again.lvFile->TreeView()->header()->sectionSize(1), 55);
    }
    QApplication::setFont(oldFont);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}
