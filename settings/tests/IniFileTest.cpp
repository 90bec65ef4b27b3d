#include "settings/IniFile.h"

#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

using namespace vellora;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A settings object on an explicit path, not saved on destruction unless asked.
std::unique_ptr<TExtIniFile> openIni(const QString &path, TIniEncoding encoding = TIniEncoding::ieDefault,
                                     bool autoUpdate = false)
{
    auto ini = std::make_unique<TExtIniFile>();
    ini->SetAutoUpdate(false);
    ini->SetEncoding(encoding);
    ini->SetDefaultFolder(TDefaultFolder::dfUser);
    ini->SetFileName(path);
    ini->SetAutoUpdate(autoUpdate);
    return ini;
}

// Converts a file to UTF-8 with the system's iconv.
QByteArray iconvToUtf8(const QString &path, const char *from)
{
    QProcess p;
    p.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QLatin1String(from), QStringLiteral("-t"),
                                      QStringLiteral("UTF-8"), path});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QByteArray("<iconv failed>");
    return p.readAllStandardOutput();
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char *name = "test.ini") const { return dir.filePath(QLatin1String(name)); }
};

} // namespace

TEST_F(IniFileTest, ReadingDropsShortLinesAndOrphansAndKeepsEverythingElseRaw)
{
    writeBytes(path(), QByteArray("orphan=1\r\n[Main]\r\n\r\nx\r\nWidth = 10\r\nno equals sign\r\n"
                                  "[Main]\rA=1\n[Other] \n[ Spaced ]\r\nk=v"));
    auto ini = openIni(path());
    // The repeated header is a second section; "[Other] " does not end with "]".
    EXPECT_EQ(ini->SectionCount(), 3);
    QStringList names;
    ini->ReadSectionName(names);
    EXPECT_EQ(names, QStringList({QStringLiteral("Main"), QStringLiteral("Main"), QStringLiteral(" Spaced ")}));
    QStringList lines;
    ini->ReadSection(QStringLiteral("Main"), lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("Width = 10"), QStringLiteral("no equals sign")}));
    EXPECT_EQ(ini->ReadStr(QStringLiteral("Main"), QStringLiteral("A"), QStringLiteral("first wins")),
              QStringLiteral("first wins"));
    EXPECT_EQ(ini->ReadStr(QStringLiteral("Main"), QStringLiteral("Width"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_EQ(ini->ReadStr(QStringLiteral("[Main]"), QStringLiteral("Width "), QString()), QStringLiteral(" 10"));
    EXPECT_EQ(ini->ReadStr(QStringLiteral(" Spaced "), QStringLiteral("k"), QString()), QStringLiteral("v"));
    EXPECT_FALSE(ini->Modified());

    ini->Update();
    EXPECT_EQ(fileBytes(path()), QByteArray("[Main]\r\nWidth = 10\r\nno equals sign\r\n\r\n"
                                            "[Main]\r\nA=1\r\n[Other] \r\n\r\n"
                                            "[ Spaced ]\r\nk=v\r\n\r\n"));
}

TEST_F(IniFileTest, DuplicateSectionsStaySeparateAndTheFirstAnswers)
{
    writeBytes(path(), QByteArray("[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n"));
    auto ini = openIni(path());
    EXPECT_EQ(ini->SectionCount(), 2);
    EXPECT_EQ(ini->ReadStr(QStringLiteral("s"), QStringLiteral("k"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini->ReadStr(QStringLiteral("S"), QStringLiteral("j"), QStringLiteral("absent")), QStringLiteral("absent"));
}

TEST_F(IniFileTest, CaseSensitivityOfSectionsAndKeys)
{
    auto ini = openIni(path());
    ini->WriteStr(QStringLiteral("Main"), QStringLiteral("Key"), QStringLiteral("v"));
    EXPECT_TRUE(ini->SectionExists(QStringLiteral("main")));
    EXPECT_EQ(ini->ReadStr(QStringLiteral("MAIN"), QStringLiteral("key"), QString()), QStringLiteral("v"));
    ini->SetCaseSensitive(true);
    EXPECT_FALSE(ini->SectionExists(QStringLiteral("main")));
    EXPECT_TRUE(ini->SectionExists(QStringLiteral("[Main]")));
    EXPECT_FALSE(ini->ItemExists(QStringLiteral("Main"), QStringLiteral("key")));
    EXPECT_TRUE(ini->ItemExists(QStringLiteral("Main"), QStringLiteral("Key")));
}

TEST_F(IniFileTest, EmptyValuesMoveTheKeyToTheEndAndOthersReplaceInPlace)
{
    auto ini = openIni(path());
    const QString s = QStringLiteral("Main");
    ini->WriteStr(s, QStringLiteral("a"), QStringLiteral("1"));
    ini->WriteStr(s, QStringLiteral("b"), QStringLiteral("2"));
    ini->WriteStr(s, QStringLiteral("c"), QStringLiteral("3"));
    ini->WriteStr(s, QStringLiteral("b"), QStringLiteral("22"));
    ini->WriteStr(s, QStringLiteral("a"), QString());
    QStringList lines;
    ini->ReadSection(s, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("b=22"), QStringLiteral("c=3"), QStringLiteral("a=")}));
    EXPECT_TRUE(ini->ItemExists(s, QStringLiteral("a")));
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("a"), QStringLiteral("def")), QString());
    EXPECT_TRUE(ini->Modified());
}

