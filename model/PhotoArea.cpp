#include "model/PhotoArea.h"

#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"

#include <QFontMetrics>
#include <QPainter>

namespace vellora {

TPhotoArea::TPhotoArea(TPhotoAreas *parent) : FParent(parent)
{
    FBackground.SetOnChange([this](void *) {
        if (!FState.contains(TObjectState::obsParentChanging))
            FParentBackground = false;
        Changed();
    });
    AdjustProperties();
}

int TPhotoArea::Index() const
{
    return FParent ? FParent->IndexOf(this) : -1;
}

void TPhotoArea::Changed()
{
    if (FParent)
        FParent->Changed(this);
}

void TPhotoArea::ownChange(bool &parentFlag)
{
    if (!FState.contains(TObjectState::obsParentChanging))
        parentFlag = false;
    Changed();
}

#define VELLORA_PARENT_FLAG_SETTER(Name)           \
    void TPhotoArea::Set##Name(bool value)         \
    {                                              \
        if (F##Name == value)                      \
            return;                                \
        F##Name = value;                           \
        if (value)                                 \
            AdjustProperties();                    \
    }
VELLORA_PARENT_FLAG_SETTER(ParentBackground)
VELLORA_PARENT_FLAG_SETTER(ParentHorizontalAlign)
VELLORA_PARENT_FLAG_SETTER(ParentPhotoSize)
VELLORA_PARENT_FLAG_SETTER(ParentProtrudeWidth)
VELLORA_PARENT_FLAG_SETTER(ParentRotate)
VELLORA_PARENT_FLAG_SETTER(ParentVerticalAlign)
#undef VELLORA_PARENT_FLAG_SETTER

#define VELLORA_OWN_SETTER(Name, Type, Flag)       \
    void TPhotoArea::Set##Name(Type value)         \
    {                                              \
        if (F##Name == value)                      \
            return;                                \
        F##Name = value;                           \
        ownChange(F##Flag);                        \
    }
VELLORA_OWN_SETTER(HorizontalAlign, TPhotoAlign, ParentHorizontalAlign)
VELLORA_OWN_SETTER(VerticalAlign, TPhotoAlign, ParentVerticalAlign)
VELLORA_OWN_SETTER(ProtrudeWidth, double, ParentProtrudeWidth)
VELLORA_OWN_SETTER(Rotate, TPhotoRotate, ParentRotate)
VELLORA_OWN_SETTER(PhotoSize, TPhotoSize, ParentPhotoSize)
VELLORA_OWN_SETTER(PhotoScale, double, ParentPhotoSize)
VELLORA_OWN_SETTER(ScaleLimit, TPhotoLimitMode, ParentPhotoSize)
#undef VELLORA_OWN_SETTER

void TPhotoArea::AdjustProperties()
{
    const TPhotoPaper *paper = FParent ? FParent->Paper() : nullptr;
    if (!paper)
        return;
    if (FParentBackground) {
        FState = {TObjectState::obsParentChanging};
        FBackground.Assign(paper->Background());
        FState = {};
    }
    if (FParentHorizontalAlign)
        FHorizontalAlign = paper->HorizontalAlign();
    if (FParentPhotoSize) {
        FPhotoSize = paper->PhotoSize();
        FPhotoScale = paper->PhotoScale();
        FScaleLimit = paper->ScaleLimit();
    }
    if (FParentProtrudeWidth)
        FProtrudeWidth = paper->ProtrudeWidth();
    if (FParentVerticalAlign)
        FVerticalAlign = paper->VerticalAlign();
    if (FParentRotate)
        FRotate = paper->Rotate();
}

void TPhotoArea::Assign(const TPhotoArea &source)
{
    if (&source == this)
        return;
    if (source.FParentBackground)
        SetParentBackground(true);
    else
        SetBackground(source.FBackground);
    if (source.FParentHorizontalAlign)
        SetParentHorizontalAlign(true);
    else
        SetHorizontalAlign(source.FHorizontalAlign);
    if (source.FParentPhotoSize) {
        SetParentPhotoSize(true);
    } else {
        SetPhotoSize(source.FPhotoSize);
        SetPhotoScale(source.FPhotoScale);
        SetScaleLimit(source.FScaleLimit);
    }
    if (source.FParentProtrudeWidth)
        SetParentProtrudeWidth(true);
    else
        SetProtrudeWidth(source.FProtrudeWidth);
    if (source.FParentVerticalAlign)
        SetParentVerticalAlign(true);
    else
        SetVerticalAlign(source.FVerticalAlign);
    if (source.FParentRotate)
        SetParentRotate(true);
    else
        SetRotate(source.FRotate);
    FAreas.Assign(source.FAreas);
}

void TPhotoArea::CopyFrom(const TPhotoArea &source)
{
    if (&source == this)
        return;
    SetParentBackground(source.FParentBackground);
    if (!source.FParentBackground)
        SetBackground(source.FBackground);
    SetParentHorizontalAlign(source.FParentHorizontalAlign);
    if (!source.FParentHorizontalAlign)
        SetHorizontalAlign(source.FHorizontalAlign);
    SetParentPhotoSize(source.FParentPhotoSize);
    if (!source.FParentPhotoSize) {
        SetPhotoSize(source.FPhotoSize);
        SetPhotoScale(source.FPhotoScale);
        SetScaleLimit(source.FScaleLimit);
    }
    SetParentProtrudeWidth(source.FParentProtrudeWidth);
    if (!source.FParentProtrudeWidth)
        SetProtrudeWidth(source.FProtrudeWidth);
    SetParentVerticalAlign(source.FParentVerticalAlign);
    if (!source.FParentVerticalAlign)
        SetVerticalAlign(source.FVerticalAlign);
    SetParentRotate(source.FParentRotate);
    if (!source.FParentRotate)
        SetRotate(source.FRotate);
}

void TPhotoArea::DrawLayout(QPainter &canvas, const QRect &sheet, double bai) const
{
    const int left = RoundHalfEven(FBounds.Left * bai) + sheet.left();
    const int top = RoundHalfEven(FBounds.Top * bai) + sheet.top();
    const int right = RoundHalfEven(FBounds.Right * bai) + sheet.left();
    const int bottom = RoundHalfEven(FBounds.Bottom * bai) + sheet.top();
    const QRect cell(left, top, right - left, bottom - top);

    FBackground.Fill().DrawLayout(canvas, cell);
    FBackground.Frame().DrawLayout(canvas, cell);

    QFont font = canvas.font();
    font.setPixelSize(std::max(1, LayoutLabelHeight(cell.width(), cell.height(), font)));
    canvas.save();
    canvas.setFont(font);
    const QFontMetrics metrics(font);
    const QString label = QString::number(Index() + 1);
    const int x = cell.left() + (cell.width() - metrics.horizontalAdvance(label)) / 2;
    const int y = cell.top() + (cell.height() - metrics.height()) / 2;
    const TFillStyle style = FBackground.Fill().Style();
    QColor colour(Qt::black);
    if (style == TFillStyle::fisSolid || style == TFillStyle::fisGradient) {
        const QColor fill = ToQColor(FBackground.Fill().Color());
        colour = QColor(255 - fill.red(), 255 - fill.green(), 255 - fill.blue());
    }
    canvas.setPen(colour);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawText(x, y + metrics.ascent(), label);
    canvas.restore();
}

int TPhotoArea::LayoutLabelHeight(int cellWidth, int cellHeight, const QFont &base)
{
    // Halve the height until "0000" fits the cell's width or it is tiny.
    QFont font = base;
    int a = cellHeight / 2;
    for (;;) {
        font.setPixelSize(std::max(1, a));
        if (cellWidth > QFontMetrics(font).horizontalAdvance(QStringLiteral("0000")) || a <= 6)
            return a;
        a /= 2;
    }
}

} // namespace vellora
