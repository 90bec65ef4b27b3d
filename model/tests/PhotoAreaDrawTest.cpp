#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"
#include "model/PhotoPlacement.h"
#include "model/TextArea.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kYellow = 0xFFFFFF00;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Left part one colour, the rest another.
QImage twoColours(int w, int h, QRgb left, QRgb right)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(right);
    QPainter(&image).fillRect(0, 0, w / 2, h, QColor::fromRgb(left));
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 24)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

#define EXPECT_PIXEL(image, x, y, colour)                                                            \
    EXPECT_TRUE(near((image).pixel((x), (y)), (colour)))                                             \
        << "pixel (" << (x) << ", " << (y) << ") is " << std::hex << (image).pixel((x), (y)) << " not " \
        << (colour)

// A paper whose one cell is w × h mm at the sheet's top-left corner.
struct OneCell {
    TPhotoPaper paper;
    TImageInfo info;
    QString dir = test::scratchDir(QStringLiteral("photo-area"));

    OneCell(double w, double h, TPhotoSize size)
    {
        paper.SetMargins(FloatRect(0, 0, 0, 0));
        paper.SetSpace(FloatSize(0, 0));
        paper.SetPaperSize(FloatSize(w, h));
        paper.SetDivide({1, 1});
        paper.PhotoAreas().AdjustAreas();
        paper.SetPhotoSize(size);
    }
    TPhotoArea &cell() { return *paper.PhotoAreas().Items(0); }
    void usePhoto(const QImage &image, const char *format = "PNG", bool recordSize = true)
    {
        const QString path = dir + QStringLiteral("/photo.") + QString::fromLatin1(format).toLower();
        ASSERT_TRUE(image.save(path, format, 95));
        info.SetFileName(path, TImageLogging::iloLink);
        if (recordSize)
            info.SetImageSize({image.width(), image.height()});
    }
    QImage render(double dpi = 300)
    {
        QImage page(MMToPixel(paper.PaperWidth(), dpi), MMToPixel(paper.PaperHeight(), dpi), QImage::Format_RGB32);
        page.fill(kGrey);
        paper.PhotoList() = {&info};
        QPainter painter(&page);
        paper.Draw(painter, dpi, FloatSize(0, 0));
        return page;
    }
};

} // namespace

TEST(PhotoAreaDraw, AFittedPhotoLeavesWhiteBands)
{
    OneCell t(100, 100, TPhotoSize::psPhoto);
    t.usePhoto(QImage(twoColours(3000, 2000, kRed, kRed)));
    const QImage page = t.render();
    ASSERT_EQ(page.size(), QSize(1181, 1181));
    // 1181 × 787 photo, 197 white rows above and below.
    EXPECT_PIXEL(page, 600, 0, kWhite);
    EXPECT_PIXEL(page, 600, 195, kWhite);
    EXPECT_PIXEL(page, 600, 199, kRed);
    EXPECT_PIXEL(page, 0, 600, kRed);
    EXPECT_PIXEL(page, 1180, 600, kRed);
    EXPECT_PIXEL(page, 600, 982, kRed);
    EXPECT_PIXEL(page, 600, 986, kWhite);
    EXPECT_PIXEL(page, 600, 1180, kWhite);
    EXPECT_EQ(t.info.Options().TrueRotate(), TPhotoRotate::prAuto);   // square cell: not turned
}

TEST(PhotoAreaDraw, ACoveringPhotoIsCutEvenlyOnBothSides)
{
    OneCell t(100, 100, TPhotoSize::psPaper);
    t.usePhoto(twoColours(3000, 2000, kRed, kBlue));
    const QImage page = t.render();
    // 1772 px wide from x = -295: the halves meet at -295 + 886 = 591.
    EXPECT_PIXEL(page, 0, 600, kRed);
    EXPECT_PIXEL(page, 586, 600, kRed);
    EXPECT_PIXEL(page, 596, 600, kBlue);
    EXPECT_PIXEL(page, 1180, 600, kBlue);
    EXPECT_PIXEL(page, 300, 0, kRed);
    EXPECT_PIXEL(page, 900, 1180, kBlue);
}

