#include "app/MainForm.h"
#include "app/print/ResolutionWarnings.h"

#include "app/controls/DropDst.h"
#include "app/controls/PictureDialogs.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "model/Document.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"
#include "print/CupsService.h"
#include "print/MemoryService.h"
#include "print/tests/PrintTestSupport.h"
#include "settings/Version.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QActionGroup>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QListView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QRegularExpression>
#include <QUrl>
#include <QMimeData>
#include <QDragEnterEvent>

using namespace vellora;

namespace {

// Every test gets its own settings folder and temporary folder.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Small test photos print soft; the warning has its own tests.
        SetLowResolutionAsk([](const QStringList &, bool &) { return true; });
        ASSERT_TRUE(FConfig.isValid());
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        SetExceptionHandler([this](QWidget *, const QString &message) { FMessages << message; });
        // Answers the questions of the window: presses the button named in
        // FAnswer and records the main instruction.
        FAnswerer.setInterval(20);
        QObject::connect(&FAnswerer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *form = qobject_cast<TTaskDialogXPForm *>(w);
                if (!form || !form->isVisible())
                    continue;
                FQuestions << form->findChild<QLabel *>(QStringLiteral("lblInstruction"))->text();
                if (auto *b = form->findChild<QAbstractButton *>(FAnswer))
                    b->click();
                else
                    form->done(0);
            }
        });
        FAnswerer.start();
    }
    void TearDown() override {
        SetLowResolutionAsk({});
        SetExceptionHandler({});
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }
    QString iniPath() const { return FConfig.path() + QStringLiteral("/Vellora/Vellora.ini"); }
    // Writes settings before a window starts.
    void writeIni(const std::function<void(TExtIniFile &)> &fill) {
        TExtIniFile ini;
        ini.SetDefaultFolder(TDefaultFolder::dfAppData);
        ini.SetFileName(QStringLiteral("Vellora.ini"));
        fill(ini);
    }
    static QString image(const char *name) { return test::testDataPath(QStringLiteral("images/") + QLatin1String(name)); }

    QTemporaryDir FConfig;
    QByteArray FOldConfig;
    QStringList FMessages;
    QStringList FQuestions;
    QString FAnswer = QStringLiteral("btn1");
    QTimer FAnswerer;
};

QStringList menuOrder(const QMenu *menu) {
    QStringList names;
    for (QAction *a : menu->actions())
        names << (a->isSeparator() ? QStringLiteral("|") : a->menu() ? a->menu()->objectName() : a->objectName());
    return names;
}

QString saveDocument(const QString &path, const QStringList &images, double paperWidth) {
    TPhotoPaper paper;
    paper.SetPaperWidth(paperWidth);
    TImageInfos infos;
    infos.SetSaveType(TFileSaveType::fstLink);
    for (const QString &f : images)
        infos.Add()->SetFileName(f, TImageLogging::iloLink);
    SaveDocumentFile(path, paper, infos);
    return path;
}

} // namespace

