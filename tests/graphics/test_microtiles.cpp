// Micro-tile arithmetic against hand-computed tiles, union and copy of maps, the rectangles
// found for random changes checked against an independent coverage grid, and the repaint
// optimiser's handling of areas, layers and its adaptive levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "RasterTestSupport.h"
#include "graphics/Raster.h"
#include "graphics/RasterLayers.h"
#include "graphics/RasterMicroTiles.h"

using namespace qm;

namespace {

TMicroTiles Map(int32_t W, int32_t H)
{
    TMicroTiles t;
    MicroTilesCreate(t);
    MicroTilesSetSize(t, {0, 0, W, H});
    return t;
}

TMicroTile At(const TMicroTiles& T, int32_t Col, int32_t Row)
{
    return T.Tiles[size_t(Row * T.Columns + Col)];
}

int NonEmptyTiles(const TMicroTiles& T)
{
    return int(std::count_if(T.Tiles.begin(), T.Tiles.end(), [](TMicroTile t) { return t != 0; }));
}

} // namespace

TEST(MicroTiles, TileUnionCasesInBothVariants)
{
    for (auto unite : {MicroTileUnion_Plain, MicroTileUnion_Vector}) {
        TMicroTile t = MICROTILE_EMPTY;
        unite(t, MakeMicroTile(4, 4, 10, 10));
        EXPECT_EQ(t, MakeMicroTile(4, 4, 10, 10));
        unite(t, MakeMicroTile(0, 8, 6, 32));
        EXPECT_EQ(t, MakeMicroTile(0, 4, 10, 32));
        unite(t, MakeMicroTile(5, 5, 5, 9)); // no width: nothing
        EXPECT_EQ(t, MakeMicroTile(0, 4, 10, 32));
        TMicroTile full = MICROTILE_FULL;
        unite(full, MakeMicroTile(1, 2, 3, 4));
        EXPECT_EQ(full, MICROTILE_FULL);
    }
    // The vector variant agrees with the plain one on any pair of tiles.
    std::mt19937 rng(7);
    auto tile = [&] {
        const uint32_t l = rng() % 33, t = rng() % 33;
        return rng() % 5 == 0 ? 0u : MakeMicroTile(l, t, l + rng() % (33 - l), t + rng() % (33 - t));
    };
    for (int i = 0; i < 200000; ++i) {
        TMicroTile a = tile(), b = a;
        const TMicroTile s = tile();
        MicroTileUnion_Plain(a, s);
        MicroTileUnion_Vector(b, s);
        ASSERT_EQ(a, b) << i;
    }
}

