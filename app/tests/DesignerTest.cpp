// The layout designer driven as a user drives it: the mouse on items and on
// the surface (at 127 pixels per inch, so 5 pixels per mm at 100 %), the
// commands, the sub-dialogs through injected openers and once for real, the
// settings, and undo. Bounds are compared in mm.
#include "app/controls/NumberEdit.h"
#include "app/designer/Designer.h"
#include "app/designer/DesignerUndo.h"
#include "app/designer/GridDialog.h"
#include "app/layout/DialogParts.h"
#include "app/designer/PositioningDialog.h"
#include "app/layout/LayoutDialog.h"
#include "app/layout/SelAreaDialog.h"
#include "model/DocumentFormat.h"
#include "model/ImageArea.h"
#include "model/PaperPrinter.h"
#include "model/PhotoArea.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "settings/IniFile.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace vellora;

namespace {

constexpr double kEps = 1e-9;
const QString kDesigner = QStringLiteral("Designer");

double mm(Extended v) { return static_cast<double>(v); }

QByteArray bytesOf(const TPhotoPaper &paper)
{
    TMemoryStream s;
    SavePaperToStream(s, paper);
    return s.Data();
}

void saveRender(QWidget &w, const QString &name)
{
    const QString dir = QStringLiteral(VELLORA_DESIGNER_PNG_DIR);
    QDir().mkpath(dir);
    w.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void mouse(QWidget *w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, modifiers);
    QApplication::sendEvent(w, &e);
}

// A 100 × 140 mm sheet, margins 7 mm, 2 × 2 photo areas.
struct Fixture {
    QTemporaryDir tmp;
    TExtIniFile ini;
    TPhotoPaper paper;
    TDesignerOpeners openers;
    std::unique_ptr<TfrmDesigner> d;
    QStringList errors;

    Fixture()
    {
        vellora::test::testFontFamily();
        QApplication::setFont(QFont(vellora::test::testFontFamily(), 9));
        ini.SetAutoUpdate(false);
        ini.SetDefaultFolder(TDefaultFolder::dfUser);
        ini.SetFileName(tmp.filePath(QStringLiteral("designer.ini")));
        paper.SetPaperSize(FloatSize(100, 140));
        paper.SetDivide({2, 2});
        paper.SetMargins(FloatRect(7, 7, 7, 7));
        openers.ShowError = [this](QWidget *, const QString &m) { errors << m; };
    }
    ~Fixture()
    {
        d.reset();
        PaperPrinter().SetPaper(nullptr);
    }
    void open()
    {
        d = std::make_unique<TfrmDesigner>(nullptr, &ini, 127, openers);
        d->SetPaper(&paper);
        d->resize(900, 700);
        d->show();
        d->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        QApplication::processEvents();   // the fit once the window has its size
        d->ChangeShowRate(100);
    }
    TTextArea *text(double l, double t, double r, double b)
    {
        TTextArea *a = paper.Areas().AddText();
        a->SetBounds(FloatRect(l, t, r, b));
        return a;
    }
    TPrintItem *item(int i) const { return d->Items().Items(i); }
    QAction *action(const char *name) const { return d->findChild<QAction *>(QString::fromLatin1(name)); }
    QPoint surfaceAt(double x, double y) const
    {
        const TDesignScale s = d->Scale();
        return d->PrintableRect().topLeft() + QPoint(s.ToPixels(x), s.ToPixels(y));
    }
    // Press at a point inside the item, move by delta with the button held, release.
    void drag(TPrintItem *it, QPoint local, QPoint delta, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        mouse(it, QEvent::MouseMove, local, Qt::NoButton, Qt::NoButton, m);   // hover: the edge zones
        const QPoint to = it->pos() + local + delta;
        mouse(it, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton, m);
        mouse(it, QEvent::MouseMove, to - it->pos(), Qt::NoButton, Qt::LeftButton, m);
        mouse(it, QEvent::MouseButtonRelease, to - it->pos(), Qt::LeftButton, Qt::NoButton, m);
    }
    void click(TPrintItem *it, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        const QPoint c(it->width() / 2, it->height() / 2);
        mouse(it, QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton, m);
        mouse(it, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton, m);
    }
    void band(QPoint from, QPoint to, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QWidget *s = d->Surface();
        mouse(s, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, m);
        mouse(s, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, m);
        mouse(s, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, m);
        mouse(s, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, m);
    }
    std::vector<int> selection() const
    {
        std::vector<int> out;
        for (int i = 0; i < d->Items().Count(); ++i)
            if (item(i)->Selected())
                out.push_back(i);
        return out;
    }
    void select(std::vector<bool> s) { d->Items().SetSelection(s); }
};

void expectBounds(const TCustomArea *a, double l, double t, double r, double b)
{
    EXPECT_NEAR(mm(a->Left()), l, kEps);
    EXPECT_NEAR(mm(a->Top()), t, kEps);
    EXPECT_NEAR(mm(a->Right()), r, kEps);
    EXPECT_NEAR(mm(a->Bottom()), b, kEps);
}

} // namespace

