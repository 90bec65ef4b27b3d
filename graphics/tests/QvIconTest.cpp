#include "graphics/QvIcon.h"

#include "graphics/GraphicClassList.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

QByteArray fixture(const char *name)
{
    return test::readFile(test::testDataPath(QStringLiteral("images/") + QLatin1String(name)));
}

// Every image of an icon file as Qt's own reader decodes it.
QList<QImage> qtImages(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QList<QImage> images;
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        images.append(reader.read());
    }
    return images;
}

// The colour bits of a one-image icon file as a BMP file: the bitmap header
// with the image's own height, and the rows without the mask.
QImage colourBitsAsBmp(const QByteArray &icon)
{
    const qsizetype at = 22;
    const auto u32 = [&icon](qsizetype i) {
        return qFromLittleEndian<std::uint32_t>(reinterpret_cast<const uchar *>(icon.constData() + i));
    };
    const std::uint32_t height = u32(at + 8) / 2;
    const std::uint32_t masks = u32(at + 16) == 3 ? 12 : 0;
    const std::uint32_t colours = u32(at + 32) ? u32(at + 32) : (u32(at + 14) & 0xFFFF) <= 8 ? 1u << (u32(at + 14) & 0xFFFF) : 0;
    const std::uint32_t stride = ((u32(at + 14) & 0xFFFF) * u32(at + 4) + 31) / 32 * 4;
    const std::uint32_t bitsAt = 14 + 40 + masks + 4 * colours;
    QByteArray bmp("BM");
    bmp += QByteArray(12, '\0');
    bmp += icon.mid(at, bitsAt - 14 + stride * height);
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(bmp.size()), reinterpret_cast<uchar *>(bmp.data() + 2));
    qToLittleEndian<std::uint32_t>(bitsAt, reinterpret_cast<uchar *>(bmp.data() + 10));
    qToLittleEndian<std::uint32_t>(height, reinterpret_cast<uchar *>(bmp.data() + 14 + 8));
    return QImage::fromData(bmp, "BMP");
}

int errorId(const std::function<void()> &action)
{
    try {
        action();
    } catch (const EQvGraphic &e) {
        return e.LastErrorID();
    }
    return -1;
}

// A picture with a transparent ground: an opaque blue rectangle and a red bar.
QImage sampleArt(int w, int h)
{
    QImage art(w, h, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    QPainter painter(&art);
    painter.fillRect(QRect(w / 4, h / 4, w / 2, h / 2), QColor(20, 60, 220));
    painter.fillRect(QRect(w / 4, h / 2 - 1, w / 2, 2), QColor(230, 30, 30));
    return art;
}

QByteArray iconFile(int bitCount, int size, const QImage &picture)
{
    TQvIcon icon;
    icon.SetBitCount(bitCount);
    icon.SetWidth(size);
    icon.SetHeight(size);
    icon.AddIcon(picture);
    return icon.SaveToData();
}

void putU32(QByteArray &a, qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        a[at + i] = static_cast<char>(v >> (8 * i));
}

// Equal pixels, compared premultiplied: Qt keeps icons premultiplied, so the
// colour of a nearly transparent pixel does not survive its reader exactly.
// Without alpha only the colours where the picture shows are compared.
void expectSamePixels(const QImage &ours, const QImage &theirs, bool alpha = true, int tolerance = 0)
{
    ASSERT_EQ(ours.size(), theirs.size());
    const QImage a = ours.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = theirs.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (!alpha && qAlpha(p) == 0)
                continue;
            const int channels[][2] = {{qRed(p), qRed(q)}, {qGreen(p), qGreen(q)}, {qBlue(p), qBlue(q)},
                                       {alpha ? qAlpha(p) : 255, qAlpha(q)}};
            for (const auto &c : channels)
                ASSERT_LE(std::abs(c[0] - c[1]), tolerance) << x << "," << y << ": " << std::hex << p << " " << q;
        }
}

} // namespace

TEST(QvIcon, ErrorMessagesCarryIdAndText)
{
    const char *texts[] = {"ID:0 Graphic Error",          "ID:1 Indistinct error",   "ID:2 Uncorresponding format",
                           "ID:3 Invalid format",         "ID:4 Image is empty.",    "ID:5 Failed Creating Handle.",
                           "ID:6 Failed Creating Image.", "ID:7 "};
    for (int id = 0; id < 8; ++id)
        EXPECT_STREQ(EQvGraphic(id).what(), texts[id]);
    EXPECT_EQ(EQvGraphic(3).LastErrorID(), 3);
}