TEST(MicroTiles, GridSizeAndRectanglesOnAndAcrossTileEdges)
{
    TMicroTiles t = Map(100, 100);
    EXPECT_EQ(t.Columns, 4);
    EXPECT_EQ(t.Rows, 4);
    EXPECT_EQ(t.Count, 25);

    MicroTilesAddRect(t, {40, 40, 50, 50});
    EXPECT_EQ(At(t, 1, 1), MakeMicroTile(8, 8, 18, 18));
    EXPECT_EQ(NonEmptyTiles(t), 1);

    // Across two columns and rows: corner and edge pieces.
    t = Map(100, 100);
    MicroTilesAddRect(t, {30, 5, 70, 40});
    EXPECT_EQ(At(t, 0, 0), MakeMicroTile(30, 5, 32, 32));
    EXPECT_EQ(At(t, 1, 0), MakeMicroTile(0, 5, 32, 32));
    EXPECT_EQ(At(t, 2, 0), MakeMicroTile(0, 5, 6, 32));
    EXPECT_EQ(At(t, 0, 1), MakeMicroTile(30, 0, 32, 8));
    EXPECT_EQ(At(t, 1, 1), MakeMicroTile(0, 0, 32, 8));
    EXPECT_EQ(At(t, 2, 1), MakeMicroTile(0, 0, 6, 8));
    EXPECT_EQ(NonEmptyTiles(t), 6);
    EXPECT_EQ(t.BoundsUsedTiles, (TRect{0, 0, 2, 1}));
    EXPECT_EQ(MicroTilesRects(t), (std::vector<TRect>{{30, 5, 70, 40}}));
    EXPECT_EQ(MicroTilesRects(t, true), (std::vector<TRect>{{0, 0, 96, 64}}));

    // Exactly one tile; a right edge on a tile edge marks nothing beyond it.
    t = Map(100, 100);
    MicroTilesAddRect(t, {32, 32, 64, 64});
    EXPECT_EQ(At(t, 1, 1), MICROTILE_FULL);
    EXPECT_EQ(NonEmptyTiles(t), 1);
    MicroTilesAddRect(t, {0, 0, 32, 1}, true);
    EXPECT_EQ(At(t, 0, 0), MICROTILE_FULL);
    EXPECT_EQ(NonEmptyTiles(t), 2);

    // Reversed is put in order; no area, or outside the map, marks nothing; partly outside is
    // cut to the map (the grid's last column reaches past the 100 pixels).
    t = Map(100, 100);
    MicroTilesAddRect(t, {50, 50, 40, 40});
    EXPECT_EQ(At(t, 1, 1), MakeMicroTile(8, 8, 18, 18));
    MicroTilesAddRect(t, {10, 10, 10, 20});
    MicroTilesAddRect(t, {200, 0, 300, 10});
    MicroTilesAddRect(t, {-50, -50, 0, 0});
    MicroTilesAddRect(t, {INT32_MIN, 99, INT32_MAX, 99});
    EXPECT_EQ(NonEmptyTiles(t), 1);
    MicroTilesAddRect(t, {90, -10, INT32_MAX, 5});
    EXPECT_EQ(At(t, 2, 0), MakeMicroTile(26, 0, 32, 5));
    EXPECT_EQ(At(t, 3, 0), MakeMicroTile(0, 0, 4, 5));

    // A map of no size, or one never sized, takes nothing and finds nothing.
    for (TMicroTiles empty : {Map(0, 0), TMicroTiles()}) {
        MicroTilesAddRect(empty, {0, 0, 10, 10});
        MicroTilesAddRect(empty, {0, 0, 10, 10}, true);
        MicroTilesAddLine(empty, 0, 0, 50, 30, 2);
        EXPECT_EQ(NonEmptyTiles(empty), 0);
        EXPECT_EQ(MicroTilesCalcRects(empty, nullptr, true), 0);
    }
}

TEST(MicroTiles, RectanglesMergeAlongRowsAndDownAndStayInBounds)
{
    TMicroTiles t = Map(40, 40);
    MicroTilesAddRect(t, {0, 0, 5, 5});
    MicroTilesAddRect(t, {10, 10, 15, 15}); // same tile: one box over both
    MicroTilesAddRect(t, {35, 35, 38, 38});
    EXPECT_EQ(MicroTilesRects(t), (std::vector<TRect>{{0, 0, 15, 15}, {35, 35, 38, 38}}));
    // Whole tiles are cut to the bounds.
    EXPECT_EQ(MicroTilesRects(t, true), (std::vector<TRect>{{0, 0, 32, 32}, {32, 32, 40, 40}}));
    TRectList list;
    list.Add({1, 2, 3, 4});
    EXPECT_EQ(MicroTilesCalcRects(t, &list, true), 2);
    EXPECT_EQ(list.Count(), 1); // counting adds nothing

    // Runs of different width in consecutive rows stay apart.
    t = Map(200, 200);
    MicroTilesAddRect(t, {0, 0, 64, 32});
    MicroTilesAddRect(t, {0, 32, 96, 64});
    EXPECT_EQ(MicroTilesRects(t), (std::vector<TRect>{{0, 0, 64, 32}, {0, 32, 96, 64}}));
}

