// The main window's export, options and help commands and their dialogs.
#include "app/ExportDialog.h"
#include "app/print/ResolutionWarnings.h"
#include "app/ExportRun.h"
#include "app/MainForm.h"
#include "app/OptionDialog.h"
#include "app/SelHelpDialog.h"

#include "app/controls/DropDst.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "model/PhotoTurn.h"
#include "plugins/SpiHost.h"
#include "print/tests/PrintTestSupport.h"
#include "settings/IniFile.h"
#include "testsupport/OrientedPhoto.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using namespace vellora;

namespace {

class ExportCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Small test photos print soft; the warning has its own tests.
        SetLowResolutionAsk([](const QStringList &, bool &) { return true; });
        ASSERT_TRUE(FConfig.isValid());
        ASSERT_TRUE(FOut.isValid());
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        SetExceptionHandler([this](QWidget *, const QString &message) { FErrors << message; });
        TfrmProgress::SetPumpInterval(0);
        // Drives the modal windows: task dialogs are answered from FAnswers
        // by their main instruction (else their first button), dialogs by
        // their handler.
        FDriver.setInterval(10);
        QObject::connect(&FDriver, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (!w->isVisible())
                    continue;
                if (auto *form = qobject_cast<TTaskDialogXPForm *>(w)) {
                    const QString instruction = form->findChild<QLabel *>(QStringLiteral("lblInstruction"))->text();
                    FQuestions << instruction;
                    FContents << form->findChild<QLabel *>(QStringLiteral("lblContent"))->text();
                    FOpenFolderShown = form->findChild<QAbstractButton *>(QStringLiteral("cmd100")) != nullptr;
                    if (!FGrab.isEmpty() && instruction == FGrab) {
                        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
                        form->grab().save(QStringLiteral(VELLORA_RENDER_DIR "/export-result-problems.png"));
                    }
                    const auto it = FAnswers.find(instruction);
                    const QString answer = it == FAnswers.end() ? QStringLiteral("btn1") : it->second;
                    // Queued: a click may open a nested loop, and this timer
                    // does not fire again inside its own handler.
                    QPointer<TTaskDialogXPForm> target(form);
                    QMetaObject::invokeMethod(form, [target, answer] {
                        if (!target)
                            return;
                        if (auto *b = target->findChild<QAbstractButton *>(answer))
                            b->click();
                        else
                            target->done(0);
                    }, Qt::QueuedConnection);
                    return;
                }
            }
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (!w->isVisible() || !FDialogs.count(w->objectName()))
                    continue;
                QPointer<QWidget> target(w);
                const auto handler = FDialogs[w->objectName()];
                QMetaObject::invokeMethod(w, [target, handler] {
                    if (target && target->isVisible())
                        handler(target);
                }, Qt::QueuedConnection);
                return;
            }
        });
        FDriver.start();
    }
    void TearDown() override {
        SetLowResolutionAsk({});
        FDriver.stop();
        TfrmProgress::SetPumpInterval(40);
        SetExceptionHandler({});
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }
    static QString image(const char *name) { return test::testDataPath(QStringLiteral("images/") + QLatin1String(name)); }
    // A small paper with two cells, so pages are quick to draw.
    static void smallPaper(TfrmMain &w) {
        w.Paper().SetPaperSize(FloatSize(50, 40));
        w.Paper().SetDivide({2, 1});
        w.Paper().PhotoAreas().AdjustAreas();
    }
    // Fills the export dialog on its first showing and presses "実行(&R)";
    // on a later showing (it stayed open) presses "キャンセル(&C)".
    void exportWith(const std::function<void(TfrmExport &)> &fill) {
        FDialogs[QStringLiteral("frmExport")] = [this, fill](QWidget *w) {
            auto &d = *static_cast<TfrmExport *>(w);
            if (FExportShown++ == 0) {
                fill(d);
                d.btnOK->click();
            } else {
                d.btnCancel->click();
            }
        };
    }

    QTemporaryDir FConfig;
    QTemporaryDir FOut;
    QByteArray FOldConfig;
    QStringList FErrors;
    QStringList FQuestions;
    QStringList FContents;
    std::map<QString, QString> FAnswers;
    std::map<QString, std::function<void(QWidget *)>> FDialogs;
    int FExportShown = 0;
    bool FOpenFolderShown = false;
    QString FGrab;   // the box with this instruction is rendered to PNG
    QTimer FDriver;
};

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    bool result = true;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

