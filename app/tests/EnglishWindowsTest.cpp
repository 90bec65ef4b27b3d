// The window in English: every window and dialog is built under the English
// translation, rendered into renders-en/ and checked for texts left in
// Japanese and for texts cut off by a widget narrower than its text.
#include "app/CommentDialog.h"
#include "app/ExportDialog.h"
#include "app/ImageOptionDialog.h"
#include "app/ImagePrevDialog.h"
#include "app/Language.h"
#include "app/MainForm.h"
#include "app/OptionDialog.h"
#include "app/OrderDialog.h"
#include "app/PrinterSetupDialog.h"
#include "app/SelHelpDialog.h"
#include "app/controls/PictureDialogs.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "app/designer/Designer.h"
#include "app/designer/GridDialog.h"
#include "app/designer/PositioningDialog.h"
#include "app/layout/AdjustDialog.h"
#include "app/layout/AreaPropDialog.h"
#include "app/layout/AreaSizeDialog.h"
#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/LayoutDialog.h"
#include "app/layout/PropImageDialog.h"
#include "app/layout/PropTextDialog.h"
#include "app/layout/SelAreaDialog.h"
#include "app/layout/SelImageDialog.h"
#include "app/print/PreviewForm.h"
#include "app/print/PrintForm.h"
#include "model/ImageArea.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"
#include "print/MemoryService.h"
#include "settings/IniFile.h"
#include "testsupport/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::test;

namespace {

// Kana, kanji and the full-width forms and punctuation of Japanese text.
const QRegularExpression kJapanese(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff01}-\\x{ff9f}]"));

// Texts that stay as they are whatever the window's language: a language's
// own name, and names that documents and printers store (the standard paper
// sizes are saved by name).
bool userData(const QString &text) {
    static const QStringList kept{QStringLiteral("日本語"), QStringLiteral("L判"), QStringLiteral("2L判"),
                                  QStringLiteral("はがき"), QStringLiteral("六切"), QStringLiteral("四切"),
                                  QStringLiteral("A3ノビ"), QStringLiteral("レター"), QStringLiteral("リーガル"),
                                  QStringLiteral("4 × 6 インチ"), QStringLiteral("5 × 7 インチ"),
                                  QStringLiteral("8 × 10 インチ"), QStringLiteral("ユーザー定義サイズ")};
    return kept.contains(text);
}

QString renderDir() {
    const QString dir = QStringLiteral(VELLORA_BUILD_DIR "/renders-en");
    QDir().mkpath(dir);
    return dir;
}

class Checker {
public:
    explicit Checker(QString window) : FWindow(std::move(window)) {}

    // Texts of the window and all its children that are shown to the user.
    void texts(QWidget &top) {
        QList<QWidget *> all = top.findChildren<QWidget *>();
        all.prepend(&top);
        for (QWidget *w : std::as_const(all)) {
            const QString who = name(w);
            japanese(who + QStringLiteral(" title"), w->windowTitle());
            japanese(who + QStringLiteral(" tool tip"), w->toolTip());
            japanese(who + QStringLiteral(" status tip"), w->statusTip());
            if (auto *l = qobject_cast<QLabel *>(w))
                japanese(who, l->text());
            if (auto *b = qobject_cast<QAbstractButton *>(w))
                japanese(who, b->text());
            if (auto *g = qobject_cast<QGroupBox *>(w))
                japanese(who, g->title());
            if (auto *c = qobject_cast<QComboBox *>(w))
                for (int i = 0; i < c->count(); ++i)
                    japanese(who + QStringLiteral(" item %1").arg(i), c->itemText(i));
            if (auto *t = qobject_cast<QTabWidget *>(w))
                for (int i = 0; i < t->count(); ++i)
                    japanese(who + QStringLiteral(" tab %1").arg(i), t->tabText(i));
            for (QAction *a : w->actions())
                action(who, a);
        }
    }

