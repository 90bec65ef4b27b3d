// The designer's arithmetic: conversions, snapping, clamping, resizing,
// aligning and the fallbacks for unusable settings.
#include "app/designer/DesignerGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vellora;

namespace {
constexpr double kEps = 1e-9;
}

TEST(DesignerGeometry, ConversionsShareOneRoundingAndSaturate)
{
    const TDesignScale s(127, 100);   // 5 pixels per mm
    EXPECT_EQ(s.ToPixels(12), 60);
    EXPECT_EQ(s.ToPixels(0.1), 1);      // 0.5 px rounds up
    EXPECT_EQ(s.ToPixels(-0.08), 0);    // -0.4 px
    EXPECT_EQ(TDesignScale(25.4, 100).ToPixels(-0.5), 0);   // half up also below zero
    EXPECT_EQ(TDesignScale(25.4, 100).ToPixels(-0.625), -1);
    EXPECT_EQ(s.ToPixels(-0.3), -1);
    EXPECT_NEAR(static_cast<double>(s.ToMM(2)), 0.4, kEps);
    EXPECT_EQ(s.ToPixels(1e30L), 1 << 30);
    EXPECT_EQ(s.ToPixels(-1e30L), -(1 << 30));
    EXPECT_EQ(s.ToPixels(std::numeric_limits<Extended>::quiet_NaN()), 0);
    EXPECT_EQ(TDesignScale(127, 5).Rate(), kMinShowRate);
    EXPECT_EQ(TDesignScale(127, 5000).Rate(), kMaxShowRate);
    // A grid line and an edge at the same mm land on the same pixel at any rate.
    for (int rate : {20, 37, 100, 120, 300}) {
        const TDesignScale r(96, rate);
        for (Extended mm : {7.0L, 11.0L, 30.0L, 142.5L})
            EXPECT_EQ(r.ToPixelRect(FloatRect(mm, 0, mm + 5, 5), QPoint(100, 0)).left(), 100 + r.ToPixels(mm));
    }
}

TEST(DesignerGeometry, CrowdedGridLinesAreDrawnWithACoarserMultiple)
{
    EXPECT_NEAR(static_cast<double>(GridDrawStep(5, TDesignScale(127, 100))), 5, kEps);
    // 0.5 mm at 20 % is 0.5 px: the smallest multiple at least 3 px apart is 5 × 0.5.
    EXPECT_NEAR(static_cast<double>(GridDrawStep(0.5, TDesignScale(127, 20))), 2.5, kEps);
    EXPECT_NEAR(static_cast<double>(GridDrawStep(0.5, TDesignScale(96, 20))), 0.5 * 7, kEps);
}

