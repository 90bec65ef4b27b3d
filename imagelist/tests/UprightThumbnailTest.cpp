// Thumbnails of photos stored turned: the cache keeps the stored pixels, the
// view paints them upright while the program-wide switch is on.
#include "imagelist/ImageListView.h"

#include "model/ImageInfo.h"
#include "model/PhotoTurn.h"
#include "testsupport/OrientedPhoto.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QTest>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 40 && std::abs(qGreen(a) - qGreen(b)) <= 40
        && std::abs(qBlue(a) - qBlue(b)) <= 40;
}

} // namespace

TEST(ImageListWidget, ThumbnailsArePaintedUprightFromTheStoredCache)
{
    const QString dir = test::scratchDir(QStringLiteral("ilv-upright"));
    const int orientations[] = {1, 3, 6, 8, 5};
    std::vector<std::unique_ptr<TImageInfo>> infos;
    TImageListView view;
    view.resize(600, 200);
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    view.SetThumbSize(96);
    view.SetViewStyle(TImageViewStyle::ivsThumbnail);
    for (int o : orientations) {
        const QString path = dir + QStringLiteral("/marker_%1.jpg").arg(o);
        ASSERT_TRUE(test::writeOrientedMarker(path, 120, 80, o));
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(path, TImageLogging::iloLink);
        view.AddItem(path, infos.back().get());
    }
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.WaitForThumbnails();

    auto shot = [&view](const char *name) {
        QApplication::processEvents();
        QImage image = view.ListView()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QDir().mkpath(QStringLiteral(VELLORA_BINARY_DIR_TEST) + QStringLiteral("/renders/imagelist"));
        image.save(QStringLiteral(VELLORA_BINARY_DIR_TEST) + QStringLiteral("/renders/imagelist/") +
                   QLatin1String(name));
        return image;
    };
    // The top-left and top-right quarters of the picture centred in the icon square.
    auto topCorners = [&view](const QImage &image, int index) {
        const QRect cell = view.ItemCellRect(view.Items().Item(index));
        const QPoint centre(cell.center().x(), cell.top() + (96 + 8) / 2);
        return std::pair{image.pixel(centre + QPoint(-20, -14)), image.pixel(centre + QPoint(20, -14))};
    };

    {
        TExifRotateScope on(true);
        view.ListView()->viewport()->update();
        const QImage image = shot("thumbnails-upright.png");
        for (int i = 0; i < int(std::size(orientations)); ++i) {
            const auto [left, right] = topCorners(image, i);
            EXPECT_TRUE(near(left, test::kMarkerTopLeft)) << orientations[i] << " " << std::hex << left;
            EXPECT_TRUE(near(right, test::kMarkerTopRight)) << orientations[i] << " " << std::hex << right;
        }
        // The cache still holds what the file stores: 64 × 96 for the quarter-turned photo.
        QImage stored;
        ASSERT_TRUE(view.GetThumbnail(view.Items().Item(2), stored));
        EXPECT_EQ(stored.size(), QSize(64, 96));
    }
    TExifRotateScope off(false);
    view.ListView()->viewport()->update();
    const QImage image = shot("thumbnails-stored.png");
    // Orientation 6 stored: green top-left, blue top-right (the picture turned anticlockwise).
    const auto [left, right] = topCorners(image, 2);
    EXPECT_TRUE(near(left, test::kMarkerTopRight)) << std::hex << left;
    EXPECT_TRUE(near(right, test::kMarkerRest)) << std::hex << right;
}
