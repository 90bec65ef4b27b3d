#include "graphics/GraphicClassList.h"
#include "graphics/JpegImage.h"

#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

using namespace vellora;

namespace {

QString image(const char *name)
{
    return vellora::test::testDataPath(QStringLiteral("images/") + QLatin1String(name));
}

// Channels within tol of the expected colour (lossy formats).
::testing::AssertionResult near(QRgb actual, QRgb expected, int tol)
{
    if (std::abs(qRed(actual) - qRed(expected)) <= tol && std::abs(qGreen(actual) - qGreen(expected)) <= tol
        && std::abs(qBlue(actual) - qBlue(expected)) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "pixel 0x" << actual << " is not near 0x" << expected;
}

} // namespace

TEST(GraphicClassList, BuiltInFormatsInTheirOrder)
{
    TGraphicClassList list;
    list.AddBuiltInFormats();
    const struct {
        const char *ext;
        const TGraphicClass *cls;
    } expected[] = {{".bmp", &BitmapClass()}, {".jpg", &JpegImageClass()}, {".jpeg", &JpegImageClass()},
                    {".ico", &IconClass()},   {".wmf", &MetafileClass()},  {".emf", &EnhMetafileClass()},
                    {".png", &PngImageClass()}, {".gif", &GifImageClass()}};
    ASSERT_EQ(list.Count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(list.Item(i).Extension, QLatin1String(expected[i].ext));
        EXPECT_EQ(list.GraphicClass(i), expected[i].cls) << expected[i].ext;
    }
}

TEST(GraphicClassList, LookUpsIgnoreCaseNeedTheDotAndFindTheFirst)
{
    TGraphicClassList list;
    list.AddBuiltInFormats();
    EXPECT_EQ(list.IndexOfExtension(QStringLiteral(".JPG")), 1);
    EXPECT_EQ(list.IndexOfExtension(QStringLiteral("jpg")), -1);
    EXPECT_EQ(list.IndexOfExtension(QString()), -1);
    EXPECT_EQ(list.IndexOfClass(&JpegImageClass()), 1);
    EXPECT_EQ(list.IndexOfClass(&TiffImageClass()), -1);

    EXPECT_EQ(list.Add(QStringLiteral(".jpg"), &TiffImageClass()), 8);
    EXPECT_EQ(list.IndexOfExtension(QStringLiteral(".jpg")), 1);

    list.Delete(1);
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Item(1).Extension, QStringLiteral(".jpeg"));
    EXPECT_EQ(list.IndexOfExtension(QStringLiteral(".jpg")), 7);   // now the later entry
    EXPECT_EQ(list.GraphicClass(7), &TiffImageClass());

