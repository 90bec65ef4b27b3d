#include "model/ImageArea.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/PicturePrefetcher.h"
#include "model/ResolutionCheck.h"
#include "model/TextArea.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

using namespace vellora;

namespace {

// A 2 × 2 postcard whose slots are filled page by page as a print run does.
struct Page {
    TPhotoPaper paper;
    std::vector<std::unique_ptr<TImageInfo>> infos;

    Page()
    {
        paper.SetPaperSize(FloatSize(100, 148));
        paper.SetMargins(FloatRect(4, 4, 4, 4));
        paper.SetSpace(FloatSize(3, 3));
        paper.SetDivide({2, 2});
        paper.PhotoAreas().AdjustAreas();
    }
    // An entry for a photo file; a name that does not exist makes an entry
    // whose picture is missing.
    TImageInfo *entry(const QString &path)
    {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(path, TImageLogging::iloLink);
        return infos.back().get();
    }
    QImage draw(int firstSlot, std::int32_t pageNumber, double dpi = 40)
    {
        paper.PhotoAreas().SetImageIndex(firstSlot);
        TPrintingInfo info;
        info.piNowPage = pageNumber;
        paper.SetPrintingInfo(info);
        QImage image(MMToPixel(paper.PaperWidth(), dpi), MMToPixel(paper.PaperHeight(), dpi), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paper.Draw(painter, dpi, FloatSize(0, 0));
        return image;
    }
};

QString photo(const char *name)
{
    return test::testDataPath(QStringLiteral("pages/photos/") + QLatin1String(name));
}

} // namespace

TEST(FreeAreaPage, APaperTextAreaShowsItsLinkedCellsImageOnEachPage)
{
    Page t;
    TTextArea *name = t.paper.Areas().AddText();
    name->SetSource(TTextSourceType::tstFileName);
    name->SetLinkAreaIndex(2);
    TTextArea *number = t.paper.Areas().AddText();
    number->SetSource(TTextSourceType::tstPageNumber);
    number->SetLinkAreaIndex(0);

    const QString dir = test::scratchDir(QStringLiteral("free-area-page"));
    // StartArea 2: the first page's cell 0 is empty; six photos in all.
    t.paper.PhotoList() = {nullptr};
    for (int i = 1; i <= 6; ++i)
        t.paper.PhotoList().push_back(t.entry(QStringLiteral("%1/p%2.jpg").arg(dir).arg(i)));

    t.draw(0, 1);
    EXPECT_EQ(name->CurrentText(false), QStringLiteral("p2.jpg"));
    EXPECT_EQ(number->CurrentText(false), QString());
    t.draw(4, 2);
    EXPECT_EQ(name->CurrentText(false), QStringLiteral("p6.jpg"));
    EXPECT_EQ(number->CurrentText(false), QStringLiteral("2"));
    t.draw(8, 3);   // nothing left: cell 2 is empty
    EXPECT_EQ(name->CurrentText(false), QString());
    // The preview shows the sample, whatever the page holds.
    EXPECT_EQ(name->CurrentText(true), QStringLiteral("サンプルファイル名.jpg"));
}

TEST(FreeAreaPage, ALinkedImageAreaKeepsItsLastPictureOnAnEmptyPage)
{
    Page t;
    TImageArea *image = t.paper.Areas().AddImage();
    image->SetLink(true);
    image->SetLinkAreaIndex(1);
    image->SetAngle(TTextAngle::taAngle90);
    t.paper.PhotoList() = {t.entry(photo("canon-ixus.jpg")), t.entry(photo("landscape_1.jpg"))};

    t.draw(0, 1);
    // The 600 × 450 photo of cell 1, turned by the area's angle.
    EXPECT_EQ(image->Bitmap().size(), QSize(450, 600));
    EXPECT_EQ(image->Angle(), TTextAngle::taAngle90);
    const QImage shown = image->Bitmap();
    t.draw(4, 2);
    EXPECT_EQ(image->Bitmap(), shown);
    EXPECT_EQ(image->Angle(), TTextAngle::taAngle90);
}

// During a print run the linked photo is read by the paper's loader, which
// reads plug-in pictures off the UI thread; the area still shows the whole
// photo it would load itself. The resolution check reads no photo for it.
TEST(FreeAreaPage, ALinkedImageAreaReadsItsPhotoThroughThePapersLoader)
{
    Page t;
    TImageArea *image = t.paper.Areas().AddImage();
    image->SetLink(true);
    image->SetLinkAreaIndex(1);
    t.paper.PhotoList() = {t.entry(photo("canon-ixus.jpg")), t.entry(photo("landscape_1.jpg"))};
    t.draw(0, 1);
    const QImage own = image->Bitmap();
    ASSERT_EQ(own.size(), QSize(600, 450));

    image->SetBitmap({});
    int linkedAsks = 0;
    t.paper.SetPictureLoader([&](const TImageInfo &info, int cell, const TNeededPixels &needed) {
        if (cell == kLinkedAreaCell) {
            ++linkedAsks;
            EXPECT_EQ(&info, t.paper.PhotoList()[1]);
            EXPECT_FALSE(needed) << "the area keeps the whole photo";
        }
        return LoadAreaPicture(info, QString(), needed);
    });
    t.draw(0, 1);
    EXPECT_EQ(linkedAsks, 1);
    EXPECT_EQ(image->Bitmap(), own);

    image->SetBitmap({});
    {
        PicturePrefetcher prefetch(t.paper, 2);
        t.paper.SetPictureLoader([&](const TImageInfo &info, int cell, const TNeededPixels &needed) {
            return prefetch.load(info, cell, needed);
        });
        prefetch.prepare(1);
        t.draw(0, 1);
        t.paper.SetPictureLoader({});
    }
    EXPECT_EQ(image->Bitmap(), own);

    TImageListItems list;
    for (TImageInfo *info : t.paper.PhotoList())
        list.Add(info, true);
    t.paper.SetInfos(&list);
    QImage marker(4, 4, QImage::Format_RGB32);
    marker.fill(Qt::green);
    image->SetBitmap(marker);
    FindLowResolutionPhotos(t.paper, t.paper.PrintOptions(), 150, {}, nullptr);
    EXPECT_EQ(t.paper.PhotoList().size(), 2u) << "the check drew no page";
    EXPECT_EQ(image->Bitmap(), marker);
    EXPECT_FALSE(t.paper.PictureLoader());
    t.paper.SetInfos(nullptr);
}

TEST(FreeAreaPage, TextFollowsAnUpsideDownPhoto)
{
    Page t;
    TTextArea *caption = t.paper.PhotoAreas().Items(0)->Areas().AddText();
    caption->SetAdjustmentAngle(true);
    t.paper.SetRotate(TPhotoRotate::prNone);
    TImageInfo *upsideDown = t.entry(photo("landscape_3.jpg"));
    ASSERT_EQ(upsideDown->Orientation(), TExifOrientation::eoBottomRight);
    t.paper.PhotoList() = {upsideDown};
    t.draw(0, 1);
    EXPECT_EQ(caption->CurrentAngle(), TTextAngle::taAngle180);
    caption->SetAdjustmentAngle(false);
    EXPECT_EQ(caption->CurrentAngle(), TTextAngle::taNone);
}

namespace {

// The share of pixels whose channels differ by more than `tolerance`.
double differingShare(const QImage &a, const QImage &b, int tolerance)
{
    long long differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance
                || std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++differing;
        }
    return static_cast<double>(differing) / (static_cast<double>(a.width()) * a.height());
}

// A postcard of four photos with captions, backgrounds and frames.
void composeAlbumPage(Page &t)
{
    TFont font = t.paper.Font();
    font.Name = test::testFontFamily();
    font.SetSize(7);
    t.paper.SetFont(font);
    t.paper.SetRotate(TPhotoRotate::prNone);
    t.paper.SetPhotoSize(TPhotoSize::psPhoto);
    t.paper.SetVerticalAlign(TPhotoAlign::paLeftTop);
    // A 2 mm band around every photo shows the cells' fills.
    t.paper.SetBorder(true);
    t.paper.SetBorderWidth(2);
    TBackFill &fill = t.paper.Background().Fill();
    fill.SetStyle(TFillStyle::fisGradient);
    fill.SetColor(0xF0E0D0);       // light blue to white
    fill.SetEndColor(0xFFFFFF);
    fill.SetGradientDirection(TGradientDirection::gdVertical);
    t.paper.Background().Frame().SetStyle(TFrameStyle::frsSolid);
    t.paper.Background().Frame().SetWidth(0.5);
    t.paper.Background().Frame().SetColor(0x505050);

    // Cell 1 has its own pale yellow fill and a dashed red frame.
    TPhotoArea *own = t.paper.PhotoAreas().Items(1);
    own->Background().Fill().SetStyle(TFillStyle::fisSolid);
    own->Background().Fill().SetColor(0xD0F8FF);
    own->Background().Frame().SetStyle(TFrameStyle::frsDash);
    own->Background().Frame().SetColor(0x0000C0);

    const TTextSourceType sources[4] = {TTextSourceType::tstFileName, TTextSourceType::tstExifDateTime,
                                        TTextSourceType::tstFileName, TTextSourceType::tstImageSize};
    for (int i = 0; i < 4; ++i) {
        TPhotoArea *cell = t.paper.PhotoAreas().Items(i);
        TTextArea *caption = cell->Areas().AddText();
        caption->SetBounds(FloatRect(1, static_cast<double>(cell->Height()) - 8, static_cast<double>(cell->Width()) - 1,
                                     static_cast<double>(cell->Height()) - 1));
        caption->SetSource(sources[i]);
        caption->SetHorzAlignment(THorzAlignment::haCenter);
        caption->SetVertAlignment(TVertAlignment::vaCenter);
        caption->SetFitMode(TTextFitMode::tfmTrans);
        // The last photo is stored upside down: its caption follows it.
        caption->SetAdjustmentAngle(i == 3);
    }
    TTextArea *title = t.paper.Areas().AddText();
    title->SetBounds(FloatRect(4, 0.3, 96, 3.8));
    title->SetText(QStringLiteral("夏の旅行 2010"));
    title->SetHorzAlignment(THorzAlignment::haCenter);

    const char *names[4] = {"landscape_1.jpg", "canon-ixus.jpg", "portrait_1.jpg", "landscape_3.jpg"};
    for (const char *n : names)
        t.paper.PhotoList().push_back(t.entry(photo(n)));
    t.infos[3]->SetImageSize({600, 450});
}

} // namespace