    // Widgets shown now whose text needs more room than they have.
    void fits(QWidget &top) {
        QList<QWidget *> all = top.findChildren<QWidget *>();
        for (QWidget *w : std::as_const(all)) {
            if (!w->isVisible() || w->width() <= 0)
                continue;
            const QString who = name(w);
            // A tool bar too narrow for its buttons moves some behind a chevron.
            if (w->objectName() == QLatin1String("qt_toolbar_ext_button") && w->parentWidget())
                FFaults << QStringLiteral("%1: tool bar buttons hidden for lack of room").arg(name(w->parentWidget()));
            const int need = w->sizeHint().width();
            if (auto *l = qobject_cast<QLabel *>(w)) {
                if (!l->wordWrap() && !l->text().isEmpty() && l->pixmap().isNull() && need > w->width())
                    FFaults << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(who, l->text()).arg(need).arg(w->width());
            } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
                // A push button's size hint has a minimum width of its own,
                // so its text and margins are measured instead.
                int needed = need;
                if (qobject_cast<QPushButton *>(w)) {
                    const QStyle *style = w->style();
                    needed = b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width()
                             + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w)
                             + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
                    if (!b->icon().isNull())
                        needed += b->iconSize().width() + 4;
                }
                if (!b->text().isEmpty() && needed > w->width())
                    FFaults << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(who, b->text()).arg(needed).arg(w->width());
            } else if (auto *c = qobject_cast<QComboBox *>(w); c && c->objectName() != QLatin1String("fileTypeCombo")) {
                // (A file dialog's type list shows long filters elided, as in Japanese.)
                // The widest item against the room left beside the arrow.
                const int arrow = c->sizeHint().width() - textWidth(*c);
                for (int i = 0; i < c->count(); ++i) {
                    const int item = c->fontMetrics().horizontalAdvance(c->itemText(i)) + arrow;
                    if (item > w->width() && !userData(c->itemText(i)))
                        FFaults << QStringLiteral("%1 item \"%2\" needs %3 px, has %4")
                                       .arg(who, c->itemText(i)).arg(item).arg(w->width());
                }
            }
        }
    }

    // Renders the window (each page of its tab widgets in turn) and checks it.
    void check(QWidget &top) {
        top.setFont(QFont(testFontFamily(), 9));
        top.show();
        QApplication::processEvents();
        texts(top);
        bool paged = false;
        for (QStackedWidget *t : top.findChildren<QStackedWidget *>()) {
            // Pages the user turns: a tab widget's or a page list's; the
            // stacks inside a page follow their own controls.
            if (!t->isVisible() || !isPageStack(*t))
                continue;
            if (!t->isVisible())
                continue;
            for (int i = 0; i < t->count(); ++i) {
                t->setCurrentIndex(i);
                QApplication::processEvents();
                fits(top);
                EXPECT_TRUE(top.grab().save(renderDir() + QStringLiteral("/%1_page%2.png").arg(FWindow).arg(i + 1)));
                paged = true;
            }
            t->setCurrentIndex(0);
        }
        if (!paged) {
            fits(top);
            EXPECT_TRUE(top.grab().save(renderDir() + QStringLiteral("/%1.png").arg(FWindow)));
        }
        FFaults.removeDuplicates();
        EXPECT_TRUE(FFaults.isEmpty()) << FWindow.toStdString() << ":\n"
                                       << FFaults.join(QLatin1Char('\n')).toStdString();
    }

private:
    static bool isPageStack(QStackedWidget &stack) {
        return qobject_cast<QTabWidget *>(stack.parentWidget()) || stack.objectName().startsWith(QLatin1String("pgc"));
    }
    static QString name(const QWidget *w) {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    }
    static int textWidth(const QComboBox &c) {
        int widest = 0;
        for (int i = 0; i < c.count(); ++i)
            widest = std::max(widest, c.fontMetrics().horizontalAdvance(c.itemText(i)));
        return widest;
    }
    void japanese(const QString &where, const QString &text) {
        if (text.contains(kJapanese) && !userData(text))
            FFaults << QStringLiteral("%1: \"%2\"").arg(where, text);
    }
    void action(const QString &where, QAction *a) {
        const QString who = where + QStringLiteral(" action ") + a->objectName();
        japanese(who, a->text());
        japanese(who + QStringLiteral(" tool tip"), a->toolTip());
        japanese(who + QStringLiteral(" status tip"), a->statusTip());
        if (QMenu *m = a->menu()) {
            japanese(who + QStringLiteral(" menu"), m->title());
            for (QAction *sub : m->actions())
                action(who, sub);
        }
    }

    QString FWindow;
    QStringList FFaults;
};

void checkWindow(QWidget &w, const char *name) {
    Checker c(QString::fromLatin1(name));
    c.check(w);
}

// Each menu's accelerators are unique, so that every entry can be reached.
void expectUniqueAccelerators(const QMenuBar &bar) {
    for (QAction *top : bar.actions()) {
        QStringList keys, texts;
        for (QAction *a : top->menu()->actions()) {
            const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < a->text().size())
                keys << a->text().mid(amp + 1, 1).toLower();
            texts << a->text();
        }
        const qsizetype all = keys.size();
        keys.removeDuplicates();
        EXPECT_EQ(keys.size(), all) << texts.join(QLatin1Char(',')).toStdString();
    }
}

