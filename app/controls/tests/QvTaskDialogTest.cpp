#include "app/controls/QvTaskDialog.h"

#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCommandLinkButton>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace vellora;
using O = TQvTaskDialogOption;

namespace {

// Runs `action` on the shown form once the dialog's loop has started.
void whenShown(TQvTaskDialog &d, std::function<void(TTaskDialogXPForm &)> action) {
    d.OnShow = [action](TQvTaskDialog &dlg) {
        QTimer::singleShot(0, dlg.Form(), [&dlg, action] {
            if (dlg.Form())
                action(*dlg.Form());
        });
    };
}

template <typename T>
T *child(TTaskDialogXPForm &f, const QString &name) {
    return f.findChild<T *>(name);
}

} // namespace

TEST(QvTaskDialog, HowEachWayOfClosingIsReported) {
    struct Case {
        const char *name;
        TQvCommonButtons buttons;
        TQvTaskDialogOptions options;
        TTaskDialogDefaultButton defaultButton;
        std::function<void(TTaskDialogXPForm &)> act;
        int expected;   // -1: still open (the test then clicks OK)
    };
    auto key = [](Qt::Key k) {
        return [k](TTaskDialogXPForm &f) { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &f, k); };
    };
    const Case cases[] = {
        {"Enter presses the default No", {TQvCommonButton::cbYes, TQvCommonButton::cbNo}, {},
         TTaskDialogDefaultButton::tdbNo, key(Qt::Key_Return), idNo},
        {"Enter presses the default Yes", {TQvCommonButton::cbYes, TQvCommonButton::cbNo}, {},
         TTaskDialogDefaultButton::tdbYes, key(Qt::Key_Return), idYes},
        {"Enter without a default presses the first", {TQvCommonButton::cbRetry, TQvCommonButton::cbCancel}, {},
         TTaskDialogDefaultButton::tdbNone, key(Qt::Key_Return), idRetry},
        {"Esc with a Cancel button cancels", {TQvCommonButton::cbOk, TQvCommonButton::cbCancel}, {},
         TTaskDialogDefaultButton::tdbOk, key(Qt::Key_Escape), idCancel},
        {"Esc with tdoAllowCancel cancels", {TQvCommonButton::cbOk}, {O::tdoAllowCancel},
         TTaskDialogDefaultButton::tdbOk, key(Qt::Key_Escape), idCancel},
        {"Esc without cancellation does nothing", {TQvCommonButton::cbYes, TQvCommonButton::cbNo}, {},
         TTaskDialogDefaultButton::tdbNo, key(Qt::Key_Escape), -1},
        {"close box without cancellation does nothing", {TQvCommonButton::cbYes}, {},
         TTaskDialogDefaultButton::tdbYes, [](TTaskDialogXPForm &f) { f.close(); }, -1},
        {"close box with cancellation cancels", {TQvCommonButton::cbClose}, {O::tdoAllowCancel},
         TTaskDialogDefaultButton::tdbClose, [](TTaskDialogXPForm &f) { f.close(); }, idCancel},
        {"Close button", {TQvCommonButton::cbClose}, {}, TTaskDialogDefaultButton::tdbNone,
         [](TTaskDialogXPForm &f) { child<QPushButton>(f, "btn8")->click(); }, idClose},
    };
    for (const Case &c : cases) {
        TQvTaskDialog d;
        d.Buttons = c.buttons;
        d.Options = c.options;
        d.DefaultButton = c.defaultButton;
        bool stillOpen = false;
        whenShown(d, [&](TTaskDialogXPForm &f) {
            c.act(f);
            if (d.Form() && d.Form()->isVisible()) {
                stillOpen = true;
                f.done(0);
            }
        });
        int button = -5, radio = -5;
        bool checked = true;
        ASSERT_TRUE(d.Execute(button, radio, checked)) << c.name;
        if (c.expected < 0)
            EXPECT_TRUE(stillOpen) << c.name;
        else
            EXPECT_EQ(button, c.expected) << c.name;
        EXPECT_EQ(radio, 0) << c.name;
        EXPECT_FALSE(checked) << c.name;
    }
}

