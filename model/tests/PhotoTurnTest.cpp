#include "model/PhotoTurn.h"
#include "testsupport/OrientedPhoto.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace vellora;

// The stored pictures are made with Qt's own turns; turning each upright
// must give back the marker picture pixel for pixel, through the copy, the
// stretch and the painter transform alike.
TEST(PhotoTurn, EachOrientationTurnsItsStoredPictureUpright)
{
    const QImage upright = test::markerPicture(6, 4);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QImage stored = test::storedForOrientation(upright, orientation).convertToFormat(QImage::Format_RGB32);
        const TPixelTurn turn = UprightTurn(orientation);
        EXPECT_EQ(TurnedSize(stored.size(), turn), upright.size());
        EXPECT_EQ(TurnImage(stored, turn), upright);

        // Stretched three times as large: every source pixel becomes a 3 × 3 block.
        QImage big(18, 12, QImage::Format_RGB32);
        big.fill(Qt::white);
        StretchTurned(big, big.rect(), stored, turn);
        EXPECT_EQ(big, upright.scaled(18, 12));

        QImage painted(18, 12, QImage::Format_RGB32);
        painted.fill(Qt::white);
        {
            QPainter painter(&painted);
            painter.setTransform(TurnedTargetTransform(stored.size(), painted.rect(), turn));
            painter.drawImage(0, 0, stored);
        }
        EXPECT_EQ(painted, upright.scaled(18, 12));
    }
}

TEST(PhotoTurn, UnknownOrientationsTurnNothingAndQuarterTurnsAddUp)
{
    for (int bad : {0, 9, -1, 255, 65535})
        EXPECT_TRUE(UprightTurn(bad).IsIdentity()) << bad;

    const struct {
        TPixelTurn turn;
        int quarters;
        TPixelTurn expected;
    } cases[] = {
        {{false, 1}, 1, {false, 2}},
        {{false, 3}, 1, {false, 0}},
        {{true, 3}, 3, {true, 2}},
        {{true, 1}, -1, {true, 0}},
        {{false, 0}, 6, {false, 2}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ThenQuarters(c.turn, c.quarters), c.expected) << c.turn.quarters << " + " << c.quarters;
}

TEST(PhotoTurn, AStretchIsCutToTheDestinationAndLeavesTheRestAlone)
{
    // A 2 × 2 source turned a quarter clockwise into a 4 × 4 target that hangs
    // 2 pixels over the left and top edges of a 4 × 4 destination.
    QImage source(2, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, 0xFF000001);
    source.setPixel(1, 0, 0xFF000002);
    source.setPixel(0, 1, 0xFF000003);
    source.setPixel(1, 1, 0xFF000004);
    QImage dest(4, 4, QImage::Format_RGB32);
    dest.fill(Qt::white);
    StretchTurned(dest, QRect(-2, -2, 4, 4), source, UprightTurn(6));
    // Turned clockwise the source reads 3 1 / 4 2; only its bottom-right pixel shows.
    EXPECT_EQ(dest.pixel(0, 0), 0xFF000002u);
    EXPECT_EQ(dest.pixel(1, 1), 0xFF000002u);
    EXPECT_EQ(dest.pixel(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dest.pixel(0, 2), 0xFFFFFFFFu);
    EXPECT_EQ(dest.pixel(3, 3), 0xFFFFFFFFu);
}