TEST(MicroTiles, UnionCopyAndClearOfMaps)
{
    TMicroTiles a = Map(100, 100), b = Map(100, 100);
    MicroTilesAddRect(a, {40, 40, 45, 45});
    MicroTilesAddRect(b, {50, 50, 60, 60});
    MicroTilesAddRect(b, {70, 3, 71, 4});
    for (auto unite : {MicroTilesUnion_Plain, MicroTilesUnion_Vector}) {
        TMicroTiles d;
        MicroTilesCopy(d, a);
        unite(d, b, false);
        EXPECT_EQ(At(d, 1, 1), MakeMicroTile(8, 8, 28, 28));
        EXPECT_EQ(At(d, 2, 0), MakeMicroTile(6, 3, 7, 4));
        EXPECT_EQ(d.BoundsUsedTiles, (TRect{1, 0, 2, 1}));
        TMicroTiles r;
        MicroTilesCopy(r, a);
        unite(r, b, true);
        EXPECT_EQ(At(r, 1, 1), MICROTILE_FULL);
        EXPECT_EQ(At(r, 2, 0), MICROTILE_FULL);
    }

    // Random maps: both variants give the same tiles.
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        TMicroTiles x = Map(300, 200), y = Map(300, 200);
        for (int i = 0; i < 20; ++i) {
            const int32_t l = int32_t(rng() % 320) - 10, tp = int32_t(rng() % 220) - 10;
            MicroTilesAddRect(i % 2 ? x : y, {l, tp, l + int32_t(rng() % 40), tp + int32_t(rng() % 40)});
        }
        TMicroTiles p, v;
        MicroTilesCopy(p, x);
        MicroTilesCopy(v, x);
        const bool rounded = round % 3 == 0;
        MicroTilesUnion_Plain(p, y, rounded);
        MicroTilesUnion_Vector(v, y, rounded);
        ASSERT_EQ(p.Tiles, v.Tiles);
        ASSERT_EQ(p.BoundsUsedTiles, v.BoundsUsedTiles);
    }

    MicroTilesClearUsed(a);
    EXPECT_EQ(NonEmptyTiles(a), 0);
    EXPECT_EQ(MicroTilesCalcRects(a, nullptr, true), 0);
    MicroTilesClear(a, MICROTILE_FULL); // every tile full, none used: nothing found
    EXPECT_EQ(MicroTilesCalcRects(a, nullptr, true), 0);
}

// Random rectangles (reversed, outside, empty ones included) on maps of random size, zero
// included: the found rectangles lie in the bounds, do not overlap, cover every marked pixel,
// and touch only tiles that hold a marked pixel.
TEST(MicroTiles, FoundRectanglesCoverEveryChangeOnAnIndependentGrid)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 400; ++round) {
        const int32_t w = round % 40 == 0 ? 0 : int32_t(rng() % 260),
                      h = round % 37 == 0 ? 0 : int32_t(rng() % 200);
        const bool rounded = round % 4 == 0;
        TMicroTiles t = Map(w, h);
        std::vector<uint8_t> marked(size_t(w) * size_t(h)), covered(size_t(w) * size_t(h));
        const int n = 1 + int(rng() % 30);
        for (int i = 0; i < n; ++i) {
            TRect r{int32_t(rng() % 300) - 20, int32_t(rng() % 240) - 20, 0, 0};
            r.Right = r.Left + int32_t(rng() % 50) - 5;
            r.Bottom = r.Top + int32_t(rng() % 50) - 5;
            MicroTilesAddRect(t, r, rounded);
            for (int32_t y = std::max(0, std::min(r.Top, r.Bottom));
                 y < std::min(h, std::max(r.Top, r.Bottom)); ++y)
                for (int32_t x = std::max(0, std::min(r.Left, r.Right));
                     x < std::min(w, std::max(r.Left, r.Right)); ++x)
                    marked[size_t(y) * size_t(w) + size_t(x)] = 1;
        }
        for (const TRect& r : MicroTilesRects(t, rounded)) {
            ASSERT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= w && r.Bottom <= h && r.Left < r.Right &&
                        r.Top < r.Bottom);
            for (int32_t y = r.Top; y < r.Bottom; ++y)
                for (int32_t x = r.Left; x < r.Right; ++x)
                    ASSERT_EQ(covered[size_t(y) * size_t(w) + size_t(x)]++, 0)
                        << "overlap at " << x << "," << y;
        }
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const size_t at = size_t(y) * size_t(w) + size_t(x);
                ASSERT_TRUE(!marked[at] || covered[at]) << "missed " << x << "," << y << " round " << round;
                if (covered[at]) {
                    bool tileMarked = false;
                    for (int32_t ty = y & ~31; ty < std::min(h, (y & ~31) + 32) && !tileMarked; ++ty)
                        for (int32_t tx = x & ~31; tx < std::min(w, (x & ~31) + 32) && !tileMarked; ++tx)
                            tileMarked = marked[size_t(ty) * size_t(w) + size_t(tx)];
                    ASSERT_TRUE(tileMarked) << "spurious " << x << "," << y;
                }
            }
    }
}