TEST(QvIcon, PropertiesHoldTheirRanges)
{
    TQvIcon icon;
    EXPECT_EQ(icon.BitCount(), 4);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.StretchMode(), TQvIconStretchMode::smAuto);
    EXPECT_TRUE(icon.Empty());
    icon.SetBitCount(0);
    EXPECT_EQ(icon.BitCount(), 1);
    icon.SetBitCount(33);
    EXPECT_EQ(icon.BitCount(), 32);
    for (const int bad : {0, -1, 65535})
        icon.SetWidth(bad), icon.SetHeight(bad);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    icon.SetWidth(65534);
    EXPECT_EQ(icon.Width(), 65534);

    const int depths[33] = {1, 1, 4, 4, 4, 8, 8, 8, 8, 16, 16, 16, 16, 16, 16, 15, 16,
                            24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 32};
    for (int bits = 0; bits <= 32; ++bits)
        EXPECT_EQ(IconDepth(bits), depths[bits]) << bits;
}

TEST(QvIcon, ImageMagickIconsRoundTripByteForByteAndMatchQt)
{
    const QByteArray file = fixture("icons.ico");
    TQvIcon icon;
    icon.LoadFromData(file);
    ASSERT_EQ(icon.Count(), 3);
    EXPECT_EQ(icon.Width(), 48);   // the first image's size becomes the preferred one
    const QList<QImage> qt = qtImages(file);
    ASSERT_EQ(qt.size(), 3);
    const int sizes[] = {48, 32, 16};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(icon.Images(i).Width(), sizes[i]);
        EXPECT_EQ(icon.Images(i).BitCount(), 32);
        EXPECT_EQ(icon.Images(i).Index(), i);
        expectSamePixels(icon.Images(i).Handle(), qt[i]);
    }
    EXPECT_EQ(icon.SaveToData(), file);
    // The graphic's picture is the true-colour image at the preferred size.
    EXPECT_EQ(static_cast<const TGraphic &>(icon).Image().size(), QSize(48, 48));
}