TEST_F(MainFormTest, EveryActionHasItsCaptionShortcutHintAndEnabling) {
    TfrmMain w;
    EXPECT_EQ(w.objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - 新規ドキュメント[*]"));
    struct Row {
        const char *name;
        const char16_t *caption;
        const char *shortcut;
        const char16_t *hint;
        bool sel;
        bool ready;   // usable in this build
    };
    const Row rows[] = {
        {"mitNewPaper", u"新規作成(&N)", "Ctrl+N", u"", false, true},
        {"actOpenPaper", u"開く(&O)...", "Ctrl+O", u"用紙を開く", false, true},
        {"actSavePaper", u"上書き保存(&S)", "Ctrl+S", u"上書き保存", false, true},
        {"actSaveAs", u"名前を付けて保存(&A)...", "Ctrl+Shift+S", u"名前を付けて保存", false, true},
        {"mitExport", u"エクスポート(&E)...", "", u"", false, true},
        {"actLayout", u"用紙レイアウト(&L)...", "Ctrl+L", u"用紙レイアウト", false, false},
        {"actPrint", u"印刷(&P)...", "", u"印刷", false, false},
        {"actPrintPreview", u"印刷プレビュー(&V)...", "Ctrl+P", u"印刷プレビュー", false, false},
        {"mitPrinter", u"プリンタの設定(&R)...", "", u"", false, true},
        {"mitAdjustPos", u"印刷位置の微調整(&D)...", "", u"", false, false},
        {"mitExit", u"終了(&X)", "", u"", false, true},
        {"actSelectAll", u"すべて選択(&A)", "Ctrl+A", u"", false, true},
        {"actClearSelection", u"選択の解除(&D)", "", u"", false, true},
        {"actRevSelection", u"選択の反転(&R)", "", u"", false, true},
        {"actCheck", u"チェック(&C)", "", u"", true, true},
        {"actClearCheck", u"チェックの解除(&U)", "", u"", true, true},
        {"actRevCheck", u"チェックの反転(&E)", "", u"", true, true},
        {"actOrder", u"順序の指定(&O)...", "F3", u"印刷順序", false, true},
        {"actMoveUp", u"上へ移動(&U)", "Ctrl+Up", u"上へ", true, true},
        {"actMoveDown", u"下へ移動(&D)", "Ctrl+Down", u"下へ", true, true},
        {"actMoveFirst", u"先頭へ移動(&F)", "Ctrl+Shift+Up", u"先頭へ", true, true},
        {"actMoveLast", u"末尾へ移動(&L)", "Ctrl+Shift+Down", u"末尾へ", true, true},
        {"actAddImage", u"画像の追加(&I)...", "Ctrl+I", u"画像の追加", false, true},
        {"actAddFolder", u"フォルダ内一括追加(&F)", "", u"フォルダ追加", false, true},
        {"actDeleteImage", u"リストから削除(&D)...", "Del", u"削除", true, true},
        {"mitClearImage", u"すべてをリストから削除(&C)...", "", u"", false, true},
        {"actComment", u"コメントの設定(&M)...", "Ctrl+M", u"コメント", true, true},
        {"actCopies", u"コピー枚数の設定(&O)...", "F2", u"コピー枚数", true, true},
        {"actImageProp", u"プロパティ(&P)...", "F4", u"プロパティ", true, true},
        {"actPreviewImage", u"画像の確認(&V)...", "F10", u"画像確認", true, true},
        {"actViewStyle", u"表示形式(&V)", "Ctrl+W", u"表示形式", false, true},
        {"actViewThumb", u"サムネイル(&T)", "", u"", false, true},
        {"actViewList", u"一覧(&L)", "", u"", false, true},
        {"actViewDetail", u"詳細(&D)", "", u"", false, true},
        {"actAutoSort", u"自動ソート(&A)", "", u"ソート", false, true},
        {"actSortFileName", u"ファイル名(&F)", "", u"", false, true},
        {"actSortShotDate", u"撮影日時(&D)", "", u"", false, true},
        {"actSortFileDate", u"ファイル日時(&A)", "", u"", false, true},
        {"actSortFileSize", u"ファイルサイズ(&S)", "", u"", false, true},
        {"actSortImageWidth", u"画像サイズ(横優先)(&W)", "", u"", false, true},
        {"actSortImageHeight", u"画像サイズ(縦優先)(&H)", "", u"", false, true},
        {"actSortCopies", u"コピー枚数(&C)", "", u"", false, true},
        {"mitOption", u"オプションの設定(&O)...", "", u"", false, true},
        {"mitShowHelp", u"ヘルプの表示(&S)", "", u"", false, true},
        {"mitShowTextFile", u"Vellora.txtの表示(&T)", "", u"", false, true},
        {"mitAbout", u"バージョン情報(&A)...", "", u"", false, true},
    };
    const QString pending = QString::fromUtf16(kPendingHint);
    for (const Row &r : rows) {
        QAction *a = w.Action(QString::fromLatin1(r.name));
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->text(), QString::fromUtf16(r.caption)) << r.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(r.shortcut))) << r.name;
        EXPECT_EQ(a->isEnabled(), r.ready && !r.sel) << r.name;   // nothing is selected
        if (!r.ready) {
            EXPECT_EQ(a->toolTip(), pending) << r.name;
        }
        // A later part makes it usable: then its hint and the selection rule apply.
        w.SetActionPending(a, false);
        const QString hint = QString::fromUtf16(r.hint);
        EXPECT_EQ(a->toolTip(), hint.isEmpty() ? QString::fromUtf16(r.caption).remove(QLatin1Char('&')) : hint) << r.name;
        EXPECT_EQ(a->isEnabled(), !r.sel) << r.name;
        w.EnableImageActions(true);
        EXPECT_TRUE(a->isEnabled()) << r.name;
        w.EnableImageActions(false);
        EXPECT_EQ(a->isEnabled(), !r.sel) << r.name;
    }
    // EnableImageActions never wakes a command that is not there yet.
    QAction *copies = w.Action(QStringLiteral("actCopies"));
    w.SetActionPending(copies, true);
    w.EnableImageActions(true);
    EXPECT_FALSE(copies->isEnabled());
    // Radio groups: sort tags are the sort column ordinals.
    const char *sorts[] = {"actSortFileName", "actSortShotDate", "actSortFileDate", "actSortFileSize",
                           "actSortImageWidth", "actSortImageHeight", "actSortCopies"};
    for (int tag = 0; tag < 7; ++tag) {
        QAction *a = w.Action(QString::fromLatin1(sorts[tag]));
        EXPECT_EQ(a->data().toInt(), tag);
        EXPECT_TRUE(a->actionGroup() && a->actionGroup()->isExclusive());
    }
}