TEST(QvTaskDialog, ContentRules) {
    TQvTaskDialog d;
    d.MainIcon = TTaskDialogIcon::tiWarning;
    d.SetContent(QStringLiteral("<b>José_한글.jpg</b>"));
    whenShown(d, [&](TTaskDialogXPForm &f) {
        // Title falls back to the program file name; plain-text content.
        EXPECT_EQ(f.windowTitle(), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        EXPECT_FALSE(child<QLabel>(f, "lblInstruction")->isVisible());
        EXPECT_EQ(child<QLabel>(f, "lblContent")->textFormat(), Qt::PlainText);
        EXPECT_EQ(child<QLabel>(f, "imgMainIcon")->width(), 48);
        EXPECT_FALSE(child<QCheckBox>(f, "chkVerification")->isVisible());
        EXPECT_FALSE(child<QPushButton>(f, "btnExpand")->isVisible());
        EXPECT_EQ(child<QProgressBar>(f, "pbProgress"), nullptr);
        // Nothing else given: a single OK.
        auto *ok = child<QPushButton>(f, "btn1");
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(f.findChildren<QPushButton *>(QRegularExpression("^btn\\d+$")).size(), 1);
        EXPECT_EQ(f.focusWidget(), ok);
        ok->click();
    });
    int button = 0, radio = 0;
    bool checked = false;
    d.Execute(button, radio, checked);
    EXPECT_EQ(button, idOk);

    TQvTaskDialog n;
    n.MainIcon = TTaskDialogIcon::tiNone;
    n.Title = QStringLiteral("題");
    whenShown(n, [&](TTaskDialogXPForm &f) {
        EXPECT_EQ(f.windowTitle(), QStringLiteral("題"));
        EXPECT_EQ(child<QLabel>(f, "imgMainIcon"), nullptr);
        f.done(0);
    });
    n.Execute();
}

TEST(QvTaskDialog, CommandLinksRadiosVerificationAndCanClose) {
    TQvTaskDialog d;
    d.Options = {O::tdoCommandLinks};
    d.CustomButtons.Add(QStringLiteral("削除する\n一覧から外します"), 100);
    d.CustomButtons.Add(QStringLiteral("残す"), 101).Enabled = false;
    d.RadioButtons.Add(QStringLiteral("A"), 200);
    d.RadioButtons.Add(QStringLiteral("B"), 201);
    d.DefaultRadioButtonID = 201;
    d.DefaultButton = TTaskDialogDefaultButton::tdbCustom;
    d.CustomDefaultButtonID = 100;
    d.VerificationText = QStringLiteral("以降も同じ");
    d.Checked = true;
    std::vector<int> clicks, selects;
    d.OnClick = [&](TQvTaskDialog &, int id, bool &canClose) {
        clicks.push_back(id);
        canClose = clicks.size() > 1;   // the first click is refused
    };
    d.OnSelect = [&](TQvTaskDialog &dlg, int id) {
        selects.push_back(id);
        dlg.SetExpandContent(QStringLiteral("選択 %1").arg(id));   // live while showing
    };
    whenShown(d, [&](TTaskDialogXPForm &f) {
        auto *link = child<QCommandLinkButton>(f, "cmd100");
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->text(), QStringLiteral("削除する"));
        EXPECT_EQ(link->description(), QStringLiteral("一覧から外します"));
        EXPECT_FALSE(link->icon().isNull());
        EXPECT_FALSE(child<QCommandLinkButton>(f, "cmd101")->isEnabled());
        // Custom buttons given and no common ones: no OK.
        EXPECT_EQ(child<QPushButton>(f, "btn1"), nullptr);
        EXPECT_TRUE(child<QRadioButton>(f, "rad201")->isChecked());
        EXPECT_TRUE(child<QCheckBox>(f, "chkVerification")->isChecked());
        child<QRadioButton>(f, "rad200")->click();
        EXPECT_EQ(child<QLabel>(f, "lblExpanded")->text(), QStringLiteral("選択 200"));
        EXPECT_TRUE(child<QPushButton>(f, "btnExpand")->isVisible());
        child<QCheckBox>(f, "chkVerification")->click();
        EXPECT_EQ(f.focusWidget(), link);
        QTest::keyClick(link, Qt::Key_Return);   // refused by OnClick
        EXPECT_TRUE(f.isVisible());
        QTest::keyClick(link, Qt::Key_Return);
    });
    int button = 0, radio = 0;
    bool checked = true;
    ASSERT_TRUE(d.Execute(button, radio, checked));
    EXPECT_EQ(button, 100);
    EXPECT_EQ(radio, 200);
    EXPECT_FALSE(checked);
    EXPECT_EQ(clicks, (std::vector<int>{100, 100}));
    EXPECT_EQ(selects, std::vector<int>{200});
}

