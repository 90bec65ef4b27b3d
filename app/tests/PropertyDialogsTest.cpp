// The area chooser, per-area settings, frame-and-fill editor and picture
// picker: what each writes into the model and what Cancel leaves alone.
#include "app/layout/AreaPropDialog.h"
#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/SelAreaDialog.h"
#include "app/layout/SelImageDialog.h"
#include "model/DocumentFormat.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QCheckBox>
#include <QComboBox>
#include "app/controls/NumberEdit.h"
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QString pngPath(const QString &name)
{
    const QString dir = QStringLiteral(VELLORA_DIALOG_PNG_DIR);
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

QByteArray bytesOf(const TPhotoArea &cell)
{
    TMemoryStream stream;
    SavePhotoAreaToStream(stream, cell);
    return stream.Data();
}

// A paper of 3 × 3 cells (its constructor binds the printer binder; let go after).
struct GridPaper {
    TPhotoPaper paper;
    GridPaper()
    {
        paper.SetDivide({3, 3});
        paper.SetMargins(FloatRect(10, 10, 10, 10));
    }
    ~GridPaper() { PaperPrinter().SetPaper(nullptr); }
};

} // namespace

TEST(SelAreaDialog, PasteTargetsByRowColumnAndAllLeaveTheSourceOut)
{
    struct Case {
        const char *what;
        TPasteKind kind;
        int selected, source;
        std::vector<int> expected;
    } const cases[] = {
        {"row of the source", TPasteKind::pkRow, 5, 5, {3, 4}},
        {"column of the source", TPasteKind::pkColumn, 4, 4, {1, 7}},
        {"one cell", TPasteKind::pkOne, 2, 5, {2}},
        {"onto itself", TPasteKind::pkOne, 5, 5, {}},
        {"all", TPasteKind::pkAll, 0, 8, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PasteTargets(c.kind, c.selected, c.source, 3, 9), c.expected) << c.what;
}

TEST(SelAreaDialog, SelectModePastesFreeAreasSettingModePastesSettings)
{
    GridPaper g;
    TPhotoAreas &cells = g.paper.PhotoAreas();
    cells.Items(5)->Areas().AddText()->SetText(QStringLiteral("five"));
    TfrmSelArea chooser;
    chooser.SetSelectionMode(TSelectionMode::smSelect);
    chooser.SetPaper(&g.paper);
    chooser.SetSelected(5);
    chooser.Copy();
    chooser.Paste(TPasteKind::pkRow);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(cells.Items(i)->Areas().Count(), (i >= 3 && i <= 5) ? 1 : 0) << i;
    EXPECT_EQ(cells.Items(5)->Areas().Count(), 1);   // never pasted onto itself

    cells.Items(4)->SetRotate(TPhotoRotate::pr270);
    chooser.SetSelectionMode(TSelectionMode::smSetting);
    chooser.SetSelected(4);
    chooser.Copy();
    chooser.Paste(TPasteKind::pkColumn);
    for (int i : {1, 7}) {
        EXPECT_FALSE(cells.Items(i)->ParentRotate()) << i;
        EXPECT_EQ(cells.Items(i)->Rotate(), TPhotoRotate::pr270) << i;
    }
    EXPECT_TRUE(cells.Items(0)->ParentRotate());
    EXPECT_EQ(cells.Items(1)->Areas().Count(), 0);   // settings only
}

TEST(SelAreaDialog, ModesShowTheirToolsButtonsAndColours)
{
    GridPaper g;
    g.paper.PhotoAreas().Items(0)->Areas().AddText();
    SetMessageHook([](const QString &, const QString &) { return true; });
    TfrmSelArea chooser;
    chooser.SetPaper(&g.paper);
    chooser.resize(520, 480);
    chooser.show();
    struct Case {
        TSelectionMode mode;
        bool toolbar;
        const char *ok;
        const char *png;
    } const cases[] = {
        {TSelectionMode::smSelect, true, "OK", "frmSelArea_select"},
        {TSelectionMode::smSetting, true, "設定(&S)", "frmSelArea_setting"},
        {TSelectionMode::smSelectOnly, false, "OK", "frmSelArea_selectonly"},
        {TSelectionMode::smCheck, false, "OK", "frmSelArea_check"},
    };
    for (const auto &c : cases) {
        chooser.SetSelectionMode(c.mode);
        chooser.SetSelected(4);
        QApplication::processEvents();
        EXPECT_EQ(child<QWidget>(chooser, "tbrArea")->isVisible(), c.toolbar);
        EXPECT_EQ(child<QAbstractButton>(chooser, "btnOk")->text(), QString::fromUtf8(c.ok));
        const QImage shot = chooser.grab().toImage();
        shot.save(pngPath(QString::fromLatin1(c.png)));
        // The picture is laid out: cell 4 is light yellow; in check mode the
        // cells before it are silver.
        const QRect r4 = chooser.AreaRects().at(4);
        const QWidget *view = child<QWidget>(chooser, "imgPaper");
        const QPoint offset = view->mapTo(&chooser, QPoint(0, 0));
        EXPECT_EQ(shot.pixelColor(r4.center() + offset), ToQColor(9828337));
        const QRect r0 = chooser.AreaRects().at(0);
        EXPECT_EQ(shot.pixelColor(r0.center() + offset),
                  c.mode == TSelectionMode::smCheck ? ToQColor(12632256) : QColor(Qt::white));
    }
    // A click picks the area under the pointer; beside the paper, nothing.
    chooser.SetSelectionMode(TSelectionMode::smSelect);
    EXPECT_EQ(chooser.AreaAt(chooser.AreaRects().at(7).center()), 7);
    EXPECT_EQ(chooser.AreaAt(QPoint(1, 1)), -1);
    // Clear asks and removes the selected cell's free areas.
    chooser.SetSelected(0);
    chooser.Clear();
    EXPECT_EQ(g.paper.PhotoAreas().Items(0)->Areas().Count(), 0);
    SetMessageHook({});
}

TEST(AreaPropDialog, OkWritesTheAreaInTheDialogsOrder)
{
    GridPaper g;
    TPhotoArea *cell = g.paper.PhotoAreas().Items(0);
    cell->SetHorizontalAlign(TPhotoAlign::paCenter);
    TfrmAreaProp dialog;
    dialog.SetArea(cell);
    // Every group starts inherited and disabled.
    EXPECT_FALSE(child<QComboBox>(dialog, "cmbRotate")->isEnabled());
    child<QCheckBox>(dialog, "chkParentAlign")->setChecked(false);
    child<QAbstractButton>(dialog, "rdoHorzAlign2")->click();
    child<QAbstractButton>(dialog, "rdoVertAlign0")->click();
    child<QCheckBox>(dialog, "chkParentSize")->setChecked(false);
    child<QComboBox>(dialog, "cmbPhotoSize")->setCurrentIndex(Ord(TPhotoSize::psLarge));
    EXPECT_TRUE(child<QWidget>(dialog, "grpProtrude")->isEnabled());
    EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->isEnabled());
    child<QCheckBox>(dialog, "chkParentProtrude")->setChecked(false);
    child<TUpdownNumberEdit>(dialog, "edtProtrudeWidth")->SetValue(3.5);
    EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->Min(), 10.0);
    dialog.show();
    auto *tabs = child<QTabWidget>(dialog, "pgcAreaProp");
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        dialog.grab().save(pngPath(QStringLiteral("frmAreaProp_page%1").arg(i + 1)));
    }
    dialog.accept();
    EXPECT_FALSE(cell->ParentHorizontalAlign());
    EXPECT_FALSE(cell->ParentVerticalAlign());
    EXPECT_EQ(cell->HorizontalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_EQ(cell->VerticalAlign(), TPhotoAlign::paLeftTop);
    EXPECT_TRUE(cell->ParentRotate());
    EXPECT_FALSE(cell->ParentPhotoSize());
    EXPECT_EQ(cell->PhotoSize(), TPhotoSize::psLarge);
    EXPECT_FALSE(cell->ParentProtrudeWidth());
    EXPECT_DOUBLE_EQ(cell->ProtrudeWidth(), 3.5);
    EXPECT_TRUE(cell->ParentBackground());
}