TEST_F(MainFormTest, MenusToolBarAndPopupInOrder) {
    TfrmMain w;
    QStringList top;
    for (QAction *a : w.menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{"ファイル(&F)", "編集(&E)", "画像(&I)", "表示(&V)", "ツール(&T)", "ヘルプ(&H)"}));
    auto menu = [&](const char *name) { return w.findChild<QMenu *>(QString::fromLatin1(name)); };
    EXPECT_EQ(menuOrder(menu("mitFile")),
              (QStringList{"mitNewPaper", "actOpenPaper", "actSavePaper", "actSaveAs", "mitExport", "|", "actLayout",
                           "actPrint", "actPrintPreview", "mitPrinter", "mitAdjustPos", "|", "mitExit"}));
    EXPECT_EQ(menuOrder(menu("mitEdit")),
              (QStringList{"actUndo", "actRedo", "|", "actSelectAll", "actClearSelection", "actRevSelection", "|", "actCheck", "actClearCheck",
                           "actRevCheck", "|", "mitOrder"}));
    EXPECT_EQ(menu("mitOrder")->title(), QStringLiteral("印刷順序(&O)"));
    EXPECT_EQ(menuOrder(menu("mitOrder")),
              (QStringList{"actOrder", "|", "actMoveUp", "actMoveDown", "actMoveFirst", "actMoveLast"}));
    EXPECT_EQ(menuOrder(menu("mitImage")),
              (QStringList{"actAddImage", "actAddFolder", "|", "actDeleteImage", "mitClearImage", "|", "actComment",
                           "actCopies", "actImageProp", "|", "actPreviewImage"}));
    EXPECT_EQ(menuOrder(menu("mitView")), (QStringList{"mitViewStyle", "mitSort"}));
    EXPECT_EQ(menu("mitViewStyle")->title(), QStringLiteral("表示形式(&V)"));
    EXPECT_EQ(menu("mitSort")->title(), QStringLiteral("ソート(&S)"));
    EXPECT_EQ(menuOrder(menu("mitSort")),
              (QStringList{"actAutoSort", "|", "actSortFileName", "actSortShotDate", "actSortFileDate", "actSortFileSize",
                           "actSortImageWidth", "actSortImageHeight", "actSortCopies"}));
    EXPECT_EQ(menuOrder(menu("mitTools")), QStringList{"mitOption"});
    EXPECT_EQ(menuOrder(menu("mitHelp")), (QStringList{"mitShowHelp", "mitShowTextFile", "mitAbout"}));
    QStringList tools;
    for (QAction *a : w.tbrMain->actions())
        tools << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    EXPECT_EQ(tools, (QStringList{"actOpenPaper", "actSavePaper", "actSaveAs", "|", "actLayout", "actPrint",
                                  "actPrintPreview", "|", "actOrder", "actMoveUp", "actMoveDown", "actMoveFirst",
                                  "actMoveLast", "|", "actAddImage", "actAddFolder", "actDeleteImage", "|",
                                  "actComment", "actCopies", "actImageProp", "actPreviewImage", "|", "actViewStyle",
                                  "|", "actAutoSort"}));
    EXPECT_EQ(menuOrder(w.pmnFile),
              (QStringList{"actImageProp", "actComment", "actCopies", "|", "actDeleteImage", "|", "actMoveUp",
                           "actMoveDown", "actMoveFirst", "actMoveLast", "|", "actSelectAll", "actClearSelection",
                           "actRevSelection", "|", "actCheck", "actClearCheck", "actRevCheck"}));
}

TEST_F(MainFormTest, ShortcutsReachActionsWithTheFocusInTheList) {
    TfrmMain w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QAction *layout = w.Action(QStringLiteral("actLayout"));
    w.SetActionPending(layout, false);
    int fired = 0;
    QObject::connect(layout, &QAction::triggered, [&] { ++fired; });
    w.activateWindow();
    QWidget *list = w.lvFile->ActiveView();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(fired, 1);
}