    list.Insert(0, QStringLiteral(".tif"), &TiffImageClass());
    EXPECT_EQ(list.IndexOfExtension(QStringLiteral(".TIF")), 0);
    EXPECT_THROW(list.Delete(list.Count()), std::out_of_range);
    EXPECT_THROW(list.Insert(list.Count() + 1, QStringLiteral(".x"), &TiffImageClass()), std::out_of_range);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(GraphicClassList, AssignCombinesLists)
{
    TGraphicClassList a, b;
    a.Add(QStringLiteral(".a"), &PngImageClass());
    a.Add(QStringLiteral(".b"), &PngImageClass());
    b.Add(QStringLiteral(".B"), &PngImageClass());
    b.Add(QStringLiteral(".c"), &PngImageClass());
    const auto exts = [](const TGraphicClassList &l) {
        QStringList out;
        for (int i = 0; i < l.Count(); ++i)
            out << l.Item(i).Extension;
        return out.join(QLatin1Char(' '));
    };
    const struct {
        TListAssignOp op;
        const char *result;
    } cases[] = {{TListAssignOp::laCopy, ".B .c"},        {TListAssignOp::laAnd, ".b"},
                 {TListAssignOp::laOr, ".a .b .c"},       {TListAssignOp::laXor, ".a .c"},
                 {TListAssignOp::laSrcUnique, ".a"},      {TListAssignOp::laDestUnique, ".c"}};
    for (const auto &c : cases) {
        TGraphicClassList target;
        target.Assign(a, c.op, &b);
        EXPECT_EQ(exts(target), QLatin1String(c.result)) << static_cast<int>(c.op);
    }
    TGraphicClassList self = a;
    self.Assign(self, TListAssignOp::laOr);
    EXPECT_EQ(exts(self), QStringLiteral(".a .b"));
}

TEST(GraphicClass, EveryFixtureFormatDecodesWithItsSizeAndPixels)
{
    const struct {
        const char *file;
        const TGraphicClass *cls;
        int tolerance;
    } cases[] = {
        {"halves.bmp", &BitmapClass(), 0},      {"halves.png", &PngImageClass(), 0},
        {"halves.gif", &GifImageClass(), 0},    {"halves.ico", &IconClass(), 0},
        {"halves.tif", &TiffImageClass(), 0},   {"halves.jpg", &JpegImageClass(), 12},
        {"halves-progressive.jpg", &JpegImageClass(), 40},
        {"halves-cmyk.jpg", &JpegImageClass(), 24},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(DetectGraphicClassOfFile(image(c.file)), c.cls);
        const TGraphicClass *cls = PictureClassForExtension(ExtractFileExt(QLatin1String(c.file)));
        ASSERT_EQ(cls, c.cls);
        std::unique_ptr<TGraphic> g = cls->Create();
        EXPECT_EQ(&g->GraphicClass(), c.cls);
        EXPECT_TRUE(g->Empty());
        g->LoadFromFile(image(c.file));
        ASSERT_EQ(g->Width(), 16);
        ASSERT_EQ(g->Height(), 12);
        EXPECT_TRUE(near(g->Image().pixel(1, 1), qRgb(255, 0, 0), c.tolerance));
        EXPECT_TRUE(near(g->Image().pixel(14, 10), qRgb(0, 0, 255), c.tolerance));

        // Drawing stretched onto a canvas shows the same halves.
        QImage canvas(32, 24, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        g->Draw(painter, QRectF(0, 0, 32, 24));
        painter.end();
        EXPECT_TRUE(near(canvas.pixel(4, 12), qRgb(255, 0, 0), c.tolerance));
        EXPECT_TRUE(near(canvas.pixel(28, 12), qRgb(0, 0, 255), c.tolerance));
    }
}

TEST(GraphicClass, GreyJpegAndStreamsAndSavingInItsOwnFormat)
{
    TJpegImage jpeg;
    TMemoryStream stream;
    stream.WriteBytes(QByteArray("prefix"));
    const QByteArray bytes = vellora::test::readFile(image("halves-gray.jpg"));
    stream.WriteBytes(bytes);
    stream.SetPosition(6);
    jpeg.LoadFromStream(stream);
    EXPECT_EQ(stream.Remaining(), 0);
    ASSERT_EQ(jpeg.Width(), 16);
    // ImageMagick reads gray(54) on the red half and gray(18) on the blue one.
    EXPECT_NEAR(qRed(jpeg.Image().pixel(1, 1)), 54, 3);
    EXPECT_EQ(qRed(jpeg.Image().pixel(1, 1)), qBlue(jpeg.Image().pixel(1, 1)));
    EXPECT_NEAR(qGreen(jpeg.Image().pixel(14, 1)), 18, 3);
    // Saving writes the original bytes unchanged.
    TMemoryStream saved;
    jpeg.SaveToStream(saved);
    EXPECT_EQ(saved.Data(), bytes);

    // A picture set in code is encoded in the class's own format.
    QImage green(5, 3, QImage::Format_RGB32);
    green.fill(qRgb(0, 200, 0));
    for (const TGraphicClass *cls : {&JpegImageClass(), &PngImageClass(), &BitmapClass()}) {
        std::unique_ptr<TGraphic> g = cls->Create();
        g->SetImage(green);
        const QByteArray encoded = g->SaveToData();
        EXPECT_EQ(DetectGraphicClass(encoded), cls) << cls->Name.toStdString();
        std::unique_ptr<TGraphic> back = cls->Create();
        back->LoadFromData(encoded);
        EXPECT_EQ(back->Width(), 5);
        EXPECT_TRUE(near(back->Image().pixel(2, 1), qRgb(0, 200, 0), 8));
    }
}

TEST(JpegImage, DctScalingGivesRoundedUpFractionsOfTheSize)
{
    const QByteArray bytes = vellora::test::readFile(image("gradient-65x49.jpg"));
    QSize size;
    ASSERT_TRUE(TJpegImage::probeSize(bytes, size));
    EXPECT_EQ(size, QSize(65, 49));
    const struct {
        TJPEGScale scale;
        QSize size;
    } cases[] = {{TJPEGScale::jsFullSize, {65, 49}}, {TJPEGScale::jsHalf, {33, 25}},
                 {TJPEGScale::jsQuarter, {17, 13}},  {TJPEGScale::jsEighth, {9, 7}}};
    for (const auto &c : cases) {
        TJpegImage jpeg;
        jpeg.SetScale(c.scale);
        jpeg.LoadFromData(bytes);
        EXPECT_EQ(QSize(jpeg.Width(), jpeg.Height()), c.size);
        // White at the top, black at the bottom at every scale.
        EXPECT_GT(qRed(jpeg.Image().pixel(0, 0)), 230);
        EXPECT_LT(qRed(jpeg.Image().pixel(0, jpeg.Height() - 1)), 25);
    }
}

TEST(JpegImage, CorruptAndTruncatedDataFailCleanly)
{
    const QByteArray good = vellora::test::readFile(image("halves.jpg"));
    QSize size;
    EXPECT_FALSE(TJpegImage::probeSize(QByteArray("\xFF\xD8\xFF\xE0", 4), size));
    EXPECT_FALSE(TJpegImage::probeSize(QByteArray(), size));

    TJpegImage jpeg;
    EXPECT_THROW(jpeg.LoadFromData(QByteArray()), EGraphicError);
    EXPECT_THROW(jpeg.LoadFromData(good.left(20)), EGraphicError);
    EXPECT_THROW(jpeg.LoadFromData(QByteArray("not a jpeg at all")), EGraphicError);
    EXPECT_TRUE(jpeg.Empty());

    // Cut inside the scan: the codec warns and gives what it read.
    jpeg.LoadFromData(good.left(good.size() - 4));
    EXPECT_EQ(jpeg.Width(), 16);

    // A header claiming 65500 x 65500 pixels is refused before any allocation.
    QByteArray huge = good;
    const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    huge[sof + 5] = '\xFF';
    huge[sof + 6] = '\xDC';
    huge[sof + 7] = '\xFF';
    huge[sof + 8] = '\xDC';
    try {
        jpeg.LoadFromData(huge);
        ADD_FAILURE() << "no error";
    } catch (const EGraphicError &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QLatin1String("too large"))) << e.what();
    }
}