TEST(QvIcon, WrittenImagesReadBackInQtAtEveryDepth)
{
    const QImage art = sampleArt(24, 24);
    for (const int bits : {1, 4, 8, 15, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const QByteArray file = iconFile(bits, 24, art);
        TQvIcon ours;
        ours.LoadFromData(file);
        ASSERT_EQ(ours.Count(), 1);
        const QImage handle = ours.Images(0).Handle();
        // Qt reads no 16-bit icons, but its bitmap reader takes their colour
        // bits (widening 5 bits by a shift where we repeat the top bits, so
        // only those are compared); at 24 bits it reads no mask.
        if (bits == 15 || bits == 16) {
            const auto top5 = [](QImage image) {
                image = image.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        image.setPixel(x, y, image.pixel(x, y) & 0xFFF8F8F8);
                return image;
            };
            expectSamePixels(top5(handle), top5(colourBitsAsBmp(file)), false);
        } else {
            const QList<QImage> qt = qtImages(file);
            ASSERT_EQ(qt.size(), 1);
            expectSamePixels(handle, qt[0], bits != 24);
        }
        // The ground is transparent, the rectangle shows.
        EXPECT_EQ(qAlpha(handle.pixel(1, 1)), 0);
        EXPECT_EQ(qAlpha(handle.pixel(12, 8)), 255);
        if (bits >= 8) {
            EXPECT_GT(qBlue(handle.pixel(12, 8)), 150);
        }
        EXPECT_EQ(ours.SaveToData(), file);
    }
}

TEST(QvIcon, SizeByteZeroMeans256AndEightBitsWriteColourCountZero)
{
    QImage art(256, 256, QImage::Format_RGB888);
    art.fill(QColor(40, 160, 90));
    const QByteArray file = iconFile(8, 256, art);
    EXPECT_EQ(file[6], '\0');   // width
    EXPECT_EQ(file[7], '\0');   // height
    EXPECT_EQ(file[8], '\0');   // colour count
    TQvIcon icon;
    icon.LoadFromData(file);
    EXPECT_EQ(icon.Images(0).Width(), 256);
    EXPECT_EQ(icon.Images(0).Height(), 256);
    EXPECT_EQ(icon.Images(0).BitCount(), 8);
    EXPECT_EQ(icon.Palette().size(), 256);
    EXPECT_EQ(iconFile(4, 16, art)[8], 16);

    TQvIcon tooLarge;
    tooLarge.SetWidth(257);
    EXPECT_EQ(errorId([&] { tooLarge.AddIcon(art); }), 3);
}

TEST(QvIcon, BrokenAndForeignFilesRaiseTheirIds)
{
    const QByteArray good = iconFile(4, 16, sampleArt(16, 16));
    const qsizetype data = 22;   // the one image's data: after header and entry
    const struct {
        const char *name;
        std::function<void(QByteArray &)> damage;
        int id;
    } cases[] = {
        {"cursor file", [](QByteArray &f) { f[2] = 2; }, 2},
        {"PNG image", [](QByteArray &f) { f.replace(data, 8, QByteArray("\x89PNG\r\n\x1A\n", 8)); }, 2},
        {"run-length image", [](QByteArray &f) { putU32(f, data + 16, 2); }, 2},
        {"header not 40", [](QByteArray &f) { putU32(f, data, 12); }, 2},
        {"height not twice", [](QByteArray &f) { putU32(f, data + 8, 16); }, 3},
        {"width beyond 256", [](QByteArray &f) { putU32(f, data + 4, 300); }, 3},
        {"depth 7", [](QByteArray &f) { f[data + 14] = 7; }, 3},
        {"more colours than the depth", [](QByteArray &f) { putU32(f, data + 32, 17); }, 3},
        {"count beyond the file", [](QByteArray &f) { f[4] = 100; }, 3},
        {"offset beyond the file", [](QByteArray &f) { putU32(f, 18, 0x7FFFFFF0); }, 3},
        {"size beyond the file", [](QByteArray &f) { putU32(f, 14, 0xFFFFFFFF); }, 3},
        {"mask cut short", [](QByteArray &f) { f.chop(1); putU32(f, 14, static_cast<std::uint32_t>(f.size() - data)); }, 3},
        {"header cut short", [](QByteArray &f) { f.truncate(4); }, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bad = good;
        c.damage(bad);
        TQvIcon icon;
        EXPECT_EQ(errorId([&] { icon.LoadFromData(bad); }), c.id);
    }
}

TEST(QvIcon, PictureLoaderUsesTheIconClassAndFallsBackToQtForPngImages)
{
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".ICO")), &IconClass());
    EXPECT_EQ(ImageFormatRegistry().GraphicClass(ImageFormatRegistry().IndexOfExtension(QStringLiteral(".ico"))),
              &IconClass());
    EXPECT_EQ(QvIconPictureDescription(), QStringLiteral("アイコン"));

    const QByteArray file = fixture("icon-png.ico");
    TQvIcon strict;
    EXPECT_EQ(errorId([&] { strict.LoadFromData(file); }), 2);

    std::unique_ptr<TGraphic> graphic = IconClass().Create();
    auto *icon = dynamic_cast<TQvIcon *>(graphic.get());
    ASSERT_NE(icon, nullptr);
    graphic->LoadFromData(file);
    ASSERT_EQ(icon->Count(), 2);
    EXPECT_EQ(icon->Images(0).Width(), 256);
    // Rebuilt from Qt's premultiplied picture: off by one where nearly transparent.
    expectSamePixels(icon->Images(0).Handle(), qtImages(file)[0], true, 1);
    EXPECT_EQ(graphic->Image().size(), QSize(256, 256));
    // Garbage stays an error, with our reader's reason.
    EXPECT_EQ(errorId([&] { graphic->LoadFromData(QByteArray("\0\0\1\0\1\0", 6)); }), 3);
}

TEST(QvIcon, NearestImageBySizeThenDepthFirstOnTies)
{
    TQvIcon icon;
    for (const auto &[size, bits] : {std::pair{16, 4}, {32, 4}, {32, 8}}) {
        icon.SetWidth(size);
        icon.SetHeight(size);
        icon.SetBitCount(bits);
        icon.AddIcon(sampleArt(size, size));
    }
    const struct {
        int w, h, bits;
        int index;
    } cases[] = {{32, 32, 8, 2}, {24, 24, 4, 0}, {32, 32, 4, 1}, {100, 100, 32, 2}, {1, 1, 1, 0}};
    for (const auto &c : cases) {
        int w = c.w, h = c.h, bits = c.bits;
        EXPECT_EQ(icon.NearestIcon(w, h, bits), c.index) << c.w << "x" << c.h << "@" << c.bits;
        EXPECT_EQ(w, icon.Images(c.index).Width());
        EXPECT_EQ(bits, icon.Images(c.index).BitCount());
    }
    TQvIcon none;
    int w = 32, h = 32, bits = 4;
    EXPECT_EQ(none.NearestIcon(w, h, bits), -1);
}