TEST_F(MainFormTest, SettingsRoundTripAndDamagedValues) {
    QTemporaryDir cache;
    const QString odd = cache.path() + QStringLiteral("/José 한글");
    ASSERT_TRUE(QDir().mkpath(odd));
    writeIni([&](TExtIniFile &ini) {
        ini.WriteStr(QStringLiteral("Option"), QStringLiteral("CachePath"), odd);
        ini.WriteStr(QStringLiteral("Option"), QStringLiteral("AutoLoad"), odd + QStringLiteral("/アルバム.vlpf"));
        ini.WriteStr(QStringLiteral("Restore"), QStringLiteral("HelpFile"), odd + QStringLiteral("/help.pdf"));
        ini.WriteInt(QStringLiteral("Restore"), QStringLiteral("ViewStyle"), 3);
        ini.WriteBool(QStringLiteral("Restore"), QStringLiteral("AutoSort"), true);
        ini.WriteInt(QStringLiteral("Restore"), QStringLiteral("SortCol"), 5);
        ini.WriteFloat(QStringLiteral("Restore"), QStringLiteral("AdjustLeft"), 1.5);
        ini.WriteFloat(QStringLiteral("Restore"), QStringLiteral("AdjustTop"), -2.25);
        ini.WriteInt(QStringLiteral("MainImageList"), QStringLiteral("0"), 222);
    });
    QString cacheFile;
    {
        TfrmMain w;
        EXPECT_EQ(w.lvFile->ViewStyle(), TImageViewStyle::ivsReport);
        EXPECT_TRUE(w.Action(QStringLiteral("actViewDetail"))->isChecked());
        EXPECT_TRUE(w.Action(QStringLiteral("actAutoSort"))->isChecked());
        EXPECT_TRUE(w.Action(QStringLiteral("actSortImageHeight"))->isChecked());
        EXPECT_DOUBLE_EQ(double(w.Paper().PrintOptions().Adjusts.cx), 1.5);
        EXPECT_DOUBLE_EQ(double(w.Paper().PrintOptions().Adjusts.cy), -2.25);
        EXPECT_EQ(w.lvFile->Column(0).Width, 222);
        cacheFile = w.CacheFile();
        EXPECT_TRUE(cacheFile.startsWith(odd + QLatin1Char('/'))) << cacheFile.toStdString();
        EXPECT_EQ(w.lvFile->CacheFileName(), cacheFile);
        w.ApplyAdjustment(0.5, 0.75);
        w.lvFile->SetColumnWidth(1, 99);
        w.move(40, 50);
        w.resize(700, 500);
    }
    EXPECT_FALSE(QFile::exists(cacheFile));   // deleted at exit
    {
        TExtIniFile ini;
        ini.SetDefaultFolder(TDefaultFolder::dfAppData);
        ini.SetFileName(QStringLiteral("Vellora.ini"));
        EXPECT_EQ(ini.ReadStr("Option", "CachePath", {}), odd);
        EXPECT_EQ(ini.ReadStr("Option", "AutoLoad", {}), odd + QStringLiteral("/アルバム.vlpf"));
        EXPECT_EQ(ini.ReadStr("Restore", "HelpFile", {}), odd + QStringLiteral("/help.pdf"));
        EXPECT_EQ(ini.ReadInt("Restore", "ViewStyle", 0), 3);
        EXPECT_EQ(ini.ReadInt("Restore", "SortCol", 0), 5);
        EXPECT_TRUE(ini.ReadBool("Restore", "AutoSort", false));
        EXPECT_DOUBLE_EQ(ini.ReadFloat("Restore", "AdjustLeft", 0), 0.5);
        EXPECT_EQ(ini.ReadInt("MainImageList", "1", 0), 99);
        EXPECT_EQ(ini.ReadInt("Forms", "frmMain.right", 0) - ini.ReadInt("Forms", "frmMain.left", 0), 700);
        // Damaged values for the next start.
        ini.WriteInt("Restore", "ViewStyle", 1);
        ini.WriteInt("Restore", "SortCol", 9);
        ini.WriteStr("Restore", "AdjustLeft", "nan");
        ini.WriteStr("Restore", "AdjustTop", "1e300");
        ini.WriteInt("MainImageList", "0", -5);
        ini.WriteStr("Option", "CachePath", "/proc/no-such-folder/");
    }
    {
        TfrmMain w;
        EXPECT_EQ(w.lvFile->ViewStyle(), TImageViewStyle::ivsThumbnail);
        EXPECT_TRUE(w.Action(QStringLiteral("actViewThumb"))->isChecked());
        EXPECT_TRUE(w.Action(QStringLiteral("actSortFileName"))->isChecked());
        EXPECT_DOUBLE_EQ(double(w.Paper().PrintOptions().Adjusts.cx), 0.0);
        EXPECT_DOUBLE_EQ(double(w.Paper().PrintOptions().Adjusts.cy), 0.0);
        EXPECT_GE(w.lvFile->Column(0).Width, 150);   // the default, fitted to the font
        // The unwritable cache folder falls back to the temporary folder.
        EXPECT_TRUE(w.CacheFile().startsWith(QDir::tempPath())) << w.CacheFile().toStdString();
        EXPECT_TRUE(QFile::exists(w.CacheFile()));
    }
}

TEST_F(MainFormTest, StartupFilesOpenOnlyTheLastDocumentAfterAddingImages) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/folder");
    QDir().mkpath(folder);
    QFile::copy(image("halves.png"), folder + QStringLiteral("/b.png"));
    QFile::copy(image("halves.jpg"), folder + QStringLiteral("/a.JPG"));
    QFile notes(folder + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    const QString auto_ = saveDocument(dir.path() + QStringLiteral("/auto.vlpf"), {image("halves.gif")}, 100);
    const QString first = saveDocument(dir.path() + QStringLiteral("/first.vlpf"), {image("halves.bmp")}, 120);
    const QString last = saveDocument(dir.path() + QStringLiteral("/last.vlpf"), {image("gradient-65x49.jpg")}, 150);
    writeIni([&](TExtIniFile &ini) { ini.WriteStr("Option", "AutoLoad", auto_); });

    TfrmMain w({first, image("halves.jpg"), dir.path() + QStringLiteral("/missing.jpg"), folder, last,
                folder + QStringLiteral("/notes.txt")});
    // The document question would ask about adding to the list: answer it.
    w.LoadStartupFiles();
    EXPECT_EQ(w.Document(), last);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - last.vlpf[*]"));
    EXPECT_DOUBLE_EQ(double(w.Paper().PaperWidth()), 150.0);
    QStringList names;
    for (int i = 0; i < w.lvFile->Items().Count(); ++i)
        names << QFileInfo(w.lvFile->Items().Item(i)->AbsoluteName()).fileName();
    // Command-line image, the folder's images (no text file), then the document's.
    EXPECT_EQ(names, (QStringList{"halves.jpg", "a.JPG", "b.png", "gradient-65x49.jpg"}));
    EXPECT_EQ(w.Images().Count(), 4);
    EXPECT_EQ(w.FindInfoItem(w.Images().Items(3)), w.lvFile->Items().Item(3));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("画像:4 チェック:0 選択:0"));
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join('\n').toStdString();
    // The list had entries: asked once how to load, "add" by default.
    EXPECT_EQ(FQuestions, QStringList{QStringLiteral("画像の読み込み方法を選択してください。")});
}

