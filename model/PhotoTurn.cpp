#include "model/PhotoTurn.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace vellora {

namespace {
std::atomic_bool gExifRotate{false};
} // namespace

bool ExifRotate() noexcept
{
    return gExifRotate.load(std::memory_order_relaxed);
}

void SetExifRotate(bool on) noexcept
{
    gExifRotate.store(on, std::memory_order_relaxed);
}

TPixelTurn UprightTurn(int exifOrientation) noexcept
{
    // Orientation names where the stored picture's first row and column
    // belong; the turn undoes that.
    switch (exifOrientation) {
    case 2: return {true, 0};    // top-right: mirrored
    case 3: return {false, 2};   // bottom-right: upside down
    case 4: return {true, 2};    // bottom-left: mirrored top to bottom
    case 5: return {true, 3};    // left-top: transposed
    case 6: return {false, 1};   // right-top: needs a quarter turn clockwise
    case 7: return {true, 1};    // right-bottom: transposed the other way
    case 8: return {false, 3};   // left-bottom: needs a quarter turn anticlockwise
    default: return {};
    }
}

TPixelTurn ThenQuarters(TPixelTurn turn, int quarters) noexcept
{
    turn.quarters = ((turn.quarters + quarters) % 4 + 4) % 4;
    return turn;
}

QSize TurnedSize(QSize size, TPixelTurn turn) noexcept
{
    return turn.Across() ? size.transposed() : size;
}

QPoint TurnedSourcePixel(int x, int y, int width, int height, TPixelTurn turn) noexcept
{
    int sx = x, sy = y;
    switch (turn.quarters & 3) {
    case 1: sx = y; sy = height - 1 - x; break;
    case 2: sx = width - 1 - x; sy = height - 1 - y; break;
    case 3: sx = width - 1 - y; sy = x; break;
    default: break;
    }
    if (turn.mirror)
        sx = width - 1 - sx;
    return {sx, sy};
}

QTransform TurnedTargetTransform(QSize source, const QRect &target, TPixelTurn turn)
{
    const qreal w = source.width();
    const qreal h = source.height();
    QTransform t;
    if (turn.mirror)
        t = QTransform(-1, 0, 0, 1, w, 0);
    switch (turn.quarters & 3) {
    case 1: t *= QTransform(0, 1, -1, 0, h, 0); break;
    case 2: t *= QTransform(-1, 0, 0, -1, w, h); break;
    case 3: t *= QTransform(0, -1, 1, 0, 0, w); break;
    default: break;
    }
    const QSize turned = TurnedSize(source, turn);
    if (turned.isEmpty())
        return t;
    t *= QTransform::fromScale(qreal(target.width()) / turned.width(), qreal(target.height()) / turned.height());
    t *= QTransform::fromTranslate(target.left(), target.top());
    return t;
}

void StretchTurned(QImage &dest, const QRect &target, const QImage &source, TPixelTurn turn)
{
    if (dest.isNull() || source.isNull() || target.isEmpty())
        return;
    if (dest.format() != QImage::Format_RGB32 && dest.format() != QImage::Format_ARGB32)
        dest = dest.convertToFormat(QImage::Format_ARGB32);
    const QImage src = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                           ? source
                           : source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                             : QImage::Format_RGB32);
    const QRect covered = target.intersected(dest.rect());
    if (covered.isEmpty())
        return;
    const int w = src.width();
    const int h = src.height();
    const QSize turned = TurnedSize(src.size(), turn);
    const std::int64_t tw = turned.width(), th = turned.height();
    const std::int64_t pw = target.width(), ph = target.height();
    const std::ptrdiff_t stride = src.bytesPerLine() / 4;

    // The source pixel of destination (x, y) is base + rowOffset[y] + columnOffset[x]:
    // each of the two source coordinates follows one destination axis.
    std::vector<std::ptrdiff_t> columnOffset(static_cast<std::size_t>(covered.width()));
    std::vector<std::ptrdiff_t> rowOffset(static_cast<std::size_t>(covered.height()));
    for (int x = covered.left(); x <= covered.right(); ++x) {
        // Nearest pixel: the turned pixel under the destination pixel's centre.
        const std::int64_t u = x - target.left();
        const int tx = static_cast<int>(std::min(tw - 1, (2 * u + 1) * tw / (2 * pw)));
        const QPoint p = TurnedSourcePixel(tx, 0, w, h, turn);
        columnOffset[static_cast<std::size_t>(x - covered.left())] = turn.Across() ? p.y() * stride : p.x();
    }
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const std::int64_t v = y - target.top();
        const int ty = static_cast<int>(std::min(th - 1, (2 * v + 1) * th / (2 * ph)));
        const QPoint p = TurnedSourcePixel(0, ty, w, h, turn);
        rowOffset[static_cast<std::size_t>(y - covered.top())] = turn.Across() ? p.x() : p.y() * stride;
    }
    // A turned copy walks the source across its rows; blocks of destination
    // columns keep the rows it touches in the cache.
    const auto *base = reinterpret_cast<const std::uint32_t *>(src.constBits());
    constexpr int kBlock = 64;
    const int columns = covered.width();
    for (int x0 = 0; x0 < columns; x0 += kBlock) {
        const int x1 = std::min(columns, x0 + kBlock);
        for (int y = 0; y < covered.height(); ++y) {
            auto *line = reinterpret_cast<std::uint32_t *>(dest.scanLine(covered.top() + y)) + covered.left();
            const std::uint32_t *row = base + rowOffset[static_cast<std::size_t>(y)];
            for (int x = x0; x < x1; ++x)
                line[x] = row[columnOffset[static_cast<std::size_t>(x)]];
        }
    }
}

QImage TurnImage(const QImage &source, TPixelTurn turn)
{
    if (source.isNull() || turn.IsIdentity())
        return source;
    QImage result(TurnedSize(source.size(), turn),
                  source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        return result;
    result.setDotsPerMeterX(turn.Across() ? source.dotsPerMeterY() : source.dotsPerMeterX());
    result.setDotsPerMeterY(turn.Across() ? source.dotsPerMeterX() : source.dotsPerMeterY());
    StretchTurned(result, result.rect(), source, turn);
    return result;
}

} // namespace vellora
