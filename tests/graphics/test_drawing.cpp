// Drawing on TBitmap32: clipped lines against an independent Bresenham, fills and frames with
// their reports, text, anti-aliased text and transfers, checked on pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "RasterTestSupport.h"
#include "graphics/Raster.h"
#include "graphics/RasterBlend.h"

using namespace qm;

namespace {

constexpr TColor32 White = 0xFFFFFFFF;
constexpr TColor32 Ink = 0xFF102030;

struct Report {
    TRect Area;
    uint32_t Info;
    friend bool operator==(const Report&, const Report&) = default;
};

// A bitmap cleared to white that records its area reports.
struct Canvas {
    TBitmap32 bmp;
    std::vector<Report> reports;
    Canvas(int w, int h)
    {
        bmp.SetSize(w, h);
        bmp.ClearTo(White);
        bmp.OnAreaChanged = [this](TObject*, const TRect& a, uint32_t i) { reports.push_back({a, i}); };
    }
    std::set<std::pair<int, int>> Inked() const
    {
        std::set<std::pair<int, int>> s;
        for (int y = 0; y < bmp.Height; ++y)
            for (int x = 0; x < bmp.Width; ++x)
                if (*bmp.PixelAddress(x, y) != White)
                    s.insert({x, y});
        return s;
    }
};

// Bresenham written the plain way: mirrored to run right and down, x the major axis, error
// starting at 2dy - dx and a minor step when it is not negative.
std::vector<std::pair<int, int>> ReferenceLine(int x1, int y1, int x2, int y2, bool withEnd)
{
    const int sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    int dx = (x2 - x1) * sx, dy = (y2 - y1) * sy;
    const bool swapped = dx < dy;
    if (swapped)
        std::swap(dx, dy);
    std::vector<std::pair<int, int>> pts;
    int major = 0, minor = 0, error = 2 * dy - dx;
    for (int n = 0; n <= dx; ++n) {
        if (n < dx || withEnd)
            pts.push_back(swapped ? std::make_pair(x1 + sx * minor, y1 + sy * major)
                                  : std::make_pair(x1 + sx * major, y1 + sy * minor));
        ++major;
        if (error >= 0) {
            ++minor;
            error -= 2 * dx;
        }
        error += 2 * dy;
    }
    return pts;
}

} // namespace

TEST(BitmapLines, HorizontalAndVerticalWithAndWithoutEnd)
{
    Canvas c(20, 20);
    c.bmp.DrawLineClipped(0, 5, 10, 5, Ink, false);
    std::set<std::pair<int, int>> expected;
    for (int x = 0; x <= 9; ++x)
        expected.insert({x, 5});
    EXPECT_EQ(c.Inked(), expected);
    c.bmp.DrawLineClipped(0, 5, 10, 5, Ink, true);
    expected.insert({10, 5});
    EXPECT_EQ(c.Inked(), expected);

    // Right to left and upwards draw from the start and stop before the end.
    Canvas v(20, 20);
    v.bmp.DrawLineClipped(3, 12, 3, 8, Ink, false);
    v.bmp.DrawLineClipped(15, 1, 12, 1, Ink, false);
    EXPECT_EQ(v.Inked(),
              (std::set<std::pair<int, int>>{{3, 9}, {3, 10}, {3, 11}, {3, 12}, {13, 1}, {14, 1}, {15, 1}}));

    // A point is drawn only with its end.
    Canvas p(5, 5);
    p.bmp.DrawLineClipped(2, 2, 2, 2, Ink, false);
    EXPECT_TRUE(p.Inked().empty());
    p.bmp.DrawLineClipped(2, 2, 2, 2, Ink, true);
    EXPECT_EQ(p.Inked().size(), 1u);
}

TEST(BitmapLines, SlopedLineAndItsReport)
{
    Canvas c(10, 10);
    c.bmp.DrawLineClipped(0, 0, 3, 3, Ink, false);
    EXPECT_EQ(c.Inked(), (std::set<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));
    ASSERT_EQ(c.reports.size(), 1u);
    EXPECT_EQ(c.reports[0], (Report{{0, 0, 3, 3}, AREAINFO_LINE + 2}));
}

