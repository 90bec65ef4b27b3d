// Photos drawn upright by their Exif orientation, and exactly as stored while
// the switch is off.
#include "model/ImageArea.h"
#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"
#include "model/PhotoTurn.h"
#include "model/TextArea.h"
#include "settings/Stream.h"
#include "testsupport/OrientedPhoto.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

constexpr QRgb R = test::kMarkerTopLeft;
constexpr QRgb G = test::kMarkerTopRight;
constexpr QRgb B = test::kMarkerRest;
constexpr QRgb kGrey = 0xFF808080;

struct Corners {
    QRgb topLeft, topRight, bottomLeft, bottomRight;
};

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 40 && std::abs(qGreen(a) - qGreen(b)) <= 40
        && std::abs(qBlue(a) - qBlue(b)) <= 40;
}

// One cell filling a sheet of w × h mm; the photo covers it.
struct Cell {
    TPhotoPaper paper;
    TImageInfo info;
    QString dir = test::scratchDir(QStringLiteral("upright"));

    Cell(double w, double h)
    {
        paper.SetMargins(FloatRect(0, 0, 0, 0));
        paper.SetSpace(FloatSize(0, 0));
        paper.SetPaperSize(FloatSize(w, h));
        paper.SetDivide({1, 1});
        paper.PhotoAreas().AdjustAreas();
        paper.SetPhotoSize(TPhotoSize::psPaper);
        paper.SetRotate(TPhotoRotate::prAuto);
    }
    TPhotoArea &cell() { return *paper.PhotoAreas().Items(0); }
    // The marker picture (upright 90 × 60) stored for the orientation; a
    // negative orientation writes the same pixels as orientation 1 would
    // store them for `pixelsOf`, without an Exif block.
    void useMarker(int orientation, int pixelsOf = 0)
    {
        const QString path = dir + QStringLiteral("/marker.jpg");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QImage stored = test::storedForOrientation(test::markerPicture(90, 60),
                                                         orientation < 0 ? pixelsOf : orientation);
        file.write(test::jpegWithOrientation(stored, orientation));
        file.close();
        info.SetFileName(path, TImageLogging::iloLink);
        info.SetImageSize({stored.width(), stored.height()});
    }
    QImage render(bool preview, TImageInfo *entry = nullptr)
    {
        QImage page(MMToPixel(paper.PaperWidth(), 300), MMToPixel(paper.PaperHeight(), 300), QImage::Format_RGB32);
        page.fill(kGrey);
        QPainter painter(&page);
        cell().Draw(painter, 300, preview, entry ? entry : &info, FloatSize(0, 0));
        return page;
    }
};

// Each corner sampled a seventh of the way in.
void expectCorners(const QImage &page, const Corners &c)
{
    const int l = page.width() / 7, r = page.width() - 1 - l;
    const int t = page.height() / 7, b = page.height() - 1 - t;
    const std::pair<QPoint, QRgb> checks[] = {
        {{l, t}, c.topLeft}, {{r, t}, c.topRight}, {{l, b}, c.bottomLeft}, {{r, b}, c.bottomRight}};
    for (const auto &[at, colour] : checks)
        EXPECT_TRUE(near(page.pixel(at), colour))
            << "at (" << at.x() << ", " << at.y() << ") " << std::hex << page.pixel(at) << " not " << colour;
}

} // namespace

// The marker stored for each orientation, in a landscape (30 × 20 mm) and a
// portrait (20 × 30 mm) cell with automatic rotation. Switched off, the
// stored pixels are placed as they are (automatic rotation turns a picture
// that lies across the cell clockwise); switched on, every orientation prints
// like the upright picture.
TEST(PhotoUpright, TheMarkerLandsByOrientationCellAndSwitch)
{
    const struct {
        int orientation;
        Corners offLandscape, offPortrait;
    } cases[] = {
        {1, {R, G, B, B}, {B, R, B, G}},
        {2, {G, R, B, B}, {B, G, B, R}},
        {3, {B, B, G, R}, {G, B, R, B}},
        {4, {B, B, R, G}, {R, B, G, B}},
        {5, {G, R, B, B}, {R, B, G, B}},
        {6, {R, G, B, B}, {G, B, R, B}},
        {7, {B, B, R, G}, {B, G, B, R}},
        {8, {B, B, G, R}, {B, R, B, G}},
    };
    const Corners onLandscape{R, G, B, B};
    const Corners onPortrait{B, R, B, G};   // the upright landscape picture turned clockwise

    for (const auto &c : cases) {
        for (bool portrait : {false, true}) {
            Cell t(portrait ? 20 : 30, portrait ? 30 : 20);
            for (bool preview : {false, true}) {
                SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << (portrait ? " portrait" : " landscape")
                                                << (preview ? " preview" : " print"));
                t.useMarker(c.orientation);
                {
                    TExifRotateScope on(true);
                    expectCorners(t.render(preview), portrait ? onPortrait : onLandscape);
                }
                TExifRotateScope off(false);
                const QImage page = t.render(preview);
                expectCorners(page, portrait ? c.offPortrait : c.offLandscape);
                // Off, the tag changes nothing: the same pixels without Exif
                // give the very same page.
                t.useMarker(-1, c.orientation);
                EXPECT_EQ(t.render(preview), page);
            }
        }
    }
}