TEST(Designer, ADraggedItemStopsAtEverySurfaceBorder)
{
    struct Case {
        QPoint delta;
    } cases[] = {{{5000, 0}}, {{-5000, 0}}, {{0, -5000}}, {{0, 5000}}};
    for (const Case &c : cases) {
        Fixture f;
        TTextArea *a = f.text(10, 10, 30, 20);
        f.open();
        const QSize surface = f.d->Surface()->size();
        const QRect r = f.item(0)->geometry();
        f.drag(f.item(0), QPoint(50, 25), c.delta);
        const QRect now = f.item(0)->geometry();
        if (c.delta.x() > 0) {
            EXPECT_EQ(now.left() + now.width(), surface.width() - 1);
        } else if (c.delta.x() < 0) {
            EXPECT_EQ(now.left(), 0);
        } else if (c.delta.y() < 0) {
            EXPECT_EQ(now.top(), 0);
        } else {
            EXPECT_EQ(now.top() + now.height(), surface.height() - 1);
        }
        // Exactly the clamped pixel offset, in mm, and the size kept.
        const double dx = (now.left() - r.left()) / 5.0, dy = (now.top() - r.top()) / 5.0;
        expectBounds(a, 10 + dx, 10 + dy, 30 + dx, 20 + dy);
    }
}

TEST(Designer, SnappingMovesTheNearerEdgeOntoTheGridInExactMillimetres)
{
    for (int origin : {0, 1}) {
        Fixture f;
        f.ini.WriteBool(kDesigner, QStringLiteral("GridAdsorp"), true);
        f.ini.WriteFloat(kDesigner, QStringLiteral("GridStep"), 5);
        f.ini.WriteInt(kDesigner, QStringLiteral("GridOrigin"), origin);
        const double o = origin ? mm(f.paper.PhotoAreas().Items(0)->Left()) : 0;
        const double ot = origin ? mm(f.paper.PhotoAreas().Items(0)->Top()) : 0;
        ASSERT_EQ(o, origin ? 7.0 : 0.0);
        TTextArea *a = f.text(o + 12, ot + 20, o + 31, ot + 30);
        f.open();
        f.drag(f.item(0), QPoint(40, 20), QPoint(2, 0));   // +0.4 mm
        expectBounds(a, o + 11, ot + 20, o + 30, ot + 30);
    }
}

TEST(Designer, ResizingTakesTheEdgeUnderThePointer)
{
    {   // A 3-pixel item hovered at x = 1: both zones overlap, the right edge is taken.
        Fixture f;
        TTextArea *a = f.text(10, 10, 10.6, 20);
        f.open();
        ASSERT_EQ(f.item(0)->width(), 3);
        f.drag(f.item(0), QPoint(1, 25), QPoint(10, 0));
        EXPECT_EQ(f.item(0)->MouseSides(), 4u);
        expectBounds(a, 10, 10, 12.6, 20);
    }
    for (bool snapping : {false, true}) {   // the left edge: the right one stays
        Fixture f;
        f.ini.WriteBool(kDesigner, QStringLiteral("GridAdsorp"), snapping);
        TTextArea *a = f.text(12, 20, 31, 30);
        f.open();
        f.drag(f.item(0), QPoint(1, 25), QPoint(-7, 0));   // -1.4 mm
        expectBounds(a, snapping ? 10 : 10.6, 20, 31, 30);
        // Past the other edge the size stops at zero (the snapped edge at the
        // grid line before it), and the right edge stays.
        f.drag(f.item(0), QPoint(1, 25), QPoint(500, 0));
        EXPECT_NEAR(mm(a->Left()), snapping ? 30 : 31, kEps);
        EXPECT_NEAR(mm(a->Right()), 31, kEps);
    }
    {   // The bottom-right corner resizes both ways.
        Fixture f;
        TTextArea *a = f.text(10, 10, 30, 20);
        f.open();
        f.drag(f.item(0), QPoint(99, 49), QPoint(10, 5));
        expectBounds(a, 10, 10, 32, 21);
    }
}

TEST(Designer, ChangingTheRateKeepsTheScrolledPositionInProportion)
{
    Fixture f;
    f.open();
    QScrollBar *h = f.d->ScrollArea()->horizontalScrollBar(), *v = f.d->ScrollArea()->verticalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    h->setValue(h->maximum() / 3);
    v->setValue(v->maximum() * 2 / 3);
    const double hf = double(h->value()) / h->maximum(), vf = double(v->value()) / v->maximum();
    f.d->ChangeShowRate(120);
    EXPECT_EQ(f.d->ShowRate(), 120);
    EXPECT_NEAR(double(h->value()) / h->maximum(), hf, 1.0 / h->maximum());
    EXPECT_NEAR(double(v->value()) / v->maximum(), vf, 1.0 / v->maximum());
    f.d->ChangeShowRate(1000);
    EXPECT_EQ(f.d->ShowRate(), kMaxShowRate);
    // A rate typed into its edit applies on Enter, within 20 to 300.
    auto *rate = f.d->findChild<TNumberEdit *>(QStringLiteral("edtShowRate"));
    rate->setFocus();
    rate->selectAll();
    QTest::keyClicks(rate, QStringLiteral("150"));
    QTest::keyClick(rate, Qt::Key_Return);
    EXPECT_EQ(f.d->ShowRate(), 150);
    EXPECT_EQ(f.d->PrintableRect().width(), TDesignScale(127, 150).ToPixels(100));
    rate->selectAll();
    QTest::keyClicks(rate, QStringLiteral("5"));
    QTest::keyClick(rate, Qt::Key_Return);
    EXPECT_EQ(f.d->ShowRate(), kMinShowRate);
}

TEST(Designer, AFineGridIsDrawnCoarserButSnapsAtItsOwnStep)
{
    Fixture f;
    f.ini.WriteBool(kDesigner, QStringLiteral("GridAdsorp"), true);
    f.ini.WriteBool(kDesigner, QStringLiteral("GridVisible"), true);
    f.ini.WriteFloat(kDesigner, QStringLiteral("GridStep"), 0.5);
    TTextArea *a = f.text(12.4, 20, 31.2, 30);
    f.open();
    f.d->ChangeShowRate(20);
    EXPECT_NEAR(mm(f.d->GridDrawStepNow()), 2.5, kEps);
    f.drag(f.item(0), QPoint(f.item(0)->width() / 2, 5), QPoint(1, 0));   // +1 mm at 20 %
    expectBounds(a, 13.5, 20, 32.3, 30);
}