// The collapsed text labels the control while the details are hidden, the
// expanded text while they show; one given alone serves both states.
TEST(QvTaskDialog, ExpandControlCaptionsAndHeight) {
    struct Case {
        const char *name;
        QString collapsedText, expandText;
        QString whenCollapsed, whenExpanded;
    };
    const Case cases[] = {
        {"defaults", {}, {}, QStringLiteral("詳細情報の表示"), QStringLiteral("詳細情報の非表示")},
        {"collapsed text alone", QStringLiteral("詳細情報"), {}, QStringLiteral("詳細情報"), QStringLiteral("詳細情報")},
        {"expanded text alone", {}, QStringLiteral("閉じる"), QStringLiteral("閉じる"), QStringLiteral("閉じる")},
        {"both", QStringLiteral("開く"), QStringLiteral("閉じる"), QStringLiteral("開く"), QStringLiteral("閉じる")},
    };
    for (const bool footer : {true, false}) {
        for (const Case &c : cases) {
            const QString where = QStringLiteral("%1, %2").arg(QLatin1String(c.name), footer ? "footer" : "content");
            TQvTaskDialog d;
            d.SetInstruction(QStringLiteral("保存形式を選択してください。"));
            d.Buttons = {TQvCommonButton::cbOk, TQvCommonButton::cbCancel};
            if (footer)
                d.Options = {O::tdoExpandFooter};
            d.CollapsedControlText = c.collapsedText;
            d.ExpandControlText = c.expandText;
            d.RadioButtons.Add(QStringLiteral("レイアウト形式"), 100);
            d.RadioButtons.Add(QStringLiteral("画像埋め込み形式"), 102);
            d.SetExpandContent(QStringLiteral("用紙のレイアウトと画像を保存します。ファイルサイズが大きくなりますが、"
                                              "他のパソコンでも印刷できるなどの利点があります。"));
            d.OnSelect = [](TQvTaskDialog &dlg, int id) { dlg.SetExpandContent(QStringLiteral("選択 %1").arg(id)); };
            whenShown(d, [&](TTaskDialogXPForm &f) {
                auto *expand = child<QPushButton>(f, "btnExpand");
                auto *text = child<QLabel>(f, "lblExpanded");
                const int collapsedHeight = f.height();
                EXPECT_TRUE(expand->text().endsWith(c.whenCollapsed)) << qPrintable(where) << expand->text().toStdString();
                expand->click();
                QApplication::processEvents();
                EXPECT_TRUE(text->isVisible()) << qPrintable(where);
                EXPECT_TRUE(expand->text().endsWith(c.whenExpanded)) << qPrintable(where) << expand->text().toStdString();
                EXPECT_GT(f.height(), collapsedHeight) << qPrintable(where);
                // A radio changing the text while expanded, then collapsing:
                // the window gives the room back.
                child<QRadioButton>(f, "rad102")->click();
                expand->click();
                QApplication::processEvents();
                EXPECT_FALSE(text->isVisible()) << qPrintable(where);
                EXPECT_TRUE(expand->text().endsWith(c.whenCollapsed)) << qPrintable(where);
                EXPECT_EQ(f.height(), collapsedHeight) << qPrintable(where);
                f.done(0);
            });
            d.Execute();
        }
    }
}

