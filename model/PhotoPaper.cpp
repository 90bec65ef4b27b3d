#include "model/PhotoPaper.h"

#include "model/PaperPrinter.h"
#include "settings/UIFont.h"

#include <QCoreApplication>
#include <QPainter>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QRawFont>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <unordered_map>

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
    FPaperName = QCoreApplication::translate("vellora", "新規の用紙");
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
    SetPrintBackground(source.FPrintBackground);
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
    if (FPrintBackground) {
        const TFloatRect sheet = FloatRect(-origin.cx, -origin.cy, FPaperSize.cx - origin.cx, FPaperSize.cy - origin.cy);
        FBackground.Draw(canvas, resolution, sheet, false);
    }
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
    if (FPrintBackground) {
        FBackground.Fill().DrawLayout(canvas, sheet);
        FBackground.Frame().DrawLayout(canvas, sheet);
    } else {
        // The page shows no paper fill or frame, so neither does its schematic.
        canvas.fillRect(sheet, Qt::white);
    }
    drawLayoutCells(canvas, sheet, bai);
    drawLayoutAreas(canvas, FAreas, TFloatPoint{0, 0}, sheet, bai);
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    QPen pen(QColor(0x80, 0x80, 0x80));
    pen.setWidth(1);
    canvas.setPen(pen);
    canvas.drawRect(sheet.adjusted(0, 0, -1, -1));
    canvas.restore();
}

namespace {

// The numbers of the schematic's cells. A grid has few distinct cell sizes and
// so few label sizes; making a font and its metrics for each of thousands of
// cells, and shaping each number twice (width, then drawing), was nearly all
// of a refresh. Where the font sets digits side by side without kerning or
// joining them (checked once per size against the shaper), a number is put
// together from the digits' glyphs and advances, which draws the same pixels.
class LayoutLabels {
public:
    LayoutLabels(const QFont &base, bool leftToRight) : FBase(base), FLeftToRight(leftToRight) {}

    void draw(QPainter &canvas, const QRect &cell, int number, const QColor &colour)
    {
        const Size &size = forCell(cell.width(), cell.height());
        canvas.setPen(colour);
        const QString text = QString::number(number);
        if (!size.composed) {
            canvas.setFont(size.font);
            const int x = cell.left() + (cell.width() - size.metrics.horizontalAdvance(text)) / 2;
            const int y = cell.top() + (cell.height() - size.metrics.height()) / 2;
            canvas.drawText(x, y + size.metrics.ascent(), text);
            return;
        }
        // Advances in 1/64 pixel, the shaper's own fixed-point unit, so that
        // the sum and its rounding match the metrics' width exactly.
        std::int64_t width = 0;
        for (const QChar c : text)
            width += size.advance64[c.unicode() - u'0'];
        const int x = cell.left() + (cell.width() - static_cast<int>((width + 32) >> 6)) / 2;
        const int y = cell.top() + (cell.height() - size.metrics.height()) / 2 + size.metrics.ascent();
        QList<quint32> glyphs(text.size());
        QList<QPointF> positions(text.size());
        std::int64_t pen = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int digit = text[i].unicode() - u'0';
            glyphs[i] = size.glyph[digit];
            positions[i] = QPointF(x + static_cast<double>(pen) / 64.0, y);
            pen += size.advance64[digit];
        }
        QGlyphRun run;
        run.setRawFont(size.raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        canvas.drawGlyphRun(QPointF(0, 0), run);
    }

private:
    struct Size {
        explicit Size(const QFont &f) : font(f), metrics(f) {}
        QFont font;
        QFontMetrics metrics;
        bool composed = false;
        QRawFont raw;
        std::array<quint32, 10> glyph{};
        std::array<std::int64_t, 10> advance64{};
    };