TEST(Designer, DeletingRemovesExactlyTheSelectedAreas)
{
    Fixture f;
    TTextArea *a[4];
    for (int i = 0; i < 4; ++i)
        a[i] = f.text(10 + 15 * i, 10, 20 + 15 * i, 20);
    f.open();
    f.click(f.item(1));
    f.click(f.item(3), Qt::ControlModifier);
    ASSERT_EQ(f.selection(), (std::vector<int>{1, 3}));
    f.d->DeleteSelected();
    ASSERT_EQ(f.paper.Areas().Count(), 2);
    EXPECT_EQ(f.paper.Areas().Items(0), a[0]);
    EXPECT_EQ(f.paper.Areas().Items(1), a[2]);
    EXPECT_EQ(f.d->Items().Count(), 2);
    EXPECT_EQ(f.d->Items().SelCount(), 0);
}

TEST(Designer, AreaModeEditsOneCellAndNamesIt)
{
    Fixture f;
    int offered = -1;
    int answer = 2;
    f.openers.SelectArea = [&](QWidget *, TPhotoPaper &, int &index) {
        offered = index;
        if (answer < 0)
            return false;
        index = answer;
        return true;
    };
    TPhotoArea *cell = f.paper.PhotoAreas().Items(2);
    cell->Areas().AddText();
    f.open();
    EXPECT_FALSE(f.action("actChangeArea")->isEnabled());
    f.action("actModeArea")->trigger();
    EXPECT_EQ(offered, 0);
    EXPECT_EQ(f.d->EditMode(), TEditMode::emArea);
    EXPECT_EQ(f.d->Items().Count(), 1);
    EXPECT_TRUE(f.action("actModeArea")->isChecked());
    EXPECT_TRUE(f.action("actChangeArea")->isEnabled());
    EXPECT_EQ(f.d->StatusText(), QStringLiteral("エリアサイズ: %1×%2 mm　エリア番号: 3")
                                     .arg(mm(cell->Width()), 0, 'f', 2)
                                     .arg(mm(cell->Height()), 0, 'f', 2));
    saveRender(*f.d, QStringLiteral("designer_area_mode"));

    // Adding in a cell links the new area to that cell.
    f.d->AddArea(true);
    EXPECT_EQ(cell->Areas().Items(1)->LinkAreaIndex(), 2);

    // Back to the paper; then a cancelled chooser keeps the mode and its mark.
    f.action("actModeAll")->trigger();
    EXPECT_EQ(f.d->EditMode(), TEditMode::emPaper);
    EXPECT_EQ(f.d->StatusText(), QStringLiteral("用紙サイズ: 100.00×140.00 mm"));
    answer = -1;
    f.action("actModeArea")->trigger();
    EXPECT_EQ(f.d->EditMode(), TEditMode::emPaper);
    EXPECT_TRUE(f.action("actModeAll")->isChecked());
    EXPECT_FALSE(f.action("actModeArea")->isChecked());
}