TEST_F(IniFileTest, IntegerColourAndBooleanReadingRules)
{
    auto ini = openIni(path());
    const QString s = QStringLiteral("V");
    const struct {
        const char *text;
        std::int32_t asInt;
        std::int64_t asInt64;
        std::uint32_t asCardinal;
    } ints[] = {
        {"0x1F", 31, 31, 31},
        {"0X1f", 31, 31, 31},
        {"$1F", 31, 31, 31},
        {"12a", -7, -7, 7},
        {"0x", -7, -7, 7},
        {"$", -7, -7, 7},
        {"-5", -5, -5, 0xFFFFFFFBu},
        {" 8", 8, 8, 8},
        {"8 ", -7, -7, 7},
        {"$FFFFFFFF", -1, 0xFFFFFFFFLL, 0xFFFFFFFFu},
        {"2147483647", 2147483647, 2147483647LL, 2147483647u},
        {"2147483648", -7, 2147483648LL, 2147483648u},
        {"-2147483648", std::numeric_limits<std::int32_t>::min(), -2147483648LL, 2147483648u},
        {"4294967296", -7, 4294967296LL, 0u},
        {"9223372036854775808", -7, -7, 7},
    };
    for (const auto &c : ints) {
        ini->WriteStr(s, QStringLiteral("k"), QLatin1String(c.text));
        EXPECT_EQ(ini->ReadInt(s, QStringLiteral("k"), -7), c.asInt) << c.text;
        EXPECT_EQ(ini->ReadInt64(s, QStringLiteral("k"), -7), c.asInt64) << c.text;
        EXPECT_EQ(ini->ReadCardinal(s, QStringLiteral("k"), 7), c.asCardinal) << c.text;
    }

    const struct {
        const char *text;
        bool value;
    } bools[] = {{"1", true}, {"TRUE", true}, {"tRuE", true}, {"yes", false}, {"0", false}, {"", false}, {"2", false}};
    for (const auto &c : bools) {
        ini->WriteStr(s, QStringLiteral("b"), QLatin1String(c.text));
        EXPECT_EQ(ini->ReadBool(s, QStringLiteral("b"), !c.value), c.value) << c.text;
    }
    EXPECT_TRUE(ini->ReadBool(s, QStringLiteral("absent"), true));
    ini->WriteBool(s, QStringLiteral("b"), true);
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("b"), QString()), QStringLiteral("1"));

    ini->WriteColor(s, QStringLiteral("c"), 255);
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("c"), QString()), QStringLiteral("$000000FF"));
    ini->WriteColor(s, QStringLiteral("c"), clNone);
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("c"), QString()), QStringLiteral("$1FFFFFFF"));
    EXPECT_EQ(ini->ReadColor(s, QStringLiteral("c"), 0), clNone);
    ini->WriteCardinal(s, QStringLiteral("u"), 0xFFFFFFFFu);
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("u"), QString()), QStringLiteral("4294967295"));
    ini->WriteInt64(s, QStringLiteral("w"), -9000000000LL);
    EXPECT_EQ(ini->ReadInt64(s, QStringLiteral("w"), 0), -9000000000LL);
}