TEST(MicroTiles, LinesAreCoveredAlongTheirLength)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const int32_t w = 200, h = 150;
        TMicroTiles t = Map(w, h);
        const int32_t x1 = int32_t(rng() % 400) - 100, y1 = int32_t(rng() % 300) - 75;
        const int32_t x2 = int32_t(rng() % 400) - 100, y2 = int32_t(rng() % 300) - 75;
        MicroTilesAddLine(t, x1, y1, x2, y2, 1);
        std::vector<uint8_t> covered(size_t(w) * size_t(h));
        for (const TRect& r : MicroTilesRects(t))
            for (int32_t y = r.Top; y < r.Bottom; ++y)
                for (int32_t x = r.Left; x < r.Right; ++x)
                    covered[size_t(y) * size_t(w) + size_t(x)] = 1;
        const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
        for (int s = 0; s <= steps; ++s) {
            const int32_t x = int32_t(std::lround(x1 + double(x2 - x1) * s / std::max(steps, 1)));
            const int32_t y = int32_t(std::lround(y1 + double(y2 - y1) * s / std::max(steps, 1)));
            if (x >= 0 && y >= 0 && x < w && y < h) {
                ASSERT_TRUE(covered[size_t(y) * size_t(w) + size_t(x)]) << round << ": " << x << "," << y;
            }
        }
    }
    // A line millions of pixels long is walked only where it crosses the map.
    TMicroTiles t = Map(64, 64);
    MicroTilesAddLine(t, INT32_MIN + 10, 0, INT32_MAX - 10, 40, 1);
    EXPECT_FALSE(MicroTilesRects(t).empty());
}

TEST(MicroTiles, LayerMapCreatesOnFirstRequestAndFreesOnDelete)
{
    TMicroTilesMap map;
    int a = 0, b = 0;
    TMicroTiles& ta = map.Tiles(&a);
    EXPECT_EQ(ta.Count, 0);
    MicroTilesSetSize(ta, {0, 0, 64, 64});
    EXPECT_EQ(&map.Tiles(&a), &ta);
    map.Tiles(&b);
    EXPECT_EQ(map.Count, 2);
    EXPECT_TRUE(map.Has(&a));
    map.Remove(&a);
    EXPECT_FALSE(map.Has(&a));
    EXPECT_EQ(map.Count, 1);
}

// ---- The optimiser --------------------------------------------------------------------------

namespace {

// A layer that fills a box on the buffer.
class BoxLayer : public TCustomLayer {
public:
    BoxLayer(TLayerCollection* c, TRect box) : TCustomLayer(c), Box(box) {}
    TRect Box;
    void MoveTo(TRect box)
    {
        Box = box;
        NotifyChanged();
    }
    void Paint(TBitmap32& Buffer) override { Buffer.FillRectClippedByRect(Box, 0xFF00FF00); }
};

// An optimiser whose clock and paint timer a test sets.
class TimedOptimizer : public TMicroTilesRepaintOptimizer {
public:
    using TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer;
    uint32_t now = 100000;
    int64_t paintTime = 0;

protected:
    uint32_t Now() const override { return now; }
    int64_t PaintMicroseconds() override { return paintTime; }
};

std::vector<TRect> Rects(const TRectList& l)
{
    std::vector<TRect> v;
    for (int32_t i = 0; i < l.Count(); ++i)
        v.push_back(*l.Items(i));
    return v;
}

struct OptimizerFixture : ::testing::Test {
    TBitmap32 buffer;
    TRectList rects;
    TLayerCollection layers{nullptr};
    TimedOptimizer opt{&buffer, &rects};
    void SetUp() override
    {
        buffer.SetSize(200, 100);
        opt.RegisterLayerCollection(&layers);
    }
    // One paint cycle as the paint box runs it: find the areas, paint, end.
    std::vector<TRect> Cycle(int64_t paintTime = 0)
    {
        rects.Clear();
        opt.PerformOptimization();
        std::vector<TRect> found = Rects(rects);
        opt.paintTime = paintTime;
        opt.BeginPaintBuffer();
        opt.EndPaintBuffer();
        return found;
    }
};

} // namespace

