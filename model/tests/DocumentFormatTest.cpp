#include "model/DocumentFormat.h"
#include "model/ImageArea.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "print/MemoryPrint.h"
#include "settings/Helpers.h"
#include "settings/Stream.h"

#include <QImage>
#include <gtest/gtest.h>

#include <functional>

using namespace vellora;

namespace {

// A printer that knows the stored paper and orientation, so that binding the
// printer after loading leaves the paper as it was read.
struct OfficePrinter {
    std::unique_ptr<TQvPrint> old;
    OfficePrinter()
    {
        old = SetQvPrint(std::make_unique<TMemoryPrint>(
            std::vector<TMemoryPrinter>{TMemoryPrint::StandardPrinter(QStringLiteral("Office Printer"))}));
    }
    ~OfficePrinter() { SetQvPrint(std::move(old)); }
};

QImage picture(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    image.setPixelColor(0, 0, Qt::red);   // not uniform: orientation and pixels must survive
    return image;
}

void expectSameBackground(const TBackground &a, const TBackground &b, const std::string &where)
{
    SCOPED_TRACE(where);
    const TBackFill &f = a.Fill(), &g = b.Fill();
    EXPECT_EQ(f.Style(), g.Style());
    EXPECT_EQ(f.Color(), g.Color());
    EXPECT_EQ(f.EndColor(), g.EndColor());
    EXPECT_EQ(f.ClearLevel(), g.ClearLevel());
    EXPECT_EQ(f.GradientDirection(), g.GradientDirection());
    EXPECT_EQ(f.ImageDrawStyle(), g.ImageDrawStyle());
    EXPECT_EQ(f.Transparent(), g.Transparent());
    EXPECT_EQ(f.TransparentColor(), g.TransparentColor());
    EXPECT_EQ(f.OverAll(), g.OverAll());
    EXPECT_EQ(f.Bitmap().isNull(), g.Bitmap().isNull());
    if (!f.Bitmap().isNull() && !g.Bitmap().isNull()) {
        EXPECT_EQ(f.Bitmap().convertToFormat(QImage::Format_RGB888), g.Bitmap().convertToFormat(QImage::Format_RGB888));
    }
    EXPECT_EQ(a.Frame().Style(), b.Frame().Style());
    EXPECT_EQ(a.Frame().Color(), b.Frame().Color());
    EXPECT_EQ(a.Frame().Width(), b.Frame().Width());
    EXPECT_EQ(a.Frame().EndCap(), b.Frame().EndCap());
    EXPECT_EQ(a.Frame().JoinStyle(), b.Frame().JoinStyle());
}

void expectSameAreas(const TAreas &a, const TAreas &b, const std::string &where)
{
    ASSERT_EQ(a.Count(), b.Count()) << where;
    for (int i = 0; i < a.Count(); ++i) {
        const std::string at = where + " area " + std::to_string(i);
        SCOPED_TRACE(at);
        const TCustomArea *x = a.Items(i), *y = b.Items(i);
        expectSameBackground(x->Background(), y->Background(), at);
        EXPECT_EQ(x->Bounds(), y->Bounds());
        EXPECT_EQ(x->Angle(), y->Angle());
        const auto *tx = dynamic_cast<const TTextArea *>(x);
        const auto *ty = dynamic_cast<const TTextArea *>(y);
        ASSERT_EQ(tx != nullptr, ty != nullptr);
        if (tx) {
            EXPECT_EQ(tx->Lines(), ty->Lines());
            EXPECT_EQ(tx->OwnFont(), ty->OwnFont());
            EXPECT_EQ(tx->HorzAlignment(), ty->HorzAlignment());
            EXPECT_EQ(tx->VertAlignment(), ty->VertAlignment());
            EXPECT_EQ(tx->Source(), ty->Source());
            EXPECT_EQ(tx->ParentFont(), ty->ParentFont());
            EXPECT_EQ(tx->RowPitch(), ty->RowPitch());
            EXPECT_EQ(tx->FitMode(), ty->FitMode());
        }
    }
}

void expectSamePaper(const TPhotoPaper &a, const TPhotoPaper &b)
{
    EXPECT_EQ(a.Border(), b.Border());
    EXPECT_EQ(a.BorderWidth(), b.BorderWidth());
    EXPECT_EQ(a.Divide().cx, b.Divide().cx);
    EXPECT_EQ(a.Divide().cy, b.Divide().cy);
    EXPECT_EQ(a.Font(), b.Font());
    EXPECT_EQ(a.HorizontalAlign(), b.HorizontalAlign());
    EXPECT_EQ(a.VerticalAlign(), b.VerticalAlign());
    EXPECT_EQ(a.Margins(), b.Margins());
    EXPECT_EQ(a.Orientation(), b.Orientation());
    EXPECT_EQ(a.PrinterName(), b.PrinterName());
    EXPECT_EQ(a.PaperName(), b.PaperName());
    EXPECT_EQ(a.PaperSizeName(), b.PaperSizeName());
    EXPECT_EQ(a.PaperSize(), b.PaperSize());
    EXPECT_EQ(a.PaperSizeNumber(), b.PaperSizeNumber());
    EXPECT_EQ(a.PhotoScale(), b.PhotoScale());
    EXPECT_EQ(a.PhotoSize(), b.PhotoSize());
    EXPECT_EQ(a.ScaleLimit(), b.ScaleLimit());
    EXPECT_EQ(a.ProtrudeWidth(), b.ProtrudeWidth());
    EXPECT_EQ(a.Rotate(), b.Rotate());
    EXPECT_EQ(a.Space(), b.Space());
    expectSameBackground(a.Background(), b.Background(), "paper");
    expectSameAreas(a.Areas(), b.Areas(), "paper");
    ASSERT_EQ(a.PhotoAreas().Count(), b.PhotoAreas().Count());
    for (int i = 0; i < a.PhotoAreas().Count(); ++i) {
        const std::string at = "cell " + std::to_string(i);
        SCOPED_TRACE(at);
        const TPhotoArea &x = *a.PhotoAreas().Items(i), &y = *b.PhotoAreas().Items(i);
        EXPECT_EQ(x.Bounds(), y.Bounds());
        EXPECT_EQ(x.HorizontalAlign(), y.HorizontalAlign());
        EXPECT_EQ(x.VerticalAlign(), y.VerticalAlign());
        EXPECT_EQ(x.PhotoScale(), y.PhotoScale());
        EXPECT_EQ(x.PhotoSize(), y.PhotoSize());
        EXPECT_EQ(x.ScaleLimit(), y.ScaleLimit());
        EXPECT_EQ(x.ProtrudeWidth(), y.ProtrudeWidth());
        EXPECT_EQ(x.Rotate(), y.Rotate());
        EXPECT_EQ(x.ParentBackground(), y.ParentBackground());
        EXPECT_EQ(x.ParentHorizontalAlign(), y.ParentHorizontalAlign());
        EXPECT_EQ(x.ParentPhotoSize(), y.ParentPhotoSize());
        EXPECT_EQ(x.ParentProtrudeWidth(), y.ParentProtrudeWidth());
        EXPECT_EQ(x.ParentRotate(), y.ParentRotate());
        EXPECT_EQ(x.ParentVerticalAlign(), y.ParentVerticalAlign());
        expectSameBackground(x.Background(), y.Background(), at);
        expectSameAreas(x.Areas(), y.Areas(), at);
    }
}

void fillAreas(TAreas &areas, int seed)
{
    TTextArea *text = areas.AddText();
    text->SetBounds(FloatRect(1.5L + seed, 2.25L, 40.125L, 20));
    text->SetAngle(TTextAngle::taAngle270);
    text->SetLines({QStringLiteral("撮影日"), QString(), QStringLiteral("line %1").arg(seed)});
    TFont font;
    font.Name = QStringLiteral("IPAMincho");
    font.Charset = 128;
    font.Color = 0x00123456;
    font.Height = -17;
    font.Pitch = TFontPitch::fpFixed;
    font.Style.include(TFontStyle::fsBold);
    font.Style.include(TFontStyle::fsItalic);
    text->SetFont(font);
    text->SetParentFont(false);
    text->SetHorzAlignment(THorzAlignment::haBoth);
    text->SetVertAlignment(TVertAlignment::vaEven);
    text->SetSource(TTextSourceType::tstPageNumber);
    text->SetRowPitch(1.75L);
    text->SetFitMode(TTextFitMode::tfmSize);
    text->Background().Fill().SetStyle(TFillStyle::fisGradient);
    text->Background().Fill().SetColor(0x0000FF);
    text->Background().Fill().SetEndColor(0x00FF00);
    text->Background().Fill().SetGradientDirection(TGradientDirection::gdVertical);
    text->Background().Frame().SetStyle(TFrameStyle::frsDashDotDot);

    TImageArea *image = areas.AddImage();
    image->SetBounds(FloatRect(5, 6, 7.5L, 8.5L));
    image->SetAngle(TTextAngle::taAngle90);
    image->Background().Fill().SetStyle(TFillStyle::fisImage);
    image->SetBitmap(picture(3 + seed, 2, Qt::blue));
    image->SetDrawStyle(TImageDrawMode::idmTile);
    image->SetTransparent(true);
    image->SetTransparentColor(0x00ABCDEF);
    image->SetClearLevel(40);
    image->Background().Fill().SetOverAll(true);
    image->Background().Frame().SetStyle(TFrameStyle::frsDot);
    image->Background().Frame().SetWidth(0.3);
    image->Background().Frame().SetEndCap(TFrameEndCap::fecFlat);
    image->Background().Frame().SetJoinStyle(TFrameJoinStyle::fjsMiter);
}

// A paper that uses every stored field with a value other than its default.
void buildRichPaper(TPhotoPaper &paper)
{
    paper.SetBorder(true);
    paper.SetBorderWidth(3.5);
    TFont font;
    font.Name = QStringLiteral("IPAGothic");
    font.Height = -20;
    font.Style.include(TFontStyle::fsUnderline);
    font.Style.include(TFontStyle::fsStrikeOut);
    paper.SetFont(font);
    paper.SetHorizontalAlign(TPhotoAlign::paRightBottom);
    paper.SetVerticalAlign(TPhotoAlign::paLeftTop);
    paper.SetPaperSize(FloatSize(297, 210));
    paper.StoreOrientation(TQvOrientation::qotLandscape);
    paper.StorePrinterName(QStringLiteral("Office Printer"));
    paper.SetPaperName(QStringLiteral("写真 L判"));
    paper.SetPaperSizeName(QStringLiteral("A4"));
    paper.SetPaperSizeNumber(9);
    paper.SetMargins(FloatRect(10.1L, 11.2L, 12.3L, 13.4L));
    paper.SetSpace(FloatSize(2.5L, 4));
    paper.SetPhotoScale(1.25);
    paper.SetPhotoSize(TPhotoSize::psLarge);
    paper.SetScaleLimit(TPhotoLimitMode::plmDownOnly);
    paper.SetProtrudeWidth(1.5);
    paper.SetRotate(TPhotoRotate::pr180);
    paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
    paper.Background().Fill().SetColor(0x00CCEEFF);
    paper.Background().Frame().SetStyle(TFrameStyle::frsSolid);
    paper.Background().Frame().SetWidth(0.5);
    fillAreas(paper.Areas(), 0);

    paper.SetDivide({3, 2});
    paper.PhotoAreas().AdjustAreas();
    // Cell 1 owns every setting; cell 4 owns some and has free areas; the
    // others inherit everything.
    TPhotoArea &own = *paper.PhotoAreas().Items(1);
    own.SetHorizontalAlign(TPhotoAlign::paLeftTop);
    own.SetVerticalAlign(TPhotoAlign::paRightBottom);
    own.SetPhotoSize(TPhotoSize::psScale);
    own.SetPhotoScale(0.5);
    own.SetScaleLimit(TPhotoLimitMode::plmUpOnly);
    own.SetProtrudeWidth(2.5);
    own.SetRotate(TPhotoRotate::pr90);
    own.Background().Fill().SetStyle(TFillStyle::fisImage);
    own.Background().Fill().SetBitmap(picture(4, 5, Qt::green));
    own.Background().Fill().SetImageDrawStyle(TImageDrawMode::idmStretch);
    own.Background().Frame().SetStyle(TFrameStyle::frsDashDot);
    TPhotoArea &some = *paper.PhotoAreas().Items(4);
    some.SetRotate(TPhotoRotate::prNone);
    some.Background().Fill().SetStyle(TFillStyle::fisNone);
    fillAreas(some.Areas(), 1);
}

QByteArray savePaper(const TPhotoPaper &paper)
{
    TMemoryStream stream;
    SavePaperToStream(stream, paper);
    return stream.Data();
}

} // namespace

