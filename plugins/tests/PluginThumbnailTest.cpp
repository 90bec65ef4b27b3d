// Pictures read through a plug-in get their thumbnails and sizes in the
// image list, made on the workers like those of the built-in formats.
#include "PluginTestSupport.h"

#include "imagelist/ImageListView.h"
#include "plugins/SPIBmp.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vellora {
namespace {

// A raw PPM of w × h in one colour.
QString writePpm(const QString &path, int w, int h, QRgb colour)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("P6\n%1 %2\n255\n").arg(w).arg(h).toLatin1());
    for (int i = 0; i < w * h; ++i) {
        const char rgb[3] = {char(qRed(colour)), char(qGreen(colour)), char(qBlue(colour))};
        f.write(rgb, 3);
    }
    return path;
}

TEST(PluginThumbnails, PluginPicturesGetThumbnailsAndSizesInlineAndOnTheWorkers)
{
    test::UseTestHost();
    const QString folder = test::PluginFolder(QStringLiteral("thumbnails"), {QStringLiteral("sample")});
    TSPIs spis;
    spis.SetSearchOptions({});
    ASSERT_EQ(spis.Search(folder + QStringLiteral("/*.spi")), 1);
    const QString dir = test::scratchDir(QStringLiteral("plugin-thumbnails"));

    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    // As the main window registers a plug-in's extension.
    view.ImageClasses().Add(QStringLiteral(".ppm"), &SPIBitmapClass());
    view.SetThumbnailMode(TIVThumbnailMode::tmDraft);
    for (bool workers : {false, true}) {
        SCOPED_TRACE(workers ? "workers" : "inline");
        view.SetUseThread(workers);
        const QString path = writePpm(dir + (workers ? QStringLiteral("/b.ppm") : QStringLiteral("/a.ppm")), 320, 80,
                                      qRgb(200, 40, 90));
        TImageListItem *item = view.Items().Add(path);
        view.WaitForThumbnails();
        QImage thumb;
        ASSERT_TRUE(view.GetThumbnail(item, thumb));
        EXPECT_EQ(thumb.size(), QSize(160, 40));
        const QColor centre = thumb.pixelColor(80, 20);
        EXPECT_NEAR(centre.red(), 200, 4);
        EXPECT_NEAR(centre.green(), 40, 4);
        EXPECT_NEAR(centre.blue(), 90, 4);
        EXPECT_EQ(item->ImageWidth(), 320);
        EXPECT_EQ(item->ImageHeight(), 80);
    }
}

} // namespace
} // namespace vellora
