#include "graphics/TextLayout.h"

#include <algorithm>

namespace vellora {

namespace {

bool isBreak(QChar c, bool softBreaks)
{
    return c == QChar(kHardBreak) || (softBreaks && c == QChar(kSoftBreak));
}

// 0 digits (and a comma or full stop inside a number), 1 Latin letters,
// 2 everything else: runs of one class are what word wrapping keeps together.
int charClass(const QString &c, int previousClass)
{
    if (c.size() != 1)
        return 2;
    const char16_t u = c.at(0).unicode();
    if (u >= u'0' && u <= u'9')
        return 0;
    if ((u == u',' || u == u'.') && previousClass == 0)
        return 0;
    if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
        return 1;
    return 2;
}

int takeRemainderPixel(int &remainder)
{
    if (remainder > 0) {
        --remainder;
        return 1;
    }
    return 0;
}

// Length of a line along the text as the block size for autosizing sees it.
int autoSizeLineLength(const QString &line, const TTextLayoutSettings &s, const TTextMeasurer &m)
{
    const int n = static_cast<int>(SplitChars(line).size());
    if (s.horzAlignment >= THorzAlignment::haEven)
        return m.textWidth(line);
    if (s.colStyle == TTextPitchStyle::psPitch)
        return n * s.colPitch;
    return m.textWidth(line) + (n - 1) * s.colSpace;
}

} // namespace

QStringList SplitChars(const QString &s)
{
    QStringList out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out.append(s.mid(i, 2));
            ++i;
        } else {
            out.append(QString(s.at(i)));
        }
    }
    return out;
}

TPixelRect PaddingRect(const TPixelRect &r, const TPixelRect &padding)
{
    return {r.Left + padding.Left, r.Top + padding.Top, r.Right - padding.Right,
            r.Bottom - padding.Bottom};
}

QSize GetCanvasSize(const TPixelRect &r, TTextAngle angle)
{
    const int w = std::max(0, r.Width());
    const int h = std::max(0, r.Height());
    if (angle == TTextAngle::taAngle90 || angle == TTextAngle::taAngle270)
        return QSize(h, w);
    return QSize(w, h);
}

QPoint GetRectOrigin(const TPixelRect &r, TTextAngle angle)
{
    switch (angle) {
    case TTextAngle::taNone: return QPoint(r.Left, r.Top);
    case TTextAngle::taAngle90: return QPoint(r.Left, r.Bottom);
    case TTextAngle::taAngle180: return QPoint(r.Right, r.Bottom);
    case TTextAngle::taAngle270: return QPoint(r.Right, r.Top);
    }
    return QPoint(r.Left, r.Top);
}

void IncCol(QPoint &p, int n, TTextAngle angle)
{
    switch (angle) {
    case TTextAngle::taNone: p.rx() += n; break;
    case TTextAngle::taAngle90: p.ry() -= n; break;
    case TTextAngle::taAngle180: p.rx() -= n; break;
    case TTextAngle::taAngle270: p.ry() += n; break;
    }
}

void IncRow(QPoint &p, int n, TTextAngle angle)
{
    switch (angle) {
    case TTextAngle::taNone: p.ry() += n; break;
    case TTextAngle::taAngle90: p.rx() += n; break;
    case TTextAngle::taAngle180: p.ry() -= n; break;
    case TTextAngle::taAngle270: p.rx() -= n; break;
    }
}

int RotatedLength(int value, Extended from, Extended to)
{
    if (to <= 0)
        return value;
    return RoundHalfEven((static_cast<Extended>(value) * from + 2 * to) / to);
}

TPreparedText SplitNone(const QString &text)
{
    // Removing pairs as they form from the left gives the same result as
    // removing the first remaining pair again and again.
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\n' && !out.isEmpty() && out.back() == u'\r')
            out.chop(1);
        else
            out.append(c);
    }
    return {out, 1};
}

TPreparedText SplitReturns(const QString &text)
{
    if (text.isEmpty())
        return {QString(), 0};
    QStringList pieces = text.split(QStringLiteral("\r\n"));
    if (text.endsWith(QStringLiteral("\r\n")))
        pieces.removeLast();
    return {pieces.join(QChar(kHardBreak)), static_cast<int>(pieces.size())};
}