TEST(FreeAreaPage, APageOfPhotosWithCaptionsMatchesItsReference)
{
    ASSERT_FALSE(test::testFontFamily().isEmpty());
    Page t;
    composeAlbumPage(t);
    const QImage page = t.draw(0, 1, 100);
    const QString reference = test::testDataPath(QStringLiteral("pages/album_2x2_100dpi.png"));
    if (qEnvironmentVariableIsSet("VELLORA_WRITE_REFERENCES")) {
        QDir().mkpath(QFileInfo(reference).path());
        ASSERT_TRUE(page.save(reference));
        // A look at the page as it prints, at full resolution.
        const QString full = test::scratchDir(QStringLiteral("album")) + QStringLiteral("/album_2x2_300dpi.png");
        t.draw(0, 1, 300).save(full);
        GTEST_SKIP() << "reference written to " << reference.toStdString() << ", 300 dpi page in " << full.toStdString();
    }
    const QImage expected(reference);
    ASSERT_FALSE(expected.isNull()) << "missing " << reference.toStdString();
    ASSERT_EQ(page.size(), expected.size());
    // Fonts and smoothing may move a few edge pixels; the layout may not.
    EXPECT_LT(differingShare(page.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32), 40),
              0.005);
}

TEST(FreeAreaPage, PaperAreasPaintOverCellsAndLaterAreasOverEarlierOnes)
{
    Page t;
    TPhotoArea *cell = t.paper.PhotoAreas().Items(0);   // (4, 4) to (48.5, 72)
    cell->Background().Fill().SetStyle(TFillStyle::fisSolid);
    cell->Background().Fill().SetColor(0x00FF00);        // green
    auto solid = [](TCustomArea *area, TFloatRect bounds, TColor colour) {
        area->SetBounds(bounds);
        area->Background().Fill().SetStyle(TFillStyle::fisSolid);
        area->Background().Fill().SetColor(colour);
    };
    // In the cell, relative to its corner: red under blue where they overlap.
    solid(cell->Areas().AddText(), FloatRect(0, 60, 20, 68), 0x0000FF);
    solid(cell->Areas().AddText(), FloatRect(10, 60, 30, 68), 0xFF0000);
    // On the paper, over the cell: yellow.
    solid(t.paper.Areas().AddText(), FloatRect(30, 64, 60, 80), 0x00FFFF);
    t.paper.PhotoList() = {t.entry(QStringLiteral("/nonexistent/p.jpg"))};

    // The canvas starts at the paper point (4, 4): the cell's corner is pixel (0, 0).
    const double dpi = 100;
    QImage page(400, 600, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        t.paper.Draw(painter, dpi, FloatSize(4, 4));
    }
    auto at = [&](double xmm, double ymm) { return page.pixel(MMToPixel(xmm, dpi), MMToPixel(ymm, dpi)); };
    EXPECT_EQ(at(1, 1), qRgb(0, 255, 0));       // the cell's fill at the canvas corner
    EXPECT_EQ(at(5, 62), qRgb(255, 0, 0));      // red alone
    EXPECT_EQ(at(15, 62), qRgb(0, 0, 255));     // blue over red
    EXPECT_EQ(at(28, 67), qRgb(255, 255, 0));   // the paper's area over the cell's
    EXPECT_EQ(at(40, 74), qRgb(255, 255, 0));   // and beyond the cell
}

