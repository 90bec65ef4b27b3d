#include "model/DocumentFormat.h"
#include "model/ImageArea.h"
#include "model/ImageInfos.h"
#include "model/LegacyDocument.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "settings/Codepage.h"
#include "settings/Stream.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

// Writes the fields of an old document one by one.
struct LegacyWriter {
    TMemoryStream s;

    void str(const QString &text)
    {
        s.WriteBytes(EncodeCp932(text));
        s.WriteU8(0);
    }
    void ext(Extended v) { s.WriteExtended(v); }
    void skip(int n) { s.WriteBytes(QByteArray(n, '\x55')); }
    void font(const QString &name, std::int32_t height, bool bold, bool italic)
    {
        str(name);
        s.WriteU8(128);           // charset
        s.WriteU32(0x00336699);   // colour
        s.WriteI32(height);
        s.WriteU8(2);             // fixed pitch
        s.WriteBool(bold);
        s.WriteBool(italic);
        s.WriteBool(false);
        s.WriteBool(false);
    }
    // Fill (colour, end colour, style), frame (colour, style, width), gradient direction.
    void background(TColor colour, TFillStyle fill, TFrameStyle frame, Extended frameWidth)
    {
        s.WriteU32(colour);
        s.WriteU32(0x00FFFFFF);
        s.WriteU8(Ord(fill));
        s.WriteU32(0x000000FF);
        s.WriteU8(Ord(frame));
        ext(frameWidth);
        s.WriteU8(1);   // vertical
    }
    void areaStart(std::uint8_t kind, Extended left, Extended top, Extended width, Extended height)
    {
        s.WriteU8(kind);
        background(0x00ABCDEF, TFillStyle::fisSolid, TFrameStyle::frsDash, 0.25L);
        ext(left);
        ext(top);
        ext(width);
        ext(height);
    }
    void textArea(const QString &text, std::uint16_t degrees, bool fit, bool wrap)
    {
        areaStart(kTextAreaKind, 10, 20, 30, 5);
        ext(1);
        ext(2);
        ext(3);
        ext(4);   // paddings
        str(text);
        font(QStringLiteral("ＭＳ ゴシック"), -13, false, true);
        s.WriteU8(Ord(THorzAlignment::haRight));
        s.WriteU8(Ord(TTextSourceType::tstExifDate));
        s.WriteBool(false);   // own font
        s.WriteU16(degrees);
        ext(1.5L);            // row pitch
        s.WriteBool(fit);
        s.WriteU8(Ord(TVertAlignment::vaBottom));
        s.WriteBool(wrap);
    }
    void imageArea(std::uint8_t mode, std::uint8_t proportional, std::int32_t v, const QByteArray &bmp)
    {
        areaStart(kImageAreaKind, 1, 2, 3, 4);
        skip(10);
        s.WriteU8(mode);
        s.WriteU8(proportional);
        s.WriteI32(v);
        if (v <= 0) {
            s.WriteBool(true);
            s.WriteU32(0x00010203);
            s.WriteBool(true);
        }
        s.WriteI32(static_cast<std::int32_t>(bmp.size()));
        s.WriteBytes(bmp);
    }
};