TEST(AreaPropDialog, CancelPutsBackgroundAndItsFlagBack)
{
    GridPaper g;
    g.paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
    g.paper.Background().Fill().SetColor(0x00FF00);
    TPhotoArea *cell = g.paper.PhotoAreas().Items(1);
    ASSERT_TRUE(cell->ParentBackground());
    const QByteArray before = bytesOf(*cell);
    TfrmAreaProp dialog;
    dialog.SetArea(cell);
    child<QCheckBox>(dialog, "chkParentBack")->setChecked(false);
    // The frame changed through "設定(&F)...".
    QTimer::singleShot(0, [] {
        auto *editor = qobject_cast<TfrmBackground *>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        editor->findChild<QComboBox *>(QStringLiteral("cmbFrameStyle"))->setCurrentIndex(Ord(TFrameStyle::frsDash));
        editor->findChild<TUpdownNumberEdit *>(QStringLiteral("edtFrameWidth"))->SetValue(2);
        editor->accept();
    });
    child<QAbstractButton>(dialog, "btnBackground")->click();
    EXPECT_EQ(cell->Background().Frame().Style(), TFrameStyle::frsDash);
    EXPECT_FALSE(cell->ParentBackground());
    dialog.reject();
    EXPECT_TRUE(cell->ParentBackground());
    EXPECT_EQ(bytesOf(*cell), before);
}

