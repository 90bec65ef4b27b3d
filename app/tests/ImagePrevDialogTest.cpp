// The image viewer over the main window's list.
#include "app/ImagePrevDialog.h"
#include "app/MainForm.h"
#include "app/print/ZoomPanView.h"

#include "app/controls/DropDst.h"
#include "imagelist/ImageListView.h"
#include "model/ImageInfo.h"
#include "model/PhotoTurn.h"
#include "testsupport/OrientedPhoto.h"
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

TEST_F(ImagePrevTest, ShowsThePhotoTurnedAsItPrints) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/marker.jpg");
    ASSERT_TRUE(test::writeOrientedMarker(path, 120, 80, 6));   // stored 80 × 120
    TfrmMain w;
    w.AddImageFile(path);
    ASSERT_EQ(w.ListView()->Items().Count(), 1);
    TImageInfo *info = w.ListView()->Items()[0]->Data();
    ASSERT_NE(info, nullptr);

    // The colours a quarter of the way in from the top-left and top-right
    // corners of the picture, drawn at 100 % inside the margins.
    auto topCorners = [](const TfrmImagePrev &d) {
        const QImage picture = d.viwImage->Picture();
        const int m = d.Margin();
        const QSize size = d.viwImage->PictureSize() - QSize(2 * m, 2 * m);
        return std::pair{QColor(picture.pixel(m + size.width() / 4, m + size.height() / 4)),
                         QColor(picture.pixel(m + size.width() * 3 / 4, m + size.height() / 4))};
    };
    auto near = [](const QColor &a, QRgb b) {
        return std::abs(a.red() - qRed(b)) <= 40 && std::abs(a.green() - qGreen(b)) <= 40
            && std::abs(a.blue() - qBlue(b)) <= 40;
    };
    const struct {
        bool on;
        TPhotoRotate ownRotate;   // prNone: follows the cell (never drawn yet: no turn)
        QSize shown;
        QRgb topLeft, topRight;
        const char *render;
    } cases[] = {
        {true, TPhotoRotate::prNone, {120, 80}, test::kMarkerTopLeft, test::kMarkerTopRight, "frmImagePrev-upright.png"},
        {true, TPhotoRotate::pr90, {80, 120}, test::kMarkerRest, test::kMarkerTopLeft, "frmImagePrev-upright90.png"},
        {false, TPhotoRotate::prNone, {80, 120}, test::kMarkerTopRight, test::kMarkerRest, "frmImagePrev-stored.png"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.render);
        TExifRotateScope scope(c.on);
        info->Options().SetParentRotate(c.ownRotate == TPhotoRotate::prNone ? TParentMode::pamArea
                                                                             : TParentMode::pamOrigin);
        info->Options().SetRotate(c.ownRotate);
        TfrmImagePrev d(*w.ListView(), QString());
        d.SetShowRate(100);
        EXPECT_EQ(d.viwImage->PictureSize(), c.shown + QSize(2 * d.Margin(), 2 * d.Margin()));
        EXPECT_EQ(d.lblImageSize->text(), QStringLiteral("80×120 ピクセル"));   // what the file says
        const auto [left, right] = topCorners(d);
        EXPECT_TRUE(near(left, c.topLeft)) << left.name().toStdString();
        EXPECT_TRUE(near(right, c.topRight)) << right.name().toStdString();
        d.setFont(QFont(QStringLiteral("IPAGothic"), 9));
        d.resize(360, 300);
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(d.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/") + QLatin1String(c.render)));
    }
}