TEST_F(OptimizerFixture, DisabledItReportsNothingAndLeavesTheListAlone)
{
    rects.Add({1, 2, 3, 4});
    opt.AreaUpdateHandler(&buffer, {10, 10, 20, 20}, AREAINFO_RECT);
    opt.Reset();
    opt.PerformOptimization();
    EXPECT_FALSE(opt.UpdatesAvailable());
    EXPECT_EQ(Rects(rects), (std::vector<TRect>{{1, 2, 3, 4}}));
    layers.Add<BoxLayer>(TRect{0, 0, 5, 5});
    EXPECT_TRUE(opt.InvalidLayers().empty());
}

TEST_F(OptimizerFixture, AreasAndLinesBecomeRectanglesOnce)
{
    opt.SetEnabled(true);
    opt.AreaUpdateHandler(&buffer, {10, 10, 20, 20}, AREAINFO_RECT);
    opt.AreaUpdateHandler(&buffer, {150, 40, 150, 90}, AREAINFO_LINE | 1); // a vertical line, width 1
    EXPECT_TRUE(opt.UpdatesAvailable());
    const auto found = Cycle();
    ASSERT_GE(found.size(), 2u);
    EXPECT_EQ(found[0], (TRect{10, 10, 20, 20}));
    // The line's pixels are covered, with a margin of its width and twice the width.
    for (int32_t y = 40; y <= 90; ++y)
        EXPECT_TRUE(std::any_of(found.begin() + 1, found.end(), [&](const TRect& r) {
            return PointInRect(r, {150, y});
        })) << y;
    for (size_t i = 1; i < found.size(); ++i)
        EXPECT_TRUE(found[i].Left >= 147 && found[i].Right <= 154 && found[i].Top >= 36 &&
                    found[i].Bottom <= 94);
    EXPECT_FALSE(opt.UpdatesAvailable());
    EXPECT_TRUE(Cycle().empty());
    // Changes wholly outside the buffer leave nothing pending once looked at.
    opt.AreaUpdateHandler(&buffer, {300, 300, 310, 310}, AREAINFO_RECT);
    EXPECT_TRUE(opt.UpdatesAvailable());
    rects.Clear();
    opt.PerformOptimization();
    EXPECT_EQ(rects.Count(), 0);
    EXPECT_FALSE(opt.UpdatesAvailable());

    // A reset repaints the whole buffer.
    opt.Reset();
    EXPECT_EQ(Rects(rects), (std::vector<TRect>{{0, 0, 200, 100}}));
    EXPECT_TRUE(opt.UpdatesAvailable());
}

TEST_F(OptimizerFixture, AMovedLayerRepaintsWhereItWasAndWhereItIs)
{
    opt.AdaptiveMode = false;
    opt.SetEnabled(true);
    auto* box = layers.Add<BoxLayer>(TRect{10, 10, 20, 20});
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{10, 10, 20, 20}})); // new: where it now is
    box->MoveTo({100, 50, 110, 60});
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{10, 10, 20, 20}, {100, 50, 110, 60}}));
    box->SetVisible(false); // hidden: where it was
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{100, 50, 110, 60}}));
    box->SetVisible(true);
    Cycle();
    delete box; // gone: where it was
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{100, 50, 110, 60}}));
    layers.Add<BoxLayer>(TRect{0, 0, 4, 4});
    layers.Add<BoxLayer>(TRect{190, 90, 200, 100});
    Cycle();
    layers.Clear();
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{0, 0, 4, 4}, {190, 90, 200, 100}}));
    EXPECT_EQ(opt.LayerTiles().Count, 0);
}

