#include "model/VectorPage.h"

#include "exif/ExifInfo.h"
#include "exif/JpegProfile.h"
#include "graphics/ColorManagement.h"
#include "graphics/Geometry.h"
#include "graphics/GraphicClassList.h"
#include "graphics/JpegImage.h"
#include "model/ImageInfo.h"
#include "pdf/Content.h"
#include "pdf/JpegCheck.h"
#include "pdf/QvPDF.h"
#include "pdf/Sink.h"
#include "pdf/XImage.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextItem>

#include <charconv>
#include <climits>
#include <cmath>

namespace vellora {

namespace {

// Numbers as PDF wants them: no exponent, no locale, trailing zeros cut.
void number(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        value = 0;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    char *end = result.ptr;
    if (std::find(buffer, end, '.') != end) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    if (end - buffer == 2 && buffer[0] == '-' && buffer[1] == '0')
        out += '0';
    else
        out.append(buffer, end - buffer);
}

void numbers(QByteArray &out, std::initializer_list<double> values, const char *op)
{
    for (const double v : values) {
        number(out, v);
        out += ' ';
    }
    out += op;
    out += '\n';
}

void matrix(QByteArray &out, const QTransform &t)
{
    if (t.isIdentity())
        return;
    numbers(out, {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()}, "cm");
}

void colour(QByteArray &out, const QColor &c, const char *op)
{
    const QColor rgb = c.toRgb();
    numbers(out, {rgb.red() / 255.0, rgb.green() / 255.0, rgb.blue() / 255.0}, op);
}

void pathOps(QByteArray &out, const QPainterPath &path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement: numbers(out, {e.x, e.y}, "m"); break;
        case QPainterPath::LineToElement: numbers(out, {e.x, e.y}, "l"); break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= path.elementCount())
                return;
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element to = path.elementAt(i + 2);
            numbers(out, {e.x, e.y, c2.x, c2.y, to.x, to.y}, "c");
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement: break;
        }
    }
}

TColor toTColor(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return static_cast<TColor>(rgb.red()) | (static_cast<TColor>(rgb.green()) << 8)
           | (static_cast<TColor>(rgb.blue()) << 16);
}

bool opaque(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

} // namespace

// Every drawing call is written as one q … Q group: the painter's matrix,
// its clip (in the same logical coordinates), then the operators. That costs
// a few bytes per call and keeps clip and state changes exact.
class TVectorPaintEngine : public QPaintEngine {
public:
    explicit TVectorPaintEngine(pdf::TQvPDF &pdf) : QPaintEngine(AllFeatures), FPdf(pdf) {}

    void reset(pdf::TPDFPage *page)
    {
        FPage = page;
        FOps.clear();
        FUnsupported = false;
    }
    QByteArray &ops() noexcept { return FOps; }
    bool unsupported() const noexcept { return FUnsupported; }

    bool begin(QPaintDevice *) override { return FPage != nullptr; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    Type type() const override { return User; }

    void drawPath(const QPainterPath &path) override { paint(path, true); }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (count <= 0)
            return;
        QPainterPath path;
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode != PolylineMode)
            path.closeSubpath();
        path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
        paint(path, mode != PolylineMode);
    }

    void drawRects(const QRectF *rects, int count) override
    {
        QPainterPath path;
        for (int i = 0; i < count; ++i)
            path.addRect(rects[i]);
        paint(path, true);
    }

    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override
    {
        drawImage(r, pm.toImage(), sr, Qt::AutoColor);
    }

    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr, Qt::ImageConversionFlags) override
    {
        if (image.isNull() || r.isEmpty())
            return;
        const QRect part = sr.toAlignedRect().intersected(image.rect());
        const QImage source = part == image.rect() ? image : image.copy(part);
        if (source.isNull())
            return;
        if (!opaque(source)) {
            FUnsupported = true;
            return;
        }
        if (!open())
            return;
        auto *xobject = FPdf.Objects().Add<pdf::TPDFXImage>();
        xobject->WriteImage(source);
        FPage->Resources().AddImage(xobject);
        numbers(FOps, {r.width(), 0, 0, -r.height(), r.x(), r.y() + r.height()}, "cm");
        FOps += xobject->Name().toLatin1() + " Do\nQ\n";
    }

    void drawTextItem(const QPointF &p, const QTextItem &textItem) override
    {
        const QString text = textItem.text();
        const QColor ink = painter()->pen().color();
        if (text.isEmpty() || ink.alpha() != 255) {
            FUnsupported = true;
            return;
        }
        if (!open())
            return;
        const QFont font = textItem.font();
        const double size = font.pixelSize() > 0 ? font.pixelSize()
                                                 : font.pointSizeF() * painter()->device()->logicalDpiY() / 72.0;
        pdf::TPDFContent *content = FPage->Canvas();
        pdf::TCanvasFont canvasFont;
        // Qt draws characters its face lacks (Japanese in a Latin face) from
        // another face; the PDF then takes the Japanese standard type.
        if (covers(font, text))
            canvasFont.SetCustomName(font.family());
        else
            canvasFont.SetName(pdf::TPDFFontType::pfoMS_PGothic);
        canvasFont.SetBold(font.weight() >= QFont::DemiBold);
        canvasFont.SetItalic(font.italic());
        canvasFont.SetSize(size);
        canvasFont.SetColor(toTColor(ink));
        content->SetFont(canvasFont);
        content->PT_AddTextResource();
        pdf::TPDFFont *pdfFont = content->PT_SelectFont();
        colour(FOps, ink, "rg");
        FOps += "BT\n" + pdfFont->Name().toLatin1() + ' ';
        numbers(FOps, {size}, "Tf");
        if (font.stretch() > 0 && font.stretch() != 100)
            numbers(FOps, {static_cast<double>(font.stretch())}, "Tz");
        // Text space is upright; the page's pixel grid runs downwards.
        numbers(FOps, {1, 0, 0, -1, p.x(), p.y()}, "Tm");
        pdf::ByteArraySink sink(FOps);
        pdfFont->WriteTextString(sink, text);
        FOps += " Tj\nET\nQ\n";
    }

    void placePhoto(pdf::TPDFXImage &image, QSize stored, const QRect &cell, const std::optional<QTransform> &map)
    {
        if (!open())
            return;
        FOps += "1 1 1 rg\n";
        numbers(FOps, {double(cell.x()), double(cell.y()), double(cell.width()), double(cell.height())}, "re f");
        if (map) {
            FPage->Resources().AddImage(&image);
            numbers(FOps, {double(cell.x()), double(cell.y()), double(cell.width()), double(cell.height())}, "re W n");
            matrix(FOps, *map);
            numbers(FOps, {double(stored.width()), 0, 0, -double(stored.height()), 0, double(stored.height())}, "cm");
            FOps += image.Name().toLatin1() + " Do\n";
        }
        FOps += "Q\n";
    }