TPreparedText WrapLines(const QString &splitText, int length, const TTextLayoutSettings &s,
                        const TTextMeasurer &m)
{
    const QStringList chars = SplitChars(splitText);
    const int n = static_cast<int>(chars.size());
    if (n == 0)
        return {QString(), 0};

    const bool ruled = s.wrapOptions.WordWrap() || s.wrapOptions.WideWordWrap();
    const bool addSpace = s.colStyle == TTextPitchStyle::psSpace
        || s.horzAlignment >= THorzAlignment::haEven;
    QString out;
    int count = 0;
    auto takeChars = [&](int from, int to) {
        for (int k = from; k < to; ++k)
            out += chars[k];
    };

    int lineStart = 0;
    int runStart = 0;
    int previousClass = 2;
    int running = 0;
    int i = 0;
    while (i < n) {
        const QString &c = chars[i];
        if (c.size() == 1 && c.at(0) == QChar(kHardBreak)) {
            takeChars(lineStart, i);
            out += QChar(kHardBreak);
            ++count;
            running = 0;
            previousClass = 2;
            lineStart = runStart = i + 1;
            ++i;
            continue;
        }
        const int cls = charClass(c, previousClass);
        const int advance = s.colPitchEnabled() ? s.colPitch : m.textWidth(c);
        if (running + advance < length) {
            running += advance + (addSpace ? s.colSpace : 0);
            if (cls != previousClass)
                runStart = i;
            previousClass = cls;
            ++i;
            continue;
        }

        int breakAt = i;
        if (ruled) {
            if (cls <= 1 && cls == previousClass) {
                // Inside a word or number: move it whole to the next line
                // unless it is most of the current line.
                if (runStart - lineStart >= 3)
                    breakAt = runStart;
            } else if (i - runStart >= 3) {
                if (s.wrapOptions.HeadProhibit().contains(c)
                    || s.wrapOptions.EndProhibit().contains(chars[i - 1]))
                    breakAt = i - 1;
            }
        }
        breakAt = std::max(breakAt, lineStart + 1);
        if (breakAt >= n || chars[breakAt] == QLatin1String("\r")) {
            // The forced character ends the text or its paragraph anyway; a
            // soft break here would add an empty line.
            i = breakAt;
            continue;
        }
        takeChars(lineStart, breakAt);
        out += QChar(kSoftBreak);
        ++count;
        running = 0;
        lineStart = runStart = breakAt;
        previousClass = cls;
        i = breakAt;
    }
    takeChars(lineStart, n);
    ++count;
    return {out, count};
}

TPreparedText PrepareText(const QString &text, TPixelRect &r, const TTextLayoutSettings &s,
                          const TTextMeasurer &m)
{
    TPixelRect p = PaddingRect(r, s.padding);
    const QSize canvas = GetCanvasSize(p, s.angle);

    TPreparedText prepared;
    switch (s.wrapStyle) {
    case TTextWrapStyle::wsNone: prepared = SplitNone(text); break;
    case TTextWrapStyle::wsReturnOnly: prepared = SplitReturns(text); break;
    case TTextWrapStyle::wsWrap:
        prepared = WrapLines(SplitReturns(text).text, canvas.width(), s, m);
        break;
    }
    if (!s.autoSize)
        return prepared;

    int widest = 0;
    for (const QString &line : SplitAtBreaks(prepared.text))
        widest = std::max(widest, autoSizeLineLength(line, s, m));

    const int lines = prepared.lineCount;
    int block = 0;
    if (lines > 0) {
        if (s.rowPitchEnabled())
            block = lines * s.rowPitch;
        else if (s.vertAlignment == TVertAlignment::vaEven)
            block = lines * m.textHeight(QStringLiteral("あいう"));
        else
            block = lines * m.textHeight(QStringLiteral("あいう")) + (lines - 1) * s.rowSpace;
    }

    if (s.wrapStyle != TTextWrapStyle::wsWrap && widest > canvas.width()) {
        const int grow = widest - canvas.width();
        switch (s.angle) {
        case TTextAngle::taNone: p.Right += grow; break;
        case TTextAngle::taAngle90: p.Top -= grow; break;
        case TTextAngle::taAngle180: p.Left -= grow; break;
        case TTextAngle::taAngle270: p.Bottom += grow; break;
        }
    }
    if (s.wrapStyle != TTextWrapStyle::wsNone && block > canvas.height()) {
        const int grow = block - canvas.height();
        switch (s.angle) {
        case TTextAngle::taNone: p.Bottom += grow; break;
        case TTextAngle::taAngle90: p.Right += grow; break;
        case TTextAngle::taAngle180: p.Top -= grow; break;
        case TTextAngle::taAngle270: p.Left -= grow; break;
        }
    }
    r = {p.Left - s.padding.Left, p.Top - s.padding.Top, p.Right + s.padding.Right,
         p.Bottom + s.padding.Bottom};
    return prepared;
}