// The window widens for a short instruction instead of wrapping its last
// characters; a long one wraps within the widest window.
TEST(QvTaskDialog, InstructionWrapsOnlyWhenLongerThanTheWidestWindow) {
    const QString shortOne = QStringLiteral("画像の読み込み方法を選択してください。");
    const QString longOne = shortOne.repeated(3);
    QMainWindow owner;
    // Large enough that the short instruction is wider than the narrowest window.
    owner.setFont(QFont(test::testFontFamily(), 12));
    owner.resize(800, 600);
    owner.show();
    for (const QString &instruction : {shortOne, longOne}) {
        TQvTaskDialog d;
        d.Parent = &owner;
        d.MainIcon = TTaskDialogIcon::tiQuestion;
        d.SetInstruction(instruction);
        d.SetContent(QStringLiteral("リストに画像を追加するか、リストを消去して新規に読み込むかを選択します。"));
        d.RadioButtons.Add(QStringLiteral("現在のリストに追加する"), 100);
        whenShown(d, [&](TTaskDialogXPForm &f) {
            auto *label = child<QLabel>(f, "lblInstruction");
            const int lines = qRound(double(label->height()) / QFontMetrics(label->font()).lineSpacing());
            if (instruction == shortOne) {
                ASSERT_GT(QFontMetrics(label->font()).horizontalAdvance(shortOne), 360 - 20 - 48);
                EXPECT_EQ(lines, 1) << label->width();
            } else {
                EXPECT_GE(lines, 2) << label->width();
            }
            EXPECT_LE(f.width(), 640);
            EXPECT_LE(label->geometry().right(), f.width());
            f.done(0);
        });
        d.Execute();
    }
}

TEST(QvTaskDialog, NoDefaultRadioReportsZeroAndLinksNeedTheOption) {
    TQvTaskDialog d;
    d.Options = {O::tdoNoDefaultRadioButton};
    d.RadioButtons.Add(QStringLiteral("A"), 5);
    d.DefaultRadioButtonID = 5;
    d.CustomButtons.Add(QStringLiteral("not a link"), 50);   // no command-link option: not shown
    d.SetContent(QStringLiteral("<a href=\"x\">x</a>"));
    whenShown(d, [&](TTaskDialogXPForm &f) {
        EXPECT_FALSE(child<QRadioButton>(f, "rad5")->isChecked());
        EXPECT_EQ(child<QCommandLinkButton>(f, "cmd50"), nullptr);
        EXPECT_NE(child<QPushButton>(f, "btn1"), nullptr);
        EXPECT_EQ(child<QLabel>(f, "lblContent")->textFormat(), Qt::PlainText);
        child<QPushButton>(f, "btn1")->click();
    });
    int button = 0, radio = -1;
    bool checked = false;
    d.Execute(button, radio, checked);
    EXPECT_EQ(radio, 0);

    TQvTaskDialog h;
    h.Options = {O::tdoHyperLink};
    h.SetContent(QStringLiteral("<a href=\"vellora:test\">here</a>"));
    QString seen;
    h.OnHyperLink = [&](TQvTaskDialog &, const QString &link, bool &show) {
        seen = link;
        show = false;
    };
    whenShown(h, [&](TTaskDialogXPForm &f) {
        auto *l = child<QLabel>(f, "lblContent");
        EXPECT_EQ(l->textFormat(), Qt::RichText);
        emit l->linkActivated(QStringLiteral("vellora:test"));
        f.done(0);
    });
    h.Execute();
    EXPECT_EQ(seen, QStringLiteral("vellora:test"));
}