private:
    bool covers(const QFont &font, const QString &text)
    {
        auto raw = FRawFonts.find(font.key());
        if (raw == FRawFonts.end())
            raw = FRawFonts.insert(font.key(), QRawFont::fromFont(font));
        for (const QChar c : text) {
            if (!c.isSpace() && !c.isSurrogate() && !raw->supportsCharacter(c))
                return false;
        }
        return true;
    }

    // Opens a group for one call; false when nothing of it can show (an
    // empty clip) or the painter's state cannot be written.
    bool open()
    {
        QPainter *p = painter();
        if (p->opacity() < 1.0 || p->compositionMode() != QPainter::CompositionMode_SourceOver) {
            FUnsupported = true;
            return false;
        }
        QByteArray group = "q\n";
        matrix(group, p->transform());
        if (p->hasClipping()) {
            const QPainterPath clip = p->clipPath();
            if (clip.isEmpty())
                return false;
            pathOps(group, clip);
            group += clip.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
        }
        FOps += group;
        return true;
    }

    void paint(const QPainterPath &path, bool fillable)
    {
        if (path.isEmpty())
            return;
        QPainter *p = painter();
        const QBrush brush = p->brush();
        const QPen pen = p->pen();
        bool fill = false;
        if (fillable && brush.style() != Qt::NoBrush && brush.color().alpha() != 0) {
            if (brush.style() != Qt::SolidPattern || brush.color().alpha() != 255) {
                FUnsupported = true;
                return;
            }
            fill = true;
        }
        bool stroke = false;
        if (pen.style() != Qt::NoPen && pen.color().alpha() != 0 && pen.brush().style() != Qt::NoBrush) {
            if (pen.brush().style() != Qt::SolidPattern || pen.color().alpha() != 255) {
                FUnsupported = true;
                return;
            }
            stroke = true;
        }
        if (!fill && !stroke)
            return;
        if (!open())
            return;
        if (fill)
            colour(FOps, brush.color(), "rg");
        if (stroke) {
            colour(FOps, pen.color(), "RG");
            double width = pen.widthF();
            if (pen.isCosmetic() || width <= 0) {
                // One device pixel whatever the matrix.
                const double scale = std::sqrt(std::abs(p->transform().determinant()));
                width = scale > 0 ? (width > 0 ? width : 1.0) / scale : 1.0;
            }
            numbers(FOps, {width}, "w");
            const int cap = pen.capStyle() == Qt::RoundCap ? 1 : pen.capStyle() == Qt::SquareCap ? 2 : 0;
            const int join = pen.joinStyle() == Qt::RoundJoin ? 1 : pen.joinStyle() == Qt::BevelJoin ? 2 : 0;
            numbers(FOps, {double(cap)}, "J");
            numbers(FOps, {double(join)}, "j");
            if (pen.style() != Qt::SolidLine) {
                FOps += '[';
                for (const qreal dash : pen.dashPattern()) {
                    number(FOps, dash * width);
                    FOps += ' ';
                }
                FOps += "] ";
                numbers(FOps, {pen.dashOffset() * width}, "d");
            }
        }
        pathOps(FOps, path);
        const bool evenOdd = path.fillRule() == Qt::OddEvenFill;
        FOps += fill && stroke ? (evenOdd ? "B*\n" : "B\n") : fill ? (evenOdd ? "f*\n" : "f\n") : "S\n";
        FOps += "Q\n";
    }

    pdf::TQvPDF &FPdf;
    pdf::TPDFPage *FPage = nullptr;
    QByteArray FOps;
    bool FUnsupported = false;
    QHash<QString, QRawFont> FRawFonts;   // by QFont::key()
};