TEST(Designer, CommandsAreEnabledBySelectionCount)
{
    Fixture f;
    for (int i = 0; i < 3; ++i)
        f.text(10 + 25 * i, 10, 30 + 25 * i, 20);
    f.open();
    struct Case {
        std::vector<bool> selection;
        bool one, any, many;
    } cases[] = {
        {{false, false, false}, false, false, false},
        {{false, true, false}, true, true, false},
        {{true, false, true}, false, true, true},
    };
    for (const Case &c : cases) {
        f.select(c.selection);
        EXPECT_EQ(f.action("actProperty")->isEnabled(), c.one);
        for (const char *name : {"actMoveTop", "actMoveBottom", "actMoveNext", "actMovePrior"})
            EXPECT_EQ(f.action(name)->isEnabled(), c.one) << name;
        EXPECT_EQ(f.action("actDelete")->isEnabled(), c.any);
        EXPECT_EQ(f.action("actPosition")->isEnabled(), c.many);
        for (const char *name : {"edtLeftPos", "edtTopPos", "edtWidth", "edtHeight"})
            EXPECT_EQ(f.d->findChild<QWidget *>(QString::fromLatin1(name))->isEnabled(), c.one) << name;
    }
    f.select({false, true, false});
    EXPECT_DOUBLE_EQ(f.d->findChild<TNumberEdit *>(QStringLiteral("edtLeftPos"))->Value(), 35);
    EXPECT_DOUBLE_EQ(f.d->findChild<TNumberEdit *>(QStringLiteral("edtWidth"))->Value(), 20);
    // Ctrl+P belongs to the property command alone.
    EXPECT_EQ(f.action("actProperty")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_TRUE(f.action("actMovePrior")->shortcut().isEmpty());
    EXPECT_EQ(f.action("actAllScale")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+A")));
    EXPECT_EQ(f.action("actGrid")->toolTip(), QStringLiteral("グリッド"));
}

TEST(Designer, StackingMovesTheSelectedAreaWithinTheList)
{
    struct Case {
        int how, selected;
        const char *order;
    } cases[] = {
        {0, 1, "ACDB"}, {0, 3, "ABCD"}, {1, 2, "CABD"}, {1, 0, "ABCD"},
        {2, 1, "ACBD"}, {2, 3, "ABCD"}, {3, 2, "ACBD"}, {3, 0, "ABCD"},
    };
    for (const Case &c : cases) {
        Fixture f;
        std::map<const TCustomArea *, char> names;
        for (int i = 0; i < 4; ++i)
            names[f.text(10 + 5 * i, 10, 20 + 5 * i, 20)] = char('A' + i);
        f.open();
        std::vector<bool> s(4, false);
        s[static_cast<size_t>(c.selected)] = true;
        f.select(s);
        f.d->MoveSelected(c.how);
        std::string order;
        for (int i = 0; i < 4; ++i)
            order += names[f.paper.Areas().Items(i)];
        EXPECT_EQ(order, c.order) << c.how << " " << c.selected;
        // The moved area stays selected, its item now at the new place.
        ASSERT_EQ(f.d->Items().SelCount(), 1);
        EXPECT_EQ(names[f.d->Items().Selected()->Item()], char('A' + c.selected));
        EXPECT_EQ(f.d->Items().Count(), 4);
    }
}

TEST(Designer, TheBandSelectsInEveryDirection)
{
    for (int direction = 0; direction < 4; ++direction)
        for (bool shift : {false, true}) {
            Fixture f;
            f.text(10, 10, 20, 20);
            f.text(40, 40, 50, 50);
            f.open();
            f.select({false, true});
            QPoint a = f.surfaceAt(5, 5), b = f.surfaceAt(25, 25);
            if (direction & 1)
                std::swap(a.rx(), b.rx());
            if (direction & 2)
                std::swap(a.ry(), b.ry());
            f.band(a, b, shift ? Qt::ShiftModifier : Qt::NoModifier);
            EXPECT_EQ(f.selection(), shift ? (std::vector<int>{0, 1}) : (std::vector<int>{0})) << direction;
        }
    Fixture f;
    f.text(10, 10, 20, 20);
    f.open();
    f.select({true});
    f.band(f.surfaceAt(60, 60), f.surfaceAt(60, 60));   // a plain click clears
    EXPECT_EQ(f.d->Items().SelCount(), 0);
}

TEST(Designer, ATypedValueReachesItsItemBeforeAClickSelectsAnother)
{
    Fixture f;
    TTextArea *a = f.text(10, 10, 30, 20);
    TTextArea *b = f.text(40, 40, 50, 50);
    f.open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.d.get()));
    f.click(f.item(0));
    auto *x = f.d->findChild<TNumberEdit *>(QStringLiteral("edtLeftPos"));
    x->setFocus();
    ASSERT_TRUE(x->hasFocus());
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("33"));
    f.click(f.item(1));
    expectBounds(a, 33, 10, 53, 20);   // X moves the area, keeping its width
    expectBounds(b, 40, 40, 50, 50);
    EXPECT_EQ(f.selection(), std::vector<int>{1});
    // Enter applies too, and does not close the window.
    x->setFocus();
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("-12.5"));
    QTest::keyClick(x, Qt::Key_Return);
    // Off the sheet it is kept on it, as a drag keeps items on the surface,
    // and the edit shows where.
    expectBounds(b, 0, 40, 10, 50);
    EXPECT_DOUBLE_EQ(x->Value(), 0);
    EXPECT_TRUE(f.d->isVisible());
    // Spin buttons apply at once.
    auto *w = f.d->findChild<TUpdownNumberEdit *>(QStringLiteral("edtWidth"));
    w->upButton()->click();
    EXPECT_NEAR(mm(b->Right() - b->Left()), 10.1, kEps);
    // Out of range: positions stay on the 100 mm sheet, sizes at least 1 mm.
    x->SetValue(-25000);
    EXPECT_NEAR(mm(b->Left()), 0, kEps);
    x->SetValue(5000);
    EXPECT_NEAR(mm(b->Left()), 100 - 10.1, kEps);
    w->SetValue(-3);
    EXPECT_NEAR(mm(b->Right() - b->Left()), 1, kEps);
    EXPECT_EQ(f.d->UndoStack()->count(), 5);
}