int LineCount(const QString &prepared)
{
    int count = 1;
    for (qsizetype i = 0; i + 1 < prepared.size(); ++i)
        if (isBreak(prepared.at(i), true))
            ++count;
    return count;
}

std::vector<TTextLine> DrawnLines(const QString &prepared, bool softBreaks)
{
    const int count = LineCount(prepared);
    std::vector<TTextLine> lines;
    lines.reserve(static_cast<std::size_t>(count));
    qsizetype pos = 0;
    for (int k = 0; k < count; ++k) {
        qsizetype end = pos;
        while (end < prepared.size() && !isBreak(prepared.at(end), softBreaks))
            ++end;
        TTextLine line;
        line.text = prepared.mid(pos, end - pos);
        line.soft = end < prepared.size() && prepared.at(end) == QChar(kSoftBreak);
        lines.push_back(line);
        pos = std::min(end + 1, prepared.size());
    }
    return lines;
}

QStringList SplitAtBreaks(const QString &prepared)
{
    QStringList out;
    QString current;
    for (const QChar c : prepared) {
        if (isBreak(c, true)) {
            out.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    out.append(current);
    return out;
}

TRowLayout LayoutRows(int lines, int across, int lineHeight, const TTextLayoutSettings &s)
{
    TRowLayout rows;
    auto alignShift = [&](int free) {
        switch (s.vertAlignment) {
        case TVertAlignment::vaCenter: return free / 2;
        case TVertAlignment::vaBottom: return free;
        default: return 0;
        }
    };
    if (s.rowPitchEnabled()) {
        rows.gap = s.rowPitch - lineHeight;
        rows.shift = alignShift(across - lines * s.rowPitch) + rows.gap / 2;
    } else if (s.vertAlignment == TVertAlignment::vaEven) {
        const int free = across - lines * lineHeight;
        if (lines > 1) {
            rows.gap = free / (lines - 1);
            rows.remainder = free % (lines - 1);
        } else {
            rows.shift = (across - lineHeight) / 2;
        }
    } else {
        rows.gap = s.rowSpace;
        rows.shift = alignShift(across - lines * lineHeight - (lines - 1) * s.rowSpace);
    }
    return rows;
}

TPlacedLine PlaceAligned(const QString &line, int length, THorzAlignment alignment,
                         const TTextLayoutSettings &s, const TTextMeasurer &m)
{
    const QStringList chars = SplitChars(line);
    const int n = static_cast<int>(chars.size());
    const bool pitch = s.colPitchEnabled();
    const int width = pitch ? n * s.colPitch : m.textWidth(line) + (n - 1) * s.colSpace;
    int pos = 0;
    if (alignment == THorzAlignment::haCenter)
        pos = (length - width) / 2;
    else if (alignment == THorzAlignment::haRight)
        pos = length - width;

    TPlacedLine out;
    out.reserve(chars.size());
    for (const QString &c : chars) {
        out.push_back({c, pos});
        pos += pitch ? s.colPitch : m.textWidth(c) + s.colSpace;
    }
    return out;
}

TPlacedLine PlaceEven(const QString &line, int length, const TTextMeasurer &m)
{
    const QStringList chars = SplitChars(line);
    const int n = static_cast<int>(chars.size());
    TPlacedLine out;
    if (n == 0)
        return out;
    const int width = m.textWidth(line);
    if (n == 1) {
        out.push_back({chars.front(), (length - width) / 2});
        return out;
    }
    const int gap = (length - width) / (n - 1);
    int remainder = (length - width) % (n - 1);
    int pos = 0;
    for (const QString &c : chars) {
        out.push_back({c, pos});
        pos += m.textWidth(c) + gap + takeRemainderPixel(remainder);
    }
    return out;
}

TPlacedLine PlaceJustified(const QString &line, int length, const TTextMeasurer &m)
{
    const int spaces = static_cast<int>(line.count(QLatin1Char(' ')));
    if (spaces == 0)
        return PlaceEven(line, length, m);
    QString bare = line;
    bare.remove(QLatin1Char(' '));
    const int gap = (length - m.textWidth(bare)) / spaces;
    int remainder = (length - m.textWidth(bare)) % spaces;
    if (gap == 0)
        return PlaceEven(bare, length, m);

    TPlacedLine out;
    int pos = 0;
    for (const QString &c : SplitChars(line)) {
        if (c == QLatin1String(" ")) {
            pos += gap + takeRemainderPixel(remainder);
        } else {
            out.push_back({c, pos});
            pos += m.textWidth(c);
        }
    }
    return out;
}

TPlacedLine PlaceLine(const TTextLine &line, int length, const TTextLayoutSettings &s,
                      const TTextMeasurer &m)
{
    switch (s.horzAlignment) {
    case THorzAlignment::haEven: return PlaceEven(line.text, length, m);
    case THorzAlignment::haBoth:
        if (line.soft)
            return PlaceJustified(line.text, length, m);
        return PlaceAligned(line.text, length, THorzAlignment::haLeft, s, m);
    default: return PlaceAligned(line.text, length, s.horzAlignment, s, m);
    }
}

TPlacedLine PlaceFittedLine(const QString &line, int length, const TTextLayoutSettings &s,
                            const TTextMeasurer &m)
{
    switch (s.horzAlignment) {
    case THorzAlignment::haEven: return PlaceEven(line, length, m);
    case THorzAlignment::haBoth: return PlaceAligned(line, length, THorzAlignment::haLeft, s, m);
    default: return PlaceAligned(line, length, s.horzAlignment, s, m);
    }
}

int LineHeight(const TTextLayoutSettings &s, const TTextMeasurer &m)
{
    const int h = m.textHeight(QStringLiteral("あ"));
    return s.rotated() ? RotatedLength(h, s.resolution.cx, s.resolution.cy) : h;
}

QSize TextSize(const QString &text, const TTextLayoutSettings &s, const TTextMeasurer &m)
{
    int cx = m.textWidth(text);
    int cy = m.textHeight(text);
    if (s.rotated() && s.resolution.cx != s.resolution.cy) {
        cx = RotatedLength(cx, s.resolution.cy, s.resolution.cx);
        cy = RotatedLength(cy, s.resolution.cx, s.resolution.cy);
    }
    return QSize(cx, cy);
}

std::vector<TLinePlacement> LayoutLines(const QString &prepared, const TPixelRect &p,
                                        const TTextLayoutSettings &s, const TTextMeasurer &m)
{
    const std::vector<TTextLine> lines = DrawnLines(prepared, true);
    const QSize canvas = GetCanvasSize(p, s.angle);
    const TRowLayout rows =
        LayoutRows(static_cast<int>(lines.size()), canvas.height(), LineHeight(s, m), s);
    const int advance = rows.gap + TextSize(QStringLiteral("A"), s, m).height();

    QPoint origin = GetRectOrigin(p, s.angle);
    IncRow(origin, rows.shift, s.angle);
    int remainder = rows.remainder;
    std::vector<TLinePlacement> out;
    out.reserve(lines.size());
    for (const TTextLine &line : lines) {
        out.push_back({origin, PlaceLine(line, canvas.width(), s, m)});
        IncRow(origin, advance + takeRemainderPixel(remainder), s.angle);
    }
    return out;
}

int FitCellWidth(int start, int length, const std::function<int(int)> &lineWidthAt)
{
    int w = start;
    int last = w;
    int width = 0;
    do {
        last = w;
        width = lineWidthAt(w);
        w = std::max(0, w - 1);
    } while (w > 1 && width > length);
    return last;
}

int FitHeight(int current, int length, const std::function<int(int)> &lineWidthAt)
{
    if (current <= 1 || lineWidthAt(current) <= length)
        return std::max(1, current);
    // lo fits (or is the floor of 1), hi does not.
    int lo = 1;
    int hi = current;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (lineWidthAt(mid) <= length)
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

} // namespace vellora
