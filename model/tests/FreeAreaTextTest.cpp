#include "model/TextSources.h"

#include <gtest/gtest.h>

using namespace vellora;

namespace {

TTextSourceFacts sampleFacts()
{
    TTextSourceFacts f;
    f.fileName = QStringLiteral("/photos/2010/旅行/IMG_0001.JPG");
    f.fileSizeText = QStringLiteral("2.00 MB");
    f.fileTime = QDateTime(QDate(2011, 3, 4), QTime(5, 6, 7));
    f.fileTimeText = QStringLiteral("2011/03/04 5:06:07");
    f.comment = {QStringLiteral("海"), QStringLiteral("夕方")};
    f.imageSizeText = QStringLiteral("3000×2000 ピクセル");
    f.isExif = true;
    f.shotTime = QDateTime(QDate(2010, 5, 1), QTime(12, 34, 56, 500));
    f.shotTimeText = QStringLiteral("2010/05/01 12:34:56.500");
    f.exifComment = QStringLiteral("user comment");
    f.description = QStringLiteral("a description");
    return f;
}

} // namespace

TEST(FreeAreaText, EachSourceTakesItsFactFromTheLinkedImage)
{
    const QLocale locale(QLocale::C);
    const TTextSourceFacts facts = sampleFacts();
    TTextSourceFacts noExif = facts;
    noExif.isExif = false;
    const QStringList lines = {QStringLiteral("第一行"), QStringLiteral("second")};
    struct Case {
        TTextSourceType source;
        const TTextSourceFacts *facts;
        QString expected;
    };
    const Case cases[] = {
        {TTextSourceType::tstFix, &facts, QStringLiteral("第一行\r\nsecond\r\n")},
        {TTextSourceType::tstFileName, &facts, QStringLiteral("IMG_0001.JPG")},
        {TTextSourceType::tstFileSize, &facts, QStringLiteral("2.00 MB")},
        {TTextSourceType::tstFileDate, &facts, locale.toString(QDate(2011, 3, 4), QLocale::ShortFormat)},
        {TTextSourceType::tstFileTime, &facts, QStringLiteral("05:06:07")},
        {TTextSourceType::tstImageComment, &facts, QStringLiteral("海\r\n夕方\r\n")},
        {TTextSourceType::tstImageSize, &facts, QStringLiteral("3000×2000 ピクセル")},
        {TTextSourceType::tstExifDate, &facts, locale.toString(QDate(2010, 5, 1), QLocale::ShortFormat)},
        {TTextSourceType::tstExifTime, &facts, QStringLiteral("12:34:56")},
        {TTextSourceType::tstExifComment, &facts, QStringLiteral("user comment")},
        {TTextSourceType::tstExifDescription, &facts, QStringLiteral("a description")},
        {TTextSourceType::tstFileDateTime, &facts, QStringLiteral("2011/03/04 5:06:07")},
        {TTextSourceType::tstExifDateTime, &facts, QStringLiteral("2010/05/01 12:34:56.500")},
        {TTextSourceType::tstPageNumber, &facts, QStringLiteral("7")},
        // Exif sources are empty for a file without Exif data.
        {TTextSourceType::tstExifDate, &noExif, QString()},
        {TTextSourceType::tstExifTime, &noExif, QString()},
        {TTextSourceType::tstExifComment, &noExif, QString()},
        {TTextSourceType::tstExifDescription, &noExif, QString()},
        {TTextSourceType::tstExifDateTime, &noExif, QString()},
        {TTextSourceType::tstFileName, &noExif, QStringLiteral("IMG_0001.JPG")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.source));
        EXPECT_EQ(SourceText(c.source, lines, c.facts, 7, locale), c.expected);
    }
}

TEST(FreeAreaText, OnlyFixedTextShowsWhenTheLinkedCellIsEmpty)
{
    const QStringList lines = {QStringLiteral("固定")};
    for (std::uint8_t s = 0; s < EnumCount<TTextSourceType>(); ++s) {
        const auto source = static_cast<TTextSourceType>(s);
        SCOPED_TRACE(s);
        const QString text = SourceText(source, lines, nullptr, 3);
        // The page number too: page numbers are printed only under a photo.
        EXPECT_EQ(text, source == TTextSourceType::tstFix ? QStringLiteral("固定\r\n") : QString());
    }
}