QByteArray bmpBytes(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(Qt::yellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// A 2 x 2 old document with a cell record (rotation code 7, photo size 1,
// scale 150 %), a free area in the cell and, after the marker, a printer
// name and two paper areas.
QByteArray legacyDocument(bool withMarker, std::int32_t divide = 2, int cellAreas = 1)
{
    LegacyWriter w;
    w.s.WriteI32(divide);
    w.s.WriteI32(divide);
    w.skip(8);
    w.font(QStringLiteral("ＭＳ 明朝"), -15, true, true);
    w.ext(5);
    w.ext(6);
    w.ext(7);
    w.ext(8);                 // margins
    w.s.WriteU8(1);           // landscape
    w.str(QStringLiteral("はがき"));
    w.ext(148);
    w.ext(100);               // paper size
    w.s.WriteI32(43);         // paper size number
    w.skip(8);
    w.ext(2.5L);              // protrude width
    w.ext(3);
    w.ext(4);                 // space
    w.background(0x00112233, TFillStyle::fisGradient, TFrameStyle::frsSolid, 0.5L);
    // Cell record.
    w.ext(4.5L);              // the paper's border width
    w.skip(10);
    w.s.WriteU8(Ord(TPhotoAlign::paLeftTop));
    w.s.WriteI32(150);        // scale %
    w.s.WriteU8(7);           // rotation: inherit
    w.s.WriteU8(1);           // psPaper
    w.s.WriteU8(2);           // plmDownOnly
    w.s.WriteU8(Ord(TPhotoAlign::paRightBottom));
    w.skip(10);
    w.background(0x00445566, TFillStyle::fisSolid, TFrameStyle::frsDot, 0.75L);
    w.s.WriteI32(cellAreas);
    for (int i = 0; i < cellAreas; ++i)
        w.textArea(QStringLiteral("ファイル名\r\n二行目"), 91, true, false);
    if (withMarker) {
        w.s.WriteI32(-1);
        w.str(QStringLiteral("プリンタ"));
        w.s.WriteI32(3);
        w.textArea(QStringLiteral("表題"), 300, false, true);
        w.imageArea(0, 1, 0, QByteArray());   // stretch, then proportional; no picture
        w.imageArea(1, 0, 5, bmpBytes(3, 2));   // tile, no transparency fields
    }
    // The print list record every opened document continues with.
    w.s.WriteU8(0);
    w.s.WriteI32(0);
    return w.s.Data();
}

} // namespace

TEST(LegacyDocument, HandBuiltFileReadsIntoTheRightValues)
{
    TPhotoPaper paper;
    paper.SetPaperSizeName(QStringLiteral("kept"));
    paper.SetPhotoSize(TPhotoSize::psLarge);
    paper.SetRotate(TPhotoRotate::pr90);
    TMemoryStream in(legacyDocument(true));
    LoadPaperFromStream(in, paper);
    TImageInfos images;
    images.LoadFromStream(in);
    EXPECT_EQ(in.Position(), in.Size());

    EXPECT_EQ(paper.Divide().cx, 2);
    EXPECT_EQ(paper.Divide().cy, 2);
    EXPECT_EQ(paper.Font().Name, QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(paper.Font().Height, -15);
    EXPECT_EQ(paper.Font().Charset, 128);
    EXPECT_EQ(paper.Font().Color, 0x00336699u);
    EXPECT_EQ(paper.Font().Pitch, TFontPitch::fpFixed);
    EXPECT_TRUE(paper.Font().Style.contains(TFontStyle::fsBold));
    EXPECT_TRUE(paper.Font().Style.contains(TFontStyle::fsItalic));
    EXPECT_EQ(paper.Margins(), FloatRect(5, 6, 7, 8));
    EXPECT_EQ(paper.PaperName(), QStringLiteral("はがき"));
    EXPECT_EQ(paper.PaperSize(), FloatSize(148, 100));
    EXPECT_EQ(paper.PaperSizeNumber(), 43);
    EXPECT_EQ(paper.ProtrudeWidth(), 2.5);
    EXPECT_EQ(paper.Space(), FloatSize(3, 4));
    EXPECT_EQ(paper.BorderWidth(), 4.5);
    EXPECT_EQ(paper.PrinterName(), QStringLiteral("プリンタ"));
    EXPECT_EQ(paper.Background().Fill().Style(), TFillStyle::fisGradient);
    EXPECT_EQ(paper.Background().Fill().Color(), 0x00112233u);
    EXPECT_EQ(paper.Background().Fill().GradientDirection(), TGradientDirection::gdVertical);
    EXPECT_EQ(paper.Background().Frame().Width(), 0.5);
    // Not in the old layout: kept.
    EXPECT_EQ(paper.PaperSizeName(), QStringLiteral("kept"));
    EXPECT_EQ(paper.Rotate(), TPhotoRotate::pr90);

    ASSERT_EQ(paper.PhotoAreas().Count(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const TPhotoArea &cell = *paper.PhotoAreas().Items(i);
        EXPECT_EQ(cell.HorizontalAlign(), TPhotoAlign::paLeftTop);
        EXPECT_FALSE(cell.ParentHorizontalAlign());
        EXPECT_EQ(cell.VerticalAlign(), TPhotoAlign::paRightBottom);
        EXPECT_EQ(cell.PhotoScale(), 1.5);
        EXPECT_EQ(cell.PhotoSize(), TPhotoSize::psPaper);
        EXPECT_EQ(cell.ScaleLimit(), TPhotoLimitMode::plmDownOnly);
        EXPECT_FALSE(cell.ParentPhotoSize());
        // Rotation code 7: the cell inherits the paper's rotation.
        EXPECT_TRUE(cell.ParentRotate());
        EXPECT_EQ(cell.Rotate(), TPhotoRotate::pr90);
        EXPECT_FALSE(cell.ParentBackground());
        EXPECT_EQ(cell.Background().Fill().Color(), 0x00445566u);
        EXPECT_EQ(cell.Background().Frame().Style(), TFrameStyle::frsDot);
        ASSERT_EQ(cell.Areas().Count(), 1);
        const auto *text = dynamic_cast<const TTextArea *>(cell.Areas().Items(0));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->Lines(), QStringList({QStringLiteral("ファイル名"), QStringLiteral("二行目")}));
        EXPECT_EQ(text->LinkAreaIndex(), i);   // each copy shows its own cell's photo
    }
    paper.SetRotate(TPhotoRotate::pr180);
    EXPECT_EQ(paper.PhotoAreas().Items(3)->Rotate(), TPhotoRotate::pr180);

    const auto *cellText = dynamic_cast<const TTextArea *>(paper.PhotoAreas().Items(0)->Areas().Items(0));
    EXPECT_EQ(cellText->Bounds(), FloatRect(10, 20, 40, 25));
    EXPECT_EQ(cellText->Paddings(), FloatRect(1, 2, 3, 4));
    EXPECT_EQ(cellText->OwnFont().Name, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_FALSE(cellText->ParentFont());
    EXPECT_EQ(cellText->HorzAlignment(), THorzAlignment::haRight);
    EXPECT_EQ(cellText->VertAlignment(), TVertAlignment::vaBottom);
    EXPECT_EQ(cellText->Source(), TTextSourceType::tstExifDate);
    EXPECT_EQ(cellText->Angle(), TTextAngle::taAngle180);
    EXPECT_EQ(cellText->RowPitch(), 1.5L);
    EXPECT_EQ(cellText->FitMode(), TTextFitMode::tfmTrans);
    EXPECT_EQ(cellText->Background().Fill().Color(), 0x00ABCDEFu);
    EXPECT_EQ(cellText->Background().Frame().Width(), 0.25);

    ASSERT_EQ(paper.Areas().Count(), 3);
    const auto *title = dynamic_cast<const TTextArea *>(paper.Areas().Items(0));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Angle(), TTextAngle::taAngle270);
    EXPECT_EQ(title->FitMode(), TTextFitMode::tfmWrap);
    const auto *blank = dynamic_cast<const TImageArea *>(paper.Areas().Items(1));
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->Bounds(), FloatRect(1, 2, 4, 6));
    EXPECT_EQ(blank->Angle(), TTextAngle::taNone);
    EXPECT_EQ(blank->DrawStyle(), TImageDrawMode::idmProportional);
    EXPECT_TRUE(blank->Transparent());
    EXPECT_EQ(blank->TransparentColor(), 0x00010203u);
    EXPECT_TRUE(blank->Background().Fill().OverAll());
    EXPECT_EQ(blank->Bitmap().size(), QSize(1, 1));
    EXPECT_EQ(blank->Bitmap().pixelColor(0, 0), QColor(Qt::white));
    const auto *tiled = dynamic_cast<const TImageArea *>(paper.Areas().Items(2));
    ASSERT_NE(tiled, nullptr);
    EXPECT_EQ(tiled->DrawStyle(), TImageDrawMode::idmTile);
    EXPECT_FALSE(tiled->Transparent());
    EXPECT_EQ(tiled->Bitmap().size(), QSize(3, 2));
    EXPECT_EQ(tiled->Bitmap().pixelColor(2, 1), QColor(Qt::yellow));
}

TEST(LegacyDocument, WithoutTheMarkerPrinterAndPaperAreasStay)
{
    TPhotoPaper paper;
    paper.StorePrinterName(QStringLiteral("before"));
    paper.Areas().AddText();
    TMemoryStream in(legacyDocument(false));
    LoadPaperFromStream(in, paper);
    EXPECT_EQ(paper.PrinterName(), QStringLiteral("before"));
    EXPECT_EQ(paper.Areas().Count(), 1);
    // The four bytes tried for the marker are the print list's: read in step.
    TImageInfos images;
    images.LoadFromStream(in);
    EXPECT_EQ(in.Position(), in.Size());
}

TEST(LegacyDocument, CellCodesOutsideTheirRanges)
{
    // Rotation, photo size and scale limit codes in one cell record.
    const struct {
        std::uint8_t rotation, size, limit;
        bool parentRotate, parentSize;
        TPhotoRotate rotate;
        TPhotoLimitMode scaleLimit;
    } cases[] = {
        {0, 0, 0, false, false, TPhotoRotate::prAuto, TPhotoLimitMode::plmNone},
        {1, 3, 1, false, false, TPhotoRotate::prNone, TPhotoLimitMode::plmUpOnly},
        {4, 4, 9, false, true, TPhotoRotate::pr270, TPhotoLimitMode::plmNone},
        {5, 200, 3, true, true, TPhotoRotate::pr180, TPhotoLimitMode::plmNone},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.rotation));
        TPhotoPaper paper;
        paper.SetRotate(TPhotoRotate::pr180);
        LegacyWriter w;
        w.ext(0);
        w.skip(10);
        w.s.WriteU8(1);
        w.s.WriteI32(100);
        w.s.WriteU8(c.rotation);
        w.s.WriteU8(c.size);
        w.s.WriteU8(c.limit);
        w.s.WriteU8(1);
        w.skip(10);
        w.background(0xFFFFFF, TFillStyle::fisNone, TFrameStyle::frsNone, 0);
        w.s.WriteI32(0);
        TMemoryStream in(w.s.Data());
        TPhotoArea &cell = *paper.PhotoAreas().Items(0);
        LoadLegacyPhotoAreaFromStream(in, cell);
        EXPECT_EQ(cell.ParentRotate(), c.parentRotate);
        EXPECT_EQ(cell.Rotate(), c.rotate);
        EXPECT_EQ(cell.ParentPhotoSize(), c.parentSize);
        EXPECT_EQ(cell.ScaleLimit(), c.scaleLimit);
    }
}