TEST(GraphicClass, FormatsWithoutADecoderSayUnsupported)
{
    for (const TGraphicClass *cls : {&MetafileClass(), &EnhMetafileClass(), &PhotoCdClass(), &PaintShopProClass()}) {
        std::unique_ptr<TGraphic> g = cls->Create();
        try {
            g->LoadFromData(QByteArray("some bytes"));
            ADD_FAILURE() << cls->Name.toStdString() << " decoded";
        } catch (const EGraphicError &e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QLatin1String("unsupported format"))) << e.what();
        }
    }
    // Photoshop files decode where a plugin is installed and fail clearly otherwise.
    std::unique_ptr<TGraphic> psd = PhotoshopClass().Create();
    EXPECT_EQ(DetectGraphicClassOfFile(image("halves.psd")), &PhotoshopClass());
    try {
        psd->LoadFromFile(image("halves.psd"));
        EXPECT_EQ(psd->Width(), 16);
    } catch (const EGraphicError &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QLatin1String("unsupported format"))) << e.what();
    }
    // Bytes of another format under a class: an error, not a wrong picture.
    std::unique_ptr<TGraphic> png = PngImageClass().Create();
    EXPECT_THROW(png->LoadFromFile(image("halves.gif")), EGraphicError);
    EXPECT_THROW(png->LoadFromFile(image("absent.png")), IoError);
}