TEST(BackgroundDialog, TransparencyIsOneValueOnEveryPage)
{
    TBackground back;
    TfrmBackground dialog;
    dialog.SetBackground(&back);
    child<TUpdownNumberEdit>(dialog, "edtSolidClear")->SetValue(40);
    EXPECT_EQ(child<TUpdownNumberEdit>(dialog, "edtGradientClear")->Value(), 40);
    EXPECT_EQ(child<TUpdownNumberEdit>(dialog, "edtImageClear")->Value(), 40);
    child<TUpdownNumberEdit>(dialog, "edtImageClear")->SetValue(70);
    EXPECT_EQ(child<TUpdownNumberEdit>(dialog, "edtSolidClear")->Value(), 70);
}

TEST(BackgroundDialog, FillStylesAndFramesAreWrittenInPlaceOnOkOnly)
{
    QImage picture(4, 3, QImage::Format_RGB888);
    picture.fill(Qt::blue);
    struct Case {
        TFillStyle style;
        TFrameStyle frame;
        int direction;
        int drawMode;
        bool overAll;
    } const cases[] = {
        {TFillStyle::fisNone, TFrameStyle::frsNone, 0, 0, false},
        {TFillStyle::fisSolid, TFrameStyle::frsSolid, 0, 0, false},
        {TFillStyle::fisGradient, TFrameStyle::frsDashDot, 1, 0, false},
        {TFillStyle::fisImage, TFrameStyle::frsDot, 0, Ord(TImageDrawMode::idmProportional), true},
    };
    for (const auto &c : cases) {
        TBackground back;
        back.Fill().SetBitmap(picture);
        TfrmBackground dialog;
        dialog.SetBackground(&back);
        child<QComboBox>(dialog, "cmbFillStyle")->setCurrentIndex(Ord(c.style));
        child<QComboBox>(dialog, "cmbFrameStyle")->setCurrentIndex(Ord(c.frame));
        child<TColorBox>(dialog, "cmbFrameColor")->SetColor(0x123456);
        child<TUpdownNumberEdit>(dialog, "edtFrameWidth")->SetValue(1.2);
        child<QComboBox>(dialog, "cmbFrameJoin")->setCurrentIndex(2);
        child<QComboBox>(dialog, "cmbFrameEndCap")->setCurrentIndex(1);
        child<TColorBox>(dialog, "cmbSolidColor")->SetColor(0x0000FF);
        child<TColorBox>(dialog, "cmbStartColor")->SetColor(0x00FF00);
        child<TColorBox>(dialog, "cmbEndColor")->SetColor(0xFF0000);
        child<QAbstractButton>(dialog, c.direction ? "rdoGradVert" : "rdoGradHorz")->click();
        child<TColorBox>(dialog, "cmbImageColor")->SetColor(0x808080);
        child<QComboBox>(dialog, "cmbImageDraw")->setCurrentIndex(c.drawMode);
        EXPECT_EQ(child<QCheckBox>(dialog, "chkOverAll")->isEnabled(), c.overAll);
        child<QCheckBox>(dialog, "chkOverAll")->setChecked(c.overAll);
        child<QCheckBox>(dialog, "chkTransparent")->setChecked(true);
        child<TUpdownNumberEdit>(dialog, "edtSolidClear")->SetValue(25);
        // Cancel first: nothing moves.
        dialog.reject();
        EXPECT_EQ(back.Fill().Style(), TFillStyle::fisNone);
        EXPECT_EQ(back.Frame().Style(), TFrameStyle::frsNone);
        dialog.accept();
        EXPECT_EQ(back.Fill().Style(), c.style);
        EXPECT_EQ(back.Frame().Style(), c.frame);
        EXPECT_EQ(back.Frame().Color(), 0x123456u);
        EXPECT_DOUBLE_EQ(back.Frame().Width(), 1.2);
        EXPECT_EQ(back.Frame().JoinStyle(), TFrameJoinStyle::fjsRound);
        EXPECT_EQ(back.Frame().EndCap(), TFrameEndCap::fecSquare);
        switch (c.style) {
        case TFillStyle::fisSolid:
            EXPECT_EQ(back.Fill().Color(), 0x0000FFu);
            EXPECT_EQ(back.Fill().ClearLevel(), 25);
            break;
        case TFillStyle::fisGradient:
            EXPECT_EQ(back.Fill().StartColor(), 0x00FF00u);
            EXPECT_EQ(back.Fill().EndColor(), 0xFF0000u);
            EXPECT_EQ(back.Fill().GradientDirection(), TGradientDirection::gdVertical);
            EXPECT_EQ(back.Fill().ClearLevel(), 25);
            break;
        case TFillStyle::fisImage:
            EXPECT_EQ(back.Fill().Color(), 0x808080u);
            EXPECT_TRUE(back.Fill().Transparent());
            EXPECT_EQ(back.Fill().ImageDrawStyle(), TImageDrawMode::idmProportional);
            EXPECT_TRUE(back.Fill().OverAll());
            EXPECT_EQ(back.Fill().Bitmap().size(), QSize(4, 3));
            break;
        case TFillStyle::fisNone:
            EXPECT_EQ(back.Fill().ClearLevel(), 0);
            break;
        }
    }
}