TEST(LegacyDocument, TruncatedAnywhereIsAReadError)
{
    const QByteArray whole = legacyDocument(true);
    // Every cut inside the paper part must fail, never crash; the cut at the
    // marker is a legal file without the optional tail.
    for (int cut = 0; cut < whole.size() - 5; cut += 7) {
        TPhotoPaper paper;
        TImageInfos images;
        TMemoryStream in(whole.left(cut));
        EXPECT_ANY_THROW({
            LoadPaperFromStream(in, paper);
            images.LoadFromStream(in);
        }) << "cut at " << cut;
    }
}

TEST(LegacyDocument, CellAreasCopiedBeyondAnyLayoutAreAFormatError)
{
    // The cell record is stored once and copied into every cell: 11 areas in a
    // 99 x 99 grid would be over a hundred thousand areas from a few KB.
    TPhotoPaper paper;
    TMemoryStream in(legacyDocument(false, 99, 11));
    EXPECT_THROW(LoadPaperFromStream(in, paper), FormatError);

    // The same record in a grid it fits is copied into every cell.
    TPhotoPaper fits;
    TMemoryStream ok(legacyDocument(false, 30, 11));
    LoadPaperFromStream(ok, fits);
    ASSERT_EQ(fits.PhotoAreas().Count(), 900);
    EXPECT_EQ(fits.PhotoAreas().Items(899)->Areas().Count(), 11);
    EXPECT_EQ(fits.PhotoAreas().Items(899)->Areas().Items(10)->LinkAreaIndex(), 899);
}
