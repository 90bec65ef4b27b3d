// The image viewer over the main window's list.
#include "app/ImagePrevDialog.h"
#include "app/MainForm.h"
#include "app/print/ZoomPanView.h"

#include "app/controls/DropDst.h"
#include "imagelist/ImageListView.h"
#include "model/ImageInfo.h"
#include "model/PhotoTurn.h"
#include "plugins/SpiHost.h"
#include "app/controls/QvTaskDialog.h"
#include "app/PluginStatus.h"
#include "testsupport/OrientedPhoto.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QRegularExpression>
#include <QScreen>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWheelEvent>

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
    EXPECT_EQ(d.ShowRate(), std::min(100, d.FitAllRate()));
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
    {
        // The list's "横×縦" gives the size as the photo is seen.
        TExifRotateScope upright(true);
        w.AddImageFile(path);
        ASSERT_EQ(w.ListView()->Items().Count(), 1);
        EXPECT_EQ(w.ListView()->Items()[0]->SubItems().value(3), QStringLiteral("120×80 ピクセル"));
        EXPECT_EQ(w.ListView()->Items()[0]->Data()->UprightImageSize(), (TIntSize{120, 80}));
    }
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
        // The photo's upright size (the print turn aside).
        EXPECT_EQ(d.lblImageSize->text(), c.on ? QStringLiteral("120×80 ピクセル") : QStringLiteral("80×120 ピクセル"));
        const auto [left, right] = topCorners(d);
        EXPECT_TRUE(near(left, c.topLeft)) << left.name().toStdString();
        EXPECT_TRUE(near(right, c.topRight)) << right.name().toStdString();
        d.setFont(QFont(QStringLiteral("IPAGothic"), 9));
        d.resize(360, 300);
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(d.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/") + QLatin1String(c.render)));
    }
}