TEST_F(IniFileTest, FloatsUseFifteenDigitsGeneralFormatWithoutTheLocale)
{
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {1.5, "1.5"},
        {-2.25, "-2.25"},
        {100.0, "100"},
        {0.0, "0"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E15"},
        {1e20, "1E20"},
        {0.00001, "0.00001"},
        {0.000001, "1E-6"},
        {-2.5e-7, "-2.5E-7"},
    };
    auto ini = openIni(path());
    for (const auto &c : cases) {
        ini->WriteFloat(QStringLiteral("F"), QStringLiteral("v"), c.value);
        EXPECT_EQ(ini->ReadStr(QStringLiteral("F"), QStringLiteral("v"), QString()), QLatin1String(c.text));
        const double back = ini->ReadFloat(QStringLiteral("F"), QStringLiteral("v"), -1);
        EXPECT_NEAR(back, c.value, std::fabs(c.value) * 1e-14) << c.text;
    }
    for (const char *bad : {"abc", "", "1.5x", "nan", "inf"}) {
        ini->WriteStr(QStringLiteral("F"), QStringLiteral("v"), QLatin1String(bad));
        EXPECT_EQ(ini->ReadFloat(QStringLiteral("F"), QStringLiteral("v"), -1.0), -1.0) << bad;
    }
    ini->WriteCurr(QStringLiteral("F"), QStringLiteral("c"), 12.345678);
    EXPECT_EQ(ini->ReadStr(QStringLiteral("F"), QStringLiteral("c"), QString()), QStringLiteral("12.3457"));
    EXPECT_DOUBLE_EQ(ini->ReadCurr(QStringLiteral("F"), QStringLiteral("c"), 0), 12.3457);
}

TEST_F(IniFileTest, DatesAreDaysSinceTheEndOf1899)
{
    auto ini = openIni(path());
    const QString s = QStringLiteral("D");
    ini->WriteDateTime(s, QStringLiteral("t"), QDateTime(QDate(1899, 12, 30), QTime(12, 0)));
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("t"), QString()), QStringLiteral("0.5"));
    ini->WriteDate(s, QStringLiteral("d"), QDate(2000, 1, 1));
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("d"), QString()), QStringLiteral("36526"));
    const QDateTime when(QDate(2024, 2, 29), QTime(18, 30, 15));
    ini->WriteDateTime(s, QStringLiteral("w"), when);
    EXPECT_EQ(ini->ReadDateTime(s, QStringLiteral("w"), QDateTime()), when);
    EXPECT_EQ(ini->ReadDate(s, QStringLiteral("w"), QDate()), when.date());
    EXPECT_EQ(ini->ReadTime(s, QStringLiteral("w"), QTime()), when.time());
    ini->WriteDateTime(s, QStringLiteral("old"), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("old"), QString()), QStringLiteral("-1.25"));
    EXPECT_EQ(ini->ReadDateTime(s, QStringLiteral("old"), QDateTime()), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));

    const QDate fallback(2001, 2, 3);
    for (const char *outside : {"-693594", "2958466", "1e300", "x"}) {
        ini->WriteStr(s, QStringLiteral("bad"), QLatin1String(outside));
        EXPECT_EQ(ini->ReadDate(s, QStringLiteral("bad"), fallback), fallback) << outside;
    }
    ini->WriteStr(s, QStringLiteral("edge"), QStringLiteral("-693593"));
    EXPECT_EQ(ini->ReadDate(s, QStringLiteral("edge"), fallback), QDate(1, 1, 1));
}

TEST_F(IniFileTest, DirectoriesGetATrailingDelimiter)
{
    auto ini = openIni(path());
    ini->SetUpdateAtOnce(true);
    const QByteArray before = fileBytes(path());
    ini->WriteDirectory(QStringLiteral("Dirs"), QStringLiteral("a"), QStringLiteral("/photos"));
    ini->WriteDirectory(QStringLiteral("Dirs"), QStringLiteral("b"), QString());
    EXPECT_EQ(fileBytes(path()), before);   // never saved at once
    EXPECT_EQ(ini->ReadStr(QStringLiteral("Dirs"), QStringLiteral("a"), QString()), QStringLiteral("/photos/"));
    EXPECT_EQ(ini->ReadStr(QStringLiteral("Dirs"), QStringLiteral("b"), QStringLiteral("x")), QString());
    ini->WriteStr(QStringLiteral("Dirs"), QStringLiteral("c"), QStringLiteral("/tmp"));
    EXPECT_EQ(ini->ReadDirectory(QStringLiteral("Dirs"), QStringLiteral("c"), QString()), QStringLiteral("/tmp/"));
    EXPECT_EQ(ini->ReadDirectory(QStringLiteral("Dirs"), QStringLiteral("b"), QStringLiteral("/x")), QString());
}