TEST(DocumentFormat, RichPaperRoundTripsEveryStoredField)
{
    OfficePrinter printer;
    TPhotoPaper source;
    buildRichPaper(source);
    ASSERT_FALSE(source.PhotoAreas().Items(1)->ParentBackground());
    ASSERT_TRUE(source.PhotoAreas().Items(4)->ParentHorizontalAlign());

    const QByteArray bytes = savePaper(source);
    TPhotoPaper loaded;   // one cell: loading divides the grid first
    ASSERT_EQ(loaded.PhotoAreas().Count(), 1);
    TMemoryStream in(bytes);
    LoadPaperFromStream(in, loaded);
    EXPECT_EQ(in.Position(), in.Size());
    expectSamePaper(source, loaded);

    // Written again, the loaded paper gives the same bytes.
    EXPECT_EQ(savePaper(loaded), bytes);
}

TEST(DocumentFormat, LoadedAreasTakeTheLinkOfANewAreaAndNotPaddings)
{
    TPhotoPaper source;
    source.SetDivide({2, 1});
    source.PhotoAreas().AdjustAreas();
    TTextArea *onPaper = source.Areas().AddText();
    onPaper->SetLinkAreaIndex(1);
    onPaper->SetPaddings(FloatRect(1, 2, 3, 4));
    source.PhotoAreas().Items(1)->Areas().AddText()->SetLinkAreaIndex(0);
    source.PhotoAreas().Items(1)->Areas().AddImage()->SetLink(true);

    TPhotoPaper loaded;
    TMemoryStream in(savePaper(source));
    LoadPaperFromStream(in, loaded);
    const auto *text = dynamic_cast<const TTextArea *>(loaded.Areas().Items(0));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->LinkAreaIndex(), 0);
    EXPECT_EQ(text->Paddings(), TFloatRect{});
    EXPECT_EQ(loaded.PhotoAreas().Items(1)->Areas().Items(0)->LinkAreaIndex(), 1);
    const auto *image = dynamic_cast<const TImageArea *>(loaded.PhotoAreas().Items(1)->Areas().Items(1));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->Link());
}

