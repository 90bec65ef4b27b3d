#include "pdf/PdfTypes.h"


#include <cstdlib>

namespace vellora::pdf {

const char *PageLayoutName(TPDFPageLayout v)
{
    static const char *const names[] = {"/SinglePage", "/OneColumn", "/TwoColumnLeft", "/TwoColumnRight"};
    return names[static_cast<int>(v)];
}

const char *PageModeName(TPDFPageMode v)
{
    static const char *const names[] = {"/UseNone", "/UseOutlines", "/UseThumbs", "/FullScreen"};
    return names[static_cast<int>(v)];
}

const char *TrappedName(TPDFTrapped v)
{
    static const char *const names[] = {"/True", "/False", "/Unknown"};
    return names[static_cast<int>(v)];
}

const char *ProcSetName(TPDFProcSet v)
{
    static const char *const names[] = {"/PDF", "/Text", "/ImageB", "/ImageC", "/ImageI"};
    return names[static_cast<int>(v)];
}

static long long roundHalfUp(double x)
{
    return static_cast<long long>(x + 0.5);
}

QString RectToString(const TPDFRect &r)
{
    return QStringLiteral("[%1 %2 %3 %4]")
        .arg(roundHalfUp(r.Left()))
        .arg(roundHalfUp(r.Lower()))
        .arg(roundHalfUp(r.Right()))
        .arg(roundHalfUp(r.Upper()));
}

bool SameRect(const TPDFRect &a, const TPDFRect &b)
{
    return RectToString(a) == RectToString(b);
}

TPDFDateTime DateTimeToPDFDateTime(const QDateTime &dt)
{
    const QDateTime local = dt.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    TPDFDateTime d;
    d.pdYear = static_cast<std::uint16_t>(date.year());
    d.pdMonth = static_cast<std::uint16_t>(date.month());
    d.pdDay = static_cast<std::uint16_t>(date.day());
    d.pdHour = static_cast<std::uint16_t>(time.hour());
    d.pdMinute = static_cast<std::uint16_t>(time.minute());
    d.pdSecond = static_cast<std::uint16_t>(time.second());
    // Zones with half-hour offsets keep their minutes: writing only the whole
    // hours would state a wrong moment.
    const int offsetMinutes = local.offsetFromUtc() / 60;
    d.pdHourDifference = static_cast<std::int16_t>(offsetMinutes / 60);
    d.pdMinuteDifference = static_cast<std::int16_t>(std::abs(offsetMinutes % 60));
    if (d.pdHourDifference == 0 && offsetMinutes < 0)
        d.pdMinuteDifference = static_cast<std::int16_t>(-d.pdMinuteDifference);
    return d;
}

QString PDFDateTimeToString(const TPDFDateTime &d)
{
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString s = QStringLiteral("(D:%1").arg(int(d.pdYear), 4, 10, QLatin1Char('0')) + two(d.pdMonth) + two(d.pdDay)
        + two(d.pdHour) + two(d.pdMinute) + two(d.pdSecond);
    const bool west = d.pdHourDifference < 0 || (d.pdHourDifference == 0 && d.pdMinuteDifference < 0);
    const int minutes = std::abs(int(d.pdMinuteDifference));
    if (d.pdHourDifference == 0 && minutes == 0)
        s += QStringLiteral("Z00'00')");
    else
        s += (west ? QStringLiteral("-") : QStringLiteral("+")) + two(std::abs(int(d.pdHourDifference)))
            + QLatin1Char('\'') + two(minutes) + QStringLiteral("')");
    return s;
}

QDateTime PDFDateTimeToDateTime(const TPDFDateTime &d)
{
    return QDateTime(QDate(d.pdYear, d.pdMonth, d.pdDay), QTime(d.pdHour, d.pdMinute, d.pdSecond));
}

} // namespace vellora::pdf