TEST(BitmapLines, LinesOutsideTheClipDrawAndReportNothing)
{
    Canvas c(40, 40);
    c.bmp.SetClipRect({10, 10, 20, 20});
    c.bmp.DrawLineClipped(25, 0, 35, 30, Ink, true); // right of the clip
    c.bmp.DrawLineClipped(0, 25, 30, 39, Ink, true); // below
    c.bmp.DrawLineClipped(-5, 0, 9, 30, Ink, true);  // left
    c.bmp.DrawLineClipped(0, 9, 30, -3, Ink, true);  // above
    c.bmp.DrawLineClipped(0, 12, 12, 0, Ink, true);  // passes the corner outside
    EXPECT_TRUE(c.Inked().empty());
    EXPECT_TRUE(c.reports.empty());
}

// Every line, clipped at any edge, sets exactly the pixels of the unclipped line that lie in
// the clip window, plain and blended, with and without its end point.
class ClippedLineTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ClippedLineTest, MatchesTheUnclippedLineInsideTheWindow)
{
    qmtest::BoundFamily family(GetParam());
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> coord(-40, 80), clipEdge(0, 39);
    for (int round = 0; round < 3000; ++round) {
        Canvas c(40, 36);
        int l = clipEdge(rng), r = clipEdge(rng), t = clipEdge(rng) % 36, b = clipEdge(rng) % 36;
        if (round % 4 == 0)
            l = 0, t = 0, r = 40, b = 36;
        const TRect clip{std::min(l, r), std::min(t, b), std::max(l, r) + 1, std::max(t, b) + 1};
        c.bmp.SetClipRect(clip);
        const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
        const bool withEnd = round % 2 == 1;
        const bool blended = round % 3 == 0;
        if (blended)
            c.bmp.DrawLineBlendedClipped(x1, y1, x2, y2, Ink, withEnd);
        else
            c.bmp.DrawLineClipped(x1, y1, x2, y2, Ink, withEnd);

        std::set<std::pair<int, int>> expected;
        for (const auto& p : ReferenceLine(x1, y1, x2, y2, withEnd))
            if (PointInRect(c.bmp.ClipRect(), {p.first, p.second}))
                expected.insert(p);
        ASSERT_EQ(c.Inked(), expected)
            << "line (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") L=" << withEnd << " clip ("
            << clip.Left << "," << clip.Top << "," << clip.Right << "," << clip.Bottom << ")";
        for (const auto& [x, y] : c.Inked()) {
            ASSERT_EQ(*c.bmp.PixelAddress(x, y), Ink);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ClippedLineTest, ::testing::ValuesIn(qmtest::kFamilies),
                         qmtest::FamilyName);

TEST(BitmapLines, FarAwayEndPointsStayExact)
{
    // Coordinates whose products overflow 32 bits still clip to the right pixels.
    Canvas c(50, 50);
    c.bmp.DrawLineClipped(-2000000000, -1000000000, 2000000000, 1000000000, Ink, false);
    std::set<std::pair<int, int>> expected;
    for (int x = 0; x < 50; ++x)
        expected.insert({x, (x + 1) / 2}); // ties step on the minor axis, as in ReferenceLine
    EXPECT_EQ(c.Inked(), expected);
}

TEST(BitmapLines, BlendedWithAlphaZeroLeavesPixels)
{
    Canvas c(20, 20);
    c.bmp.DrawLineBlendedClipped(0, 0, 19, 13, 0x00FF0000, true);
    c.bmp.DrawLineBlendedClipped(0, 4, 19, 4, 0x00FF0000, true);
    c.bmp.DrawVertLineBlendedClipped(7, -3, 30, 0x00FF0000);
    EXPECT_TRUE(c.Inked().empty());
}

TEST(BitmapLines, MeasuringReportsWithoutDrawing)
{
    Canvas c(20, 20);
    std::vector<Report> measured;
    c.bmp.StartMeasuring([&](TObject*, const TRect& a, uint32_t i) { measured.push_back({a, i}); });
    c.bmp.DrawHorzLineClipped(-5, 3, 40, Ink);
    c.bmp.DrawLineClipped(1, 2, 8, 9, Ink, true);
    c.bmp.FillRectClipped(-10, -10, 4, 4, Ink);
    c.bmp.StopMeasuring();
    EXPECT_TRUE(c.Inked().empty());
    EXPECT_EQ(measured, (std::vector<Report>{{{-5, 3, 40, 4}, AREAINFO_RECT},
                                             {{1, 2, 8, 9}, AREAINFO_LINE + 2},
                                             {{-10, -10, 4, 4}, AREAINFO_RECT}}));
}

TEST(BitmapFills, ClampedFillReportsTwiceAndEmptyFillStillReports)
{
    Canvas c(100, 100);
    c.bmp.FillRectClipped(-10, -10, 4, 4, Ink);
    std::set<std::pair<int, int>> expected;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            expected.insert({x, y});
    EXPECT_EQ(c.Inked(), expected);
    EXPECT_EQ(c.reports, (std::vector<Report>{{{0, 0, 4, 4}, AREAINFO_RECT}, {{0, 0, 4, 4}, AREAINFO_RECT}}));

    c.reports.clear();
    c.bmp.FillRectClipped(5, 5, 5, 10, Ink);
    EXPECT_EQ(c.Inked(), expected);
    EXPECT_EQ(c.reports, (std::vector<Report>{{{5, 5, 5, 10}, AREAINFO_RECT}}));

    // Confined to a narrower clip rectangle.
    Canvas n(30, 30);
    n.bmp.SetClipRect({10, 10, 12, 20});
    n.bmp.FillRectClippedByRect({0, 0, 30, 30}, Ink);
    EXPECT_EQ(n.Inked().size(), 2u * 10u);
}

TEST(BitmapFills, FramesOfOneAndTwoPixels)
{
    Canvas one(10, 10);
    one.bmp.FrameRectClipped(0, 0, 1, 1, Ink);
    EXPECT_EQ(one.Inked(), (std::set<std::pair<int, int>>{{0, 0}}));

    Canvas two(10, 10);
    two.bmp.FrameRectClipped(0, 0, 2, 2, Ink);
    EXPECT_EQ(two.Inked(), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(two.reports.size(), 2u); // top and bottom rows only

    Canvas big(10, 10);
    big.bmp.FrameRectClippedByRect({2, 3, 6, 8}, Ink);
    EXPECT_EQ(big.Inked().size(), 14u);
    EXPECT_EQ(*big.bmp.PixelAddress(3, 4), White); // inside stays
}

TEST(BitmapText, TextLandsAtItsTopLeftAndReportsItsBox)
{
    Canvas c(120, 40);
    c.bmp.Font().SetName("Arial");
    c.bmp.Font().SetHeight(-16);
    c.bmp.Font().SetColor(clBlack);
    const TSize size = c.bmp.MeasureText("Hi there");
    c.bmp.DrawText(5, 6, "Hi there");
    const auto inked = c.Inked();
    ASSERT_FALSE(inked.empty());
    for (const auto& [x, y] : inked) {
        EXPECT_GE(x, 5);
        EXPECT_GE(y, 6);
        EXPECT_LT(x, 5 + size.cx + 1);
        EXPECT_LT(y, 6 + size.cy);
    }
    ASSERT_EQ(c.reports.size(), 1u);
    EXPECT_EQ(c.reports[0], (Report{{5, 6, 5 + size.cx + 1, 6 + size.cy + 1}, AREAINFO_RECT}));

    // Clipped to ClipRect, and to the given rectangle by DrawTextClipped.
    Canvas k(120, 40);
    k.bmp.Font().SetName("Arial");
    k.bmp.Font().SetHeight(-16);
    k.bmp.Font().SetColor(clBlack);
    k.bmp.SetClipRect({0, 0, 12, 40});
    k.bmp.DrawText(5, 6, "Hi there");
    k.bmp.ResetClipRect();
    k.bmp.DrawTextClipped(5, 20, {0, 0, 120, 25}, "Hi there");
    for (const auto& [x, y] : k.Inked())
        EXPECT_TRUE(y < 20 ? x < 12 : y < 25) << x << "," << y;
}

TEST(BitmapText, AntialiasedLevels)
{
    for (int level : {-1, 0, 1, 2, 4, 9}) {
        Canvas c(160, 50);
        c.bmp.Font().SetName("Arial");
        c.bmp.Font().SetHeight(-20);
        c.bmp.DrawTextAntialiased(4, 3, "Wavy", level, 0xFF000000);
        int partial = 0, inked = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 160; ++x) {
                const TColor32 p = *c.bmp.PixelAddress(x, y) & 0xFFFFFF;
                if (p != 0xFFFFFF) {
                    ++inked;
                    EXPECT_GE(x, 4);
                    EXPECT_GE(y, 3);
                    if (p != 0)
                        ++partial;
                }
            }
        EXPECT_GT(inked, 20) << "level " << level;
        if (level == 0)
            EXPECT_EQ(partial, 0); // no smoothing: every touched pixel takes the full colour
        else
            EXPECT_GT(partial, 0) << "level " << level;
        EXPECT_EQ(c.bmp.Font().Quality(), fqDefault);
    }

    // A colour of alpha 0 changes nothing.
    Canvas none(100, 40);
    none.bmp.DrawTextAntialiased(2, 2, "Wavy", 2, 0x00000000);
    EXPECT_TRUE(none.Inked().empty());
}

TEST(BitmapTransfer, DrawAtAndStretched)
{
    Canvas c(20, 20);
    c.bmp.DrawAt(0, 0, nullptr);
    c.bmp.DrawStretched({0, 0, 4, 4}, {0, 0, 2, 2}, nullptr);
    EXPECT_TRUE(c.reports.empty());

    TBitmap32 glyph;
    glyph.SetSize(2, 2);
    glyph.ClearTo(Ink);
    c.bmp.SetClipRect({0, 0, 20, 6});
    c.bmp.DrawAt(18, 5, &glyph);
    c.bmp.DrawStretched({0, 0, 4, 4}, {0, 0, 2, 2}, &glyph);
    EXPECT_EQ(c.Inked().size(), 2u + 16u);
    EXPECT_EQ(*c.bmp.PixelAddress(19, 5), Ink);
    EXPECT_EQ(*c.bmp.PixelAddress(19, 6), White);
}

// Coordinates at the ends of the integer range draw what lies inside and report without
// overflowing (the sanitizer build checks the arithmetic).
TEST(BitmapDrawing, ExtremeCoordinates)
{
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    for (bool measuring : {false, true}) {
        Canvas c(16, 16);
        if (measuring)
            c.bmp.StartMeasuring([](TObject*, const TRect&, uint32_t) {});
        c.bmp.DrawHorzLineClipped(lo, hi, hi, Ink);
        c.bmp.DrawHorzLineBlendedClipped(hi, lo, lo, Ink);
        c.bmp.DrawVertLineClipped(hi, lo, hi, Ink);
        c.bmp.DrawVertLineBlendedClipped(lo, hi, lo, Ink);
        for (bool l : {false, true}) {
            c.bmp.DrawLineClipped(lo, lo, hi, hi, Ink, l);
            c.bmp.DrawLineClipped(hi, lo, lo, hi, Ink, l);
            c.bmp.DrawLineBlendedClipped(lo, 3, hi, 3, Ink, l);
            c.bmp.DrawLineBlendedClipped(3, hi, 3, lo, Ink, l);
        }
        c.bmp.FrameRectClipped(lo, lo, hi, hi, Ink);
        c.bmp.DrawText(hi, hi, "x");
        c.bmp.DrawText(lo, lo, "x");
        c.bmp.FillRectClipped(lo, lo, hi, hi, Ink);
        if (!measuring) {
            EXPECT_EQ(c.Inked().size(), 256u);
        } else {
            c.bmp.StopMeasuring();
            EXPECT_TRUE(c.Inked().empty());
        }
    }
}