TEST(GraphicClass, ProgramRegistryAndContentFallback)
{
    QTemporaryDir tmp;
    // A PNG under a name the registry does not know.
    const QString odd = tmp.filePath(QStringLiteral("picture.data"));
    ASSERT_TRUE(QFile::copy(image("halves.png"), odd));
    EXPECT_EQ(FindGraphicClass(odd, false), nullptr);
    EXPECT_EQ(FindGraphicClass(odd, true), &PngImageClass());
    EXPECT_EQ(FindGraphicClass(QStringLiteral("/x/photo.JPEG"), false), &JpegImageClass());
    EXPECT_EQ(LoadGraphicFile(odd)->Width(), 16);
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/a.b/name")), QString());
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/a/name.tar.GZ")), QStringLiteral(".GZ"));

    TGraphicClassList mine;
    mine.Add(QStringLiteral(".data"), &PngImageClass());
    SetImageFormatRegistry(&mine);
    EXPECT_EQ(&ImageFormatRegistry(), &mine);
    EXPECT_EQ(FindGraphicClass(odd, false), &PngImageClass());
    EXPECT_EQ(FindGraphicClass(QStringLiteral("photo.jpg"), false), nullptr);
    SetImageFormatRegistry(nullptr);
    EXPECT_EQ(FindGraphicClass(QStringLiteral("photo.jpg"), false), &JpegImageClass());

    const QString text = tmp.filePath(QStringLiteral("notes.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello");
    f.close();
    EXPECT_THROW(LoadGraphicFile(text), EGraphicError);
}

TEST(GraphicClass, SamplePhotosDecodeAtEveryScale)
{
    VELLORA_REQUIRE_SHARED_PHOTOS();
    const QDir dir(vellora::test::sharedPhotosDir());
    const QStringList files = dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &name : files) {
        const QByteArray bytes = vellora::test::readFile(dir.filePath(name));
        QSize full;
        ASSERT_TRUE(TJpegImage::probeSize(bytes, full)) << name.toStdString();
        TJpegImage jpeg;
        jpeg.SetScale(TJPEGScale::jsEighth);
        jpeg.LoadFromData(bytes);
        EXPECT_EQ(jpeg.Width(), (full.width() + 7) / 8) << name.toStdString();
        EXPECT_EQ(jpeg.Height(), (full.height() + 7) / 8) << name.toStdString();
    }
}

TEST(GraphicClass, PictureLoaderRegistryAddsFormatsAndLaterOnesWin)
{
    static const TGraphicClass extra{QStringLiteral("Extra"), QByteArray("png"),
                                     [] { return PngImageClass().Create(); }};
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".xtr")), nullptr);
    RegisterPictureFormat(QStringLiteral("XTR"), QStringLiteral("Extra format"), &extra);
    RegisterPictureFormat(QStringLiteral(".xtr"), QStringLiteral("Extra format, renamed"), &extra);
    RegisterPictureFormat(QStringLiteral(".gif"), QStringLiteral("GIF through the extra class"), &extra);
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".XTR")), &extra);
    EXPECT_EQ(PictureClassForExtension(QStringLiteral("xtr")), nullptr);   // callers pass the dot
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".gif")), &extra);
    int entries = 0;
    for (const TRegisteredPictureFormat &f : PictureFormats())
        if (f.GraphicClass == &extra && f.Extension == QLatin1String("xtr")) {
            ++entries;
            EXPECT_EQ(f.Description, QStringLiteral("Extra format, renamed"));
        }
    EXPECT_EQ(entries, 1);
    // Unregistering a class brings back what it had overridden.
    UnregisterPictureClass(&extra);
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".xtr")), nullptr);
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".gif")), &GifImageClass());
}

TEST(JpegImage, MultiScanFilesAreRefusedWhenTheirCoefficientsExceedTheMemoryBudget)
{
    // A few hundred bytes claiming 4096 x 61708 pixels in two scans: decoding
    // even at an eighth needs every coefficient of the whole picture.
    const QByteArray forged = vellora::test::readFile(image("multiscan-huge-claim.jpg"));
    QSize claimed;
    ASSERT_TRUE(TJpegImage::probeSize(forged, claimed));
    EXPECT_EQ(claimed, QSize(4096, 61708));
    EXPECT_THROW(TJpegImage::decodeJpeg(forged, TJPEGScale::jsEighth), EGraphicError);

    // A real progressive photo well within the budget still decodes scaled.
    QImage photo(1600, 1200, QImage::Format_RGB32);
    photo.fill(qRgb(0, 0, 255));
    QByteArray progressive;
    QBuffer buffer(&progressive);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(photo));
    const QImage decoded = TJpegImage::decodeJpeg(progressive, TJPEGScale::jsEighth);
    EXPECT_EQ(decoded.size(), QSize(200, 150));
    EXPECT_TRUE(near(decoded.pixel(100, 75), qRgb(0, 0, 255), 8));
}