TEST(PhotoAreaDraw, TheBorderBandIsCutFromThePhotoAndShowsTheFill)
{
    OneCell t(100, 100, TPhotoSize::psPhoto);
    t.paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
    t.paper.Background().Fill().SetColor(0x00FFFF);   // $00BBGGRR yellow
    t.paper.SetBorder(true);
    t.paper.SetBorderWidth(5);
    t.usePhoto(twoColours(3000, 2000, kRed, kRed));
    const QImage page = t.render();
    // Output rectangle (59, 59, 1122, 1122); the photo keeps its 1181 px scale.
    EXPECT_PIXEL(page, 600, 30, kYellow);
    EXPECT_PIXEL(page, 30, 600, kYellow);
    EXPECT_PIXEL(page, 1150, 600, kYellow);
    EXPECT_PIXEL(page, 600, 100, kWhite);
    EXPECT_PIXEL(page, 61, 600, kRed);
    EXPECT_PIXEL(page, 600, 600, kRed);
    EXPECT_PIXEL(page, 1119, 600, kRed);
}

TEST(PhotoAreaDraw, AutoRotationTurnsALandscapePhotoInAPortraitCell)
{
    OneCell t(50, 80, TPhotoSize::psPhoto);
    t.usePhoto(twoColours(300, 200, kRed, kBlue));
    QImage page = t.render();
    EXPECT_EQ(t.info.Options().TrueRotate(), TPhotoRotate::pr90);
    // Turned clockwise, the left (red) half is on top.
    EXPECT_PIXEL(page, 295, 200, kRed);
    EXPECT_PIXEL(page, 295, 750, kBlue);

    // 200 source pixels across 50 mm once turned.
    EXPECT_NEAR(t.cell().PhotoResolution(t.info, 300), 200 / (50 / 25.4), 0.2);

    // An entry whose pixel size nobody has read yet (a print started before
    // the thumbnails, or the command line) learns it from the picture and is
    // turned all the same, with or without a reduced decode.
    for (bool scaled : {true, false}) {
        SCOPED_TRACE(scaled);
        t.paper.PhotoAreas().SetScaledDecode(scaled);
        t.info.SetImageSize({0, 0});
        t.info.Options().SetTrueRotate(TPhotoRotate::prNone);
        EXPECT_EQ(t.cell().PhotoResolution(t.info, 300), 0);
        page = t.render();
        EXPECT_EQ(t.info.ImageSize(), (TIntSize{300, 200}));
        EXPECT_EQ(t.info.Options().TrueRotate(), TPhotoRotate::pr90);
        EXPECT_PIXEL(page, 295, 200, kRed);
        EXPECT_PIXEL(page, 295, 750, kBlue);
    }
}

TEST(PhotoAreaDraw, AnImageThatCannotBeLoadedLeavesFillFrameAndFreeAreas)
{
    OneCell t(40, 40, TPhotoSize::psPaper);
    t.paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
    t.paper.Background().Fill().SetColor(0x00FFFF);
    t.paper.Background().Frame().SetStyle(TFrameStyle::frsSolid);
    t.paper.Background().Frame().SetWidth(1);
    TTextArea *mark = t.cell().Areas().AddText();
    mark->SetBounds(FloatRect(10, 10, 20, 20));
    mark->Background().Fill().SetStyle(TFillStyle::fisSolid);
    mark->Background().Fill().SetColor(0xFF0000);   // blue

    const QStringList broken = {t.dir + QStringLiteral("/missing.jpg"), t.dir + QStringLiteral("/garbage.jpg")};
    const QString reasons[] = {QStringLiteral("No such file"), QStringLiteral("damaged JPEG header")};
    QFile garbage(broken[1]);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("\xFF\xD8 not a picture");
    garbage.close();
    std::vector<TPhotoDrawReport> reports;
    t.paper.SetOnPhotoDrawn([&](const TPhotoDrawReport &r) { reports.push_back(r); });
    for (int i = 0; i < broken.size(); ++i) {
        const QString &path = broken[i];
        SCOPED_TRACE(path.toStdString());
        t.info.SetFileName(path, TImageLogging::iloLink);
        t.info.SetImageSize({3000, 2000});
        reports.clear();
        const QImage page = t.render();
        // The cell says why it has no photo.
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].info, &t.info);
        EXPECT_FALSE(reports[0].drawn);
        EXPECT_TRUE(reports[0].problem.contains(reasons[i])) << reports[0].problem.toStdString();
        EXPECT_PIXEL(page, 236, 100, kYellow);    // the fill, no white photo bitmap
        EXPECT_PIXEL(page, 170, 170, kBlue);      // the cell's free area
        EXPECT_PIXEL(page, 12, 236, QRgb(0xFF000000));  // the 12-px frame, centred 12 px in
    }
}

