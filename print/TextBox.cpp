#include "print/TextBox.h"

#include <algorithm>
#include <cstdlib>

namespace vellora {

int AngleDegrees(TTextAngle angle)
{
    return static_cast<int>(angle) * 90;
}

bool IsVerticalAngle(TTextAngle angle)
{
    return angle == TTextAngle::taAngle90 || angle == TTextAngle::taAngle270;
}

int AlongLength(const TEdgeRect &r, TTextAngle angle)
{
    return IsVerticalAngle(angle) ? r.height() : r.width();
}

int AcrossExtent(const TEdgeRect &r, TTextAngle angle)
{
    return IsVerticalAngle(angle) ? r.width() : r.height();
}

QPoint TextOriginInRect(const TEdgeRect &r, TTextAngle angle, THorzAlignment align, TVertAlignment layout, int w, int h)
{
    const int W = r.width(), H = r.height();
    const int a = align == THorzAlignment::haCenter ? 1 : align == THorzAlignment::haRight ? 2 : 0;
    const int l = layout == TVertAlignment::vaCenter ? 1 : layout == TVertAlignment::vaBottom ? 2 : 0;
    switch (angle) {
    case TTextAngle::taNone: {
        const int x[] = {r.Left, r.Left + (W - w) / 2, r.Right - w};
        const int y[] = {r.Top, r.Top + (H - h) / 2, r.Bottom - h};
        return {x[a], y[l]};
    }
    case TTextAngle::taAngle90: {
        const int y[] = {r.Bottom, r.Bottom - (H - w) / 2, r.Top + w};
        const int x[] = {r.Left, r.Left + (W - h) / 2, r.Right - h};
        return {x[l], y[a]};
    }
    case TTextAngle::taAngle180: {
        const int x[] = {r.Right, r.Right - (W - w) / 2, r.Left + w};
        const int y[] = {r.Bottom, r.Bottom - (H - h) / 2, r.Top + h};
        return {x[a], y[l]};
    }
    case TTextAngle::taAngle270: {
        const int y[] = {r.Top, r.Top + (H - w) / 2, r.Bottom - w};
        const int x[] = {r.Right, r.Right - (W - h) / 2, r.Left + h};
        return {x[l], y[a]};
    }
    }
    return {r.Left, r.Top};
}

QPoint PitchPosition(int x, int y, int i, int pitch, TTextAngle angle)
{
    const int step = i * pitch;
    switch (angle) {
    case TTextAngle::taNone: return {x + step, y};
    case TTextAngle::taAngle90: return {x, y - step};
    case TTextAngle::taAngle180: return {x - step, y};
    case TTextAngle::taAngle270: return {x, y + step};
    }
    return {x, y};
}

QPoint AlignedTextPoint(int x, int y, int w, int h, THorzAlignment horz, TVertAlignment vert)
{
    if (horz == THorzAlignment::haCenter)
        x -= w / 2;
    else if (horz == THorzAlignment::haRight)
        x -= w;
    if (vert == TVertAlignment::vaCenter)
        y -= h / 2;
    else if (vert == TVertAlignment::vaBottom)
        y -= h;
    return {x, y};
}

TEdgeRect GrowAcross(const TEdgeRect &r, TTextAngle angle, int grow)
{
    TEdgeRect g = r;
    switch (angle) {
    case TTextAngle::taNone: g.Bottom += grow; break;
    case TTextAngle::taAngle90: g.Right += grow; break;
    case TTextAngle::taAngle180: g.Top -= grow; break;
    case TTextAngle::taAngle270: g.Left -= grow; break;
    }
    return g;
}

std::vector<int> EvenGaps(int count, int length, int textWidth)
{
    if (count < 2)
        return {};
    const int spare = length - textWidth;
    const int gap = spare / (count - 1);
    const int rest = spare % (count - 1);
    std::vector<int> gaps(static_cast<std::size_t>(count - 1), gap);
    for (int i = 0; i < std::abs(rest); ++i)
        gaps[static_cast<std::size_t>(i)] += rest > 0 ? 1 : -1;
    return gaps;
}

namespace {

// Kinds of characters for word wrap: 1 letter-like, 2 numeric, 0 a kind of
// its own (never joined to a neighbour).
int charKind(const QString &ch)
{
    const char32_t c = ch.isEmpty() ? 0 : ch.toUcs4().value(0);
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase: case QChar::Letter_Lowercase: case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier: case QChar::Letter_Other:
    case QChar::Punctuation_Connector: case QChar::Punctuation_Dash: case QChar::Punctuation_Open:
    case QChar::Punctuation_Close: case QChar::Punctuation_InitialQuote: case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other: case QChar::Separator_Space:
        return 1;
    case QChar::Number_DecimalDigit: case QChar::Number_Letter: case QChar::Number_Other:
        return 2;
    default:
        return 0;
    }
}

QString joined(const QStringList &chars, qsizetype from, qsizetype count)
{
    QString s;
    for (qsizetype i = from; i < from + count && i < chars.size(); ++i)
        s += chars[i];
    return s;
}

} // namespace

QStringList WrapTextLines(const QString &s, int length, const TTextDrawOptions &options, const TTextMeasurer &m)
{
    static const TQvTextWrapOptions kRules;
    QStringList lines;
    QStringList rest = SplitChars(s);
    while (!rest.isEmpty()) {
        const QString all = rest.join(QString());
        const bool hasCr = all.contains(QLatin1Char('\r'));
        const qsizetype chars = rest.size();
        if ((!hasCr && m.textWidth(all) <= length) || chars == 1) {
            lines << all;
            break;
        }
        // First guess from the average character width; a text narrower than
        // one unit per character guesses the whole text.
        const int average = m.textWidth(all) / static_cast<int>(std::min<qsizetype>(chars, INT32_MAX));
        qsizetype n = average > 0 ? std::max(1, length / average) : chars;
        n = std::min(n, chars);
        int w = m.textWidth(joined(rest, 0, n));
        if (w > length) {
            while (n > 1 && w >= length)
                w = m.textWidth(joined(rest, 0, --n));
        } else if (w < length) {
            while (n < chars && m.textWidth(joined(rest, 0, n + 1)) <= length)
                ++n;
        }
        const qsizetype cr = rest.indexOf(QStringLiteral("\r"));
        if (cr >= 0 && cr < n) {
            lines << joined(rest, 0, cr);
            qsizetype next = cr + 1;
            if (next < chars && rest[next] == QLatin1String("\n"))
                ++next;
            rest = rest.mid(next);
            continue;
        }
        qsizetype b = n;
        if (options.wordWrap && b < chars) {
            const int kind = charKind(rest[b - 1]);
            if (kind != 0 && kind == charKind(rest[b])) {
                const qsizetype limit = n / 2;
                qsizetype moved = 0;
                while (b > 1 && moved < limit && charKind(rest[b - 1]) == charKind(rest[b])) {
                    --b;
                    ++moved;
                }
            }
        }
        if (options.wideWordWrap && b > 1 && b < chars) {
            int moves = 0;
            while (moves < 2 && b > 1 && kRules.HeadProhibit().contains(rest[b])) {
                --b;
                ++moves;
            }
            while (moves < 2 && b > 1 && kRules.EndProhibit().contains(rest[b - 1])) {
                --b;
                ++moves;
            }
        }
        lines << joined(rest, 0, b);
        rest = rest.mid(b);
    }
    return lines;
}

} // namespace vellora