// A preview marks an invisible fill "(透明)" on white, but only where the area
// shows nothing else: under a text the mark would hide what is there.
TEST(FreeAreaPage, ThePreviewMarksAClearFillOnlyWhereNothingIsWritten)
{
    struct Case {
        const char *name;
        TTextSourceType source;
        QStringList lines;
        TFillStyle fill;
        std::uint8_t clearLevel;
        bool marked;
    };
    const Case cases[] = {
        {"fixed text", TTextSourceType::tstFix, {QStringLiteral("見出し")}, TFillStyle::fisNone, 0, false},
        {"sample of a linked fact", TTextSourceType::tstFileName, {}, TFillStyle::fisNone, 0, false},
        {"text over a fully clear colour", TTextSourceType::tstFix, {QStringLiteral("a")}, TFillStyle::fisSolid, 100,
         false},
        {"blank lines", TTextSourceType::tstFix, {QStringLiteral("  "), QString()}, TFillStyle::fisNone, 0, true},
        {"blank over a fully clear colour", TTextSourceType::tstFix, {QStringLiteral(" ")}, TFillStyle::fisSolid, 100,
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TPhotoPaper paper;
        TTextArea *area = paper.Areas().AddText();
        area->SetBounds(FloatRect(0, 0, 60, 30));
        area->SetSource(c.source);
        area->SetLines(c.lines);
        area->Background().Fill().SetStyle(c.fill);
        area->Background().Fill().SetClearLevel(c.clearLevel);
        QImage image(MMToPixel(60, 96), MMToPixel(30, 96), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            area->Draw(p, 96, true, FloatPoint(0, 0));
        }
        // Bottom right, inside the frame's dotted line and away from the text at the top left.
        const QColor corner = image.pixelColor(image.width() - 4, image.height() - 4);
        EXPECT_EQ(corner.alpha(), c.marked ? 255 : 0);
    }
}