TVectorCanvas::TVectorCanvas(pdf::TQvPDF &pdf, const TPageGeometry &g)
    : FPdf(pdf), FGeometry(g), FEngine(std::make_unique<TVectorPaintEngine>(pdf))
{
}

TVectorCanvas::~TVectorCanvas() = default;

QPaintEngine *TVectorCanvas::paintEngine() const
{
    return FEngine.get();
}

int TVectorCanvas::metric(PaintDeviceMetric m) const
{
    switch (m) {
    case PdmWidth: return FGeometry.widthPx;
    case PdmHeight: return FGeometry.heightPx;
    case PdmWidthMM: return static_cast<int>(std::lround(FGeometry.widthPx * 25.4 / FGeometry.dpiX));
    case PdmHeightMM: return static_cast<int>(std::lround(FGeometry.heightPx * 25.4 / FGeometry.dpiY));
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmPhysicalDpiX: return FGeometry.dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY: return FGeometry.dpiY;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    default: return QPaintDevice::metric(m);
    }
}

void TVectorCanvas::BeginPage(pdf::TPDFPage *page)
{
    FPage = page;
    FEngine->reset(page);
}

bool TVectorCanvas::Unsupported() const noexcept
{
    return FEngine->unsupported();
}

void TVectorCanvas::EndPage()
{
    if (!FPage)
        return;
    if (!FEngine->unsupported()) {
        // Page pixels to points: the printable area's top-left corner is the
        // origin, y runs down, and nothing is drawn outside it (as on a page
        // image of the printable area).
        QByteArray page = "q\n";
        numbers(page, {72.0 / FGeometry.dpiX, 0, 0, -72.0 / FGeometry.dpiY, MMToPoint(FGeometry.left),
                       FPdf.DefaultPageHeight() - MMToPoint(FGeometry.top)},
                "cm");
        numbers(page, {0, 0, double(FGeometry.widthPx), double(FGeometry.heightPx)}, "re W n");
        page += FEngine->ops();
        page += "Q\n";
        FPage->Canvas()->AppendOperators(page);
    }
    FEngine->reset(nullptr);
    FPage = nullptr;
}

std::optional<TPhotoPassThrough::Source> TVectorCanvas::PassThroughSource(const TImageInfo &info,
                                                                          const QString &documentFileName)
{
    const QString key = AreaPictureKey(info, documentFileName);
    if (const auto known = FByKey.constFind(key); known != FByKey.constEnd()) {
        if (*known < 0)
            return std::nullopt;
        return FSources[static_cast<std::size_t>(*known)].source;
    }
    FByKey.insert(key, -1);   // until proven fit
    const TPictureBytes bytes = ReadAreaPictureBytes(info, documentFileName);
    if (!bytes.problem.isEmpty() || bytes.graphicClass != &JpegImageClass())
        return std::nullopt;
    const pdf::JpegEmbedCheck check = pdf::CheckJpegForEmbedding(bytes.data);
    if (!check.Fit())
        return std::nullopt;
    QByteArray profile;
    if (ColorManage()) {
        // The photo keeps its numbers and says what they mean; a photo that
        // needs converting (a refused profile, the Exif Adobe RGB mark) is
        // decoded as on a bitmap page.
        const jpeg::ColorInfo color = jpeg::ReadColorInfo(bytes.data);
        if (!color.problem.isEmpty() || (color.iccProfile.isEmpty() && color.exifAdobeRgb))
            return std::nullopt;
        if (!color.iccProfile.isEmpty()) {
            if (!SourceColorOfProfile(color.iccProfile, check.info.components).problem.isEmpty())
                return std::nullopt;
            profile = color.iccProfile;
        }
    }
    auto *image = FPdf.Objects().Add<pdf::TPDFXImage>();
    image->WriteJPEG(bytes.data, check.info);
    if (!profile.isEmpty())
        image->SetIccProfile(FPdf.Objects().Add<pdf::TPDFIccProfile>(profile, check.info.components));
    if (check.adobeInverted)
        image->SetInvertedDecode(check.info.components);
    const int index = static_cast<int>(FSources.size());
    image->SetName(QStringLiteral("/Ph%1").arg(index + 1));
    Source source{QSize(check.info.width, check.info.height), ExifOrientationOf(bytes.data), index};
    FSources.push_back({image, source});
    FByKey.insert(key, index);
    return source;
}

void TVectorCanvas::PlacePassThrough(QPainter &, const Source &source, const QRect &cell,
                                     const std::optional<QTransform> &sourceToCanvas)
{
    if (source.handle < 0 || static_cast<std::size_t>(source.handle) >= FSources.size())
        throw std::logic_error("photo placed without its source");
    FEngine->placePhoto(*FSources[static_cast<std::size_t>(source.handle)].image, source.size, cell, sourceToCanvas);
}

} // namespace vellora