TEST(Designer, EveryCommandUndoesAndRedoesToTheExactBytes)
{
    struct Case {
        const char *name;
        std::function<void(Fixture &)> run;
    } cases[] = {
        {"add", [](Fixture &f) { f.d->AddArea(false); }},
        {"delete", [](Fixture &f) { f.select({true, false, true}); f.d->DeleteSelected(); }},
        {"drag", [](Fixture &f) { f.drag(f.item(1), QPoint(20, 20), QPoint(13, -7)); }},
        {"resize", [](Fixture &f) { f.drag(f.item(1), QPoint(1, 1), QPoint(-6, -3)); }},
        {"edit", [](Fixture &f) {
             f.select({false, true, false});
             f.d->findChild<TNumberEdit *>(QStringLiteral("edtHeight"))->SetValue(17.25);
         }},
        {"align", [](Fixture &f) {
             f.openers.Positioning = [](QWidget *, THorzAlign &h, TVertAlign &v) {
                 h = THorzAlign::haRight;
                 v = TVertAlign::vaCenter;
                 return true;
             };
             f.d.reset();
             f.open();
             f.select({true, true, true});
             f.action("actPosition")->trigger();
         }},
        {"stacking", [](Fixture &f) { f.select({true, false, false}); f.d->MoveSelected(0); }},
        {"property", [](Fixture &f) {
             f.openers.TextProperties = [](QWidget *, TTextArea &a, TEditMode) {
                 a.SetText(QStringLiteral("新しい文字"));
                 return true;
             };
             f.d.reset();
             f.open();
             f.select({true, false, false});
             f.action("actProperty")->trigger();
         }},
        {"paste", [](Fixture &f) {
             f.select({false, true, true});
             f.action("actCopy")->trigger();
             f.action("actPaste")->trigger();
             EXPECT_EQ(f.paper.Areas().Count(), 5);
             EXPECT_NEAR(mm(f.paper.Areas().Items(3)->Left()), 40 + 5, kEps);   // one grid step off
         }},
        {"duplicate", [](Fixture &f) { f.select({true, false, false}); f.action("actDuplicate")->trigger(); }},
        {"nudges", [](Fixture &f) {
             f.select({true, false, false});
             f.d->Surface()->setFocus();
             QTest::keyClick(f.d->Surface(), Qt::Key_Right);
             QTest::keyClick(f.d->Surface(), Qt::Key_Down, Qt::ShiftModifier);
             expectBounds(f.paper.Areas().Items(0), 10.1, 11, 30.1, 21);
         }},
    };
    for (const Case &c : cases) {
        Fixture f;
        f.text(10, 10, 30, 20);
        f.text(40, 40, 60, 50);
        f.paper.Areas().AddImage()->SetBounds(FloatRect(20, 60, 45, 80));
        f.open();
        const QByteArray before = bytesOf(f.paper);
        c.run(f);
        const QByteArray after = bytesOf(f.paper);
        ASSERT_NE(after, before) << c.name;
        QUndoStack *stack = f.d->UndoStack();
        EXPECT_EQ(stack->count(), 1) << c.name;
        f.action("actUndo")->trigger();
        EXPECT_EQ(bytesOf(f.paper), before) << c.name;
        EXPECT_EQ(f.d->Items().Count(), f.paper.Areas().Count()) << c.name;
        f.action("actRedo")->trigger();
        EXPECT_EQ(bytesOf(f.paper), after) << c.name;
        EXPECT_EQ(f.d->Items().Count(), f.paper.Areas().Count()) << c.name;
    }
}

TEST(Designer, KeysOnTheSurface)
{
    Fixture f;
    TTextArea *a = f.text(10, 10, 30, 20);
    f.text(40, 40, 60, 50);
    f.open();
    QWidget *s = f.d->Surface();
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Tab);
    EXPECT_EQ(f.selection(), std::vector<int>{0});
    QTest::keyClick(s, Qt::Key_Tab);
    EXPECT_EQ(f.selection(), std::vector<int>{1});
    QTest::keyClick(s, Qt::Key_Escape);
    EXPECT_TRUE(f.selection().empty());
    EXPECT_TRUE(f.d->isVisible());
    // Esc during a drag puts the items back.
    TPrintItem *it = f.item(0);
    mouse(it, QEvent::MouseButtonPress, QPoint(30, 20), Qt::LeftButton, Qt::LeftButton);
    mouse(it, QEvent::MouseMove, QPoint(80, 20), Qt::NoButton, Qt::LeftButton);
    EXPECT_NEAR(mm(a->Left()), 20, kEps);
    QTest::keyClick(s, Qt::Key_Escape);
    expectBounds(a, 10, 10, 30, 20);
    mouse(it, QEvent::MouseMove, QPoint(90, 20), Qt::NoButton, Qt::LeftButton);
    mouse(it, QEvent::MouseButtonRelease, QPoint(90, 20), Qt::LeftButton, Qt::NoButton);
    expectBounds(a, 10, 10, 30, 20);
    EXPECT_EQ(f.d->UndoStack()->count(), 0);
    f.action("actSelectAll")->trigger();
    QTest::keyClick(s, Qt::Key_Delete);
    EXPECT_EQ(f.paper.Areas().Count(), 0);
}