TEST_F(MainFormTest, CorruptStartupDocumentChangesNothing) {
    QTemporaryDir dir;
    const QString good = saveDocument(dir.path() + QStringLiteral("/good.vlpf"), {image("halves.gif")}, 100);
    QByteArray bytes = test::readFile(good);
    bytes.truncate(bytes.size() - 7);
    const QString bad = dir.path() + QStringLiteral("/bad.vlpf");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    TfrmMain w({image("halves.png"), bad});
    const double width = double(w.Paper().PaperWidth());
    w.LoadStartupFiles();
    // The message names the file and why it could not be read.
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_EQ(FMessages[0].split(QLatin1Char('\n')).value(0), QStringLiteral("ドキュメントの読み取りに失敗しました。"));
    EXPECT_EQ(FMessages[0].split(QLatin1Char('\n')).value(1), bad);
    EXPECT_EQ(w.Document(), QString());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - 新規ドキュメント[*]"));
    EXPECT_EQ(w.Images().Count(), 1);
    EXPECT_EQ(w.lvFile->Items().Count(), 1);
    EXPECT_DOUBLE_EQ(double(w.Paper().PaperWidth()), width);
}

TEST_F(MainFormTest, PictureFilterAndImageFilesAgree) {
    TfrmMain w;
    const QStringList patterns = w.SusieExt().split(QLatin1Char(';'));
    EXPECT_EQ(patterns.mid(0, 7), (QStringList{"*.jpg", "*.jpeg", "*.bmp", "*.png", "*.emf", "*.wmf", "*.gif"}));
    for (const QString &p : patterns)
        EXPECT_TRUE(w.IsImageFile(QStringLiteral("x") + p.mid(1))) << p.toStdString();
    EXPECT_TRUE(w.IsImageFile(QStringLiteral("/a/IMG_0001.JPG")));
    EXPECT_FALSE(w.IsImageFile(QStringLiteral("/a/notes.txt")));
    EXPECT_FALSE(w.IsImageFile(QStringLiteral("/a/noext")));
    EXPECT_TRUE(w.PictureFilter().startsWith(QStringLiteral("すべての画像ファイル(*.jpg;*.jpeg;")));
    EXPECT_TRUE(w.PictureFilter().contains(QStringLiteral("|JPEGイメージ(*.jpg)|*.jpg|JPEGイメージ(*.jpeg)|*.jpeg|")));
    // Icons load, so they can be chosen too, once.
    EXPECT_TRUE(patterns.contains(QStringLiteral("*.ico")));
    EXPECT_EQ(w.PictureFilter().count(QStringLiteral("|アイコン(*.ico)|*.ico")), 1);
    EXPECT_EQ(patterns.count(QStringLiteral("*.jpg")), 1);
}

// The sample plug-in beside the build's program adds its formats after the
// built-in ones, and a rebuild (after the options change) keeps them.
TEST_F(MainFormTest, PluginFormatsJoinTheFilterAndTheList) {
    TfrmMain w;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(w.IsImageFile(QStringLiteral("/a/scan.pam"))) << pass;
        EXPECT_TRUE(w.SusieExt().contains(QStringLiteral(";*.pam"))) << pass;
        EXPECT_EQ(w.PictureFilter().count(QStringLiteral("Portable Arbitrary Map(*.pam)|*.pam")), 1) << pass;
        EXPECT_TRUE(w.SusieExt().startsWith(QStringLiteral("*.jpg;"))) << pass;
        w.BuildPictureFilter();
    }
    // The picture dialog offers them in its filter list.
    TQvOpenPictureDialog dialog(&w);
    dialog.SetFilter(w.PictureFilter());
    EXPECT_TRUE(dialog.nameFilters().contains(QStringLiteral("Portable Arbitrary Map (*.pam)")))
        << dialog.nameFilters().join(QLatin1Char('|')).toStdString();
    dialog.selectNameFilter(dialog.nameFilters().constFirst());
    dialog.resize(760, 460);
    dialog.show();
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    dialog.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/dlgOpenPic.png"));
}