// The English translation and a printer for all tests here; Japanese stays
// for the other test programs.
class EnglishWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        english = new EnglishTexts;
        auto system = std::make_shared<TFakeSystem>();
        TFakeDevice d = TMemoryService::StandardDevice(QStringLiteral("Office Printer"));
        d.entry.isDefault = true;
        system->devices = {d};
        previous = SetQvPrint(std::make_unique<TDevicePrint>(
                                  std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))))
                       .release();
    }
    static void TearDownTestSuite() {
        PaperPrinter().SetPaper(nullptr);
        SetQvPrint(std::unique_ptr<TQvPrint>(previous));
        delete english;
    }
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FIni.SetAutoUpdate(false);
        FIni.SetFileName(FDir.filePath(QStringLiteral("Vellora.ini")));
        FPaper.SetDivide({2, 2});
        FPaper.SetMargins(FloatRect(10, 10, 10, 10));
        FPaper.PhotoAreas().AdjustAreas();
    }
    void TearDown() override { PaperPrinter().SetPaper(nullptr); }

    static inline EnglishTexts *english = nullptr;
    static inline TQvPrint *previous = nullptr;
    QTemporaryDir FDir;
    TExtIniFile FIni;
    TPhotoPaper FPaper;
};

} // namespace

TEST(Language, JapaneseLocaleOrSettingGivesJapaneseElseEnglish) {
    const struct {
        const char *setting;
        QLocale::Language locale;
        const char *expected;
    } cases[] = {
        {"auto", QLocale::Japanese, "ja"}, {"auto", QLocale::English, "en"}, {"auto", QLocale::German, "en"},
        {"", QLocale::Japanese, "ja"},     {"bogus", QLocale::French, "en"}, {"ja", QLocale::German, "ja"},
        {" EN ", QLocale::Japanese, "en"}, {"en", QLocale::English, "en"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(app::ResolveLanguage(QString::fromLatin1(c.setting), QLocale(c.locale)), QLatin1String(c.expected))
            << c.setting << " " << QLocale::languageToCode(c.locale).toStdString();
}

TEST(Language, MissingTranslationIsReportedAndJapaneseNeedsNone) {
    const QList<QTranslator *> before = qApp->findChildren<QTranslator *>();
    QTemporaryDir empty;
    EXPECT_FALSE(app::InstallLanguage(QStringLiteral("en"), {empty.path()}));
    EXPECT_TRUE(app::InstallLanguage(QStringLiteral("ja"), {empty.path()}));
    EXPECT_EQ(QCoreApplication::translate("vellora::TfrmMain", "ファイル(&F)"), QStringLiteral("ファイル(&F)"));
    // Qt's Japanese texts installed here would show in the English windows.
    for (QTranslator *t : qApp->findChildren<QTranslator *>())
        if (!before.contains(t)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
}

TEST_F(EnglishWindows, MainWindowMenusReadInEnglish) {
    TfrmMain w;
    w.resize(1000, 640);
    for (const char *f : {"halves.jpg", "halves.png", "gradient-65x49.jpg"})
        w.AddImageFile(testDataPath(QStringLiteral("images/") + QLatin1String(f)));
    QStringList menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->text().remove(QLatin1Char('&'));
    EXPECT_EQ(menus, (QStringList{"File", "Edit", "Image", "View", "Tools", "Help"}));
    expectUniqueAccelerators(*w.menuBar());
    checkWindow(w, "frmMain");
}

TEST_F(EnglishWindows, OptionsWriteTheChosenLanguage) {
    TfrmOption d(FIni);
    checkWindow(d, "frmOption");
    ASSERT_EQ(d.cmbLanguage->currentData().toString(), QStringLiteral("auto"));
    d.cmbLanguage->setCurrentIndex(d.cmbLanguage->findData(QStringLiteral("en")));
    d.edtTemporaryPath->setText(FDir.path());
    d.okClicked();
    EXPECT_EQ(FIni.ReadStr(QStringLiteral("Option"), QStringLiteral("Language"), {}), QStringLiteral("en"));
    TfrmOption again(FIni);
    EXPECT_EQ(again.cmbLanguage->currentData().toString(), QStringLiteral("en"));
}

TEST_F(EnglishWindows, ListDialogs) {
    {
        TfrmExport d(FIni);
        checkWindow(d, "frmExport");
    }
    {
        TfrmImageOpt d(nullptr, &FIni);
        checkWindow(d, "frmImageOpt");
    }
    {
        TfrmComment d(nullptr, &FIni);
        checkWindow(d, "frmComment");
    }
    {
        TfrmSelHelp d;
        checkWindow(d, "frmSelHelp");
    }
    {
        TfrmProgress d;
        checkWindow(d, "frmProgress");
    }
    TfrmMain w;
    w.AddImageFile(testDataPath(QStringLiteral("images/halves.jpg")));
    {
        TfrmOrder d(&w);
        checkWindow(d, "frmOrder");
    }
    {
        TfrmImagePrev d(*w.ListView(), QString());
        checkWindow(d, "frmImagePrev");
    }
    {
        TQvOpenPictureDialog d(&w);
        d.SetFilter(w.PictureFilter());
        d.resize(760, 460);
        checkWindow(d, "dlgOpenPic");
    }
}

TEST_F(EnglishWindows, LayoutDialogs) {
    {
        TfrmLayout d(nullptr, &FIni);
        d.SetPaper(FPaper);
        checkWindow(d, "frmLayout");
    }
    {
        TfrmAreaSize d(FPaper, nullptr, &FIni);
        checkWindow(d, "frmAreaSize");
    }
    {
        TfrmAdjust d(nullptr, &FIni);
        checkWindow(d, "frmAdjust");
    }
    {
        TfrmBackground d(nullptr, &FIni);
        checkWindow(d, "frmBackground");
    }
    {
        TfrmAreaProp d(nullptr, &FIni);
        d.SetArea(FPaper.PhotoAreas().Items(0));
        checkWindow(d, "frmAreaProp");
    }
    {
        TfrmPropText d(nullptr, &FIni);
        d.SetArea(FPaper.PhotoAreas().Items(0)->Areas().AddText());
        checkWindow(d, "frmPropText");
    }
    {
        TfrmPropImage d(nullptr, &FIni);
        d.SetArea(FPaper.PhotoAreas().Items(0)->Areas().AddImage());
        checkWindow(d, "frmPropImage");
    }
    {
        TfrmSelArea d(nullptr, &FIni);
        d.SetPaper(&FPaper);
        checkWindow(d, "frmSelArea");
    }
    {
        TfrmSelImage d(nullptr, &FIni);
        checkWindow(d, "frmSelImage");
    }
}

TEST_F(EnglishWindows, DesignerDialogs) {
    {
        TfrmDesigner d(nullptr, &FIni, 96);
        d.SetPaper(&FPaper);
        d.resize(900, 640);
        auto *menus = d.findChild<QMenuBar *>(QStringLiteral("mnuMain"));
        ASSERT_NE(menus, nullptr);
        expectUniqueAccelerators(*menus);
        checkWindow(d, "frmDesigner");
    }
    {
        TfrmGrid d(nullptr, &FIni);
        checkWindow(d, "frmGrid");
    }
    {
        TfrmPositioning d;
        checkWindow(d, "frmPositioning");
    }
}

TEST_F(EnglishWindows, PrintDialogs) {
    {
        TfrmPrint d;
        d.SetPaper(&FPaper);
        checkWindow(d, "frmPrint");
    }
    TImageListItems list;
    TImageInfo photo;
    photo.SetFileName(testDataPath(QStringLiteral("images/halves.jpg")), TImageLogging::iloLink);
    list.Add(&photo, true);
    FPaper.SetInfos(&list);
    {
        TfrmPrev d;
        d.SetPaper(&FPaper);
        d.resize(900, 640);
        checkWindow(d, "frmPrev");
    }
    {
        auto *print = dynamic_cast<TDevicePrint *>(&QvPrint());
        ASSERT_NE(print, nullptr);
        TJwPrinterSetupDialog d(print->JwPrinter());
        checkWindow(d, "dlgPrinter");
    }
    FPaper.SetInfos(nullptr);
}

TEST_F(EnglishWindows, TaskDialogButtonsAndDetails) {
    TQvTaskDialog box;
    box.Title = QStringLiteral("Vellora");
    box.SetInstruction(QStringLiteral("Save changes?"));
    box.SetContent(QStringLiteral("photos.vlpf has been changed."));
    box.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo, TQvCommonButton::cbCancel};
    box.SetExpandContent(QStringLiteral("More"));
    TTaskDialogXPForm form(box, nullptr);
    checkWindow(form, "TaskDialogXPForm");
}