TEST(Designer, RightClickSelectsAndCtrlPOpensTheProperties)
{
    Fixture f;
    f.text(10, 10, 30, 20);
    TTextArea *b = f.text(40, 40, 60, 50);
    int opened = 0;
    f.openers.TextProperties = [&](QWidget *, TTextArea &a, TEditMode mode) {
        EXPECT_EQ(&a, b);
        EXPECT_EQ(mode, TEditMode::emPaper);
        ++opened;
        return false;
    };
    f.open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.d.get()));
    f.select({true, false});
    mouse(f.item(1), QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
    mouse(f.item(1), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(f.selection(), std::vector<int>{1});
    f.d->Surface()->setFocus();
    QTest::keyClick(f.d->Surface(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(opened, 1);
    QTest::mouseDClick(f.item(1), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(f.d->UndoStack()->count(), 0);   // cancelled: no step
}

TEST(Designer, OpensWithTheWholePageInViewInBothModes)
{
    Fixture f;
    f.paper.SetPaperSize(FloatSize(210, 297));   // A4, taller than the window is wide
    f.paper.PhotoAreas().AdjustAreas();
    f.d = std::make_unique<TfrmDesigner>(nullptr, &f.ini, 127, f.openers);
    f.d->SetPaper(&f.paper);
    f.d->resize(900, 700);
    f.d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.d.get()));
    QApplication::processEvents();
    auto pageInView = [&] {
        QScrollArea *area = f.d->ScrollArea();
        const QRect page = f.d->PrintableRect().translated(-area->horizontalScrollBar()->value(),
                                                           -area->verticalScrollBar()->value());
        return area->viewport()->rect().contains(page);
    };
    EXPECT_TRUE(pageInView()) << f.d->ShowRate();
    f.d->SetEditMode(TEditMode::emArea, 3);
    QApplication::processEvents();
    EXPECT_TRUE(pageInView()) << f.d->ShowRate();
    saveRender(*f.d, QStringLiteral("designer-fit-area"));
}

TEST(Designer, TheWholePageShowsEveryCellsOwnAreas)
{
    Fixture f;
    TPhotoArea &cell = *f.paper.PhotoAreas().Items(3);
    TTextArea *caption = cell.Areas().AddText();
    caption->SetBounds(FloatRect(2, 2, 30, 12));
    caption->SetText(QStringLiteral(" "));   // no sample text over the probed pixel
    caption->Background().Fill().SetStyle(TFillStyle::fisSolid);
    caption->Background().Fill().SetColor(0x000000FF);   // red
    f.open();
    const QImage surface = f.d->Surface()->grab().toImage();
    const QPoint inside = f.surfaceAt(mm(cell.Left()) + 16, mm(cell.Top()) + 7);
    const QColor shown = surface.pixelColor(inside * surface.devicePixelRatio());
    EXPECT_GT(shown.red(), 200);
    EXPECT_LT(shown.green(), 120);
    // It belongs to the cell: no item of the whole page stands for it.
    EXPECT_EQ(f.d->Items().Count(), 0);
}

TEST(Designer, FittingTheWidthCentresTheHorizontalBar)
{
    Fixture f;
    f.open();
    f.action("actWidthScale")->trigger();
    const int client = f.d->ScrollArea()->viewport()->width();
    EXPECT_EQ(f.d->ShowRate(), ClampShowRate(static_cast<long long>(client * 100.0 / MMToPixel100(100, 127))));
    QScrollBar *h = f.d->ScrollArea()->horizontalScrollBar();
    EXPECT_EQ(h->value(), h->maximum() / 2);
}

TEST(Designer, TheChooserMayRewriteTheEditedCellEvenWhenCancelled)
{
    Fixture f;
    TAreas &cell0 = f.paper.PhotoAreas().Items(0)->Areas();
    cell0.AddText()->SetBounds(FloatRect(1, 1, 11, 6));
    cell0.AddImage()->SetBounds(FloatRect(3, 8, 13, 18));
    bool clear = false;
    f.openers.SelectArea = [&](QWidget *, TPhotoPaper &paper, int &index) {
        if (!clear) {
            index = 0;
            return true;
        }
        paper.PhotoAreas().Items(0)->Areas().Clear();            // "クリア", then Cancel
        paper.PhotoAreas().Items(1)->Areas().CopyFrom(cell0);     // a paste elsewhere
        return false;
    };
    f.open();
    f.action("actModeArea")->trigger();
    ASSERT_EQ(f.d->Items().Count(), 2);
    f.select({true, true});
    const QByteArray before = bytesOf(f.paper);
    clear = true;
    f.action("actChangeArea")->trigger();
    EXPECT_EQ(f.d->EditMode(), TEditMode::emArea);
    EXPECT_EQ(f.d->Items().Count(), 0);
    f.d->repaint();
    QApplication::processEvents();
    f.action("actUndo")->trigger();
    EXPECT_EQ(bytesOf(f.paper), before);
    EXPECT_EQ(f.d->Items().Count(), 2);
    f.d->repaint();
}

TEST(Designer, AFailingCommandLeavesTheAreasAndIsShown)
{
    Fixture f;
    f.text(10, 10, 30, 20);
    f.openers.TextProperties = [](QWidget *, TTextArea &a, TEditMode) -> bool {
        a.SetText(QStringLiteral("途中まで"));
        a.SetBounds(FloatRect(0, 0, 1, 1));
        throw std::runtime_error("broken dialog");
    };
    f.open();
    const QByteArray before = bytesOf(f.paper);
    f.select({true});
    f.action("actProperty")->trigger();
    EXPECT_EQ(bytesOf(f.paper), before);
    EXPECT_EQ(f.errors, QStringList{QStringLiteral("broken dialog")});
    EXPECT_EQ(f.d->UndoStack()->count(), 0);
    EXPECT_EQ(f.d->Items().Count(), 1);
}

TEST(Designer, TheRealChooserAndPropertyDialogOpenNested)
{
    Fixture f;
    f.text(10, 10, 30, 20);
    f.open();
    bool sawChooser = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto *chooser = qobject_cast<TfrmSelArea *>(QApplication::activeModalWidget())) {
            sawChooser = true;
            EXPECT_EQ(chooser->SelectionMode(), TSelectionMode::smSelect);
            chooser->SetSelected(3);
            chooser->accept();
        }
    });
    timer.start();
    f.action("actModeArea")->trigger();
    timer.stop();
    EXPECT_TRUE(sawChooser);
    EXPECT_EQ(f.d->EditMode(), TEditMode::emArea);
    EXPECT_EQ(f.d->EditAreaIndex(), 3);

    f.action("actModeAll")->trigger();
    f.select({true});
    QString caption;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (QWidget *w = QApplication::activeModalWidget(); w && w != f.d.get() && !qobject_cast<TfrmSelArea *>(w)) {
            caption = w->windowTitle();
            static_cast<QDialog *>(w)->reject();
        }
    });
    timer.start();
    f.action("actProperty")->trigger();
    timer.stop();
    EXPECT_EQ(caption, QStringLiteral("テキスト領域のプロパティ"));
    EXPECT_EQ(f.d->UndoStack()->count(), 0);
}

