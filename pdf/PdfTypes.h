// Value types and enumerations of the PDF writer: rectangles and dates as the
// file states them, the catalog, page and resource enumerations with their
// names. Lengths are PDF points (1/72 inch).
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace vellora::pdf {

enum class TPDFPageLayout : std::uint8_t { pplSinglePage, pplOneColumn, pplTwoColumnLeft, pplTwoColumnRight };
enum class TPDFPageMode : std::uint8_t { ppmUseNone, ppmUseOutlines, ppmUseThumbs, ppmFullScreen };
enum class TPDFTrapped : std::uint8_t { ptrTrue, ptrFalse, ptrUnknown };
enum class TPDFRotate : std::uint8_t { proAngle0, proAngle90, proAngle180, proAngle270 };
enum class TPDFProcSet : std::uint8_t { ppsPDF, ppsText, ppsImageB, ppsImageC, ppsImageI };
enum class TPDFPageFit : std::uint8_t { ppfXYZ, ppfFit, ppfFitH, ppfFitV, ppfFitR, ppfFitB, ppfFitBH, ppfFitBV };

const char *PageLayoutName(TPDFPageLayout v);
const char *PageModeName(TPDFPageMode v);
const char *TrappedName(TPDFTrapped v);
const char *ProcSetName(TPDFProcSet v);

// A set of TPDFProcSet values (bit = 1 << ordinal).
struct TPDFProcSets {
    std::uint8_t bits = 0;
    bool contains(TPDFProcSet s) const noexcept { return bits & (1u << static_cast<unsigned>(s)); }
    void include(TPDFProcSet s) noexcept { bits = static_cast<std::uint8_t>(bits | (1u << static_cast<unsigned>(s))); }
    friend bool operator==(TPDFProcSets, TPDFProcSets) = default;
};

// Four edges in points; only their extremes matter (see Left()...Top()).
struct TPDFRect {
    double prLeft = 0;
    double prTop = 0;
    double prRight = 0;
    double prBottom = 0;

    double Left() const noexcept { return prLeft < prRight ? prLeft : prRight; }
    double Right() const noexcept { return prLeft < prRight ? prRight : prLeft; }
    double Lower() const noexcept { return prTop < prBottom ? prTop : prBottom; }
    double Upper() const noexcept { return prTop < prBottom ? prBottom : prTop; }
    double Width() const noexcept { return Right() - Left(); }
    double Height() const noexcept { return Upper() - Lower(); }
};

// "[l b r t]" of the extremes, each rounded by x + 0.5 truncated.
QString RectToString(const TPDFRect &r);
// Two rectangles are the same when their texts are.
bool SameRect(const TPDFRect &a, const TPDFRect &b);

// A local date and time with its difference from UTC.
struct TPDFDateTime {
    std::uint16_t pdYear = 0;
    std::uint16_t pdMonth = 0;
    std::uint16_t pdDay = 0;
    std::uint16_t pdHour = 0;
    std::uint16_t pdMinute = 0;
    std::uint16_t pdSecond = 0;
    std::int16_t pdHourDifference = 0;
    std::int16_t pdMinuteDifference = 0;
};

// Splits a local date-time and takes its zone's offset from UTC at that moment.
TPDFDateTime DateTimeToPDFDateTime(const QDateTime &dt);
// "(D:20090305140709+09'00')".
QString PDFDateTimeToString(const TPDFDateTime &d);
QDateTime PDFDateTimeToDateTime(const TPDFDateTime &d);

} // namespace vellora::pdf