TEST(ExportNames, ExtensionAndFileName) {
    EXPECT_EQ(ExportChangeExtension(QStringLiteral("エクスポート.jpg"), TPrintDest::pdPDF), QStringLiteral("エクスポート.pdf"));
    EXPECT_EQ(ExportChangeExtension(QStringLiteral("a.b.pdf"), TPrintDest::pdJpeg), QStringLiteral("a.b.jpg"));
    EXPECT_EQ(ExportChangeExtension(QStringLiteral("photo"), TPrintDest::pdPDF), QStringLiteral("photo"));
    const std::pair<const char *, const char *> names[] = {
        {"photo", "/out/photo"},
        {"my.photos.jpg", "/out/my.photos"},
        {"エクスポート.jpg", "/out/エクスポート"},
        {".jpg", "/out/"},
    };
    for (const auto &[text, expected] : names)
        EXPECT_EQ(ExportFileName(QStringLiteral("/out"), QString::fromUtf8(text)), QString::fromUtf8(expected)) << text;
    EXPECT_EQ(ExportFileName(QStringLiteral("/out/"), QStringLiteral("a.jpg")), QStringLiteral("/out/a"));
    // A dot in the folder is not an extension.
    EXPECT_EQ(ExportFileName(QStringLiteral("/my.out"), QStringLiteral("photo")), QStringLiteral("/my.out/photo"));
}

TEST_F(ExportCommandsTest, ExportDialogKeysRangeAndChecks) {
    TExtIniFile ini;
    ini.SetDefaultFolder(TDefaultFolder::dfAppData);
    ini.SetFileName(QStringLiteral("Vellora.ini"));
    {
        // Defaults: an empty folder starts in the pictures folder, not "/".
        TfrmExport d(ini);
        EXPECT_FALSE(d.edtExportDest->text().isEmpty());
        EXPECT_NE(d.edtExportDest->text(), QStringLiteral("/"));
        EXPECT_EQ(d.edtFileName->text(), QStringLiteral("エクスポート.jpg"));
        EXPECT_EQ(d.StartNumber(), 1);
        EXPECT_EQ(d.ExportType(), TPrintDest::pdJpeg);
        EXPECT_TRUE(d.AllPage());
        EXPECT_TRUE(d.btnCancel->isDefault());
        // Start 5 over last 3 raises the last page and selects "指定".
        d.edtLastPage->setValue(3);
        d.rdoAllPage->setChecked(true);
        d.edtStartPage->setValue(5);
        EXPECT_EQ(d.LastPage(), 5);
        EXPECT_FALSE(d.AllPage());
        d.edtLastPage->setValue(2);
        EXPECT_EQ(d.StartPage(), 2);
        // PDF: the extension follows, the start number does not apply.
        d.rdoPdf->setChecked(true);
        EXPECT_EQ(d.edtFileName->text(), QStringLiteral("エクスポート.pdf"));
        EXPECT_FALSE(d.edtStartNumber->isEnabled());
        // How a PDF is made is a choice of PDFs only; pages as images by default.
        EXPECT_TRUE(d.rdgPdfMode->isEnabled());
        EXPECT_EQ(d.PdfMode(), TPdfMode::pmRaster);
        d.rdoJpeg->setChecked(true);
        EXPECT_FALSE(d.rdgPdfMode->isEnabled());
        d.rdoPdf->setChecked(true);
        d.edtExportDest->setText(FOut.path());
        d.btnCancel->click();
    }
    // Cancel wrote nothing.
    EXPECT_EQ(ini.ReadStr(QStringLiteral("Restore"), QStringLiteral("Export_FileName"), QStringLiteral("none")),
              QStringLiteral("none"));

    TfrmExport d(ini);
    QStringList messages;
    d.OnMessage = [&](const QString &, const QString &text) { messages << text; };
    int confirms = 0;
    d.OnConfirm = [&](TfrmExport &) { return ++confirms > 0; };
    const std::pair<QString, QString> refused[] = {
        {FOut.path() + QStringLiteral("/missing"), QStringLiteral("a.jpg")},
        {FOut.path(), QStringLiteral(".jpg")},
        {FOut.path(), QStringLiteral("sub/a.jpg")},
        {QString(), QStringLiteral("a.jpg")},
    };
    for (const auto &[folder, name] : refused) {
        d.edtExportDest->setText(folder);
        d.edtFileName->setText(name);
        d.btnOK->click();
    }
    EXPECT_EQ(messages.size(), 4) << messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(confirms, 0);
    EXPECT_EQ(d.result(), 0);

    d.edtExportDest->setText(FOut.path());
    d.edtFileName->setText(QStringLiteral("my.photos.jpg"));
    d.edtStartNumber->setValue(999999999);
    d.rdoPdf->setChecked(true);
    d.rdoPdfVector->setChecked(true);
    d.btnOK->click();
    EXPECT_EQ(confirms, 1);
    EXPECT_EQ(d.result(), int(QDialog::Accepted));
    EXPECT_EQ(d.FileName(), FOut.path() + QStringLiteral("/my.photos"));
    TfrmExport again(ini);
    EXPECT_EQ(again.edtExportDest->text(), FOut.path());
    EXPECT_EQ(again.edtFileName->text(), QStringLiteral("my.photos.pdf"));
    EXPECT_EQ(again.ExportType(), TPrintDest::pdPDF);
    EXPECT_EQ(again.StartNumber(), 999999999);
    EXPECT_EQ(again.PdfMode(), TPdfMode::pmVector);
    EXPECT_EQ(ini.ReadInt(QStringLiteral("Restore"), QStringLiteral("Export_PdfMode"), -1), 1);
}