TEST(DocumentFormat, InheritedCellValuesFollowThePaperAfterLoading)
{
    TPhotoPaper source;
    source.SetDivide({2, 1});
    source.PhotoAreas().AdjustAreas();
    source.PhotoAreas().Items(1)->SetRotate(TPhotoRotate::pr270);

    TPhotoPaper loaded;
    TMemoryStream in(savePaper(source));
    LoadPaperFromStream(in, loaded);
    loaded.SetRotate(TPhotoRotate::prNone);
    loaded.Background().Fill().SetColor(0x000000FF);
    EXPECT_EQ(loaded.PhotoAreas().Items(0)->Rotate(), TPhotoRotate::prNone);
    EXPECT_EQ(loaded.PhotoAreas().Items(0)->Background().Fill().Color(), 0x000000FFu);
    EXPECT_EQ(loaded.PhotoAreas().Items(1)->Rotate(), TPhotoRotate::pr270);
}

TEST(DocumentFormat, FontRecordBytes)
{
    TFont font;
    font.Name = QStringLiteral("Aé");
    font.Charset = 128;
    font.Color = 0x00112233;
    font.Height = -16;
    font.Pitch = TFontPitch::fpVariable;
    font.Style.include(TFontStyle::fsBold);
    font.Style.include(TFontStyle::fsStrikeOut);
    TMemoryStream out;
    WriteFontToStream(out, font);
    const QByteArray expected = QByteArray::fromHex("4100e9000000"   // name, zero unit
                                                    "80"             // charset
                                                    "33221100"       // colour
                                                    "f0ffffff"       // height
                                                    "01"             // pitch
                                                    "01000001");     // bold, italic, underline, strike-out
    EXPECT_EQ(out.Data().toHex(), expected.toHex());

    TFont back;
    TMemoryStream in(out.Data());
    ReadFontFromStream(in, back);
    EXPECT_EQ(back, font);
}

