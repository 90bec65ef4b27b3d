#include "model/PhotoPaper.h"

#include "model/PaperPrinter.h"
#include "settings/UIFont.h"

#include <QPainter>
#include <algorithm>

namespace vellora {

TPhotoPaper::TPhotoPaper()
{
    FState = {TObjectState::obsCreating};
    // Every change of the paper's background reaches the cells that inherit it.
    FBackground.SetOnChange([this](void *) { FPhotoAreas.AdjustProperties(); });
    SetDefaultUIFont(FFont);
    AdjustPaper();
    FState.exclude(TObjectState::obsCreating);
    NewPaper();
}

TPhotoPaper::~TPhotoPaper() = default;

void TPhotoPaper::NewPaper()
{
    FDivide = {1, 1};
    FHorizontalAlign = TPhotoAlign::paCenter;
    FVerticalAlign = TPhotoAlign::paCenter;
    TQvPrint &print = QvPrint();
    FMargins = FloatRect(print.MMLeftMargin(), print.MMTopMargin(), print.MMRightMargin(), print.MMBottomMargin());
    FAreas.Clear();
    FBorder = false;
    FBorderWidth = static_cast<double>(std::max({FMargins.Left, FMargins.Top, FMargins.Right, FMargins.Bottom}));
    FPaperName = QStringLiteral("新規の用紙");
    FPhotoScale = 1.0;
    FPhotoSize = TPhotoSize::psPaper;
    FProtrudeWidth = 0;
    FRotate = TPhotoRotate::prAuto;
    FScaleLimit = TPhotoLimitMode::plmNone;
    FSpace = FloatSize(0, 0);
    FPrintOptions.Copies = 1;
    FPrintOptions.StartArea = 1;
    FPrintOptions.LastPage = 999;
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::AdjustPaper()
{
    TPaperPrinter &binding = PaperPrinter();
    binding.SetPaper(this);
    binding.AdjustPaper();
}

void TPhotoPaper::Assign(const TPhotoPaper &source)
{
    if (&source == this)
        return;
    FAreas.Assign(source.FAreas);
    SetBackground(source.FBackground);
    SetBorder(source.FBorder);
    SetBorderWidth(source.FBorderWidth);
    SetDivide(source.FDivide);
    SetFont(source.FFont);
    SetHorizontalAlign(source.FHorizontalAlign);
    SetMargins(source.FMargins);
    SetOrientation(source.FOrientation);
    SetPaperName(source.FPaperName);
    SetPaperSize(source.FPaperSize);
    SetPaperSizeName(source.FPaperSizeName);
    SetPaperSizeNumber(source.FPaperSizeNumber);
    FPhotoAreas.Assign(source.FPhotoAreas);
    SetPhotoScale(source.FPhotoScale);
    SetPhotoSize(source.FPhotoSize);
    SetPrinterName(source.FPrinterName);
    FPrintOptions.Assign(source.FPrintOptions);
    SetProtrudeWidth(source.FProtrudeWidth);
    SetRotate(source.FRotate);
    SetScaleLimit(source.FScaleLimit);
    SetSpace(source.FSpace);
    SetState(source.FState);
    SetVerticalAlign(source.FVerticalAlign);
    SetInfos(source.FInfos);
    SetDocumentFileName(source.FDocumentFileName);
}

void TPhotoPaper::SetDivide(TIntSize divide)
{
    FDivide.cx = divide.cx < 1 ? 1 : divide.cx;
    FDivide.cy = divide.cy < 1 ? 1 : divide.cy;
    if (static_cast<long long>(FDivide.cx) * FDivide.cy < FPrintOptions.StartArea)
        FPrintOptions.StartArea = 1;
}

void TPhotoPaper::SetMargins(const TFloatRect &margins)
{
    FMargins = margins;
    FPhotoAreas.AdjustAreas();
}

Extended TPhotoPaper::Margin(int index) const
{
    switch (index) {
    case 0: return FMargins.Left;
    case 1: return FMargins.Top;
    case 2: return FMargins.Right;
    case 3: return FMargins.Bottom;
    default: return 0;
    }
}

void TPhotoPaper::SetMargin(int index, Extended value)
{
    switch (index) {
    case 0: FMargins.Left = value; break;
    case 1: FMargins.Top = value; break;
    case 2: FMargins.Right = value; break;
    case 3: FMargins.Bottom = value; break;
    default: break;
    }
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::SetPaperSize(const TFloatSize &size)
{
    FPaperSize = size;
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::SetPaperWidth(Extended value)
{
    FPaperSize.cx = value;
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::SetPaperHeight(Extended value)
{
    FPaperSize.cy = value;
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::SetOrientation(TQvOrientation orientation)
{
    if (orientation == FOrientation)
        return;
    FOrientation = orientation;
    std::swap(FPaperSize.cx, FPaperSize.cy);
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::SetSpace(const TFloatSize &space)
{
    FSpace = space;
    FPhotoAreas.AdjustAreas();
}

void TPhotoPaper::SetHorizontalAlign(TPhotoAlign value)
{
    FHorizontalAlign = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetVerticalAlign(TPhotoAlign value)
{
    FVerticalAlign = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetPhotoScale(double value)
{
    FPhotoScale = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetPhotoSize(TPhotoSize value)
{
    FPhotoSize = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetProtrudeWidth(double value)
{
    FProtrudeWidth = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetRotate(TPhotoRotate value)
{
    FRotate = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetScaleLimit(TPhotoLimitMode value)
{
    FScaleLimit = value;
    FPhotoAreas.AdjustProperties();
}

void TPhotoPaper::SetPrinterName(const QString &name)
{
    if (QvPrint().PrinterNames().contains(name))
        FPrinterName = name;
}

void TPhotoPaper::Draw(QPainter &canvas, double resolution, const TFloatSize &origin)
{
    FPhotoAreas.Draw(canvas, resolution, origin);
    FAreas.Draw(canvas, resolution, false, FloatPoint(-origin.cx, -origin.cy));
}

double TPhotoPaper::LayoutMagnification(int canvasWidth, int canvasHeight) const
{
    const double bx = static_cast<double>((canvasWidth - 10) / PaperWidth());
    const double by = static_cast<double>((canvasHeight - 10) / PaperHeight());
    return std::min(bx, by);
}

QRect TPhotoPaper::LayoutSheetRect(int canvasWidth, int canvasHeight) const
{
    const double bai = LayoutMagnification(canvasWidth, canvasHeight);
    const int right = RoundHalfEven(PaperWidth() * bai);
    const int bottom = RoundHalfEven(PaperHeight() * bai);
    const int dx = (canvasWidth - right) / 2;
    const int dy = (canvasHeight - bottom) / 2;
    return QRect(dx, dy, right, bottom);
}

void TPhotoPaper::DrawLayout(QPainter &canvas, int canvasWidth, int canvasHeight) const
{
    const double bai = LayoutMagnification(canvasWidth, canvasHeight);
    const QRect sheet = LayoutSheetRect(canvasWidth, canvasHeight);
    canvas.fillRect(sheet.translated(2, 2), QColor(0x80, 0x80, 0x80));
    FBackground.Fill().DrawLayout(canvas, sheet);
    FBackground.Frame().DrawLayout(canvas, sheet);
    FPhotoAreas.DrawLayout(canvas, sheet, bai);
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    QPen pen(QColor(0x80, 0x80, 0x80));
    pen.setWidth(1);
    canvas.setPen(pen);
    canvas.drawRect(sheet.adjusted(0, 0, -1, -1));
    canvas.restore();
}

} // namespace vellora