TEST_F(IniFileTest, ListsShrinkAndFamiliesAreDeletedWhole)
{
    auto ini = openIni(path());
    const QString s = QStringLiteral("L");
    ini->WriteList(s, QStringLiteral("Files"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                                QStringLiteral("d"), QStringLiteral("e")});
    ini->WriteStr(s, QStringLiteral("after"), QStringLiteral("kept"));
    ini->WriteList(s, QStringLiteral("Files"), {QStringLiteral("x"), QStringLiteral("y")});
    QStringList lines;
    ini->ReadSection(s, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("Files=LIST"), QStringLiteral("Files.count=2"),
                                  QStringLiteral("Files.0=x"), QStringLiteral("Files.1=y"),
                                  QStringLiteral("after=kept")}));

    // Reading skips absent members.
    ini->WriteStr(s, QStringLiteral("Files.count"), QStringLiteral("4"));
    ini->WriteStr(s, QStringLiteral("Files.3"), QStringLiteral("z"));
    QStringList list{QStringLiteral("old")};
    ini->ReadList(s, QStringLiteral("Files"), list);
    EXPECT_EQ(list, QStringList({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}));

    ini->WriteStr(s, QStringLiteral("Files"), QStringLiteral("list"));   // marker in any case
    ini->DeleteItem(s, QStringLiteral("Files"));
    ini->ReadSection(s, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("after=kept")}));

    TFont font;
    ini->WriteFont(s, QStringLiteral("F"), font);
    ini->WriteBounds(s, QStringLiteral("B"), QRect(1, 2, 3, 4));
    ini->WriteForm(s, QStringLiteral("W"), TWindowPlacement(), 0, QSize(5, 6));
    ini->ReadSection(s, lines);
    EXPECT_EQ(lines.size(), 1 + 10 + 5 + 12);
    for (const char *item : {"F", "B", "W"})
        ini->DeleteItem(s, QLatin1String(item));
    ini->ReadSection(s, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("after=kept")}));
}

TEST_F(IniFileTest, FontsRoundTripAndAbsentKeysLeaveAttributesAlone)
{
    auto ini = openIni(path());
    TFont font;
    font.Name = QStringLiteral("IPA明朝");
    font.Charset = 128;
    font.Color = 0x00123456;
    font.Height = -16;
    font.Pitch = TFontPitch::fpFixed;
    font.Style.include(TFontStyle::fsBold);
    font.Style.include(TFontStyle::fsStrikeOut);
    ini->WriteFont(QStringLiteral("Fonts"), QStringLiteral("Text"), font);
    QStringList lines;
    ini->ReadSection(QStringLiteral("Fonts"), lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("Text=FONT"), QStringLiteral("Text.charset=128"),
                                  QStringLiteral("Text.color=$00123456"), QStringLiteral("Text.height=-16"),
                                  QStringLiteral("Text.name=IPA明朝"), QStringLiteral("Text.pitch=2"),
                                  QStringLiteral("Text.b=1"), QStringLiteral("Text.i=0"), QStringLiteral("Text.u=0"),
                                  QStringLiteral("Text.s=1")}));
    TFont back;
    ini->ReadFont(QStringLiteral("Fonts"), QStringLiteral("Text"), back);
    EXPECT_EQ(back, font);

    ini->DeleteItem(QStringLiteral("Fonts"), QStringLiteral("Text.name"));
    ini->DeleteItem(QStringLiteral("Fonts"), QStringLiteral("Text.b"));
    ini->WriteStr(QStringLiteral("Fonts"), QStringLiteral("Text.pitch"), QStringLiteral("7"));
    TFont partial;
    partial.Style.exclude(TFontStyle::fsBold);
    ini->ReadFont(QStringLiteral("Fonts"), QStringLiteral("Text"), partial);
    EXPECT_EQ(partial.Name, TFont().Name);
    EXPECT_FALSE(partial.Style.contains(TFontStyle::fsBold));
    EXPECT_TRUE(partial.Style.contains(TFontStyle::fsStrikeOut));
    EXPECT_EQ(partial.Pitch, TFontPitch::fpVariable);
    EXPECT_EQ(partial.Height, -16);
}

