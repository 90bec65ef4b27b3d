// Enumerations and event types of the document model. Each enumeration is
// stored in files as one byte holding its ordinal; DecodeEnum is the one
// checked way to turn a file byte back into a value.
#pragma once

#include "settings/Errors.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace vellora {

class TImageInfo;

enum class TEditMode : std::uint8_t { emPaper, emArea };
enum class TFileSaveType : std::uint8_t { fstLayout, fstLink, fstStream };
enum class TFillStyle : std::uint8_t { fisNone, fisSolid, fisGradient, fisImage };
enum class TFrameEndCap : std::uint8_t { fecRound, fecSquare, fecFlat };
enum class TFrameJoinStyle : std::uint8_t { fjsBevel, fjsMiter, fjsRound };
enum class TFrameStyle : std::uint8_t { frsNone, frsSolid, frsDash, frsDot, frsDashDot, frsDashDotDot };
enum class TImageDrawMode : std::uint8_t { idmOrigin, idmStretch, idmProportional, idmTile };
enum class TImageLinkError : std::uint8_t { ileNone, ileDelete, ileNoDelete, ileDeleteAll, ileNoDeleteAll };
enum class TImageLogging : std::uint8_t { iloLink, iloStream };
enum class TObjectState : std::uint8_t { obsParentChanging, obsCreating };
enum class TParentMode : std::uint8_t { pamArea, pamPaper, pamOrigin };
enum class TPhotoAlign : std::uint8_t { paLeftTop, paCenter, paRightBottom };
enum class TPhotoLimitMode : std::uint8_t { plmNone, plmUpOnly, plmDownOnly };
enum class TPhotoRotate : std::uint8_t { prNone, prAuto, pr90, pr180, pr270 };
enum class TPhotoSize : std::uint8_t { psPhoto, psPaper, psLarge, psScale };
enum class TPrintDest : std::uint8_t { pdPrinter, pdPDF, pdJpeg };
enum class TPrintMode : std::uint8_t { pmNormal, pmBanding };
enum class TSortColumn : std::uint8_t {
    socFileName, socShotDate, socFileDate, socFileSize, socImageWidth, socImageHeight, socCopies
};
enum class TTextFitMode : std::uint8_t { tfmNone, tfmWrap, tfmTrans, tfmSize };
enum class TTextSourceType : std::uint8_t {
    tstFix, tstFileName, tstFileSize, tstFileDate, tstFileTime, tstImageComment, tstImageSize,
    tstExifDate, tstExifTime, tstExifComment, tstExifDescription, tstFileDateTime, tstExifDateTime,
    tstPageNumber
};

// Number of values of each stored enumeration, for DecodeEnum.
template <typename E> constexpr std::uint8_t EnumCount();
template <> constexpr std::uint8_t EnumCount<TEditMode>() { return 2; }
template <> constexpr std::uint8_t EnumCount<TFileSaveType>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TFillStyle>() { return 4; }
template <> constexpr std::uint8_t EnumCount<TFrameEndCap>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TFrameJoinStyle>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TFrameStyle>() { return 6; }
template <> constexpr std::uint8_t EnumCount<TImageDrawMode>() { return 4; }
template <> constexpr std::uint8_t EnumCount<TImageLinkError>() { return 5; }
template <> constexpr std::uint8_t EnumCount<TImageLogging>() { return 2; }
template <> constexpr std::uint8_t EnumCount<TObjectState>() { return 2; }
template <> constexpr std::uint8_t EnumCount<TParentMode>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TPhotoAlign>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TPhotoLimitMode>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TPhotoRotate>() { return 5; }
template <> constexpr std::uint8_t EnumCount<TPhotoSize>() { return 4; }
template <> constexpr std::uint8_t EnumCount<TPrintDest>() { return 3; }
template <> constexpr std::uint8_t EnumCount<TPrintMode>() { return 2; }
template <> constexpr std::uint8_t EnumCount<TSortColumn>() { return 7; }
template <> constexpr std::uint8_t EnumCount<TTextFitMode>() { return 4; }
template <> constexpr std::uint8_t EnumCount<TTextSourceType>() { return 14; }

// A file byte as an enumeration value; an unknown ordinal is a format error.
template <typename E>
E DecodeEnum(std::uint8_t ordinal, const char *typeName)
{
    if (ordinal >= EnumCount<E>())
        throw FormatError(QStringLiteral("%1: unknown value %2").arg(QLatin1String(typeName)).arg(ordinal));
    return static_cast<E>(ordinal);
}

template <typename E>
constexpr std::uint8_t Ord(E value) noexcept
{
    return static_cast<std::uint8_t>(value);
}

// A set of TObjectState values in one byte (bit 0 obsParentChanging, bit 1 obsCreating).
struct TObjectStates {
    std::uint8_t bits = 0;
    TObjectStates() = default;
    TObjectStates(std::initializer_list<TObjectState> states)
    {
        for (auto s : states)
            include(s);
    }
    bool contains(TObjectState s) const noexcept { return bits & (1u << Ord(s)); }
    void include(TObjectState s) noexcept { bits = static_cast<std::uint8_t>(bits | (1u << Ord(s))); }
    void exclude(TObjectState s) noexcept { bits = static_cast<std::uint8_t>(bits & ~(1u << Ord(s))); }
    bool empty() const noexcept { return bits == 0; }
    friend bool operator==(TObjectStates, TObjectStates) = default;
};

// The record of the page being produced.
struct TPrintingInfo {
    std::int32_t piNowPage = 0;
};

// Event types: a callable that the owner sets; `Sender` is the object firing it.
using TNotifyEvent = std::function<void(void *Sender)>;
using TBeginPrintEvent = std::function<void(void *Sender, std::int32_t CountMax)>;
using TPaperPrintEvent = std::function<void(void *Sender, std::int32_t Page, std::int32_t Index, bool &Canceled)>;
using TImageExistEvent = std::function<void(void *Sender, const QString &FileName, bool &Deletion)>;
using TImageSortEvent = std::function<void(void *Sender, TImageInfo *Dest)>;
using TLoadStartEvent = std::function<void(void *Sender, std::int32_t ItemCount)>;

} // namespace vellora