    const Size &forCell(int cellWidth, int cellHeight)
    {
        const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cellWidth)) << 32)
                                  | static_cast<std::uint32_t>(cellHeight);
        auto pixels = FPixelsOfCell.find(key);
        if (pixels == FPixelsOfCell.end()) {
            const int height = std::max(1, TPhotoArea::LayoutLabelHeight(cellWidth, cellHeight, FBase));
            pixels = FPixelsOfCell.emplace(key, height).first;
        }
        auto size = FSizes.find(pixels->second);
        if (size == FSizes.end()) {
            QFont font = FBase;
            font.setPixelSize(pixels->second);
            size = FSizes.emplace(pixels->second, Size(font)).first;
            prepareComposition(size->second);
        }
        return size->second;
    }

    void prepareComposition(Size &size) const
    {
        const QFont &font = size.font;
        if (!FLeftToRight || font.underline() || font.overline() || font.strikeOut())
            return;
        size.raw = QRawFont::fromFont(font);
        if (!size.raw.isValid())
            return;
        const QString digits = QStringLiteral("0123456789");
        const QList<quint32> glyphs = size.raw.glyphIndexesForString(digits);
        if (glyphs.size() != 10)
            return;
        const QList<QPointF> advances = size.raw.advancesForGlyphIndexes(glyphs);
        if (advances.size() != 10)
            return;
        const QFontMetricsF shaped(font);
        for (int d = 0; d < 10; ++d) {
            if (glyphs[d] == 0 || advances[d].y() != 0)
                return;
            const double a64 = advances[d].x() * 64.0;
            if (a64 != std::floor(a64) || shaped.horizontalAdvance(digits[d]) != advances[d].x())
                return;
            size.glyph[static_cast<size_t>(d)] = glyphs[d];
            size.advance64[static_cast<size_t>(d)] = static_cast<std::int64_t>(a64);
        }
        // Any kerning or joining between two digits shows in a pair's width.
        for (int a = 0; a < 10; ++a)
            for (int b = 0; b < 10; ++b) {
                const QString pair = QString(digits[a]) + digits[b];
                if (shaped.horizontalAdvance(pair) != advances[a].x() + advances[b].x())
                    return;
            }
        size.composed = true;
    }

    QFont FBase;
    bool FLeftToRight;
    std::unordered_map<std::uint64_t, int> FPixelsOfCell;
    std::unordered_map<int, Size> FSizes;
};

} // namespace

void TPhotoPaper::drawLayoutCells(QPainter &canvas, const QRect &sheet, double bai) const
{
    // Digits alone run left to right unless the painter forces the other way.
    LayoutLabels labels(canvas.font(), canvas.layoutDirection() != Qt::RightToLeft);
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    for (int i = 0; i < FPhotoAreas.Count(); ++i) {
        const TPhotoArea &area = *FPhotoAreas.Items(i);
        const TFloatRect &bounds = area.Bounds();
        const int left = RoundHalfEven(bounds.Left * bai) + sheet.left();
        const int top = RoundHalfEven(bounds.Top * bai) + sheet.top();
        const int right = RoundHalfEven(bounds.Right * bai) + sheet.left();
        const int bottom = RoundHalfEven(bounds.Bottom * bai) + sheet.top();
        const QRect cell(left, top, right - left, bottom - top);

        const TBackground &background = area.Background();
        background.Fill().DrawLayout(canvas, cell);
        background.Frame().DrawLayout(canvas, cell);
        drawLayoutAreas(canvas, area.Areas(), bounds.TopLeft(), sheet, bai);

        const TFillStyle style = background.Fill().Style();
        QColor colour(Qt::black);
        if (style == TFillStyle::fisSolid || style == TFillStyle::fisGradient) {
            const QColor fill = ToQColor(background.Fill().Color());
            colour = QColor(255 - fill.red(), 255 - fill.green(), 255 - fill.blue());
        }
        labels.draw(canvas, cell, i + 1, colour);
    }
    canvas.restore();
}

void TPhotoPaper::drawLayoutAreas(QPainter &canvas, const TAreas &areas, const TFloatPoint &origin,
                                  const QRect &sheet, double bai) const
{
    if (areas.Count() == 0)
        return;
    canvas.save();
    // The page ends at the paper's edge; so does what the schematic shows of it.
    canvas.setClipRect(sheet, Qt::IntersectClip);
    for (int i = 0; i < areas.Count(); ++i) {
        const TCustomArea &area = *areas.Items(i);
        const TFloatRect &b = area.Bounds();
        const int left = RoundHalfEven((origin.X + b.Left) * bai) + sheet.left();
        const int top = RoundHalfEven((origin.Y + b.Top) * bai) + sheet.top();
        const int right = RoundHalfEven((origin.X + b.Right) * bai) + sheet.left();
        const int bottom = RoundHalfEven((origin.Y + b.Bottom) * bai) + sheet.top();
        // Bounds need not be normalised.
        const QRect r(std::min(left, right), std::min(top, bottom), std::abs(right - left), std::abs(bottom - top));
        if (r.isEmpty())
            continue;
        // A colour fill shows as its colour. Any other fill (none, clear, a
        // picture) leaves what lies below visible, so only the outline marks
        // the area; white, as cells are filled, would hide the cells below.
        const TBackFill &fill = area.Background().Fill();
        const bool coloured = fill.Style() == TFillStyle::fisSolid || fill.Style() == TFillStyle::fisGradient;
        if (coloured && fill.ClearLevel() < 100)
            fill.DrawLayout(canvas, r);
        area.Background().Frame().DrawLayout(canvas, r);
    }
    canvas.restore();
}

} // namespace vellora