TEST_F(OptimizerFixture, AdaptiveLevelsRiseWhenPiecesCostMoreThanTheWhole)
{
    opt.SetEnabled(true);
    rects.Clear();
    opt.BeginPaintBuffer();
    opt.paintTime = 1000; // a whole-buffer paint: the yardstick
    opt.EndPaintBuffer();

    opt.AreaUpdateHandler(&buffer, {40, 40, 45, 45}, AREAINFO_RECT);
    EXPECT_EQ(Cycle(2000), (std::vector<TRect>{{40, 40, 45, 45}}));
    EXPECT_EQ(opt.PerformanceLevel(), 1); // slower than the whole: whole tiles from now on
    opt.AreaUpdateHandler(&buffer, {40, 40, 45, 45}, AREAINFO_RECT);
    EXPECT_EQ(Cycle(2000), (std::vector<TRect>{{32, 32, 64, 64}}));
    EXPECT_EQ(opt.PerformanceLevel(), 2);
    opt.AreaUpdateHandler(&buffer, {40, 40, 45, 45}, AREAINFO_RECT);
    rects.Clear();
    opt.PerformOptimization();
    EXPECT_EQ(rects.Count(), 0); // level 2: the whole buffer, still to be painted
    EXPECT_TRUE(opt.UpdatesAvailable());
    EXPECT_TRUE(Cycle(1000).empty());
    // Once the check time has passed the level is tried lower again.
    opt.now += uint32_t(opt.TimeDelta()) + 1;
    opt.AreaUpdateHandler(&buffer, {40, 40, 45, 45}, AREAINFO_RECT);
    EXPECT_EQ(Cycle(500), (std::vector<TRect>{{32, 32, 64, 64}}));
    EXPECT_EQ(opt.PerformanceLevel(), 1);
    EXPECT_EQ(opt.TimeDelta(), 1000);
}

TEST_F(OptimizerFixture, LayersClearedBeforeTheNextPaintAreForgotten)
{
    opt.AdaptiveMode = false;
    opt.SetEnabled(true);
    Cycle();
    // Added and cleared between two paints: the optimiser never measured them, and must not
    // reach for them once they are gone.
    layers.Add<BoxLayer>(TRect{10, 10, 20, 20});
    layers.Add<BoxLayer>(TRect{30, 30, 40, 40});
    ASSERT_EQ(opt.InvalidLayers().size(), 2u);
    layers.Clear();
    EXPECT_TRUE(opt.InvalidLayers().empty());
    EXPECT_TRUE(Cycle().empty());
    layers.Add<BoxLayer>(TRect{50, 50, 60, 60});
    layers.Clear();
    opt.SetEnabled(false);
    EXPECT_TRUE(opt.InvalidLayers().empty());
}

TEST_F(OptimizerFixture, ALayerThatLeftAndCameBackIsRepaintedAgain)
{
    opt.AdaptiveMode = false;
    opt.SetEnabled(true);
    auto* box = layers.Add<BoxLayer>(TRect{10, 10, 20, 20});
    Cycle();
    box->MoveTo({40, 40, 50, 50}); // pending when it leaves
    TLayerCollection elsewhere(nullptr);
    box->SetLayerCollection(&elsewhere);
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{10, 10, 20, 20}})); // where it was painted
    box->SetLayerCollection(&layers);
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{40, 40, 50, 50}}));
    box->MoveTo({100, 60, 110, 70});
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{40, 40, 50, 50}, {100, 60, 110, 70}}));
}

TEST_F(OptimizerFixture, AWholePaintRecordsWhereChangedLayersWerePainted)
{
    opt.AdaptiveMode = false;
    opt.SetEnabled(true);
    auto* box = layers.Add<BoxLayer>(TRect{10, 10, 20, 20});
    Cycle();
    box->MoveTo({40, 40, 50, 50});
    // The whole buffer is painted before the optimiser is asked (the control uncovered):
    // the layer now shows at its new place.
    rects.Clear();
    opt.BeginPaintBuffer();
    opt.EndPaintBuffer();
    delete box;
    EXPECT_EQ(Cycle(), (std::vector<TRect>{{40, 40, 50, 50}}));
}