TEST(FreeAreaText, UnknownDatesGiveNoText)
{
    TTextSourceFacts facts = sampleFacts();
    facts.fileTime = QDateTime();
    facts.shotTime = QDateTime();
    for (auto source : {TTextSourceType::tstFileDate, TTextSourceType::tstFileTime, TTextSourceType::tstExifDate,
                        TTextSourceType::tstExifTime})
        EXPECT_EQ(SourceText(source, {}, &facts, 1), QString()) << static_cast<int>(source);
}

TEST(FreeAreaText, PreviewShowsSamples)
{
    EXPECT_EQ(PreviewText(TTextSourceType::tstFix, {}), QStringLiteral("指定した固定のテキストが入ります。"));
    EXPECT_EQ(PreviewText(TTextSourceType::tstFix, {QStringLiteral("a")}), QStringLiteral("a\r\n"));
    EXPECT_EQ(PreviewText(TTextSourceType::tstFileName, {}), QStringLiteral("サンプルファイル名.jpg"));
    EXPECT_EQ(PreviewText(TTextSourceType::tstExifDate, {}), QStringLiteral("0000/00/00"));
    EXPECT_EQ(PreviewText(TTextSourceType::tstFileTime, {}), QStringLiteral("12:34:56"));
    EXPECT_EQ(PreviewText(TTextSourceType::tstExifDateTime, {}), QStringLiteral("0000/00/00 00:00:00"));
    EXPECT_EQ(PreviewText(TTextSourceType::tstPageNumber, {}), QStringLiteral("00"));
}

TEST(FreeAreaText, AngleAdjustmentKeepsTheTextUprightWithThePhoto)
{
    struct Case {
        TTextAngle angle;
        int orientation;   // Exif value, 0 = none
        TPhotoRotate drawn;
        TTextAngle expected;
    };
    const Case cases[] = {
        {TTextAngle::taNone, 3, TPhotoRotate::prNone, TTextAngle::taAngle180},  // bottom-right, unrotated
        {TTextAngle::taNone, 3, TPhotoRotate::prAuto, TTextAngle::taAngle180},
        {TTextAngle::taNone, 1, TPhotoRotate::prNone, TTextAngle::taNone},
        {TTextAngle::taNone, 1, TPhotoRotate::pr180, TTextAngle::taAngle180},   // turned upside down when drawn
        {TTextAngle::taNone, 8, TPhotoRotate::pr90, TTextAngle::taAngle180},    // 90° + 90°
        {TTextAngle::taAngle180, 3, TPhotoRotate::pr180, TTextAngle::taNone},   // two half turns cancel
        {TTextAngle::taAngle90, 6, TPhotoRotate::prNone, TTextAngle::taAngle270},
        {TTextAngle::taAngle270, 5, TPhotoRotate::prNone, TTextAngle::taAngle90},
        {TTextAngle::taAngle270, 1, TPhotoRotate::pr270, TTextAngle::taAngle90},
        {TTextAngle::taAngle180, 6, TPhotoRotate::pr270, TTextAngle::taNone},
        {TTextAngle::taAngle90, 3, TPhotoRotate::prNone, TTextAngle::taAngle90},  // no rule for that pair
        {TTextAngle::taNone, 0, TPhotoRotate::pr180, TTextAngle::taNone},         // no orientation: unchanged
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.angle) << " " << c.orientation << " " << int(c.drawn));
        EXPECT_EQ(AdjustedTextAngle(c.angle, c.orientation, c.drawn), c.expected);
    }
}

TEST(FreeAreaText, ZeroRowPitchIsTheFontSize)
{
    TFont font;
    font.SetSize(10);
    EXPECT_NEAR(EffectiveRowPitchMM(0, font), 3.5278, 1e-4);
    EXPECT_EQ(EffectiveRowPitchMM(5, font), 5.0);
}