TEST(Designer, GridDialogWritesItsFourKeysOnOkOnly)
{
    Fixture f;
    {
        TfrmGrid g(nullptr, &f.ini);
        g.reject();
    }
    EXPECT_FALSE(f.ini.SectionExists(kDesigner));
    {
        TfrmGrid g(nullptr, &f.ini);
        EXPECT_EQ(g.windowTitle(), QStringLiteral("グリッドの設定"));
        g.findChild<QCheckBox *>(QStringLiteral("chkGridAdsorp"))->setChecked(true);
        g.findChild<QCheckBox *>(QStringLiteral("chkGridVisible"))->setChecked(true);
        g.findChild<TNumberEdit *>(QStringLiteral("edtGridStep"))->SetValue(0.2);   // below the minimum
        g.findChild<QRadioButton *>(QStringLiteral("rdoOriginArea"))->setChecked(true);
        g.show();
        saveRender(g, QStringLiteral("frmGrid"));
        g.accept();
    }
    QStringList lines, keys;
    f.ini.ReadSection(kDesigner, lines);
    for (const QString &line : lines)
        keys << line.section(QLatin1Char('='), 0, 0);
    keys.sort();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("GridAdsorp"), QStringLiteral("GridColor"),
                                 QStringLiteral("GridOrigin"), QStringLiteral("GridStep")}));
    EXPECT_EQ(f.ini.ReadStr(kDesigner, QStringLiteral("GridColor"), QString()), QStringLiteral("$00F0CAA6"));
    const TDesignerSettings s = ReadDesignerSettings(&f.ini);
    EXPECT_TRUE(s.GridAdsorp);
    EXPECT_EQ(s.GridStep, 0.5L);
    EXPECT_EQ(s.GridOrigin, TGridOrigin::goArea);
    EXPECT_FALSE(s.GridVisible);

    // The designer writes "GridVisible" (and its placement) when it closes.
    f.open();
    f.action("actGrid")->setChecked(true);
    f.d.reset();
    EXPECT_TRUE(f.ini.ReadBool(kDesigner, QStringLiteral("GridVisible"), false));
    EXPECT_EQ(f.ini.ReadStr(QStringLiteral("Forms"), QStringLiteral("frmDesigner"), QString()), QStringLiteral("FORM"));
}

TEST(Designer, UnusableSettingsFallBackToTheDefaults)
{
    Fixture f;
    f.ini.WriteStr(kDesigner, QStringLiteral("GridStep"), QStringLiteral("nan"));
    f.ini.WriteStr(kDesigner, QStringLiteral("GridOrigin"), QStringLiteral("7"));
    f.ini.WriteStr(kDesigner, QStringLiteral("GridAdsorp"), QStringLiteral("x"));
    TDesignerSettings s = ReadDesignerSettings(&f.ini);
    EXPECT_EQ(s.GridStep, kDefaultGridStep);
    EXPECT_EQ(s.GridOrigin, TGridOrigin::goPaper);
    EXPECT_EQ(s.GridColor, 15780518u);
    f.ini.WriteStr(kDesigner, QStringLiteral("GridStep"), QStringLiteral("0.1"));
    EXPECT_EQ(ReadDesignerSettings(&f.ini).GridStep, kDefaultGridStep);
    f.ini.WriteStr(kDesigner, QStringLiteral("GridStep"), QStringLiteral("1e9"));
    EXPECT_EQ(ReadDesignerSettings(&f.ini).GridStep, kDefaultGridStep);
}

TEST(Designer, AGridStepTypedBelowTheMinimumIsRefusedNotChanged)
{
    Fixture f;
    QStringList messages;
    SetMessageHook([&](const QString &, const QString &text) {
        messages << text;
        return true;
    });
    {
        TfrmGrid g(nullptr, &f.ini);
        auto *step = g.findChild<TNumberEdit *>(QStringLiteral("edtGridStep"));
        step->setText(QStringLiteral("0.2"));
        g.accept();
        EXPECT_NE(g.result(), QDialog::Accepted);
        EXPECT_EQ(step->text(), QStringLiteral("0.2"));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QStringLiteral("0.50 から"))) << messages[0].toStdString();
        g.reject();
    }
    SetMessageHook({});
    EXPECT_FALSE(f.ini.SectionExists(kDesigner));
}

TEST(Designer, TheGridCommandTakesTheDialogsChoices)
{
    Fixture f;
    f.open();
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto *g = qobject_cast<TfrmGrid *>(QApplication::activeModalWidget())) {
            g->findChild<QCheckBox *>(QStringLiteral("chkGridVisible"))->setChecked(true);
            g->findChild<QCheckBox *>(QStringLiteral("chkGridAdsorp"))->setChecked(true);
            g->findChild<TNumberEdit *>(QStringLiteral("edtGridStep"))->SetValue(2.5);
            g->accept();
        }
    });
    timer.start();
    f.action("mitSetGrid")->trigger();
    timer.stop();
    EXPECT_TRUE(f.action("actGrid")->isChecked());
    EXPECT_TRUE(f.d->Settings().GridAdsorp);
    EXPECT_EQ(f.d->Settings().GridStep, 2.5L);
}