TEST(DocumentFormat, LayoutDocumentEndsWithSaveTypeAndZeroCount)
{
    TPhotoPaper paper;
    TImageInfos images;
    images.Add();   // not stored with the layout alone
    images.SetSaveType(TFileSaveType::fstLayout);
    TMemoryStream out;
    SavePaperToStream(out, paper);
    const std::int64_t paperEnd = out.Size();
    images.SaveToStream(out, nullptr);
    EXPECT_EQ(out.Size(), paperEnd + 5);
    EXPECT_EQ(out.Data().right(5).toHex(), QByteArray("0000000000"));
    EXPECT_TRUE(out.Data().startsWith("$VELLORADOC_\0\0"));
}

TEST(DocumentFormat, SignatureDecidesTheReader)
{
    TPhotoPaper source;
    source.SetDivide({2, 2});
    const QByteArray good = savePaper(source);

    // Eleven bytes: too short for the signature, so the legacy reader takes
    // them and fails.
    {
        TPhotoPaper paper;
        TMemoryStream in(good.left(11));
        EXPECT_THROW(LoadPaperFromStream(in, paper), Error);
    }
    // One byte off anywhere in the signature: the legacy reader takes the
    // signature's letters as a grid division far beyond any layout.
    for (int i = 0; i < kDocumentSignatureSize; ++i) {
        QByteArray bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x01);
        TPhotoPaper paper;
        TMemoryStream in(bad);
        try {
            LoadPaperFromStream(in, paper);
            ADD_FAILURE() << "byte " << i << " changed, yet the document loaded";
        } catch (const FormatError &e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QLatin1String("grid"))) << e.what();
        }
    }
}