TEST_F(IniFileTest, BoundsPositionsSizesAndPlacements)
{
    auto ini = openIni(path());
    ini->WriteBounds(QStringLiteral("C"), QStringLiteral("Panel"), QRect(10, 20, 300, 400));
    QRect bounds(1, 1, 1, 1);
    ini->ReadBounds(QStringLiteral("C"), QStringLiteral("Panel"), bounds);
    EXPECT_EQ(bounds, QRect(10, 20, 300, 400));
    ini->DeleteItem(QStringLiteral("C"), QStringLiteral("Panel.width"));
    bounds = QRect(0, 0, 77, 88);
    ini->ReadBounds(QStringLiteral("C"), QStringLiteral("Panel"), bounds);
    EXPECT_EQ(bounds, QRect(10, 20, 77, 400));
    QPoint pos;
    ini->ReadPos(QStringLiteral("C"), QStringLiteral("Panel"), pos);
    EXPECT_EQ(pos, QPoint(10, 20));
    QSize size(5, 5);
    ini->ReadSize(QStringLiteral("C"), QStringLiteral("Panel"), size);
    EXPECT_EQ(size, QSize(5, 400));

    TWindowPlacement placement;
    placement.ShowCmd = kShowMaximized;
    placement.MaxPosition = QPoint(-4, -4);
    placement.Left = 100;
    placement.Top = 50;
    placement.Right = 900;
    placement.Bottom = 650;
    ini->WriteForm(QStringLiteral("Forms"), QStringLiteral("frmMain"), placement, 2, QSize(780, 560));
    QStringList lines;
    ini->ReadSection(QStringLiteral("Forms"), lines);
    EXPECT_EQ(lines.join(QLatin1Char(';')),
              QStringLiteral("frmMain=FORM;frmMain.flags=0;frmMain.show=3;frmMain.mx=-4;frmMain.my=-4;"
                             "frmMain.left=100;frmMain.top=50;frmMain.right=900;frmMain.bottom=650;"
                             "frmMain.state=2;frmMain.cwidth=780;frmMain.cheight=560"));
    TWindowPlacement back;
    ini->ReadPlacement(QStringLiteral("Forms"), QStringLiteral("frmMain"), back);
    EXPECT_EQ(back.ShowCmd, kShowMaximized);
    EXPECT_EQ(back.MaxPosition, QPoint(-4, -4));
    EXPECT_EQ(QRect(QPoint(back.Left, back.Top), QPoint(back.Right, back.Bottom)),
              QRect(QPoint(100, 50), QPoint(900, 650)));
}

TEST_F(IniFileTest, EachEncodingIsWrittenAsSpecifiedAndReadableByIconv)
{
    const QString value = QStringLiteral("写真フォルダ ｶﾅ");
    const QByteArray text = QStringLiteral("[日本語]\r\n名前=%1\r\n\r\n").arg(value).toUtf8();
    const struct {
        TIniEncoding encoding;
        const char *iconvName;
        QByteArray mark;
    } cases[] = {
        {TIniEncoding::ieDefault, "CP932", QByteArray()},
        {TIniEncoding::ieUnicode, "UTF-16", QByteArray("\xFF\xFE", 2)},
        {TIniEncoding::ieUTF8, "UTF-8", QByteArray("\xEF\xBB\xBF", 3)},
    };
    for (const auto &c : cases) {
        const QString file = path(c.iconvName);
        {
            auto ini = openIni(file, c.encoding, true);
            ini->WriteStr(QStringLiteral("日本語"), QStringLiteral("名前"), value);
        }   // written on destruction
        const QByteArray bytes = fileBytes(file);
        EXPECT_TRUE(bytes.startsWith(c.mark)) << c.iconvName;
        QByteArray decoded = iconvToUtf8(file, c.iconvName);
        if (decoded.startsWith("\xEF\xBB\xBF"))
            decoded = decoded.mid(3);
        EXPECT_EQ(decoded, text) << c.iconvName;
        if (c.encoding == TIniEncoding::ieDefault) {
            // Shift_JIS: 写 = 8E CA, half-width katakana are single bytes.
            EXPECT_TRUE(bytes.startsWith(QByteArray("[\x93\xfa\x96\x7b\x8c\xea]\r\n", 10)));
            EXPECT_TRUE(bytes.contains(QByteArray("=\x8e\xca", 3)));
            EXPECT_TRUE(bytes.contains(QByteArray(" \xb6\xc5\r\n", 5)));
        }
        // Read back by the same encoding and, with a mark, by ieDefault.
        for (TIniEncoding reader : {c.encoding, TIniEncoding::ieDefault}) {
            auto back = openIni(file, reader);
            EXPECT_EQ(back->ReadStr(QStringLiteral("日本語"), QStringLiteral("名前"), QString()), value) << c.iconvName;
        }
    }
}