TEST(QvIcon, PictureOfAMultiSizeIconIsItsLargestImage)
{
    // Written smallest first, as icon files usually are.
    TQvIcon made;
    for (const auto &[size, bits] : {std::pair{16, 8}, {48, 4}, {48, 8}, {32, 8}}) {
        made.SetWidth(size);
        made.SetHeight(size);
        made.SetBitCount(bits);
        made.AddIcon(sampleArt(size, size));
    }
    const QByteArray file = made.SaveToData();

    // Loaded for a picture (print, viewer, thumbnail): the 48-pixel, 8-bit image.
    std::unique_ptr<TGraphic> picture = IconClass().Create();
    picture->LoadFromData(file);
    EXPECT_EQ(picture->Image().size(), QSize(48, 48));
    EXPECT_EQ(picture->Image(), dynamic_cast<TQvIcon &>(*picture).Images(2).Handle());
    // Shown at a size, the nearest image is still the one taken.
    auto &icon = dynamic_cast<TQvIcon &>(*picture);
    int w = 16, h = 16, bits = 8;
    EXPECT_EQ(icon.NearestIcon(w, h, bits), 0);
    // A plain icon object keeps its picture at its preferred size.
    TQvIcon plain;
    plain.LoadFromData(file);
    EXPECT_EQ(plain.Image().size(), QSize(16, 16));
}

TEST(QvIcon, StretchModesPlaceThePictureOnTheIcon)
{
    // Transparent but for an opaque right half.
    QImage wide(48, 32, QImage::Format_ARGB32);
    wide.fill(Qt::transparent);
    QPainter(&wide).fillRect(QRect(24, 0, 24, 32), QColor(0, 0, 255));
    QImage small(16, 16, QImage::Format_RGB888);
    small.fill(QColor(0, 0, 255));
    const struct {
        const char *name;
        const QImage *picture;
        TQvIconStretchMode mode;
        QRect opaque;
    } cases[] = {
        {"wide, auto", &wide, TQvIconStretchMode::smAuto, QRect(16, 0, 16, 32)},
        {"wide, fit", &wide, TQvIconStretchMode::smFit, QRect(16, 0, 16, 32)},
        {"wide, proportional", &wide, TQvIconStretchMode::smProportional, QRect(16, 5, 16, 21)},
        {"small, auto", &small, TQvIconStretchMode::smAuto, QRect(8, 8, 16, 16)},
        {"small, fit", &small, TQvIconStretchMode::smFit, QRect(0, 0, 32, 32)},
        {"small, proportional", &small, TQvIconStretchMode::smProportional, QRect(8, 8, 16, 16)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TQvIcon icon;
        icon.SetStretchMode(c.mode);
        icon.AddIcon(*c.picture);
        ASSERT_EQ(icon.Count(), 1);
        EXPECT_EQ(icon.Images(0).BitCount(), 4);
        EXPECT_EQ(icon.Images(0).ColorCount(), 16);
        const QImage handle = icon.Images(0).Handle();
        ASSERT_EQ(handle.size(), QSize(32, 32));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = handle.pixel(x, y);
                ASSERT_EQ(qAlpha(p), c.opaque.contains(x, y) ? 255 : 0) << x << "," << y;
                if (qAlpha(p)) {
                    ASSERT_GT(qBlue(p), std::max(qRed(p), qGreen(p)) + 100) << x << "," << y;
                }
            }
    }
}

TEST(QvIcon, ClipboardRoundTripKeepsEveryImage)
{
    TQvIcon icon;
    icon.AddIcon(sampleArt(32, 32));
    icon.SetWidth(16);
    icon.SetHeight(16);
    icon.SetBitCount(32);
    icon.AddIcon(sampleArt(16, 16));
    icon.CopyToClipboard();
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasFormat(QLatin1String(kQvIconClipboardFormat)));
    EXPECT_TRUE(mime->hasImage());   // for other programs

    TQvIcon pasted;
    pasted.PasteFromClipboard();
    EXPECT_EQ(pasted.Count(), 2);
    EXPECT_EQ(pasted.SaveToData(), icon.SaveToData());

    // A picture alone on the clipboard makes one image.
    QMimeData pictureOnly;
    pictureOnly.setImageData(sampleArt(40, 40));
    pasted.Assign(pictureOnly);
    EXPECT_EQ(pasted.Count(), 1);
    EXPECT_EQ(errorId([&] { pasted.Assign(QMimeData()); }), 3);

    EXPECT_EQ(errorId([&] { pasted.LoadFromClipboardFormat(QStringLiteral("image/png"), icon.SaveToData()); }), 3);
    EXPECT_EQ(errorId([&] { pasted.LoadFromClipboardFormat(QLatin1String(kQvIconClipboardFormat), {}); }), 4);
    QString format = QStringLiteral("untouched");
    QByteArray data("untouched");
    TQvIcon().SaveToClipboardFormat(format, data);
    EXPECT_EQ(format, QStringLiteral("untouched"));
    EXPECT_EQ(data, QByteArray("untouched"));
}