TEST(DocumentFormat, SurplusCellRecordsAreReadAndDropped)
{
    TPhotoPaper source;
    source.SetDivide({3, 2});
    source.PhotoAreas().AdjustAreas();
    fillAreas(source.PhotoAreas().Items(5)->Areas(), 2);
    TMemoryStream out;
    SavePaperToStream(out, source);
    TImageInfos images;
    images.SetSaveType(TFileSaveType::fstLink);
    TMemoryStream listBytes;
    {
        // A linked entry to a file that does not exist: its stored facts are read back.
        TMemoryStream entry;
        entry.WriteU8(Ord(TFileSaveType::fstLink));
        entry.WriteI32(1);
        entry.WriteU8(Ord(TImageLogging::iloLink));
        WriteStringToStream(entry, QStringLiteral("/nonexistent/photo.jpg"));
        entry.WriteBool(true);
        WriteStringToStream(entry, QString());
        WriteStringToStream(entry, QString());
        entry.WriteI64(1234);
        entry.WriteDouble(0);
        entry.WriteI32(640);
        entry.WriteI32(480);
        entry.WriteDouble(0);
        entry.WriteU8(1);
        TPhotoOption option;
        option.SetCopies(3);
        option.SaveToStream(entry);
        listBytes.WriteBytes(entry.Data());
    }
    QByteArray bytes = out.Data() + listBytes.Data();
    // Rewrite the stored division to 1 x 1: six cell records, one cell.
    const int divideAt = kDocumentSignatureSize + 2 + 1 + 8;
    TMemoryStream patch(bytes);
    patch.SetPosition(divideAt);
    patch.WriteI32(1);
    patch.WriteI32(1);

    TPhotoPaper paper;
    TMemoryStream in(patch.Data());
    LoadPaperFromStream(in, paper);
    EXPECT_EQ(paper.PhotoAreas().Count(), 1);
    images.LoadFromStream(in);
    ASSERT_EQ(images.Count(), 1);
    EXPECT_EQ(images[0]->FileName(), QStringLiteral("/nonexistent/photo.jpg"));
    EXPECT_EQ(images[0]->Options().Copies(), 3);
    EXPECT_EQ(in.Position(), in.Size());
}