TEST_F(ExportCommandsTest, ExportToPdfAndJpegFromTheMenu) {
    TfrmMain w;
    smallPaper(w);
    // The empty list is refused before any dialog.
    w.Action(QStringLiteral("mitExport"))->trigger();
    EXPECT_EQ(FQuestions, QStringList{QStringLiteral("エクスポートに失敗しました")});
    EXPECT_EQ(FExportShown, 0);
    for (int i = 0; i < 3; ++i)
        w.AddImageFile(image(i == 1 ? "halves.jpg" : "halves.png"));

    FQuestions.clear();
    exportWith([this](TfrmExport &d) {
        d.edtExportDest->setText(FOut.path());
        d.edtFileName->setText(QStringLiteral("album.jpg"));
        d.rdoPdf->setChecked(true);
    });
    w.Action(QStringLiteral("mitExport"))->trigger();
    const QString pdf = FOut.path() + QStringLiteral("/album.pdf");
    ASSERT_TRUE(QFileInfo::exists(pdf)) << FErrors.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(test::runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf})
                    .contains(QStringLiteral("No syntax or stream encoding errors")));
    EXPECT_TRUE(test::runTool(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    // 16 × 12 pixels in a cell of the small paper print blurred: the box says so.
    EXPECT_EQ(FQuestions, QStringList{QStringLiteral("エクスポートは終了しましたが、問題のある画像があります")});
    EXPECT_TRUE(FContents.last().contains(QStringLiteral("halves.jpg (1ページ 2番目の枠): 10 ppi"))) << FContents.last().toStdString();
    EXPECT_TRUE(FOpenFolderShown);
    EXPECT_EQ(QDir(FOut.path()).entryList(QDir::Files), QStringList{QStringLiteral("album.pdf")});   // no temporary left
    EXPECT_EQ(w.Progress(), nullptr);
    EXPECT_FALSE(bool(w.Paper().OnPrint()));

    // The same name again, answered No: the file stays as it was and the
    // dialog stays open (then cancelled).
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    FQuestions.clear();
    FExportShown = 0;
    FAnswers[QStringLiteral("ファイルを上書きしますか")] = QStringLiteral("btn7");
    w.Action(QStringLiteral("mitExport"))->trigger();
    EXPECT_EQ(FQuestions, QStringList{QStringLiteral("ファイルを上書きしますか")});
    EXPECT_EQ(FExportShown, 2);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();

    // JPEG from 7: pages 7 and 8.
    FQuestions.clear();
    FExportShown = 0;
    exportWith([this](TfrmExport &d) {
        d.edtExportDest->setText(FOut.path());
        d.edtFileName->setText(QStringLiteral("page.pdf"));
        d.rdoJpeg->setChecked(true);
        d.edtStartNumber->setValue(7);
    });
    w.Action(QStringLiteral("mitExport"))->trigger();
    EXPECT_EQ(QDir(FOut.path()).entryList({QStringLiteral("page*")}, QDir::Files),
              (QStringList{QStringLiteral("page7.jpg"), QStringLiteral("page8.jpg")}));
    EXPECT_EQ(FQuestions, QStringList{QStringLiteral("エクスポートは終了しましたが、問題のある画像があります")});
    EXPECT_TRUE(FContents.last().contains(QStringLiteral("page7.jpg … page8.jpg")));

    // A range beyond the end produces nothing, and says so.
    FQuestions.clear();
    FExportShown = 0;
    exportWith([this](TfrmExport &d) {
        d.edtExportDest->setText(FOut.path());
        d.edtFileName->setText(QStringLiteral("far.jpg"));
        d.edtStartPage->setValue(3);
        d.edtLastPage->setValue(9);
    });
    w.Action(QStringLiteral("mitExport"))->trigger();
    EXPECT_EQ(FQuestions, QStringList{QStringLiteral("エクスポートするページがありません")});
    EXPECT_TRUE(QDir(FOut.path()).entryList({QStringLiteral("far*")}, QDir::Files).isEmpty());
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(QLatin1Char('|')).toStdString();
}

TEST_F(ExportCommandsTest, TheResultNamesUnreadableAndBlurredPhotosAndWriteProblemsComeFirst) {
    TfrmMain w;
    smallPaper(w);
    // A sharp photo, a cut-off JPEG and one far too small for its cell.
    QImage big(600, 450, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    const QString sharp = FOut.path() + QStringLiteral("/sharp.png");
    ASSERT_TRUE(big.save(sharp));
    const QString cut = FOut.path() + QStringLiteral("/cut.jpg");
    ASSERT_TRUE(big.save(cut, "JPEG", 95));
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.resize(f.size() / 3);
    }
    w.AddImageFile(sharp);
    w.AddImageFile(cut);
    w.AddImageFile(image("halves.png"));
    const QString out = FOut.path() + QStringLiteral("/out");
    QDir().mkpath(out);
    FAnswers[QStringLiteral("エクスポートは終了しましたが、問題のある画像があります")] = QStringLiteral("btn1");
    FGrab = QStringLiteral("エクスポートは終了しましたが、問題のある画像があります");
    exportWith([&](TfrmExport &d) {
        d.edtExportDest->setText(out);
        d.edtFileName->setText(QStringLiteral("album.pdf"));
        d.rdoPdf->setChecked(true);
    });
    w.Action(QStringLiteral("mitExport"))->trigger();
    ASSERT_EQ(FQuestions, QStringList{QStringLiteral("エクスポートは終了しましたが、問題のある画像があります")})
        << FErrors.join(QLatin1Char('|')).toStdString();
    const QString text = FContents.last();
    EXPECT_TRUE(text.contains(QStringLiteral("読み取れなかった画像: 1個"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("解像度が150 ppi未満の画像: 1か所"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("cut.jpg (1ページ 2番目の枠): 画像の一部しか読み取れません"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("halves.png (2ページ 1番目の枠): 10 ppi"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("sharp.png"))) << text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/album.pdf")));

    // A folder where the PDF or the second JPEG should go: said in the
    // dialog before any page is drawn. (A missing folder the dialog itself
    // refuses.)
    struct Case {
        QString name;
        bool pdf;
    } cases[] = {{QStringLiteral("taken.pdf"), true}, {QStringLiteral("shot.jpg"), false}};
    QDir().mkpath(out + QStringLiteral("/taken.pdf"));
    QDir().mkpath(out + QStringLiteral("/shot2.jpg"));
    for (const Case &c : cases) {
        FQuestions.clear();
        FContents.clear();
        FExportShown = 0;
        exportWith([&](TfrmExport &d) {
            d.edtExportDest->setText(out);
            d.edtFileName->setText(c.name);
            (c.pdf ? d.rdoPdf : d.rdoJpeg)->setChecked(true);
        });
        w.Action(QStringLiteral("mitExport"))->trigger();
        ASSERT_EQ(FQuestions, QStringList{QStringLiteral("エクスポートできません")}) << c.name.toStdString();
        EXPECT_TRUE(FContents.last().contains(QStringLiteral("同じ名前のフォルダがあるため"))) << FContents.last().toStdString();
        EXPECT_EQ(FExportShown, 2);   // the dialog stayed open
    }
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(QLatin1Char('|')).toStdString();
}

TEST_F(ExportCommandsTest, ACancelledPdfReplacesTheOldFileWithThePagesDone) {
    TfrmMain w;
    smallPaper(w);
    for (int i = 0; i < 6; ++i)
        w.AddImageFile(image("halves.png"));
    const QString pdf = FOut.path() + QStringLiteral("/run.pdf");
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    FAnswers[QStringLiteral("ファイルを上書きしますか")] = QStringLiteral("btn6");
    exportWith([this](TfrmExport &d) {
        d.edtExportDest->setText(FOut.path());
        d.edtFileName->setText(QStringLiteral("run.pdf"));
        d.rdoPdf->setChecked(true);
    });
    QTimer canceller;
    canceller.setInterval(0);
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (TfrmProgress *p = w.Progress(); p && p->Prompt() == QStringLiteral("エクスポートしています - 2ページ"))
            p->cancelClicked();
    });
    canceller.start();
    w.Action(QStringLiteral("mitExport"))->trigger();
    canceller.stop();
    EXPECT_TRUE(FQuestions.last().startsWith(QStringLiteral("エクスポートを中止しました"))) << FQuestions.last().toStdString();
    EXPECT_TRUE(test::runTool(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
    EXPECT_EQ(QDir(FOut.path()).entryList(QDir::Files), QStringList{QStringLiteral("run.pdf")});
}

// An export whose photos a plug-in never reads: the window's timers keep
// firing while the run waits, and 中止 ends the run within a second.
TEST_F(ExportCommandsTest, AHangingPluginNeitherFreezesAnExportNorOutlastsItsCancel) {
    const QString plugins = FOut.path() + QStringLiteral("/plugins");
    QDir().mkpath(plugins);
    // It claims ".qqq" files, which no other plug-in reads.
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/hang-qqq.spi"), plugins + QStringLiteral("/hang.spi")));
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
    smallPaper(w);
    // The list's thumbnail worker meets the plug-in first; it is stopped too.
    std::atomic<bool> listDone{false};
    std::thread stopper([&] {
        while (!listDone.load()) {
            host.Cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    for (int i = 0; i < 4; ++i) {
        const QString pam = FOut.path() + QStringLiteral("/photo%1.qqq").arg(i);
        QFile f(pam);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("QQQ picture bytes that only the hanging plug-in claims");
        f.close();
        w.AddImageFile(pam);
    }
    w.ListView()->WaitForThumbnails();
    listDone = true;
    stopper.join();

    exportWith([this](TfrmExport &d) {
        d.edtExportDest->setText(FOut.path());
        d.edtFileName->setText(QStringLiteral("hang.pdf"));
        d.rdoPdf->setChecked(true);
    });
    int ticks = 0;
    QElapsedTimer sinceCancel;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        ++ticks;
        // Half a second into the run, 中止.
        if (TfrmProgress *p = w.Progress(); p && p->isVisible() && ticks > 25 && !sinceCancel.isValid()) {
            sinceCancel.start();
            p->cancelClicked();
        }
    });
    watcher.start();
    w.Action(QStringLiteral("mitExport"))->trigger();
    watcher.stop();
    ASSERT_TRUE(sinceCancel.isValid()) << "the run ended before it could be cancelled";
    EXPECT_LT(sinceCancel.elapsed(), 1000);
    EXPECT_GT(ticks, 25);
    host.SetTimeout(oldTimeout);
}

TEST_F(ExportCommandsTest, OptionsWriteFoldersAndMoveTheThumbnailCache) {
    TfrmMain w;
    const QString oldCache = w.CacheFile();
    ASSERT_TRUE(QFileInfo::exists(oldCache));
    {
        TfrmOption d(w.Ini());
        EXPECT_EQ(d.edtTemporaryPath->text(), QDir::tempPath() + QLatin1Char('/'));
        EXPECT_TRUE(d.edtSusiePath->text().isEmpty());
        EXPECT_TRUE(d.edtDefaultDocument->text().isEmpty());
        QStringList messages;
        d.OnMessage = [&](const QString &instruction, const QString &, bool) {
            messages << instruction;
            return idNo;
        };
        d.edtTemporaryPath->setText(FOut.path() + QStringLiteral("/missing"));
        d.btnOK->click();
        d.edtTemporaryPath->setText(FOut.path());
        d.edtSusiePath->setText(FOut.path() + QStringLiteral("/nosusie"));
        d.btnOK->click();
        d.edtSusiePath->clear();
        d.edtDefaultDocument->setText(FOut.path() + QStringLiteral("/gone.vlpf"));
        d.btnOK->click();   // answered No: stays open
        EXPECT_EQ(messages, (QStringList{QStringLiteral("テンポラリフォルダを確認してください"),
                                         QStringLiteral("Susieプラグインフォルダを確認してください"),
                                         QStringLiteral("起動時に開くファイルがありません")}));
        EXPECT_EQ(d.result(), 0);
    }

    const QString cacheDir = FOut.path() + QStringLiteral("/cache");
    ASSERT_TRUE(QDir().mkpath(cacheDir));
    FDialogs[QStringLiteral("frmOption")] = [&](QWidget *dialog) {
        auto &d = *static_cast<TfrmOption *>(dialog);
        d.edtTemporaryPath->setText(cacheDir);
        d.edtSusiePath->setText(FOut.path());
        d.edtDefaultDocument->setText(QStringLiteral("/a/b.vlpf"));
        d.btnOK->click();
    };
    FAnswers[QStringLiteral("起動時に開くファイルがありません")] = QStringLiteral("btn6");
    w.Action(QStringLiteral("mitOption"))->trigger();
    const QString option = QStringLiteral("Option");
    EXPECT_EQ(w.Ini().ReadStr(option, QStringLiteral("CachePath"), {}), cacheDir + QLatin1Char('/'));
    EXPECT_EQ(w.Ini().ReadStr(option, QStringLiteral("Susie"), {}), FOut.path() + QLatin1Char('/'));
    EXPECT_EQ(w.Ini().ReadStr(option, QStringLiteral("AutoLoad"), {}), QStringLiteral("/a/b.vlpf"));
    EXPECT_FALSE(QFileInfo::exists(oldCache));
    EXPECT_EQ(QFileInfo(w.CacheFile()).absolutePath(), cacheDir);
    EXPECT_EQ(w.ListView()->CacheFileName(), w.CacheFile());
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(QLatin1Char('|')).toStdString();

    // The same folder written differently is no change; an emptied field is
    // the temporary folder.
    const QString kept = w.CacheFile();
    FDialogs[QStringLiteral("frmOption")] = [&](QWidget *dialog) {
        auto &d = *static_cast<TfrmOption *>(dialog);
        d.edtTemporaryPath->setText(cacheDir + QStringLiteral("/../cache/"));
        d.btnOK->click();
    };
    w.Action(QStringLiteral("mitOption"))->trigger();
    EXPECT_EQ(w.CacheFile(), kept);
    FDialogs[QStringLiteral("frmOption")] = [&](QWidget *dialog) {
        auto &d = *static_cast<TfrmOption *>(dialog);
        d.edtTemporaryPath->clear();
        d.btnOK->click();
    };
    w.Action(QStringLiteral("mitOption"))->trigger();
    EXPECT_EQ(QFileInfo(w.CacheFile()).absolutePath(), QFileInfo(QDir::tempPath()).canonicalFilePath());
    EXPECT_FALSE(QFileInfo::exists(kept));
}

TEST_F(ExportCommandsTest, HelpOpensTheStoredOrChosenFileWhenNoGuideIsFound) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    TfrmMain w;
    const QTemporaryDir bare;   // a program folder with no guide near it
    w.SetHelpProgramFolder(bare.path() + QStringLiteral("/bin"));
    const QString chosen = FOut.path() + QStringLiteral("/manual.html");
    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    int shown = 0;
    QString text = QStringLiteral("/nowhere/x.pdf");
    FDialogs[QStringLiteral("frmSelHelp")] = [&](QWidget *dialog) {
        auto &d = *static_cast<TfrmSelHelp *>(dialog);
        ++shown;
        d.edtHelpFile->setText(text);
        d.btnOK->click();
    };
    ASSERT_TRUE(w.FindHelpFile().isEmpty());
    w.Action(QStringLiteral("mitShowHelp"))->trigger();   // a missing choice opens nothing
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(recorder.urls.isEmpty());
    text = chosen;
    w.Action(QStringLiteral("mitShowHelp"))->trigger();
    EXPECT_EQ(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(chosen)});
    EXPECT_EQ(w.Ini().ReadStr(QStringLiteral("Restore"), QStringLiteral("HelpFile"), {}), chosen);
    // Stored now: no dialog the next time, and the user's choice stays
    // before a guide installed later.
    w.SetHelpProgramFolder({});
    w.Action(QStringLiteral("mitShowHelp"))->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(recorder.urls, (QList<QUrl>{QUrl::fromLocalFile(chosen), QUrl::fromLocalFile(chosen)}));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(FErrors.isEmpty());
}

TEST_F(ExportCommandsTest, HelpOpensTheGuideInTheWindowsLanguageWithoutAsking) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    int shown = 0;
    FDialogs[QStringLiteral("frmSelHelp")] = [&](QWidget *dialog) {
        ++shown;
        static_cast<QDialog *>(dialog)->reject();
    };
    // An installed layout: bin/ beside share/doc/vellora/html/<language>/.
    const QTemporaryDir prefix;
    const auto guide = [&](const char *language) {
        return prefix.path() + QStringLiteral("/share/doc/vellora/html/%1/index.html").arg(QLatin1String(language));
    };
    const auto install = [&](const char *language) {
        QDir().mkpath(QFileInfo(guide(language)).path());
        QFile f(guide(language));
        return f.open(QIODevice::WriteOnly);
    };
    ASSERT_TRUE(install("ja"));
    const QLocale old;
    struct Case {
        QLocale::Language window;
        bool englishInstalled;
        const char *expected;
    } const cases[] = {
        {QLocale::Japanese, false, "ja"},
        {QLocale::English, false, "ja"},   // the other language rather than nothing
        {QLocale::English, true, "en"},
        {QLocale::German, true, "en"},
        {QLocale::Japanese, true, "ja"},
    };
    for (const Case &c : cases) {
        if (c.englishInstalled)
            ASSERT_TRUE(install("en"));
        QLocale::setDefault(QLocale(c.window));
        TfrmMain w;
        w.SetHelpProgramFolder(prefix.path() + QStringLiteral("/bin"));
        recorder.urls.clear();
        w.Action(QStringLiteral("mitShowHelp"))->trigger();
        EXPECT_EQ(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(guide(c.expected))})
            << QLocale::languageToString(c.window).toStdString();
        // Found, not stored: a later language follows.
        EXPECT_TRUE(w.Ini().ReadStr(QStringLiteral("Restore"), QStringLiteral("HelpFile"), {}).isEmpty());
    }
    QLocale::setDefault(old);

    // An uninstalled build finds the guide its build copied beside app/.
    TfrmMain w;
    const QString found = w.FindHelpFile();
    EXPECT_TRUE(found.startsWith(QStringLiteral(VELLORA_BUILD_DIR "/share/doc/vellora/html/"))) << found.toStdString();
    EXPECT_TRUE(found.endsWith(QStringLiteral("/index.html")));
    EXPECT_EQ(shown, 0);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(FErrors.isEmpty());
}

TEST_F(ExportCommandsTest, Render) {
    QFont font(QStringLiteral("IPAGothic"), 9);
    QApplication::setFont(font);
    const QString dir = QStringLiteral(VELLORA_RENDER_DIR);
    QDir().mkpath(dir);
    TExtIniFile ini;
    ini.SetDefaultFolder(TDefaultFolder::dfAppData);
    ini.SetFileName(QStringLiteral("Vellora.ini"));
    TfrmExport e(ini);
    e.SetOutputInfo(300, 90);
    e.adjustSize();
    EXPECT_TRUE(e.grab().save(dir + QStringLiteral("/frmExport.png")));
    TfrmOption o(ini);
    o.adjustSize();
    EXPECT_TRUE(o.grab().save(dir + QStringLiteral("/frmOption.png")));
    TfrmSelHelp h;
    h.adjustSize();
    EXPECT_TRUE(h.grab().save(dir + QStringLiteral("/frmSelHelp.png")));
}

TEST_F(ExportCommandsTest, OptionsSwitchPhotosUprightAndTheThumbnailsFollow) {
    const QString photo = FOut.path() + QStringLiteral("/marker.jpg");
    ASSERT_TRUE(test::writeOrientedMarker(photo, 120, 80, 6));
    TExifRotateScope scope(true);
    TfrmMain w;
    w.ListView()->SetThumbSize(96);
    w.AddImageFile(photo);
    w.show();
    w.ListView()->SetViewStyle(TImageViewStyle::ivsThumbnail);
    w.ListView()->WaitForThumbnails();
    // The colour a quarter of the way in from the picture's top-left corner.
    auto topLeft = [&w] {
        QApplication::processEvents();
        const QImage shot = w.ListView()->ListView()->viewport()->grab().toImage();
        const QRect cell = w.ListView()->ItemCellRect(w.ListView()->Items()[0]);
        return shot.pixel(cell.center().x() - 20, cell.top() + 52 - 14);
    };
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 40 && std::abs(qGreen(a) - qGreen(b)) <= 40
            && std::abs(qBlue(a) - qBlue(b)) <= 40;
    };
    EXPECT_TRUE(near(topLeft(), test::kMarkerTopLeft));   // upright

    bool shown = false;
    FDialogs[QStringLiteral("frmOption")] = [&](QWidget *dialog) {
        auto &d = *static_cast<TfrmOption *>(dialog);
        shown = d.chkExifRotate->isChecked();
        d.chkExifRotate->setChecked(false);
        d.btnOK->click();
    };
    w.Action(QStringLiteral("mitOption"))->trigger();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(ExifRotate());
    EXPECT_FALSE(w.Ini().ReadBool(QStringLiteral("Option"), QStringLiteral("ExifRotate"), true));
    EXPECT_TRUE(near(topLeft(), test::kMarkerTopRight));   // as stored

    // Left as it is, the choice is not written: a --exif-rotate of this run
    // does not become the setting.
    w.Ini().DeleteItem(QStringLiteral("Option"), QStringLiteral("ExifRotate"));
    FDialogs[QStringLiteral("frmOption")] = [&](QWidget *dialog) {
        static_cast<TfrmOption *>(dialog)->btnOK->click();
    };
    w.Action(QStringLiteral("mitOption"))->trigger();
    EXPECT_FALSE(ExifRotate());
    EXPECT_FALSE(w.Ini().ItemExists(QStringLiteral("Option"), QStringLiteral("ExifRotate")));
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(QLatin1Char('|')).toStdString();
}

#include "ExportCommandsTest.moc"
