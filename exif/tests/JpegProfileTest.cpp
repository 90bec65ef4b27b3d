// Reading the colour facts of a JPEG header: ICC profile chunks, the frame's
// components and the Exif Adobe RGB mark, with damaged chunk lists refused.
#include "exif/JpegEncoder.h"
#include "exif/JpegProfile.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <vector>

using namespace vellora;

namespace {

QByteArray smallJpeg(const QByteArray &icc = {})
{
    jpeg::Pixels pixels;
    pixels.width = 16;
    pixels.height = 8;
    pixels.data = QByteArray(16 * 8 * 3, '\x80');
    return jpeg::Encode(reinterpret_cast<const std::uint8_t *>(pixels.data.constData()), 48, 16, 8,
                        jpeg::PixelLayout::Rgb, 90, icc);
}

// An APP2 ICC segment: marker, length, signature, sequence number, count, payload.
QByteArray iccSegment(int sequence, int count, const QByteArray &payload)
{
    QByteArray body = QByteArray("ICC_PROFILE", 12);
    body += static_cast<char>(sequence);
    body += static_cast<char>(count);
    body += payload;
    const int length = static_cast<int>(body.size()) + 2;
    QByteArray segment("\xFF\xE2", 2);
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    return segment + body;
}

// A JPEG with the segments put right after its SOI marker.
QByteArray withSegments(const std::vector<QByteArray> &segments)
{
    QByteArray jpeg = smallJpeg();
    QByteArray inserted;
    for (const QByteArray &s : segments)
        inserted += s;
    return jpeg.left(2) + inserted + jpeg.mid(2);
}

QByteArray pattern(int size, int seed)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 31 + seed * 7) & 0xFF);
    return out;
}

} // namespace

TEST(JpegProfile, ChunksAreReassembledBySequenceNumberOrRefusedWithAReason)
{
    const QByteArray a = pattern(300, 1), b = pattern(200, 2), z = pattern(100, 3);
    const QByteArray big = pattern(65000, 4);
    std::vector<QByteArray> tooMany;
    for (int i = 1; i <= 70; ++i)   // 70 × 65000 bytes: above the 4 MB cap
        tooMany.push_back(iccSegment(i, 70, big));
    struct Case {
        const char *name;
        std::vector<QByteArray> segments;
        QByteArray profile;     // expected; empty when refused or absent
        const char *problem;    // part of the reason; "" for none
    };
    const Case cases[] = {
        {"none", {}, {}, ""},
        {"one chunk", {iccSegment(1, 1, a)}, a, ""},
        {"out of order", {iccSegment(3, 3, z), iccSegment(1, 3, a), iccSegment(2, 3, b)}, a + b + z, ""},
        {"missing chunk", {iccSegment(1, 3, a), iccSegment(3, 3, z)}, {}, "has 2 of its 3 chunks"},
        {"duplicate", {iccSegment(1, 2, a), iccSegment(1, 2, b)}, {}, "appears twice"},
        {"counts disagree", {iccSegment(1, 2, a), iccSegment(2, 3, b)}, {}, "disagree"},
        {"sequence zero", {iccSegment(0, 1, a)}, {}, "out of sequence"},
        {"sequence past count", {iccSegment(2, 1, a)}, {}, "out of sequence"},
        {"empty payload", {iccSegment(1, 1, {})}, {}, "empty"},
        {"over the cap", tooMany, {}, "larger than 4 MB"},
    };
    for (const Case &c : cases) {
        const jpeg::ColorInfo info = jpeg::ReadColorInfo(withSegments(c.segments));
        EXPECT_EQ(info.iccProfile, c.profile) << c.name;
        if (*c.problem)
            EXPECT_TRUE(info.problem.contains(QLatin1String(c.problem))) << c.name << ": " << info.problem.toStdString();
        else
            EXPECT_TRUE(info.problem.isEmpty()) << c.name << ": " << info.problem.toStdString();
        EXPECT_EQ(info.components, 3) << c.name;
    }
}

TEST(JpegProfile, CutOffAndNonJpegDataGiveNoProfileAndNoFault)
{
    const QByteArray whole = withSegments({iccSegment(1, 2, pattern(5000, 1)), iccSegment(2, 2, pattern(5000, 2))});
    const jpeg::ColorInfo full = jpeg::ReadColorInfo(whole);
    ASSERT_EQ(full.iccProfile.size(), 10000);
    // Cut inside the second chunk: refused as cut off.
    const jpeg::ColorInfo cut = jpeg::ReadColorInfo(whole.left(2 + 5018 + 100));
    EXPECT_TRUE(cut.iccProfile.isEmpty());
    EXPECT_TRUE(cut.problem.contains(QLatin1String("cut off"))) << cut.problem.toStdString();
    // Every shorter prefix reads without fault.
    for (qsizetype n = 0; n < whole.size(); n += 97)
        (void)jpeg::ReadColorInfo(whole.left(n));
    EXPECT_TRUE(jpeg::ReadColorInfo(QByteArray("not a jpeg")).iccProfile.isEmpty());
    EXPECT_TRUE(jpeg::ReadColorInfo(QByteArray()).problem.isEmpty());
}

TEST(JpegProfile, TheEncoderEmbedsAProfileThatReadsBackWhole)
{
    // Larger than one segment holds: split into three chunks.
    const QByteArray profile = pattern(150000, 9);
    const QByteArray jpeg = smallJpeg(profile);
    const jpeg::ColorInfo info = jpeg::ReadColorInfo(jpeg);
    EXPECT_EQ(info.iccProfile, profile);
    EXPECT_TRUE(info.problem.isEmpty());
    EXPECT_EQ(jpeg.count(QByteArray("ICC_PROFILE", 12)), 3);
    // The pixels still decode.
    jpeg::DecodeOptions options;
    EXPECT_EQ(jpeg::Decode(jpeg, options).width, 16);
    EXPECT_TRUE(jpeg::ReadColorInfo(smallJpeg()).iccProfile.isEmpty());
}

TEST(JpegProfile, TheExifAdobeRgbMarkNeedsBothColorSpaceAndInteropIndex)
{
    const QString dir = test::scratchDir(QStringLiteral("jpeg-profile"));
    struct Case {
        QStringList tags;
        bool adobe;
    };
    const Case cases[] = {
        {{QStringLiteral("-ColorSpace#=65535"), QStringLiteral("-InteropIndex=R03")}, true},
        {{QStringLiteral("-ColorSpace#=1"), QStringLiteral("-InteropIndex=R03")}, false},
        {{QStringLiteral("-ColorSpace#=65535"), QStringLiteral("-InteropIndex=R98")}, false},
        {{QStringLiteral("-ColorSpace#=65535")}, false},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString path = dir + QStringLiteral("/mark-%1.jpg").arg(n++);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(smallJpeg());
        file.close();
        QProcess exiftool;
        exiftool.start(QStringLiteral("exiftool"), QStringList{QStringLiteral("-q"), QStringLiteral("-overwrite_original")}
                                                       << c.tags << path);
        ASSERT_TRUE(exiftool.waitForFinished(20000));
        ASSERT_EQ(exiftool.exitCode(), 0) << exiftool.readAllStandardError().toStdString();
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const jpeg::ColorInfo fromDevice = jpeg::ReadColorInfo(written);
        EXPECT_EQ(fromDevice.exifAdobeRgb, c.adobe) << c.tags.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(jpeg::ReadColorInfo(test::readFile(path)).exifAdobeRgb, c.adobe);
    }
}