TEST_F(IniFileTest, DefaultEncodingDetectsMarksIncludingBigEndian)
{
    const QString text = QStringLiteral("[S]\r\nk=値\r\n");
    QByteArray be("\xFE\xFF", 2);
    for (const QChar ch : text) {
        be.append(static_cast<char>(ch.unicode() >> 8));
        be.append(static_cast<char>(ch.unicode() & 0xFF));
    }
    writeBytes(path(), be);
    EXPECT_EQ(openIni(path())->ReadStr(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("値"));

    // A UTF-16 file without its mark is still read under ieUnicode.
    QByteArray le;
    for (const QChar ch : text) {
        le.append(static_cast<char>(ch.unicode() & 0xFF));
        le.append(static_cast<char>(ch.unicode() >> 8));
    }
    writeBytes(path(), le);
    EXPECT_EQ(openIni(path(), TIniEncoding::ieUnicode)->ReadStr(QStringLiteral("S"), QStringLiteral("k"), QString()),
              QStringLiteral("値"));
}

TEST_F(IniFileTest, TextTheLegacyCodePageCannotHoldIsNotLost)
{
    const QString value = QStringLiteral("/home/jürgen/Fotos 😀");
    {
        auto ini = openIni(path(), TIniEncoding::ieDefault, true);
        ini->WriteStr(QStringLiteral("Option"), QStringLiteral("Folder"), value);
    }
    EXPECT_TRUE(fileBytes(path()).startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(openIni(path())->ReadStr(QStringLiteral("Option"), QStringLiteral("Folder"), QString()), value);
}

TEST_F(IniFileTest, SavingEmptyAndMovingEmpty)
{
    const struct {
        TIniEncoding encoding;
        QByteArray bytes;
    } cases[] = {{TIniEncoding::ieDefault, QByteArray()},
                 {TIniEncoding::ieUnicode, QByteArray("\xFF\xFE", 2)},
                 {TIniEncoding::ieUTF8, QByteArray("\xEF\xBB\xBF", 3)}};
    for (const auto &c : cases) {
        auto ini = openIni(path(), c.encoding);
        ini->Update();
        EXPECT_EQ(fileBytes(path()), c.bytes);
    }
    // Moving an object without sections writes nothing at the old place.
    auto ini = openIni(path("never.ini"), TIniEncoding::ieDefault, true);
    ini->SetFileName(path("next.ini"));
    EXPECT_FALSE(QFile::exists(path("never.ini")));
    // With sections, the old place is written before the move and the new one is loaded.
    ini->WriteStr(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    ini->SetFileName(path("third.ini"));
    EXPECT_EQ(fileBytes(path("next.ini")), QByteArray("[S]\r\nk=v\r\n\r\n"));
    EXPECT_EQ(ini->SectionCount(), 0);
    ini->SetAutoUpdate(false);
}

TEST_F(IniFileTest, UpdateAtOnceAndEventsAndModified)
{
    int loads = 0, updates = 0;
    writeBytes(path(), "[S]\r\nk=v\r\n");
    auto ini = std::make_unique<TExtIniFile>();
    ini->SetAutoUpdate(false);
    ini->SetOnLoad([&](TExtIniFile &) { ++loads; });
    ini->SetOnUpdate([&](TExtIniFile &) { ++updates; });
    ini->SetDefaultFolder(TDefaultFolder::dfUser);
    ini->SetFileName(path());
    EXPECT_EQ(loads, 1);
    EXPECT_FALSE(ini->Modified());
    ini->SetUpdateAtOnce(true);
    EXPECT_EQ(updates, 1);
    ini->WriteInt(QStringLiteral("S"), QStringLiteral("n"), 5);
    EXPECT_EQ(updates, 2);
    EXPECT_FALSE(ini->Modified());
    EXPECT_EQ(fileBytes(path()), QByteArray("[S]\r\nk=v\r\nn=5\r\n\r\n"));
    EXPECT_TRUE(ini->RenameSection(QStringLiteral("S"), QStringLiteral("T")));   // no save
    EXPECT_TRUE(ini->Modified());
    EXPECT_FALSE(ini->RenameSection(QStringLiteral("S"), QStringLiteral("U")));
    ini->WriteStr(QStringLiteral("U"), QStringLiteral("x"), QStringLiteral("1"));
    EXPECT_FALSE(ini->RenameSection(QStringLiteral("T"), QStringLiteral("[u]")));
    ini->EraseSection(QStringLiteral("U"));
    EXPECT_EQ(fileBytes(path()), QByteArray("[T]\r\nk=v\r\nn=5\r\n\r\n"));
    ini->Erase();
    EXPECT_EQ(fileBytes(path()), QByteArray());
}

TEST_F(IniFileTest, RenameMovesTheFileAndCopyCopiesTheDiskBytes)
{
    writeBytes(path(), "[S]\r\nk=v\r\n");
    auto ini = openIni(path());
    ini->WriteStr(QStringLiteral("S"), QStringLiteral("unsaved"), QStringLiteral("1"));
    EXPECT_TRUE(ini->Copy(path("copy.ini")));
    EXPECT_EQ(fileBytes(path("copy.ini")), QByteArray("[S]\r\nk=v\r\n"));

    const QString target = dir.filePath(QStringLiteral("new/deeper/moved.ini"));
    EXPECT_TRUE(ini->Rename(TDefaultFolder::dfUser, target));
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(fileBytes(target), QByteArray("[S]\r\nk=v\r\n"));
    EXPECT_EQ(ini->AbsoluteFileName(), target);
    EXPECT_TRUE(ini->ItemExists(QStringLiteral("S"), QStringLiteral("unsaved")));   // not reloaded
}

TEST_F(IniFileTest, AppDataLocationFollowsXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString config = dir.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    {
        TExtIniFile ini;
        ini.SetDefaultFolder(TDefaultFolder::dfAppData);
        ini.SetFileName(QStringLiteral("Vellora.ini"));
        EXPECT_EQ(ini.AbsoluteFileName(), config + QStringLiteral("/Vellora/Vellora.ini"));
        EXPECT_TRUE(QFileInfo(config + QStringLiteral("/Vellora")).isDir());
        EXPECT_FALSE(QFile::exists(ini.AbsoluteFileName()));   // nothing before the first save
        ini.WriteStr(QStringLiteral("Main"), QStringLiteral("k"), QStringLiteral("v"));
    }
    EXPECT_EQ(fileBytes(config + QStringLiteral("/Vellora/Vellora.ini")), QByteArray("[Main]\r\nk=v\r\n\r\n"));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(IniFileTest, BadFilesLoadWhatTheyCan)
{
    // A directory where the file should be: empty, and saving fails quietly.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
    {
        auto ini = openIni(path("folder.ini"));
        EXPECT_EQ(ini->SectionCount(), 0);
        ini->WriteStr(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
        ini->Update();
        EXPECT_TRUE(ini->Modified());
    }
    // Truncated UTF-16 (odd length): the cut unit is dropped.
    writeBytes(path(), QByteArray("\xFF\xFE[\0S\0]\0\n\0k\0=\0v\0w", 17));
    EXPECT_EQ(openIni(path())->ReadStr(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("v"));
    // Bytes invalid in CP932 become replacement characters; the rest loads.
    writeBytes(path(), QByteArray("[S]\r\nbad=\x81\x20\xff\r\nk=v\r\n"));
    {
        auto ini = openIni(path());
        EXPECT_EQ(ini->ReadStr(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("v"));
        EXPECT_TRUE(ini->ReadStr(QStringLiteral("S"), QStringLiteral("bad"), QString()).contains(QChar(0xFFFD)));
    }
    // A 1 MB line.
    QByteArray big("[S]\r\nlong=");
    big.append(QByteArray(1024 * 1024, 'x'));
    big.append("\r\nk=v\r\n");
    writeBytes(path(), big);
    {
        auto ini = openIni(path());
        EXPECT_EQ(ini->ReadStr(QStringLiteral("S"), QStringLiteral("long"), QString()).size(), 1024 * 1024);
        EXPECT_EQ(ini->ReadStr(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("v"));
    }
}