TEST_F(MainFormTest, StatusBarTextsLabelsAndPanelWidths) {
    TfrmMain w;
    w.show();
    w.AddImageFile(image("halves.jpg"));
    w.AddImageFile(image("halves.png"));
    w.lvFile->Items().Item(1)->SetChecked(true);
    w.Images().Items(0)->Options().SetCopies(3);
    w.lvFile->SetSelected(w.lvFile->Items().Item(0));
    QTRY_COMPARE(w.StatusText(1), QStringLiteral("画像:2 チェック:1 選択:1"));
    EXPECT_TRUE(w.StatusText(0).startsWith(QStringLiteral("halves.jpg コピー:3 撮影日:")));
    EXPECT_TRUE(w.StatusText(0).contains(QStringLiteral(" 説明:")));
    EXPECT_TRUE(w.Action(QStringLiteral("actCheck"))->isEnabled());
    w.lvFile->ClearSelection();
    QTRY_COMPARE(w.StatusText(1), QStringLiteral("画像:2 チェック:1 選択:0"));
    EXPECT_EQ(w.StatusText(0), QString());

    EXPECT_EQ(w.findChild<QLabel *>("lblPaperSize")->text(), QStringLiteral("210.0×297.0 mm"));
    w.resize(1000, 500);
    QTRY_COMPARE(w.StatusPanelWidth(1), 200);
    EXPECT_EQ(w.StatusPanelWidth(2), 250);
    EXPECT_GT(w.StatusPanelWidth(0), 400);
    w.resize(400, 500);
    QTRY_COMPARE(w.StatusPanelWidth(0), 100);
    EXPECT_LT(w.width(), 550);

    // Counts wider than their panel (large numbers, a large font) widen it.
    w.resize(1000, 500);
    auto *counts = w.findChild<QLabel *>(QStringLiteral("stsPanel1"));
    ASSERT_NE(counts, nullptr);
    counts->setFont(QFont(counts->font().family(), 20));
    w.UpdateStatus(kAllStatus);
    QApplication::processEvents();
    EXPECT_GT(counts->sizeHint().width(), 200);
    EXPECT_GE(w.StatusPanelWidth(1), counts->sizeHint().width());
}

TEST_F(MainFormTest, TheSelectedThumbnailKeepsItsFrameWithoutFocus) {
    TfrmMain w;
    w.resize(900, 600);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.AddImageFile(image("halves.png"));
    w.lvFile->SetSelected(w.lvFile->Items().Item(0));
    w.lvFile->ListView()->clearFocus();
    QApplication::processEvents();
    ASSERT_FALSE(w.lvFile->ListView()->hasFocus());
    const QRect cell = w.lvFile->ItemCellRect(w.lvFile->Items().Item(0));
    const QImage shot = w.lvFile->ListView()->viewport()->grab().toImage();
    // The unfocused selection frame: 3 pixels of silver, 2 inside the cell.
    EXPECT_EQ(QColor(shot.pixel(cell.left() + 2, cell.center().y())), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(MainFormTest, PreviewIsDrawnAtTheDevicePixelRatioAndNotWhenTiny) {
    TfrmMain w;
    w.resize(900, 600);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.DrawPaperPreview();
    const QPixmap pm = w.imgPrev->pixmap();
    ASSERT_FALSE(pm.isNull());
    EXPECT_EQ(pm.deviceIndependentSize().toSize(), w.imgPrev->contentsRect().size());
    w.imgPrev->setFixedSize(10, 200);
    w.DrawPaperPreview();
    EXPECT_TRUE(w.imgPrev->pixmap().isNull());
}

TEST_F(MainFormTest, DroppedFilesAndFoldersAreAdded) {
    QTemporaryDir dir;
    QFile::copy(image("halves.gif"), dir.path() + QStringLiteral("/x.gif"));
    TfrmMain w;
    w.show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(image("halves.bmp")), QUrl::fromLocalFile(dir.path()),
                  QUrl::fromLocalFile(image("make.sh"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.lvFile, &enter);
    QDropEvent drop(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.lvFile, &drop);
    ASSERT_EQ(w.lvFile->Items().Count(), 2);
    EXPECT_TRUE(w.lvFile->Items().Item(0)->AbsoluteName().endsWith(QStringLiteral("/x.gif")));
    EXPECT_TRUE(w.lvFile->Items().Item(1)->AbsoluteName().endsWith(QStringLiteral("/halves.bmp")));
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

TEST_F(MainFormTest, ReadmeOpensThroughTheDesktop) {
    // The build puts the read-me beside the programs.
    const QString readme = QCoreApplication::applicationDirPath() + QStringLiteral("/Vellora.txt");
    ASSERT_TRUE(QFileInfo::exists(readme));
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    TfrmMain w;
    w.Action(QStringLiteral("mitShowTextFile"))->trigger();
    const QString aside = readme + QStringLiteral(".aside");
    ASSERT_TRUE(QFile::rename(readme, aside));
    EXPECT_TRUE(FMessages.isEmpty());
    w.Action(QStringLiteral("mitShowTextFile"))->trigger();   // missing: said so, nothing opened
    QFile::rename(aside, readme);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(readme)});
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages.constFirst().contains(QStringLiteral("Vellora.txt"))) << FMessages.constFirst().toStdString();
}

namespace {

// A printer in memory as the program's printer for one test.
struct MemoryPrinter {
    std::shared_ptr<TFakeSystem> system = std::make_shared<TFakeSystem>();
    std::unique_ptr<TQvPrint> previous;
    MemoryPrinter() {
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Mem")));
        system->devices[0].entry.isDefault = true;
        previous = SetQvPrint(std::make_unique<TDevicePrint>(
            std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))));
        TfrmProgress::SetPumpInterval(0);
    }
    ~MemoryPrinter() {
        TfrmProgress::SetPumpInterval(40);
        SetQvPrint(std::move(previous));
    }
};

} // namespace