TEST(PhotoUpright, TheUprightSizeDecidesRotationAndResolution)
{
    Cell tall(20, 30);
    tall.useMarker(6);   // stored 60 × 90, upright 90 × 60
    {
        TExifRotateScope on(true);
        tall.render(false);
        // Upright, the photo lies across the portrait cell.
        EXPECT_EQ(tall.info.Options().TrueRotate(), TPhotoRotate::pr90);
    }
    {
        TExifRotateScope off(false);
        tall.render(false);
        EXPECT_EQ(tall.info.Options().TrueRotate(), TPhotoRotate::prAuto);
    }

    // Without automatic rotation the size rule covers the 354 px wide cell
    // with the upright 90 px, or the stored 60 px, of the photo's width.
    Cell wide(30, 20);
    wide.paper.SetRotate(TPhotoRotate::prNone);
    wide.useMarker(6);
    TExifRotateScope on(true);
    EXPECT_NEAR(wide.cell().PhotoResolution(wide.info, 300), 300.0 * 90 / 354, 0.01);
    SetExifRotate(false);
    EXPECT_NEAR(wide.cell().PhotoResolution(wide.info, 300), 300.0 * 60 / 354, 0.01);
}

// An embedded photo takes its orientation from its own bytes, whatever the
// entry recorded when it was added.
TEST(PhotoUpright, AnEmbeddedPhotoIsTurnedByItsOwnExif)
{
    Cell t(30, 20);
    const QImage stored = test::storedForOrientation(test::markerPicture(90, 60), 6);
    const QString path = t.dir + QStringLiteral("/photo.jpg");
    auto write = [&path](const QByteArray &bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    // Added while the file had no Exif block, embedded after it gained one.
    ASSERT_TRUE(write(test::jpegWithOrientation(stored, -1)));
    TImageInfo entry;
    entry.SetFileName(path, TImageLogging::iloLink);
    ASSERT_TRUE(write(test::jpegWithOrientation(stored, 6)));
    const QString document = t.dir + QStringLiteral("/album.vlpf");
    {
        TFileStream out(document, TFileStream::Mode::Create);
        entry.SaveToStream(out, nullptr, TFileSaveType::fstStream);
    }
    TImageInfo embedded;
    {
        TFileStream in(document, TFileStream::Mode::Read);
        embedded.LoadFromStream(in);
    }
    ASSERT_EQ(embedded.LogMode(), TImageLogging::iloStream);
    ASSERT_EQ(embedded.Orientation(), TExifOrientation::eoReserved);
    t.paper.SetDocumentFileName(document);
    TExifRotateScope on(true);
    for (bool preview : {false, true})
        expectCorners(t.render(preview, &embedded), {R, G, B, B});
}

// Text that follows the photo's way up is not turned again for an
// orientation the photo no longer has.
TEST(PhotoUpright, TextFollowsTheUprightPhotoOnlyByTheRulesTurn)
{
    const struct {
        bool on;
        int orientation;
        bool portrait;
        TTextAngle angle;
        TTextAngle adjusted;
    } cases[] = {
        {false, 3, false, TTextAngle::taNone, TTextAngle::taAngle180},   // as stored: upside down
        {true, 3, false, TTextAngle::taNone, TTextAngle::taNone},        // drawn upright
        {true, 8, false, TTextAngle::taNone, TTextAngle::taNone},
        {true, 8, true, TTextAngle::taAngle90, TTextAngle::taAngle270},  // upright, then a quarter turn
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << " " << c.orientation << " " << c.portrait);
        TExifRotateScope scope(c.on);
        Cell t(c.portrait ? 20 : 30, c.portrait ? 30 : 20);
        t.useMarker(c.orientation);
        TTextArea *caption = t.cell().Areas().AddText();
        caption->SetAngle(c.angle);
        caption->SetAdjustmentAngle(true);
        t.paper.PhotoList() = {&t.info};
        QImage page(MMToPixel(t.paper.PaperWidth(), 100), MMToPixel(t.paper.PaperHeight(), 100),
                    QImage::Format_RGB32);
        {
            QPainter painter(&page);
            t.paper.Draw(painter, 100, FloatSize(0, 0));
        }
        EXPECT_EQ(caption->CurrentAngle(), c.adjusted);
        caption->SetAdjustmentAngle(false);
        EXPECT_EQ(caption->CurrentAngle(), c.angle);
    }
}