TEST(QvTaskDialog, ReentryProgressAndTimer) {
    TQvTaskDialog d;
    d.Options = {O::tdoShowProgress, O::tdoTimer};
    d.Max = 10;
    int ticks = 0;
    bool reentryThrew = false;
    d.OnTimer = [&](TQvTaskDialog &dlg, int, bool &reset) {
        ++ticks;
        reset = true;
        try {
            dlg.Execute();
        } catch (const ETaskDialog &e) {
            reentryThrew = QString::fromUtf8(e.what()) == QStringLiteral("タスクダイアログが表示されています。");
        }
        dlg.SetPosition(7);
        EXPECT_EQ(dlg.Form()->findChild<QProgressBar *>("pbProgress")->value(), 7);
        dlg.Form()->done(0);
    };
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(reentryThrew);
    EXPECT_FALSE(d.Showing());
    EXPECT_NO_THROW(d.Execute());   // works again after closing (timer closes it)
}

TEST(QvTaskDialog, Render) {
    QMainWindow owner;
    owner.setFont(QFont(test::testFontFamily(), 9));
    owner.resize(800, 600);
    owner.show();
    TQvTaskDialog d;
    d.Parent = &owner;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiWarning;
    d.SetInstruction(QStringLiteral("ファイルが見つかりません"));
    d.SetContent(QStringLiteral("IMG_0001.JPG が見つかりません。リストから削除しますか？"));
    d.Options = {O::tdoCommandLinks, O::tdoAllowCancel};
    d.CustomButtons.Add(QStringLiteral("削除する"), 100);
    d.CustomButtons.Add(QStringLiteral("削除しない"), 101);
    d.Buttons = {TQvCommonButton::cbCancel};
    d.VerificationText = QStringLiteral("以降のファイルにも適用する");
    d.SetExpandContent(QStringLiteral("詳しい説明"));
    d.SetFooter(QStringLiteral("フッター"));
    d.FooterIcon = TTaskDialogIcon::tiShield;
    whenShown(d, [&](TTaskDialogXPForm &f) {
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(f.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/TaskDialogXPForm.png")));
        f.done(0);
    });
    d.Execute();
}

TEST(QvTaskDialog, EveryCommonButtonAnswersItsAccelerator) {
    // The program speaks Japanese; the standard captions come from there.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    struct Case {
        TQvCommonButtons buttons;
        Qt::Key key;
        int expected;
    } cases[] = {
        {{TQvCommonButton::cbYes, TQvCommonButton::cbNo}, Qt::Key_Y, idYes},
        {{TQvCommonButton::cbYes, TQvCommonButton::cbNo}, Qt::Key_N, idNo},
        {{TQvCommonButton::cbYes, TQvCommonButton::cbNo, TQvCommonButton::cbCancel}, Qt::Key_N, idNo},
        {{TQvCommonButton::cbYes, TQvCommonButton::cbNo, TQvCommonButton::cbCancel}, Qt::Key_C, idCancel},
        {{TQvCommonButton::cbOk, TQvCommonButton::cbCancel}, Qt::Key_C, idCancel},
        {{TQvCommonButton::cbRetry, TQvCommonButton::cbCancel}, Qt::Key_R, idRetry},
        {{TQvCommonButton::cbClose}, Qt::Key_C, idClose},
    };
    for (const Case &c : cases) {
        TQvTaskDialog d;
        d.Buttons = c.buttons;
        d.SetInstruction(QStringLiteral("画像を削除しますか"));
        d.DefaultButton = TTaskDialogDefaultButton::tdbYes;
        QStringList captions;
        whenShown(d, [&](TTaskDialogXPForm &f) {
            for (QPushButton *b : f.findChildren<QPushButton *>())
                if (b->isVisible())
                    captions << b->text();
            f.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : &f, c.key, Qt::AltModifier);
            // A button pressed by its accelerator clicks after a short flash.
            QPointer<TTaskDialogXPForm> form(&f);
            for (int i = 0; i < 100 && form && form->isVisible(); ++i)
                QTest::qWait(10);
            if (form && form->isVisible())
                form->done(0);
        });
        int button = -5;
        int radio = 0;
        bool checked = false;
        ASSERT_TRUE(d.Execute(button, radio, checked));
        EXPECT_EQ(button, c.expected) << "Alt+" << QKeySequence(c.key).toString().toStdString() << " among "
                                      << captions.join(QStringLiteral(" / ")).toStdString();
    }
    QApplication::removeTranslator(&qtTexts);
}