TEST_F(MainFormTest, PrintPaperShowsProgressAndCancelsOnPageTwo) {
    MemoryPrinter printer;
    TfrmMain w;
    w.show();
    const int perPage = w.Paper().PhotoAreas().Count();
    for (int i = 0; i < 3 * perPage; ++i)
        w.AddImageFile(image("halves.png"));
    QStringList prompts;
    QTimer clicker;
    clicker.setInterval(0);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        TfrmProgress *p = w.Progress();
        if (!p || !p->isVisible() || p->Canceled())
            return;
        if (prompts.isEmpty() || prompts.last() != p->Prompt())
            prompts << p->Prompt();
        if (p->Prompt() == QStringLiteral("印刷しています - 2ページ"))
            QTest::mouseClick(p->btnCancel, Qt::LeftButton);
    });
    clicker.start();
    w.PrintPaper();
    clicker.stop();
    EXPECT_TRUE(prompts.contains(QStringLiteral("印刷しています - 1ページ")));
    EXPECT_TRUE(prompts.contains(QStringLiteral("印刷しています - 2ページ")));
    EXPECT_FALSE(prompts.contains(QStringLiteral("印刷しています - 3ページ")));
    ASSERT_EQ(printer.system->jobs.size(), 1u);
    EXPECT_LT(printer.system->jobs[0].pages.size(), 3u);
    // Nothing stays wired to the run.
    EXPECT_EQ(w.Progress(), nullptr);
    EXPECT_FALSE(bool(w.Paper().OnPrint()));
    EXPECT_FALSE(bool(w.Paper().OnBeginPrint()));
    EXPECT_TRUE(w.findChild<QTimer *>(QStringLiteral("tmrPrinter"))->isActive());

    // Uncancelled: every page arrives.
    w.PrintPaper();
    ASSERT_EQ(printer.system->jobs.size(), 2u);
    EXPECT_EQ(printer.system->jobs[1].pages.size(), 3u);
    EXPECT_TRUE(printer.system->jobs[1].ended);
}

TEST_F(MainFormTest, PrintPaperOnAQueueOfThePrintServer) {
    VELLORA_REQUIRE_CUPS();
    test::TestQueue queue(QStringLiteral("VelloraMainWindow"));
    ASSERT_TRUE(queue.ok());
    auto print = std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TCupsService>(test::privateCupsServer())));
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    auto previous = SetQvPrint(std::move(print));
    TfrmProgress::SetPumpInterval(0);
    {
        TfrmMain w;
        // 65 × 49 pixels in an A4 cell print blurred: each run ends with a box
        // that says so.
        QStringList told;
        w.OnQuestion = [&told](TQvTaskDialog &d, int &, bool &) {
            told << d.Instruction() + QLatin1Char('|') + d.Content();
            return idOk;
        };
        w.show();
        EXPECT_EQ(w.StatusText(2), queue.name());
        const int perPage = w.Paper().PhotoAreas().Count();
        for (int i = 0; i < 3 * perPage; ++i)
            w.AddImageFile(image("gradient-65x49.jpg"));
        // Cancelled on page 2: the job never completes.
        QTimer clicker;
        clicker.setInterval(0);
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            if (TfrmProgress *p = w.Progress(); p && p->Prompt() == QStringLiteral("印刷しています - 2ページ"))
                QTest::mouseClick(p->btnCancel, Qt::LeftButton);
        });
        clicker.start();
        w.PrintPaper();
        clicker.stop();
        EXPECT_EQ(w.Progress(), nullptr);
        ASSERT_TRUE(queue.waitIdle());
        EXPECT_FALSE(QFile::exists(queue.output()));
        // Then a whole run: three pages arrive.
        w.PrintPaper();
        ASSERT_TRUE(queue.waitIdle());
        ASSERT_TRUE(QFile::exists(queue.output()));
        const QString info = test::runTool(QStringLiteral("pdfinfo"), {queue.output()});
        EXPECT_EQ(QRegularExpression(QStringLiteral("Pages:\\s*(\\d+)")).match(info).captured(1), QStringLiteral("3"));
        ASSERT_EQ(told.size(), 2);
        EXPECT_TRUE(told[0].startsWith(QStringLiteral("印刷を中止しました。問題のある画像があります|"))) << told[0].toStdString();
        EXPECT_TRUE(told[1].startsWith(QStringLiteral("印刷は終了しましたが、問題のある画像があります|"))) << told[1].toStdString();
        EXPECT_TRUE(told[1].contains(QStringLiteral("gradient-65x49.jpg (3ページ"))) << told[1].toStdString();
    }
    TfrmProgress::SetPumpInterval(40);
    SetQvPrint(std::move(previous));
}