// Counts and lengths that the rest of the stream cannot hold are errors found
// before anything is made for them.
TEST(DocumentFormat, CountsBeyondTheStreamAreReadErrors)
{
    struct Case {
        const char *name;
        std::function<void(TMemoryStream &)> write;
        std::function<void(TStream &)> read;
    };
    TPhotoPaper paper;
    const auto readAreas = [&](TStream &s) { LoadAreasFromStream(s, paper.Areas()); };
    const Case cases[] = {
        {"area count", [](TMemoryStream &s) { s.WriteI32(0x7FFFFFFF); }, readAreas},
        {"negative area count", [](TMemoryStream &s) { s.WriteI32(-1); }, readAreas},
        {"string list count",
         [](TMemoryStream &s) {
             s.WriteI32(1);
             s.WriteU8(kTextAreaKind);
             TBackground().SaveToStream(s);
             WriteFloatRect(s, FloatRect(0, 0, 1, 1));
             s.WriteU8(0);
             s.WriteI32(0x40000000);   // lines
             s.WriteBytes(QByteArray(64, '\0'));
         },
         readAreas},
        {"picture length",
         [](TMemoryStream &s) {
             s.WriteI32(1);
             s.WriteU8(kImageAreaKind);
             s.WriteU32(0);
             s.WriteU32(0);
             s.WriteU8(Ord(TFillStyle::fisImage));
             s.WriteU32(0xFFFFFFF0u);   // picture bytes
             s.WriteBytes(QByteArray(100, '\0'));
         },
         readAreas},
        {"cell count",
         [](TMemoryStream &s) {
             TPhotoPaper p;
             SavePaperToStream(s, p);
             s.Seek(-(kMinCellRecordBytes + 4), SeekOrigin::End);
             s.WriteI32(1000);
         },
         [&](TStream &s) { LoadPaperFromStream(s, paper); }},
        {"reserved values",
         [](TMemoryStream &s) {
             TPhotoPaper p;
             SavePaperToStream(s, p);
             s.SetPosition(kDocumentSignatureSize);
             s.WriteU16(0xFFFF);
         },
         [&](TStream &s) { LoadPaperFromStream(s, paper); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream bytes;
        c.write(bytes);
        TMemoryStream in(bytes.Data());
        EXPECT_THROW(c.read(in), Error);
    }
}

TEST(DocumentFormat, StoredDivisionIsCheckedBeforeTheGridIsMade)
{
    const struct {
        std::int32_t cx, cy;
        int cells;   // -1: refused
    } cases[] = {{0, -5, 1}, {99, 99, 99 * 99}, {100, 99, -1}, {0x7FFFFFFF, 0x7FFFFFFF, -1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.cx) + " x " + std::to_string(c.cy));
        TPhotoPaper source;
        TMemoryStream out;
        SavePaperToStream(out, source);
        out.SetPosition(kDocumentSignatureSize + 2 + 1 + 8);
        out.WriteI32(c.cx);
        out.WriteI32(c.cy);
        TPhotoPaper paper;
        TMemoryStream in(out.Data());
        if (c.cells < 0) {
            EXPECT_THROW(LoadPaperFromStream(in, paper), FormatError);
        } else {
            LoadPaperFromStream(in, paper);
            EXPECT_EQ(paper.PhotoAreas().Count(), c.cells);
        }
    }
}