TEST(QvIcon, SystemIconsAndGraphicsConvertBothWays)
{
    TQvIcon icon;
    icon.LoadFromData(fixture("icons.ico"));
    const QIcon system = icon.ToIcon();
    EXPECT_EQ(system.availableSizes().size(), 3);

    TQvIcon back;
    back.Assign(system);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const QImage original = icon.Images(i).Handle();
        const int j = [&] {
            for (int k = 0; k < 3; ++k)
                if (back.Images(k).Width() == original.width())
                    return k;
            return -1;
        }();
        ASSERT_GE(j, 0);
        EXPECT_EQ(back.Images(j).BitCount(), 32);
        expectSamePixels(back.Images(j).Handle(), original);
    }

    // To another graphic: the nearest image over white, at its size.
    std::unique_ptr<TGraphic> png = PngImageClass().Create();
    icon.SetWidth(30);
    icon.SetHeight(30);
    icon.AssignTo(*png);
    EXPECT_EQ(png->Image().size(), QSize(32, 32));
    EXPECT_EQ(png->Image().pixel(0, 0), qRgb(255, 255, 255));
    // And from one.
    TQvIcon fromGraphic;
    fromGraphic.Assign(*png);
    EXPECT_EQ(fromGraphic.Count(), 1);
    EXPECT_EQ(fromGraphic.Images(0).Width(), 32);
    // A graphic's transparency becomes the mask.
    std::unique_ptr<TGraphic> art = PngImageClass().Create();
    art->SetImage(sampleArt(32, 32));
    fromGraphic.Assign(*art);
    EXPECT_EQ(qAlpha(fromGraphic.Images(0).Handle().pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(fromGraphic.Images(0).Handle().pixel(16, 12)), 255);
}

TEST(QvIcon, SettingTheHandleRebuildsTheMemoryAtTheImageDepth)
{
    TQvIcon icon;
    icon.SetBitCount(8);
    icon.AddIcon(sampleArt(32, 32));
    TQvIconImage &image = icon.Images(0);
    const QByteArray before = image.IconMemory();
    QImage replacement(20, 10, QImage::Format_ARGB32);
    replacement.fill(QColor(255, 255, 0));
    image.SetHandle(replacement);
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_NE(image.IconMemory(), before);
    // Read back from the new memory alone.
    TQvIcon reread;
    reread.LoadFromData(icon.SaveToData());
    EXPECT_EQ(reread.Images(0).Handle().size(), QSize(20, 10));
    // Yellow through a mean-cut palette.
    const QRgb yellow = reread.Images(0).Handle().pixel(3, 3);
    EXPECT_GE(qRed(yellow), 250);
    EXPECT_GE(qGreen(yellow), 250);
    EXPECT_LE(qBlue(yellow), 5);
    EXPECT_EQ(errorId([&] { image.SetHandle(QImage(300, 10, QImage::Format_ARGB32)); }), 3);
}

// Draws the fixture icon at 16, 32 and 48 pixels, and at 16 on a 2x device,
// into the build folder for a look; each draw picks the image of its size.
TEST(QvIcon, DrawPicksTheImageForTheDevicePixels)
{
    TQvIcon icon;
    icon.LoadFromData(fixture("icons.ico"));
    // Mark each image so that the one drawn can be told apart.
    const QColor marks[] = {Qt::red, Qt::green, Qt::magenta};
    for (int i = 0; i < 3; ++i) {
        QImage marked = icon.Images(i).Handle();
        marked.setPixelColor(0, 0, marks[i]);
        icon.Images(i).SetHandle(marked);
    }
    const QDir out(test::scratchDir(QStringLiteral("icons")));
    const struct {
        int size;
        double ratio;
        int image;
    } cases[] = {{16, 1, 2}, {32, 1, 1}, {48, 1, 0}, {16, 2, 1}, {24, 2, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size);
        const int pixels = static_cast<int>(c.size * c.ratio);
        QImage canvas(pixels, pixels, QImage::Format_RGB32);
        canvas.setDevicePixelRatio(c.ratio);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        icon.Draw(painter, QRectF(0, 0, c.size, c.size));
        painter.end();
        EXPECT_EQ(canvas.pixelColor(0, 0), marks[c.image]);
        EXPECT_EQ(canvas.pixel(pixels / 2, pixels / 2), qRgb(255, 255, 0));   // the yellow bar
        EXPECT_TRUE(canvas.save(out.filePath(QStringLiteral("icon-%1px-x%2.png").arg(c.size).arg(c.ratio))));
    }
}