TEST(Designer, TheWheelScrollsAndCtrlWheelZoomsAboutThePointer)
{
    Fixture f;
    f.open();
    QScrollBar *v = f.d->ScrollArea()->verticalScrollBar();
    QScrollBar *h = f.d->ScrollArea()->horizontalScrollBar();
    v->setValue(v->maximum() / 2);
    const int before = v->value();
    QWidget *s = f.d->Surface();
    auto wheel = [&](QPoint at, int delta, Qt::KeyboardModifiers m) {
        QWheelEvent e(QPointF(at), QPointF(s->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton, m,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(s, &e);
    };
    wheel(f.surfaceAt(50, 70), 240, Qt::NoModifier);
    EXPECT_EQ(v->value(), before - 2 * v->singleStep());
    EXPECT_EQ(v->singleStep(), f.d->PrintableRect().height() / 10);

    // The mm point under the pointer stays under it.
    const QPoint at = f.surfaceAt(30, 40);
    const QPoint inView = at - QPoint(h->value(), v->value());
    wheel(at, 120, Qt::ControlModifier);
    EXPECT_EQ(f.d->ShowRate(), 120);
    EXPECT_EQ(f.surfaceAt(30, 40) - QPoint(h->value(), v->value()), inView);
}

TEST(Designer, ACellOfNoSizeStillOpens)
{
    Fixture f;
    f.paper.SetMargins(FloatRect(60, 80, 60, 80));   // margins beyond the sheet
    f.paper.PhotoAreas().Items(1)->Areas().AddText();
    f.openers.SelectArea = [](QWidget *, TPhotoPaper &, int &index) {
        index = 1;
        return true;
    };
    f.open();
    f.action("actModeArea")->trigger();
    EXPECT_EQ(f.d->EditMode(), TEditMode::emArea);
    EXPECT_GE(f.d->PrintableRect().width(), 1);
    EXPECT_GE(f.d->ShowRate(), kMinShowRate);
    EXPECT_LE(f.d->ShowRate(), kMaxShowRate);
    f.action("actAllScale")->trigger();
    f.action("actWidthScale")->trigger();
    EXPECT_LE(f.d->ShowRate(), kMaxShowRate);
    f.d->repaint();
}

// A sheet too small to see at any rate still shows where it is, and a new
// area lands on the page: also when the view is scrolled away from it or the
// page is smaller than a new area.
TEST(Designer, ThePageShowsAndNewAreasLandOnIt)
{
    struct Case {
        const char *name;
        double width, height;
        bool scrolledAway;
    };
    const Case cases[] = {
        {"a tenth of a millimetre", 0.1, 0.1, false},
        {"smaller than a new area", 15, 6, false},
        {"view scrolled to the far corner", 100, 140, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.paper.SetPaperSize(FloatSize(c.width, c.height));
        f.open();
        if (c.scrolledAway) {
            f.d->ChangeShowRate(kMaxShowRate);
            for (QScrollBar *b : {f.d->ScrollArea()->horizontalScrollBar(), f.d->ScrollArea()->verticalScrollBar()})
                b->setValue(b->maximum());
        }
        const QImage surface = f.d->Surface()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int white = 0;
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                white += surface.pixel(x, y) == qRgb(255, 255, 255);
        EXPECT_GE(white, 16);   // a box one can see, not a dot

        f.d->AddArea(true);
        ASSERT_EQ(f.paper.Areas().Count(), 1);
        const TFloatRect b = f.paper.Areas().Items(0)->Bounds();
        EXPECT_GE(static_cast<double>(b.Left), 0.0);
        EXPECT_GE(static_cast<double>(b.Top), 0.0);
        EXPECT_LE(static_cast<double>(b.Right), c.width + 1e-9);
        EXPECT_LE(static_cast<double>(b.Bottom), c.height + 1e-9);
        EXPECT_GT(static_cast<double>(b.Width()), 0.0);
        EXPECT_GT(static_cast<double>(b.Height()), 0.0);
    }
}

TEST(Designer, RendersBothModesWithGridAndSelection)
{
    Fixture f;
    f.ini.WriteBool(kDesigner, QStringLiteral("GridVisible"), true);
    TTextArea *t = f.text(12, 10, 60, 24);
    t->SetSource(TTextSourceType::tstFileName);
    f.text(15, 30, 80, 42)->SetText(QStringLiteral("固定テキスト"));
    f.paper.Areas().AddImage()->SetBounds(FloatRect(20, 50, 45, 75));
    f.open();
    f.select({true, false, true});
    QApplication::processEvents();
    saveRender(*f.d, QStringLiteral("designer_paper_mode"));
    TfrmPositioning p;
    p.SetHorzAlign(THorzAlign::haCenter);
    p.SetVertAlign(TVertAlign::vaBottom);
    EXPECT_EQ(p.HorzAlign(), THorzAlign::haCenter);
    EXPECT_EQ(p.VertAlign(), TVertAlign::vaBottom);
    EXPECT_EQ(p.windowTitle(), QStringLiteral("整列"));
    EXPECT_EQ(p.findChild<QToolButton *>(QStringLiteral("btnVertNone"))->toolTip(), QStringLiteral("指定なし"));
    p.show();
    saveRender(p, QStringLiteral("frmPositioning"));
}

TEST(Designer, TheLayoutDialogsCancelDropsDesignerEditsAndItsOkKeepsThem)
{
    Fixture f;
    f.text(10, 10, 30, 20);
    f.paper.PhotoAreas().Items(1)->Areas().AddText();
    const QByteArray original = bytesOf(f.paper);
    auto designOn = [&](TPhotoPaper &copy) {
        TfrmDesigner d(nullptr, &f.ini, 127, f.openers);
        d.SetPaper(&copy);
        d.AddArea(true);
        d.SetEditMode(TEditMode::emArea, 1);
        d.AddArea(false);
        d.close();
    };
    {
        TfrmLayout layout(nullptr, &f.ini);
        layout.SetPaper(f.paper);
        designOn(layout.Paper());
        layout.reject();
    }
    EXPECT_EQ(bytesOf(f.paper), original);
    {
        TfrmLayout layout(nullptr, &f.ini);
        layout.SetPaper(f.paper);
        designOn(layout.Paper());
        f.paper.Assign(layout.Paper());   // what the layout command does on OK
    }
    EXPECT_EQ(f.paper.Areas().Count(), 2);
    EXPECT_EQ(f.paper.PhotoAreas().Items(1)->Areas().Count(), 2);
    EXPECT_EQ(f.paper.PhotoAreas().Items(1)->Areas().Items(1)->LinkAreaIndex(), 1);
}
