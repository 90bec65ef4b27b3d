// Windows that show a photo read through a plug-in which never answers: the
// print preview, the print-order dialog and the background picture picker
// keep their timers firing while they wait, close within a second when the
// user closes them, and the hung helper is stopped (not blamed).
#include "app/MainForm.h"
#include "app/OrderDialog.h"
#include "app/controls/QvTaskDialog.h"
#include "app/designer/Designer.h"
#include "app/layout/DialogParts.h"
#include "app/layout/SelImageDialog.h"
#include "app/print/PreviewForm.h"
#include "imagelist/ImageListView.h"
#include "model/ImageArea.h"
#include "model/ImageInfos.h"
#include "model/PhotoArea.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "plugins/SpiHost.h"
#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace vellora;

namespace {

class PluginWait : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FConfig.isValid());
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        const QString plugins = FDir.path() + QStringLiteral("/plugins");
        QDir().mkpath(plugins);
        // It claims ".qqq" files, which no other plug-in reads, and never answers.
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/hang-qqq.spi"), plugins + QStringLiteral("/hang.spi")));
        FPlugin = QDir(plugins).canonicalPath() + QStringLiteral("/hang.spi");
        FPhoto = FDir.path() + QStringLiteral("/photo.qqq");
        QFile f(FPhoto);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("QQQ picture bytes that only the hanging plug-in claims");
        f.close();
        QDir().mkpath(FConfig.path() + QStringLiteral("/Vellora"));
        QFile ini(FConfig.path() + QStringLiteral("/Vellora/Vellora.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Option]\r\nSusie=" + plugins.toUtf8() + "\r\n");
        ini.close();
        FOldTimeout = host().Timeout();
        // Far beyond what any check here allows: only a stop ends the wait.
        host().SetTimeout(20000);
        FWindow = std::make_unique<TfrmMain>();
        FWindow->OnQuestion = [](TQvTaskDialog &, int &, bool &) { return idOk; };
        // The list's thumbnail worker meets the plug-in first; it is stopped here.
        std::atomic<bool> listDone{false};
        std::thread stopper([&] {
            while (!listDone.load()) {
                host().Cancel();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        FWindow->AddImageFile(FPhoto);
        FWindow->ListView()->WaitForThumbnails();
        listDone = true;
        stopper.join();
        ASSERT_EQ(FWindow->ListView()->Items().Count(), 1);
        QObject::connect(&FTicker, &QTimer::timeout, [this] { ++FTicks; });
        FTicker.start(20);
    }
    void TearDown() override {
        FTicker.stop();
        FWindow.reset();
        SetMessageHook({});
        host().SetTimeout(FOldTimeout);
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }
    static TSpiHost &host() { return TSpiHost::Instance(); }
    // What a window did from 600 ms after it was opened: `close` is done to
    // it then; the result is the time from then until `opened` came back.
    template <typename Close, typename Open>
    qint64 closedAfter(Close close, Open opened) {
        QTimer::singleShot(600, [&] {
            FSinceClose.start();
            close();
        });
        opened();
        EXPECT_TRUE(FSinceClose.isValid()) << "the window did not wait for the plug-in";
        return FSinceClose.isValid() ? FSinceClose.elapsed() : -1;
    }
    static void render(QWidget &w, const char *name) {
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(w.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/%1.png").arg(QLatin1String(name))));
    }
    // The preview of the window's paper, closed with Escape while its page
    // waits for the plug-in.
    void expectPreviewClosesAtOnceOnEscape() {
        bool waiting = false;
        const qint64 closed = closedAfter(
            [&] {
                auto *prev = qobject_cast<TfrmPrev *>(QApplication::activeModalWidget());
                ASSERT_TRUE(prev);
                waiting = !prev->PageReady();
                render(*prev, "frmPrev-plugin-waiting");
                QTest::keyClick(prev, Qt::Key_Escape);
            },
            [&] {
                TfrmPrev prev(FWindow.get());
                prev.SetPaper(&FWindow->Paper());
                prev.exec();
            });
        EXPECT_TRUE(waiting) << "the page was ready without the plug-in";
        EXPECT_GE(closed, 0);
        EXPECT_LT(closed, 1000);
        expectStoppedNotBlamed();
    }
    void expectStoppedNotBlamed() {
        EXPECT_GT(FTicks, 10) << "the window's timers stood still while the plug-in was waited for";
        EXPECT_FALSE(host().IsDisabled(FPlugin));
    }

    QTemporaryDir FConfig, FDir;
    QByteArray FOldConfig;
    QString FPlugin, FPhoto;
    int FOldTimeout = 0;
    std::unique_ptr<TfrmMain> FWindow;
    QTimer FTicker;
    int FTicks = 0;
    QElapsedTimer FSinceClose;
};

} // namespace

TEST_F(PluginWait, ThePrintPreviewClosesAtOnceOnEscape) {
    expectPreviewClosesAtOnceOnEscape();
}

// A free area showing cell 1's photo reads it as the cell does: stopped
// with the page, not left to run out its time limit.
TEST_F(PluginWait, ThePrintPreviewOfALinkedImageAreaClosesAtOnceOnEscape) {
    TImageArea *linked = FWindow->Paper().Areas().AddImage();
    linked->SetLink(true);
    linked->SetLinkAreaIndex(0);
    linked->SetBounds(FloatRect(10, 10, 40, 40));
    expectPreviewClosesAtOnceOnEscape();
}

// The designer draws the cells' own areas from its paint: a linked area
// whose photo only a plug-in reads shows what it had rather than wait.
TEST_F(PluginWait, TheDesignerPaintsALinkedImageAreaWithoutWaitingForThePlugin) {
    TPhotoPaper &paper = FWindow->Paper();
    TPhotoArea &cell = *paper.PhotoAreas().Items(0);
    TImageArea *linked = cell.Areas().AddImage();
    linked->SetLink(true);
    ASSERT_EQ(linked->LinkAreaIndex(), 0);
    linked->SetBounds(FloatRect(2, 2, 30, 30));
    QImage before(8, 8, QImage::Format_RGB32);
    before.fill(QColor(0, 200, 0));
    linked->SetBitmap(before);
    cell.SetImageInfo(FWindow->Images()[0]);
    ASSERT_EQ(linked->LinkedImage(), FWindow->Images()[0]);

    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetFileName(FDir.path() + QStringLiteral("/designer.ini"));
    QElapsedTimer clock;
    clock.start();
    QImage surface;
    {
        TfrmDesigner d(nullptr, &ini, 96, {});
        d.SetPaper(&paper);
        d.resize(700, 500);
        d.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        surface = d.Surface()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    const qint64 painted = clock.elapsed();
    cell.SetImageInfo(nullptr);
    EXPECT_LT(painted, 1000);
    EXPECT_EQ(linked->Bitmap(), before);
    bool green = false;
    for (int y = 0; y < surface.height() && !green; ++y) {
        for (int x = 0; x < surface.width() && !green; ++x) {
            const QRgb c = surface.pixel(x, y);
            green = qGreen(c) > 150 && qRed(c) < 120 && qBlue(c) < 120;
        }
    }
    EXPECT_TRUE(green) << "the area's picture was not drawn";
    EXPECT_FALSE(host().IsDisabled(FPlugin));
}

// Leaving a page whose photo hangs: the next page is made at once.
TEST_F(PluginWait, ThePrintPreviewsNextPageDoesNotWaitForTheHangingOne) {
    const QString png = FDir.path() + QStringLiteral("/blue.png");
    QImage blue(60, 40, QImage::Format_RGB32);
    blue.fill(QColor(20, 40, 220));
    ASSERT_TRUE(blue.save(png));
    FWindow->AddImageFile(png);
    FWindow->ListView()->WaitForThumbnails();
    TfrmPrev prev(FWindow.get());
    prev.SetPaper(&FWindow->Paper());
    ASSERT_EQ(prev.PageMax(), 1) << "one photo a page";
    prev.show();
    QTest::qWait(300);
    ASSERT_FALSE(prev.PageReady());
    QElapsedTimer next;
    next.start();
    prev.actPageNext->trigger();
    EXPECT_EQ(prev.Page(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return prev.PageReady(); }, 5000));
    EXPECT_LT(next.elapsed(), 2000);
    prev.close();
    expectStoppedNotBlamed();
}

TEST_F(PluginWait, TheOrderDialogsPictureNeitherFreezesItNorOutlastsCancel) {
    bool placeholder = false;
    const auto clickCancel = [&] {
        auto *d = FWindow->findChild<TfrmOrder *>();
        ASSERT_TRUE(d);
        EXPECT_TRUE(d->isVisible());
        placeholder = d->PictureLoading() && d->imgPrev->Text() == QStringLiteral("読み込み中…");
        render(*d, "frmOrder-plugin-waiting");
        auto *cancel = d->findChild<QPushButton *>(QStringLiteral("btnCancel"));
        ASSERT_TRUE(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
    };
    FWindow->OnOrderDialog = [](TfrmOrder &d) {
        d.show();
        // Choosing the photo shows its picture.
        d.lvSource->setFocus();
        d.lvSource->setCurrentIndex(d.lvSource->model()->index(0, 0));
        return d.exec() == QDialog::Accepted;
    };
    const qint64 closed = closedAfter(clickCancel, [&] { FWindow->ChangeOrder(); });
    EXPECT_TRUE(placeholder) << "no reading notice while the plug-in was waited for";
    EXPECT_GE(closed, 0);
    EXPECT_LT(closed, 1000);
    expectStoppedNotBlamed();
}

TEST_F(PluginWait, ThePicturePickerAnswersCancelWhileItReads) {
    QStringList messages;
    SetMessageHook([&messages](const QString &, const QString &text) {
        messages << text;
        return false;
    });
    TfrmSelImage d(FWindow.get());
    d.show();
    bool loaded = true;
    const qint64 closed = closedAfter(
        [&d] {
            auto *cancel = d.findChild<QPushButton *>(QStringLiteral("btnCancel"));
            ASSERT_TRUE(cancel);
            QTest::mouseClick(cancel, Qt::LeftButton);
        },
        [&] { loaded = d.LoadFile(FPhoto); });
    EXPECT_GE(closed, 0);
    EXPECT_LT(closed, 1000);
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(d.isVisible());
    // Closed by the user: no message about the reading it stopped.
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    expectStoppedNotBlamed();
}

// A plug-in that answers: its picture replaces the reading notice.
TEST_F(PluginWait, TheOrderDialogShowsAPictureAPluginReadInTheBackground) {
    const QString ppm = FDir.path() + QStringLiteral("/red.ppm");
    QImage red(48, 32, QImage::Format_RGB32);
    red.fill(QColor(220, 20, 20));
    ASSERT_TRUE(red.save(ppm, "PPM"));
    FWindow->AddImageFile(ppm);
    FWindow->ListView()->WaitForThumbnails();
    ASSERT_EQ(FWindow->ListView()->Items().Count(), 2);
    FWindow->OnOrderDialog = [](TfrmOrder &d) {
        d.show();
        d.lvSource->setCurrentIndex(d.lvSource->model()->index(1, 0));
        EXPECT_TRUE(d.PictureLoading()) << "not read through the plug-in";
        EXPECT_TRUE(QTest::qWaitFor([&d] { return !d.PictureLoading(); }, 10000));
        const QImage shown = d.imgPrev->Picture();
        EXPECT_FALSE(shown.isNull());
        if (!shown.isNull()) {
            const QRgb middle = shown.pixel(shown.width() / 2, shown.height() / 2);
            EXPECT_GT(qRed(middle), 180);
            EXPECT_LT(qGreen(middle), 60);
        }
        EXPECT_TRUE(d.imgPrev->Text().isEmpty());
        return false;
    };
    FWindow->ChangeOrder();
}