TEST(BackgroundDialog, EveryPageRendersToPng)
{
    vellora::test::testFontFamily();
    TBackground back;
    back.Fill().SetStyle(TFillStyle::fisGradient);
    back.Fill().SetStartColor(0x0080FF);
    back.Fill().SetEndColor(0xFF8000);
    TfrmBackground dialog;
    dialog.SetBackground(&back);
    dialog.show();
    auto *tabs = child<QTabWidget>(dialog, "pgcBackground");
    tabs->setCurrentIndex(0);
    QApplication::processEvents();
    dialog.grab().save(pngPath(QStringLiteral("frmBackground_frame")));
    tabs->setCurrentIndex(1);
    auto *style = child<QComboBox>(dialog, "cmbFillStyle");
    for (int i = 0; i < 4; ++i) {
        style->setCurrentIndex(i);
        QApplication::processEvents();
        dialog.grab().save(pngPath(QStringLiteral("frmBackground_fill%1").arg(i)));
    }
}

TEST(SelImageDialog, PickingAClickReadsTheRoundedPixelInsideThePicture)
{
    EXPECT_EQ(PickedPixel(11, 11, 200, QSize(50, 50)), QPoint(6, 6));
    EXPECT_EQ(PickedPixel(10, 20, 100, QSize(50, 50)), QPoint(10, 20));
    // At 200 % the last shown column would round past the picture.
    EXPECT_EQ(PickedPixel(99, 99, 200, QSize(50, 50)), QPoint(49, 49));
    // Beside the picture: nothing.
    EXPECT_EQ(PickedPixel(100, 5, 200, QSize(50, 50)), QPoint(-1, -1));

    QImage picture(50, 50, QImage::Format_RGB888);
    picture.fill(Qt::white);
    picture.setPixelColor(6, 6, QColor(10, 20, 30));
    TfrmSelImage dialog;
    dialog.SetBitmap(picture);
    dialog.SetRate(200);
    dialog.PickAt(11, 11);
    EXPECT_EQ(dialog.BackgroundColor(), FromQColor(QColor(10, 20, 30)));
    EXPECT_EQ(child<QLabel>(dialog, "lblRGB")->text(), QStringLiteral("R:10 G:20 B:30"));
    EXPECT_EQ(child<QLabel>(dialog, "lblHex")->text(), QStringLiteral("#0A141E"));
    dialog.PickAt(200, 5);
    EXPECT_EQ(dialog.BackgroundColor(), FromQColor(QColor(10, 20, 30)));
    dialog.SetRate(500);
    EXPECT_EQ(dialog.Rate(), 200);
}

TEST(SelImageDialog, LoadingFlattensOnWhiteAndABadFileKeepsTheOldPicture)
{
    QTemporaryDir tmp;
    QImage clear(8, 6, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    clear.setPixelColor(1, 1, QColor(255, 0, 0));
    const QString png = tmp.filePath(QStringLiteral("clear.png"));
    ASSERT_TRUE(clear.save(png));
    const QString bad = tmp.filePath(QStringLiteral("broken.png"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x89PNG\r\n\x1a\nnot really");
    f.close();

    QString message;
    SetMessageHook([&](const QString &, const QString &text) {
        message = text;
        return true;
    });
    TfrmSelImage dialog;
    ASSERT_TRUE(dialog.LoadFile(png));
    EXPECT_EQ(dialog.Bitmap().pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(dialog.Bitmap().pixelColor(1, 1), QColor(255, 0, 0));
    EXPECT_FALSE(dialog.LoadFile(bad));
    EXPECT_TRUE(message.contains(QStringLiteral("broken.png"))) << message.toStdString();
    EXPECT_EQ(dialog.Bitmap().size(), QSize(8, 6));
    SetMessageHook({});

    const QString filter = PictureFilter();
    EXPECT_TRUE(filter.startsWith(QStringLiteral("すべて (")));
    EXPECT_EQ(filter.count(QStringLiteral("*.png")), 2);   // once in "すべて", once in its own entry
    dialog.show();
    dialog.SetBackgroundColor(0x336699);
    QApplication::processEvents();
    dialog.grab().save(pngPath(QStringLiteral("frmSelImage")));
}