TEST_F(MainFormTest, PrintFailureCleansUpAndNoPrinterIsReportedInJapanese) {
    {
        MemoryPrinter printer;
        TfrmMain w;
        w.AddImageFile(image("halves.png"));
        // The printer goes away after the window took its list: the job fails.
        printer.system->devices.clear();
        EXPECT_ANY_THROW(w.PrintPaper());
        EXPECT_EQ(w.Progress(), nullptr);
        EXPECT_FALSE(bool(w.Paper().OnPrint()));
        EXPECT_TRUE(w.findChild<QTimer *>(QStringLiteral("tmrPrinter"))->isActive());
        EXPECT_TRUE(w.findChildren<TfrmProgress *>().isEmpty());
    }
    // No printer at all: the print command shows the Japanese message.
    TfrmMain w;
    w.OnPrintDialog = [](TfrmMain &) { return 100; };
    QAction *print = w.Action(QStringLiteral("actPrint"));
    w.SetActionPending(print, false);
    print->trigger();
    EXPECT_EQ(FMessages, QStringList{QStringLiteral("プリンタがインストールされていません。")});
}

TEST_F(MainFormTest, ACloseRequestDuringARunCancelsIt) {
    MemoryPrinter printer;
    TfrmMain w;
    w.show();
    const int perPage = w.Paper().PhotoAreas().Count();
    for (int i = 0; i < 3 * perPage; ++i)
        w.AddImageFile(image("halves.png"));
    bool closed = true;
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (TfrmProgress *p = w.Progress(); p && p->Prompt() == QStringLiteral("印刷しています - 2ページ") && !p->Canceled())
            closed = w.close();
    });
    closer.start();
    w.PrintPaper();
    closer.stop();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(printer.system->jobs.size(), 1u);
    EXPECT_LT(printer.system->jobs[0].pages.size(), 3u);
}

TEST_F(MainFormTest, AboutBoxShowsNameAndVersion) {
    TfrmMain w;
    w.setFont(QFont(test::testFontFamily(), 9));
    QString name, version, title;
    QTimer::singleShot(0, &w, [&] {
        auto *about = w.findChild<QDialog *>(QStringLiteral("dlgAbout"));
        ASSERT_NE(about, nullptr);
        title = about->windowTitle();
        name = about->findChild<QLabel *>(QStringLiteral("lblName"))->text();
        version = about->findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        about->grab().save(QStringLiteral(VELLORA_RENDER_DIR "/dlgAbout.png"));
        about->accept();
    });
    w.Action(QStringLiteral("mitAbout"))->trigger();
    EXPECT_EQ(title, QStringLiteral("バージョン情報"));
    EXPECT_EQ(name, QStringLiteral("Vellora"));
    EXPECT_EQ(version, QStringLiteral("バージョン ") + QString::fromLatin1(version::kProductVersion));
}

TEST_F(MainFormTest, PrintAndPreviewAlternateInALoop) {
    TfrmMain w;
    QStringList calls;
    int dialogs = 0;
    w.OnPrintDialog = [&](TfrmMain &) {
        calls << "dialog";
        return ++dialogs < 3 ? 101 : 0;   // open the preview twice, then cancel
    };
    w.OnPreviewWindow = [&](TfrmMain &) {
        calls << "preview";
        return 100;   // back to the dialog
    };
    w.RunPrintCommands(false);
    EXPECT_EQ(calls, (QStringList{"dialog", "preview", "dialog", "preview", "dialog"}));
}

TEST_F(MainFormTest, LayoutAndAdjustmentResults) {
    TfrmMain w;
    TPhotoPaper edited;
    edited.Assign(w.Paper());
    edited.SetPaperWidth(100);
    edited.SetPaperHeight(148);
    EXPECT_FALSE(w.DocumentModified());
    w.ApplyLayout(edited);
    EXPECT_TRUE(w.DocumentModified());
    EXPECT_EQ(w.lblPaperSize->text(), QStringLiteral("100.0×148.0 mm"));
    EXPECT_EQ(w.Paper().Infos(), &w.lvFile->Items());
    w.SetDocumentModified(false);
    w.ApplyAdjustment(1.25, -0.5);
    EXPECT_FALSE(w.DocumentModified());
    EXPECT_DOUBLE_EQ(double(w.Paper().PrintOptions().Adjusts.cx), 1.25);
    EXPECT_DOUBLE_EQ(w.Ini().ReadFloat("Restore", "AdjustTop", 0), -0.5);
}

TEST_F(MainFormTest, Render) {
    TfrmMain w;
    w.setFont(QFont(test::testFontFamily(), 9));
    w.resize(1000, 640);
    w.show();
    for (const char *f : {"halves.jpg", "halves.png", "halves.gif", "gradient-65x49.jpg"})
        w.AddImageFile(image(f));
    w.lvFile->WaitForThumbnails();
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmMain.png")));
}

#include "MainFormTest.moc"
