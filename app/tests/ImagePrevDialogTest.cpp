// The image viewer over the main window's list.
#include "app/ImagePrevDialog.h"
#include "app/MainForm.h"
#include "app/print/ZoomPanView.h"

#include "app/controls/DropDst.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace vellora;

namespace {

class ImagePrevTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FConfig.isValid());
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        SetExceptionHandler([this](QWidget *, const QString &message) { FErrors << message; });
    }
    void TearDown() override {
        SetExceptionHandler({});
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }
    static QString image(const char *name) { return test::testDataPath(QStringLiteral("images/") + QLatin1String(name)); }

    QTemporaryDir FConfig;
    QByteArray FOldConfig;
    QStringList FErrors;
};

} // namespace

TEST_F(ImagePrevTest, PagesInListOrderZoomStepsAndAMissingFile) {
    TfrmMain w;
    QTemporaryDir dir;
    const QString gone = dir.path() + QStringLiteral("/gone.png");
    ASSERT_TRUE(QFile::copy(image("halves.png"), gone));
    for (const char *name : {"halves.png", "gradient-65x49.jpg", "halves.jpg", "halves.bmp"})
        w.AddImageFile(image(name));
    w.AddImageFile(gone);
    ASSERT_EQ(w.ListView()->Items().Count(), 5);
    ASSERT_TRUE(QFile::remove(gone));

    TfrmImagePrev d(*w.ListView(), QString());
    d.SetPage(2);
    EXPECT_EQ(d.edtPage->text(), QStringLiteral("3"));
    EXPECT_EQ(d.lblMaxPage->text(), QStringLiteral("/ 5"));
    EXPECT_TRUE(d.lblFileName->text().endsWith(QStringLiteral("halves.jpg")));
    d.SetPage(1);
    EXPECT_EQ(d.lblImageSize->text(), QStringLiteral("65×49 ピクセル"));
    d.actNextPage->trigger();
    d.actLastPage->trigger();
    EXPECT_EQ(d.Page(), 4);
    EXPECT_FALSE(d.actNextPage->isEnabled());
    EXPECT_TRUE(d.lblImageSize->text().isEmpty());   // the missing file: a message in the view
    d.actPriorPage->trigger();
    EXPECT_EQ(d.Page(), 3);
    d.edtPage->setText(QStringLiteral("1"));
    emit d.edtPage->editingFinished();
    EXPECT_EQ(d.Page(), 0);
    EXPECT_FALSE(d.actFirstPage->isEnabled());

    const std::pair<int, int> zoomIn[] = {{180, 200}, {200, 100}, {20, 40}};
    for (const auto &[from, to] : zoomIn)
        EXPECT_EQ(TfrmImagePrev::ZoomInRate(from), to) << from;
    EXPECT_EQ(TfrmImagePrev::ZoomOutRate(20), 20);
    EXPECT_EQ(TfrmImagePrev::ZoomOutRate(100), 80);
    d.cmbRate->setEditText(QStringLiteral("75%"));
    emit d.cmbRate->lineEdit()->editingFinished();
    EXPECT_EQ(d.ShowRate(), 75);
    for (const char *bad : {"abc", "300", "10%"}) {
        d.cmbRate->setEditText(QString::fromLatin1(bad));
        emit d.cmbRate->lineEdit()->editingFinished();
        EXPECT_EQ(d.ShowRate(), 75) << bad;
        EXPECT_EQ(d.cmbRate->currentText(), QStringLiteral("75%")) << bad;
    }
    // The picture is drawn at the rate, with the margins around it.
    d.SetShowRate(200);
    d.SetPage(1);
    EXPECT_EQ(d.viwImage->PictureSize(), QSize(2 * 65 + 2 * d.Margin(), 2 * 49 + 2 * d.Margin()));
}

TEST_F(ImagePrevTest, FitsLeaveNoScrollBarAndAnEmptyListHasNoPage) {
    TfrmMain w;
    {
        TfrmImagePrev empty(*w.ListView(), QString());
        EXPECT_EQ(empty.Page(), -1);
        EXPECT_EQ(empty.lblMaxPage->text(), QStringLiteral("/ ページなし"));
        EXPECT_TRUE(empty.edtPage->text().isEmpty());
    }
    w.AddImageFile(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg")));
    TfrmImagePrev d(*w.ListView(), QString());
    d.resize(500, 420);
    d.show();
    QApplication::processEvents();
    EXPECT_LE(d.ShowRate(), 100);
    EXPECT_EQ(d.ShowRate(), std::min(100, d.FitWidthRate()));
    d.actFitAll->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(d.viwImage->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(d.viwImage->verticalScrollBar()->isVisible());
    QFont font(QStringLiteral("IPAGothic"), 9);
    d.setFont(font);
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    EXPECT_TRUE(d.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmImagePrev.png")));
}
