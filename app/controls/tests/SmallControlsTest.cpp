#include "app/controls/DropDst.h"
#include "app/controls/PictureDialogs.h"

#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

using namespace vellora;

TEST(DropDst, ADropOnAnItemViewGivesEveryPathOnceWithTheControlPoint) {
    QListWidget list;
    list.resize(300, 200);
    list.show();
    TDropDst drop;
    drop.SetControl(&list);
    EXPECT_EQ(drop.HookedWidget(), list.viewport());
    EXPECT_TRUE(list.viewport()->acceptDrops());

    const QString longName = QStringLiteral("/tmp/") + QString(300, QLatin1Char('x')) + QStringLiteral("/José 한글.jpg");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.jpg")), QUrl::fromLocalFile(longName),
                  QUrl(QStringLiteral("https://example.invalid/b.jpg"))});
    int calls = 0;
    QStringList got;
    QPoint at;
    drop.SetOnFileDrop([&](TDropDst &, const QStringList &files, int x, int y) {
        ++calls;
        got = files;
        at = QPoint(x, y);
    });
    const QPoint inViewport(20, 30);
    QDragEnterEvent enter(inViewport, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropEvent(inViewport, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &dropEvent);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got, (QStringList{QStringLiteral("/tmp/a.jpg"), longName}));
    EXPECT_EQ(at, list.viewport()->mapTo(&list, inViewport));

    // A failing handler goes to the error handler; the drop still ends.
    QString shown;
    SetExceptionHandler([&](QWidget *, const QString &m) { shown = m; });
    drop.SetOnFileDrop([](TDropDst &, const QStringList &, int, int) { throw std::runtime_error("broken"); });
    QDragEnterEvent enterAgain(inViewport, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enterAgain);
    QDropEvent again(inViewport, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &again);
    SetExceptionHandler({});
    EXPECT_EQ(shown, QStringLiteral("broken"));
    EXPECT_TRUE(again.isAccepted());
}

TEST(PictureDialogs, FiltersNameEachPatternOnce) {
    const QStringList filters = ToQtNameFilters(QStringLiteral(
        "すべての画像ファイル(*.jpg;*.jpeg)|*.jpg;*.jpeg|JPEGイメージ(*.jpg)|*.jpg|Portable Arbitrary Map(*.pam)|*.pam"
        "|Other (v2)|*.oth|Mixed(*.a;*.b)|*.a"));
    EXPECT_EQ(filters, (QStringList{QStringLiteral("すべての画像ファイル (*.jpg *.jpeg)"),
                                    QStringLiteral("JPEGイメージ (*.jpg)"),
                                    QStringLiteral("Portable Arbitrary Map (*.pam)"),
                                    // Brackets that are not the patterns stay, in a form Qt does not read.
                                    QStringLiteral("Other （v2） (*.oth)"), QStringLiteral("Mixed（*.a;*.b） (*.a)")}));
    EXPECT_EQ(QFileDialog(nullptr).nameFilters().size(), 1);
    TQvOpenPictureDialog dialog;
    dialog.SetFilter(QStringLiteral("A(*.jpg;*.jpeg)|*.jpg;*.jpeg"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("A (*.jpg *.jpeg)")});
}

TEST(PictureDialogs, FolderDialogAndPanel) {
    TFolderDialog folder;
    folder.Title = QStringLiteral("フォルダの選択");
    folder.RootFolder = QDir::tempPath();
    folder.NewFolder = false;
    auto dialog = folder.MakeDialog();
    EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly));
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->windowTitle(), folder.Title);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());

    TPanelEx panel;
    auto *a = new QLineEdit(&panel);
    auto *b = new QLineEdit(&panel);
    b->setEnabled(false);
    panel.SetEnabled(false);
    EXPECT_FALSE(a->isEnabled());
    panel.SetEnabled(true);
    EXPECT_TRUE(a->isEnabled());
    EXPECT_TRUE(b->isEnabled());
}