TEST_F(ImagePrevTest, OpensAroundThePhotoWithinTheScreenAndFitsAnyPhoto) {
    // A 1600 × 1000 screen: at most 1280 × 800, at least the bar's width.
    const QSize screen(1600, 1000);
    const QSize chrome(4, 70);
    const struct {
        QSize photo;
        QSize expected;
    } cases[] = {
        {{4608, 1976}, {1280, 800}},        // larger than the screen: 80 % of it
        {{1000, 700}, {1024, 790}},         // at its own size with the margins
        {{640, 480}, {900, 570}},           // the bar's width
        {{100, 80}, {900, 270}},            // some height for the view
        {{3000, 300}, {1280, 390}},
        {{}, {900, 270}},                   // nothing to show yet
    };
    for (const auto &c : cases)
        EXPECT_EQ(TfrmImagePrev::WindowSizeFor(c.photo, screen, chrome, 900, 10), c.expected)
            << c.photo.width() << "x" << c.photo.height();
    // A bar wider than the screen's 80 % still fits, up to the whole screen.
    EXPECT_EQ(TfrmImagePrev::WindowSizeFor({100, 80}, {800, 600}, chrome, 700, 10).width(), 700);
    EXPECT_EQ(TfrmImagePrev::WindowSizeFor({100, 80}, {800, 600}, chrome, 900, 10).width(), 800);

    // Opened without a stored placement: all buttons on the bar, the photo whole.
    QTemporaryDir dir;
    const QString wide = dir.path() + QStringLiteral("/wide.png");
    QImage photo(4608, 1976, QImage::Format_RGB32);
    photo.fill(QColor(30, 120, 200));
    ASSERT_TRUE(photo.save(wide));
    TfrmMain w;
    w.AddImageFile(wide);
    TfrmImagePrev d(*w.ListView(), QString());
    d.show();
    QApplication::processEvents();
    QToolBar *bar = d.findChild<QToolBar *>(QStringLiteral("tbrMain"));
    ASSERT_NE(bar, nullptr);
    const QSize most = d.screen()->availableGeometry().size() * 8 / 10;
    // Wider than 80 % only for the bar, on a small screen.
    EXPECT_LE(d.width(), std::max(most.width(), bar->sizeHint().width()));
    EXPECT_LE(d.height(), most.height());
    for (QAction *a : {d.actNextPage, d.actLastPage, d.actClose})
        EXPECT_TRUE(bar->widgetForAction(a) && bar->widgetForAction(a)->isVisible()) << a->text().toStdString();
    EXPECT_LT(d.ShowRate(), 20);
    EXPECT_FALSE(d.viwImage->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(d.viwImage->verticalScrollBar()->isVisible());
    EXPECT_EQ(d.lblImageSize->text(), QStringLiteral("4608×1976 ピクセル"));
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    EXPECT_TRUE(d.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmImagePrev-opened.png")));

    // Ctrl+wheel keeps the photo's point under the pointer.
    d.SetShowRate(100);
    QApplication::processEvents();
    QWidget *view = d.viwImage->viewport();
    const QPoint at(view->width() / 3, view->height() / 4);
    const auto photoPoint = [&] {
        return QPointF(at.x() + d.viwImage->horizontalScrollBar()->value() - d.Margin(),
                       at.y() + d.viwImage->verticalScrollBar()->value() - d.Margin())
               / (d.ShowRate() / 100.0);
    };
    d.viwImage->horizontalScrollBar()->setValue(1500);
    d.viwImage->verticalScrollBar()->setValue(400);
    const QPointF before = photoPoint();
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_EQ(d.ShowRate(), 120);
    const QPointF after = photoPoint();
    EXPECT_NEAR(after.x(), before.x(), 2.0);
    EXPECT_NEAR(after.y(), before.y(), 2.0);
}

// A plug-in that never answers: the viewer keeps its window alive while it
// waits, Escape stops the reading within a second, and the plug-in is not
// blamed (the next call starts a new helper).
TEST_F(ImagePrevTest, AHangingPluginNeitherFreezesTheViewerNorOutlastsEscape) {
    QTemporaryDir dir;
    const QString plugins = dir.path() + QStringLiteral("/plugins");
    QDir().mkpath(plugins);
    // It claims ".qqq" files, which no other plug-in reads.
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/hang-qqq.spi"), plugins + QStringLiteral("/hang.spi")));
    const QString pam = dir.path() + QStringLiteral("/photo.qqq");
    {
        QFile f(pam);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("QQQ picture bytes that only the hanging plug-in claims");
    }
    // The settings' plug-in folder.
    QDir().mkpath(FConfig.path() + QStringLiteral("/Vellora"));
    {
        QFile ini(FConfig.path() + QStringLiteral("/Vellora/Vellora.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Option]\r\nSusie=" + plugins.toUtf8() + "\r\n");
    }
    TSpiHost &host = TSpiHost::Instance();
    const int oldTimeout = host.Timeout();
    host.SetTimeout(20000);
    TfrmMain w;
    w.OnQuestion = [](TQvTaskDialog &, int &, bool &) { return idOk; };
    // The list's thumbnail worker meets the plug-in first; it is stopped too.
    std::atomic<bool> listDone{false};
    std::thread stopper([&] {
        while (!listDone.load()) {
            host.Cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    w.AddImageFile(pam);
    w.ListView()->WaitForThumbnails();
    listDone = true;
    stopper.join();

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    QElapsedTimer sinceEscape;
    QTimer::singleShot(600, &w, [&] {
        sinceEscape.start();
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    QElapsedTimer opening;
    opening.start();
    TfrmImagePrev d(*w.ListView(), QString());
    // The window shows first, waiting; then the plug-in is asked.
    EXPECT_TRUE(d.Loading());
    d.show();
    while (d.Loading() && opening.elapsed() < 15000)
        QTest::qWait(20);
    const qint64 waited = opening.elapsed();
    ASSERT_TRUE(sinceEscape.isValid()) << "the viewer did not wait for the plug-in";
    EXPECT_LT(sinceEscape.elapsed(), 1000);
    EXPECT_GE(waited, 550);
    EXPECT_LT(waited, 2500);   // not the helper's 20 s time limit
    EXPECT_GT(ticks, 10) << "the window's timers stood still while the plug-in was waited for";
    EXPECT_EQ(d.Page(), 0);
    EXPECT_TRUE(d.lblImageSize->text().isEmpty());
    EXPECT_FALSE(host.IsDisabled(QDir(plugins).canonicalPath() + QStringLiteral("/hang.spi")));
    host.SetTimeout(oldTimeout);
}

// A plug-in that crashes is told of once in the window, in Japanese, and
// the options dialog lists it as disabled with the reason.
TEST_F(ImagePrevTest, APluginCrashIsToldOnceAndListedWithItsState) {
    QTemporaryDir dir;
    const QString plugins = dir.path() + QStringLiteral("/plugins");
    QDir().mkpath(plugins);
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/crash.spi"), plugins + QStringLiteral("/crash.spi")));
    QDir().mkpath(FConfig.path() + QStringLiteral("/Vellora"));
    {
        QFile ini(FConfig.path() + QStringLiteral("/Vellora/Vellora.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Option]\r\nSusie=" + plugins.toUtf8() + "\r\n");
    }
    TfrmMain w;
    QStringList told;
    w.OnQuestion = [&told](TQvTaskDialog &d, int &, bool &) {
        told << d.Instruction() + QLatin1Char('|') + d.Content();
        return idOk;
    };
    for (int i = 0; i < 3; ++i) {
        const QString pam = dir.path() + QStringLiteral("/photo%1.pam").arg(i);
        QFile f(pam);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n")
                + QByteArray("\x10\x20\x30\x40\x50\x60", 6));
        f.close();
        w.AddImageFile(pam);
    }
    w.ListView()->WaitForThumbnails();
    QTRY_COMPARE(told.size(), 1);
    QTest::qWait(100);
    ASSERT_EQ(told.size(), 1) << told.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("画像プラグインで問題が起きました|"))) << told[0].toStdString();
    // (How it ended depends on the build: a sanitizer turns the crash into
    // an abort or an exit.)
    EXPECT_TRUE(told[0].contains(QRegularExpression(
        QStringLiteral("画像プラグイン「crash.spi」: プラグインが(異常終了しました（シグナル|処理の途中で終了しました（終了コード) \\d+）"))))
        << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QStringLiteral("このセッションでは使われません")));
    // The sample plug-in read the photos after it.
    QImage thumb;
    EXPECT_TRUE(w.ListView()->GetThumbnail(w.ListView()->Items().Item(2), thumb));

    TPluginListPanel panel;
    QTreeWidgetItem *row = nullptr;
    for (int i = 0; i < panel.lvPlugins->topLevelItemCount(); ++i)
        if (panel.lvPlugins->topLevelItem(i)->text(0).endsWith(QStringLiteral("/crash.spi")))
            row = panel.lvPlugins->topLevelItem(i);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(1), QStringLiteral("Faulty PAM (*.pam)"));
    EXPECT_TRUE(row->text(2).startsWith(QStringLiteral("使用不可: プラグインが")))
        << row->text(2).toStdString();
    bool sampleLoaded = false;
    for (int i = 0; i < panel.lvPlugins->topLevelItemCount(); ++i)
        sampleLoaded |= panel.lvPlugins->topLevelItem(i)->text(0).endsWith(QStringLiteral("vellora-netpbm.spi"))
                        && panel.lvPlugins->topLevelItem(i)->text(2) == QStringLiteral("読み込み済み");
    EXPECT_TRUE(sampleLoaded);
    panel.resize(700, 200);
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    EXPECT_TRUE(panel.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/grpPlugins.png")));
}