namespace {

// Mean difference per channel of two equally large parts of a page.
double meanDifference(const QImage &page, const QRect &a, const QRect &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = page.pixel(a.left() + x, a.top() + y);
            const QRgb q = page.pixel(b.left() + x, b.top() + y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

// Real photos of one scene, stored upright (1), upside down (3) and on
// either side (6, 8), printed 2 × 2 without automatic rotation: upright,
// every cell shows what the cell of the photo stored upright shows (but for
// the orientation's label); as stored, they differ.
TEST(PhotoUpright, SamplePhotosPrintUprightTwoByTwo)
{
    const struct {
        double width, height;
        const char *names[4];
    } pages[] = {
        {200, 150, {"landscape_1.jpg", "landscape_3.jpg", "landscape_6.jpg", "landscape_8.jpg"}},
        {150, 200, {"portrait_1.jpg", "portrait_6.jpg", "portrait_1.jpg", "portrait_6.jpg"}},
    };
    for (const auto &p : pages) {
        SCOPED_TRACE(p.names[0]);
        TPhotoPaper paper;
        paper.SetMargins(FloatRect(0, 0, 0, 0));
        paper.SetSpace(FloatSize(0, 0));
        paper.SetPaperSize(FloatSize(p.width, p.height));
        paper.SetDivide({2, 2});
        paper.PhotoAreas().AdjustAreas();
        paper.SetPhotoSize(TPhotoSize::psPaper);
        paper.SetRotate(TPhotoRotate::prNone);
        std::vector<std::unique_ptr<TImageInfo>> entries;
        for (const char *name : p.names) {
            entries.push_back(std::make_unique<TImageInfo>());
            entries.back()->SetFileName(test::testDataPath(QStringLiteral("pages/photos/") + QLatin1String(name)),
                                        TImageLogging::iloLink);
            paper.PhotoList().push_back(entries.back().get());
        }
        auto draw = [&paper] {
            QImage page(MMToPixel(paper.PaperWidth(), 60), MMToPixel(paper.PaperHeight(), 60), QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            paper.Draw(painter, 60, FloatSize(0, 0));
            return page;
        };
        const int w = MMToPixel(p.width / 2, 60), h = MMToPixel(p.height / 2, 60);
        const QRect cells[] = {{0, 0, w, h}, {w, 0, w, h}, {0, h, w, h}, {w, h, w, h}};

        TExifRotateScope on(true);
        const QImage upright = draw();
        const QString saved = test::scratchDir(QStringLiteral("upright-pages")) + QLatin1Char('/')
                              + QString::fromLatin1(p.names[0]).replace(QLatin1String(".jpg"), QLatin1String(".png"));
        upright.save(saved);
        std::printf("upright page: %s\n", qPrintable(saved));
        SetExifRotate(false);
        const QImage stored = draw();
        for (int i = 1; i < 4; ++i) {
            const double same = meanDifference(upright, cells[0], cells[i]);
            const double asStored = meanDifference(stored, cells[0], cells[i]);
            std::printf("cell %d: upright %.1f, stored %.1f\n", i + 1, same, asStored);
            EXPECT_LT(same, 25) << "cell " << i + 1;
            if (QLatin1String(p.names[i]) != QLatin1String(p.names[0])) {
                EXPECT_GT(asStored, 3 * same) << "cell " << i + 1;
            }
        }
    }
}

// An image area showing the cell's photo shows it upright, then turned by
// its own angle.
TEST(PhotoUpright, ALinkedImageAreaShowsThePhotoUpright)
{
    const struct {
        bool on;
        TTextAngle angle;
        QSize size;
        QRgb topLeft;
    } cases[] = {
        {true, TTextAngle::taNone, {90, 60}, R},
        {true, TTextAngle::taAngle90, {60, 90}, B},    // upright, then a quarter turn clockwise
        {false, TTextAngle::taNone, {60, 90}, G},      // as stored
        {false, TTextAngle::taAngle90, {90, 60}, R},   // stored, turned: right way up by chance
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << " " << Ord(c.angle));
        TExifRotateScope scope(c.on);
        Cell t(30, 20);
        t.useMarker(6);
        TImageArea *area = t.paper.Areas().AddImage();
        area->SetLink(true);
        area->SetLinkAreaIndex(0);
        area->SetAngle(c.angle);
        t.paper.PhotoList() = {&t.info};
        QImage page(MMToPixel(30, 50), MMToPixel(20, 50), QImage::Format_RGB32);
        {
            QPainter painter(&page);
            t.paper.Draw(painter, 50, FloatSize(0, 0));
        }
        const QImage shown = area->Bitmap();
        ASSERT_EQ(shown.size(), c.size);
        EXPECT_TRUE(near(shown.pixel(shown.width() / 5, shown.height() / 5), c.topLeft))
            << std::hex << shown.pixel(shown.width() / 5, shown.height() / 5);
    }
}