TEST(PhotoAreaDraw, AReducedDecodeKeepsThePlacement)
{
    OneCell t(50, 50, TPhotoSize::psPaper);
    const QImage photo = twoColours(4000, 3000, kRed, kBlue);
    t.usePhoto(photo, "JPG");

    // The 591-px cell needs 788 × 591 of the photo: a quarter has 1000 × 750.
    const TLoadedPicture reduced = LoadAreaPicture(t.info, QString(), [](QSize full) {
        EXPECT_EQ(full, QSize(4000, 3000));
        return QSize(788, 591);
    });
    EXPECT_EQ(reduced.reduction, 4);
    EXPECT_EQ(reduced.image.size(), QSize(1000, 750));
    EXPECT_EQ(reduced.fullSize, QSize(4000, 3000));

    t.paper.PhotoAreas().SetScaledDecode(true);
    const QImage fast = t.render();
    t.paper.PhotoAreas().SetScaledDecode(false);
    const QImage whole = t.render();
    ASSERT_EQ(fast.size(), whole.size());
    // Same edges: the halves meet at (591 - 788) / 2 + 394 = 296 in both.
    for (const QImage *page : {&fast, &whole}) {
        EXPECT_PIXEL(*page, 292, 300, kRed);
        EXPECT_PIXEL(*page, 300, 300, kBlue);
    }
    long long diff = 0;
    for (int y = 0; y < fast.height(); ++y)
        for (int x = 0; x < fast.width(); ++x)
            diff += std::abs(qRed(fast.pixel(x, y)) - qRed(whole.pixel(x, y)));
    EXPECT_LT(static_cast<double>(diff) / (fast.width() * fast.height()), 2.0);
}

TEST(PhotoAreaDraw, BandingAndPreviewPutTheSameCellOnThePage)
{
    OneCell t(30, 20, TPhotoSize::psPhoto);
    t.usePhoto(twoColours(600, 450, kRed, kBlue));
    const QImage normal = t.render();
    t.paper.PrintOptions().PrintMode = TPrintMode::pmBanding;
    const QImage banded = t.render();
    EXPECT_EQ(banded, normal);

    // A preview stretches the photo directly, into the same place.
    QImage preview(normal.size(), QImage::Format_RGB32);
    preview.fill(kGrey);
    {
        QPainter painter(&preview);
        t.cell().Draw(painter, 300, true, &t.info, FloatSize(0, 0));
    }
    // 354 × 236 px cell; the photo is 315 × 236 from x = 19, halves meeting at 176.
    for (const QImage *page : {&normal, static_cast<const QImage *>(&preview)}) {
        EXPECT_PIXEL(*page, 10, 100, kWhite);
        EXPECT_PIXEL(*page, 25, 100, kRed);
        EXPECT_PIXEL(*page, 170, 100, kRed);
        EXPECT_PIXEL(*page, 182, 100, kBlue);
        EXPECT_PIXEL(*page, 328, 100, kBlue);
        EXPECT_PIXEL(*page, 345, 100, kWhite);
    }
}

TEST(PhotoAreaDraw, AnEmbeddedImageIsReadFromTheDocumentFile)
{
    OneCell t(20, 20, TPhotoSize::psPaper);
    t.usePhoto(twoColours(200, 200, kRed, kBlue));
    // A document holding the entry embedded: the record follows the entry.
    const QString document = t.dir + QStringLiteral("/album.vlpf");
    {
        TFileStream out(document, TFileStream::Mode::Create);
        t.info.SaveToStream(out, nullptr, TFileSaveType::fstStream);
    }
    TImageInfo embedded;
    {
        TFileStream in(document, TFileStream::Mode::Read);
        embedded.LoadFromStream(in);
    }
    ASSERT_EQ(embedded.LogMode(), TImageLogging::iloStream);
    t.paper.SetDocumentFileName(document);
    QImage page(MMToPixel(20, 300), MMToPixel(20, 300), QImage::Format_RGB32);
    page.fill(kGrey);
    t.paper.PhotoList() = {&embedded};
    {
        QPainter painter(&page);
        t.paper.Draw(painter, 300, FloatSize(0, 0));
    }
    EXPECT_PIXEL(page, 20, 100, kRed);
    EXPECT_PIXEL(page, 215, 100, kBlue);

    // A record whose length cannot hold its own header is refused, not read.
    {
        TFileStream patch(document, TFileStream::Mode::ReadWrite);
        patch.SetPosition(embedded.Position());
        const std::uint32_t three = 3;
        patch.WriteBuffer(&three, 4);
    }
    QPainter painter(&page);
    EXPECT_THROW(t.paper.Draw(painter, 300, FloatSize(0, 0)), FormatError);
    // A document file that cannot be opened ends the drawing.
    t.paper.SetDocumentFileName(t.dir + QStringLiteral("/gone.vlpf"));
    EXPECT_THROW(t.paper.Draw(painter, 300, FloatSize(0, 0)), IoError);
}