TEST(DesignerGeometry, SnappingPutsTheNearerEdgeOnTheGrid)
{
    struct Case {
        double low, high, origin, step, correction;
    } cases[] = {
        {12.4, 31.4, 0, 5, -1.4},    // the right edge is nearer
        {12.4, 30.9, 0, 5, -0.9},
        {11.2, 33.0, 0, 5, -1.2},    // the left edge is nearer
        {12.4, 31.4, 7, 5, -0.4},    // from a cell corner at 7 mm
        {-3.2, 2.0, 0, 5, -1.8},     // below the origin: the line under it is -5
        {13.4, 32.2, 0, 0.5, 0.1},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(static_cast<double>(SnapSpan(c.low, c.high, c.origin, c.step)), c.correction, kEps)
            << c.low << " " << c.high;
    EXPECT_NEAR(static_cast<double>(SnapEdge(12.5, 0, 5)), 2.5, kEps);   // a tie goes up
}

TEST(DesignerGeometry, AMovedSpanStaysOnTheSurface)
{
    struct Case {
        int pos, size, delta, limit, allowed;
    } cases[] = {
        {50, 10, 20, 200, 20},
        {50, 10, -80, 200, -50},      // stops at 0
        {50, 10, 500, 200, 139},      // right edge at limit - 1
        {0, 10, 0, 200, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ClampMove(c.pos, c.size, c.delta, c.limit), c.allowed);
}

TEST(DesignerGeometry, ResizingFromAnEdgeKeepsTheOtherEdge)
{
    struct Case {
        bool low, high, snap;
        double delta, low0, high0, wantLow, wantHigh;
    } cases[] = {
        {false, true, false, 2.0, 12, 31, 12, 33},
        {true, false, false, -1.4, 12, 31, 10.6, 31},
        {true, false, true, -1.4, 12, 31, 10, 31},
        {false, true, true, 1.4, 12, 31, 12, 30},          // 32.4: 30 is nearer than 35
        {false, true, true, 3.0, 12, 31, 12, 35},
        {false, true, false, -50, 12, 31, 12, 12},           // never below zero size
        {true, false, false, 50, 12, 31, 31, 31},
        {false, false, false, 9, 12, 31, 12, 31},            // neither edge held
    };
    for (const Case &c : cases) {
        const TSpan s = ResizeSpan({c.low0, c.high0}, c.low, c.high, c.delta, c.snap, 0, 5);
        EXPECT_NEAR(static_cast<double>(s.low), c.wantLow, kEps) << c.delta;
        EXPECT_NEAR(static_cast<double>(s.high), c.wantHigh, kEps) << c.delta;
    }
}

TEST(DesignerGeometry, EdgeZonesPreferRightAndBottom)
{
    struct Case {
        int x, y, w, h;
        unsigned sides;
    } cases[] = {
        {1, 10, 50, 30, 1},  {10, 2, 50, 30, 2},  {46, 10, 50, 30, 4},  {10, 26, 50, 30, 8},
        {0, 0, 50, 30, 3},   {49, 29, 50, 30, 12}, {49, 0, 50, 30, 6},   {0, 29, 50, 30, 9},
        {10, 10, 50, 30, 0}, {4, 4, 50, 30, 0},
        {1, 1, 3, 3, 12},    // a 3-pixel item: only right and bottom
    };
    for (const Case &c : cases)
        EXPECT_EQ(MouseSidesAt(c.x, c.y, c.w, c.h), c.sides) << c.x << "," << c.y;
}

TEST(DesignerGeometry, AlignChoicesCrossed)
{
    const std::vector<TFloatRect> rects = {FloatRect(10, 20, 30, 25), FloatRect(50, 5, 60, 45),
                                           FloatRect(15, 30, 40, 40)};
    // Union: left 10, top 5, right 60, bottom 45.
    for (int h = 0; h < 4; ++h)
        for (int v = 0; v < 4; ++v) {
            const auto horz = static_cast<THorzAlign>(h);
            const auto vert = static_cast<TVertAlign>(v);
            const std::vector<TFloatRect> out = AlignRects(rects, horz, vert);
            for (size_t i = 0; i < rects.size(); ++i) {
                const TFloatRect &r = rects[i], &o = out[i];
                EXPECT_NEAR(static_cast<double>(o.Width()), static_cast<double>(r.Width()), kEps);
                EXPECT_NEAR(static_cast<double>(o.Height()), static_cast<double>(r.Height()), kEps);
                const double left = horz == THorzAlign::haLeft     ? 10
                                    : horz == THorzAlign::haCenter ? 35 - static_cast<double>(r.Width()) / 2
                                    : horz == THorzAlign::haRight  ? 60 - static_cast<double>(r.Width())
                                                                   : static_cast<double>(r.Left);
                const double top = vert == TVertAlign::vaTop      ? 5
                                   : vert == TVertAlign::vaCenter ? 25 - static_cast<double>(r.Height()) / 2
                                   : vert == TVertAlign::vaBottom ? 45 - static_cast<double>(r.Height())
                                                                  : static_cast<double>(r.Top);
                EXPECT_NEAR(static_cast<double>(o.Left), left, kEps) << h << v;
                EXPECT_NEAR(static_cast<double>(o.Top), top, kEps) << h << v;
            }
        }
}

TEST(DesignerGeometry, UnusableSettingsFallBack)
{
    EXPECT_EQ(SaneGridStep(2.5), 2.5L);
    EXPECT_EQ(SaneGridStep(0.5), 0.5L);
    for (double bad : {0.0, 0.49, -5.0, 1000.5, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(SaneGridStep(bad), kDefaultGridStep) << bad;
    EXPECT_EQ(SaneGridOrigin(1), TGridOrigin::goArea);
    for (int bad : {0, 2, -1, 255})
        EXPECT_EQ(SaneGridOrigin(bad), TGridOrigin::goPaper);
}

TEST(DesignerGeometry, ABandSelectsInEveryDirection)
{
    const QRect item(20, 20, 10, 10);   // right and bottom exclusive at 30
    // Corners of a band that holds the item, and of one that ends on its right edge.
    const QPoint holds[2] = {{10, 10}, {40, 40}};
    const QPoint touches[2] = {{10, 10}, {30, 40}};
    for (int direction = 0; direction < 4; ++direction) {
        const bool flipX = direction & 1, flipY = direction & 2;
        auto band = [&](const QPoint (&c)[2], bool inside) {
            const QPoint from(flipX ? c[1].x() : c[0].x(), flipY ? c[1].y() : c[0].y());
            const QPoint to(flipX ? c[0].x() : c[1].x(), flipY ? c[0].y() : c[1].y());
            EXPECT_EQ(InsideBand(item, from, to), inside) << direction;
        };
        band(holds, true);
        band(touches, false);
    }
}
