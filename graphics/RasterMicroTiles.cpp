#include "graphics/RasterMicroTiles.h"

#include <algorithm>
#include <cmath>

#include "graphics/Raster.h"
#include "graphics/RasterLayers.h"
#include "platform/Exception.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

TMicroTileUnion MicroTileUnion = MicroTileUnion_Plain;
TMicroTilesUnion MicroTilesUnion = MicroTilesUnion_Plain;

namespace {

// Tiles a map may hold: far more than the largest bitmap needs (a 2 GB buffer one pixel
// high takes 2^25), far less than a rectangle made of any four numbers would ask for.
constexpr int64_t MaxTileCount = int64_t(1) << 26;

// A tile with area: right beyond left and bottom below top.
inline bool HasArea(TMicroTile T)
{
    return MicroTileRight(T) > MicroTileLeft(T) && MicroTileBottom(T) > MicroTileTop(T);
}

inline bool UsedRangeEmpty(const TMicroTiles& Tiles)
{
    const TRect& u = Tiles.BoundsUsedTiles;
    return Tiles.Count == 0 || u.Left > u.Right || u.Top > u.Bottom;
}

// The used range cut to the grid (a map filled by hand may claim more).
inline bool UsedRange(const TMicroTiles& Tiles, int32_t& C0, int32_t& R0, int32_t& C1, int32_t& R1)
{
    if (UsedRangeEmpty(Tiles))
        return false;
    C0 = std::max(Tiles.BoundsUsedTiles.Left, 0);
    R0 = std::max(Tiles.BoundsUsedTiles.Top, 0);
    C1 = std::min(Tiles.BoundsUsedTiles.Right, Tiles.Columns - 1);
    R1 = std::min(Tiles.BoundsUsedTiles.Bottom, Tiles.Rows - 1);
    return C0 <= C1 && R0 <= R1;
}

inline void GrowUsed(TMicroTiles& Tiles, int32_t C0, int32_t R0, int32_t C1, int32_t R1)
{
    TRect& u = Tiles.BoundsUsedTiles;
    if (u.Left > u.Right || u.Top > u.Bottom) {
        u = {C0, R0, C1, R1};
        return;
    }
    u.Left = std::min(u.Left, C0);
    u.Top = std::min(u.Top, R0);
    u.Right = std::max(u.Right, C1);
    u.Bottom = std::max(u.Bottom, R1);
}

inline void ResetUsed(TMicroTiles& Tiles)
{
    Tiles.BoundsUsedTiles = {Tiles.Columns, Tiles.Rows, 0, 0};
    if (Tiles.Columns == 0) // never sized: still an empty range
        Tiles.BoundsUsedTiles = {1, 1, 0, 0};
}

inline int64_t Width64(const TRect& R)
{
    return std::max<int64_t>(0, int64_t(R.Right) - R.Left);
}

inline int64_t Height64(const TRect& R)
{
    return std::max<int64_t>(0, int64_t(R.Bottom) - R.Top);
}

inline int32_t Clamp32(int64_t V)
{
    return int32_t(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX));
}

void RowUnionPlain(TMicroTile* Dst, const TMicroTile* Src, int32_t Count, bool Round)
{
    for (int32_t i = 0; i < Count; ++i) {
        if (Round) {
            if (HasArea(Src[i]))
                Dst[i] = MICROTILE_FULL;
        } else {
            MicroTileUnion_Plain(Dst[i], Src[i]);
        }
    }
}

#if defined(__SSE2__)
// Four tiles at a time: a source tile with area replaces a clean destination tile, else the
// two boxes are merged (the smaller left and top bytes, the larger right and bottom bytes).
void RowUnionVector(TMicroTile* Dst, const TMicroTile* Src, int32_t Count, bool Round)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low16 = _mm_set1_epi32(0x0000FFFF);
    const __m128i full = _mm_set1_epi32(int32_t(MICROTILE_FULL));
    int32_t i = 0;
    for (; i + 4 <= Count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
        // Per tile: right - left and bottom - top (saturated at 0) in the two low bytes.
        const __m128i extent = _mm_and_si128(_mm_subs_epu8(s, _mm_srli_epi32(s, 16)), low16);
        const __m128i noExtent = _mm_cmpeq_epi8(extent, zero); // 0xFF per byte without extent
        const __m128i hasArea = _mm_cmpeq_epi32(_mm_and_si128(noExtent, low16), zero);
        __m128i merged;
        if (Round) {
            merged = full;
        } else {
            const __m128i box = _mm_or_si128(_mm_andnot_si128(low16, _mm_min_epu8(d, s)),
                                             _mm_and_si128(low16, _mm_max_epu8(d, s)));
            const __m128i dstClean = _mm_cmpeq_epi32(d, zero);
            merged = _mm_or_si128(_mm_and_si128(dstClean, s), _mm_andnot_si128(dstClean, box));
        }
        const __m128i result = _mm_or_si128(_mm_and_si128(hasArea, merged), _mm_andnot_si128(hasArea, d));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), result);
    }
    if (i < Count) {
        // The last one to three tiles through the same path, padded with clean source tiles.
        TMicroTile d[4] = {}, s[4] = {};
        std::copy(Dst + i, Dst + Count, d);
        std::copy(Src + i, Src + Count, s);
        RowUnionVector(d, s, 4, Round);
        std::copy(d, d + (Count - i), Dst + i);
    }
}
#else
void RowUnionVector(TMicroTile* Dst, const TMicroTile* Src, int32_t Count, bool Round)
{
    RowUnionPlain(Dst, Src, Count, Round);
}
#endif

using TRowUnion = void (*)(TMicroTile*, const TMicroTile*, int32_t, bool);

void TilesUnion(TMicroTiles& Dst, const TMicroTiles& Src, bool Round, TRowUnion RowUnion)
{
    int32_t c0, r0, c1, r1;
    if (Dst.Count == 0 || !UsedRange(Src, c0, r0, c1, r1))
        return;
    c1 = std::min(c1, Dst.Columns - 1);
    r1 = std::min(r1, Dst.Rows - 1);
    if (c0 > c1 || r0 > r1)
        return;
    for (int32_t row = r0; row <= r1; ++row)
        RowUnion(&Dst.Tiles[size_t(row) * size_t(Dst.Columns) + size_t(c0)],
                 &Src.Tiles[size_t(row) * size_t(Src.Columns) + size_t(c0)], c1 - c0 + 1, Round);
    GrowUsed(Dst, c0, r0, c1, r1);
}

void BindMicroTiles(const TBindingFeatures& features)
{
    MicroTileUnion = features.EMMX ? MicroTileUnion_Vector : MicroTileUnion_Plain;
    MicroTilesUnion = features.EMMX ? MicroTilesUnion_Vector : MicroTilesUnion_Plain;
}

const bool MicroTilesUnitReady = (RegisterRoutineBinder(BindMicroTiles), true);

} // namespace

// ---- Single tiles ---------------------------------------------------------------------------

void MicroTileUnion_Plain(TMicroTile& Dst, TMicroTile Src)
{
    if (Dst == MICROTILE_FULL || !HasArea(Src))
        return;
    if (Dst == MICROTILE_EMPTY || Src == MICROTILE_FULL) {
        Dst = Src;
        return;
    }
    Dst = MakeMicroTile(std::min(MicroTileLeft(Dst), MicroTileLeft(Src)),
                        std::min(MicroTileTop(Dst), MicroTileTop(Src)),
                        std::max(MicroTileRight(Dst), MicroTileRight(Src)),
                        std::max(MicroTileBottom(Dst), MicroTileBottom(Src)));
}

void MicroTileUnion_Vector(TMicroTile& Dst, TMicroTile Src)
{
#if defined(__SSE2__)
    // The row routine's arithmetic on one tile held in a register.
    const __m128i zero = _mm_setzero_si128();
    const __m128i low16 = _mm_cvtsi32_si128(0x0000FFFF);
    const __m128i s = _mm_cvtsi32_si128(int32_t(Src)), d = _mm_cvtsi32_si128(int32_t(Dst));
    const __m128i extent = _mm_and_si128(_mm_subs_epu8(s, _mm_srli_epi32(s, 16)), low16);
    if (_mm_cvtsi128_si32(_mm_cmpeq_epi8(extent, zero)) & 0xFFFF)
        return; // no width or no height
    if (Dst == MICROTILE_EMPTY) {
        Dst = Src;
        return;
    }
    const __m128i box =
        _mm_or_si128(_mm_andnot_si128(low16, _mm_min_epu8(d, s)), _mm_and_si128(low16, _mm_max_epu8(d, s)));
    Dst = TMicroTile(_mm_cvtsi128_si32(box));
#else
    MicroTileUnion_Plain(Dst, Src);
#endif
}

// ---- Maps -----------------------------------------------------------------------------------

void MicroTilesUnion_Plain(TMicroTiles& Dst, const TMicroTiles& Src, bool RoundToWholeTiles)
{
    TilesUnion(Dst, Src, RoundToWholeTiles, RowUnionPlain);
}

void MicroTilesUnion_Vector(TMicroTiles& Dst, const TMicroTiles& Src, bool RoundToWholeTiles)
{
    TilesUnion(Dst, Src, RoundToWholeTiles, RowUnionVector);
}

void MicroTilesCreate(TMicroTiles& Tiles)
{
    Tiles = TMicroTiles();
    ResetUsed(Tiles);
}

void MicroTilesDestroy(TMicroTiles& Tiles)
{
    std::vector<TMicroTile>().swap(Tiles.Tiles);
    Tiles.Count = 0;
    Tiles.Columns = Tiles.Rows = 0;
    ResetUsed(Tiles);
}

void MicroTilesSetSize(TMicroTiles& Tiles, const TRect& Rect)
{
    const int64_t columns = Width64(Rect) / MICROTILE_SIZE + 1;
    const int64_t rows = Height64(Rect) / MICROTILE_SIZE + 1;
    const int64_t count = (columns + 1) * (rows + 1);
    if (count > MaxTileCount)
        throw EOutOfResources(Format("Can't make tiles for %lld x %lld pixels", (long long)Width64(Rect),
                                     (long long)Height64(Rect)));
    Tiles.BoundsRect = Rect;
    Tiles.Columns = int32_t(columns);
    Tiles.Rows = int32_t(rows);
    Tiles.Count = int32_t(count);
    Tiles.Tiles.assign(size_t(count), MICROTILE_EMPTY);
    ResetUsed(Tiles);
}

void MicroTilesClear(TMicroTiles& Tiles, TMicroTile Value)
{
    std::fill(Tiles.Tiles.begin(), Tiles.Tiles.end(), Value);
    ResetUsed(Tiles);
}

void MicroTilesClearUsed(TMicroTiles& Tiles, TMicroTile Value)
{
    int32_t c0, r0, c1, r1;
    if (UsedRange(Tiles, c0, r0, c1, r1))
        for (int32_t row = r0; row <= r1; ++row) {
            TMicroTile* p = &Tiles.Tiles[size_t(row) * size_t(Tiles.Columns)];
            std::fill(p + c0, p + c1 + 1, Value);
        }
    ResetUsed(Tiles);
}

void MicroTilesCopy(TMicroTiles& Dst, const TMicroTiles& Src)
{
    if (&Dst == &Src)
        return;
    if (Dst.Count != Src.Count) {
        Dst.Tiles.assign(size_t(Src.Count), MICROTILE_EMPTY);
    } else {
        MicroTilesClearUsed(Dst);
    }
    Dst.BoundsRect = Src.BoundsRect;
    Dst.Columns = Src.Columns;
    Dst.Rows = Src.Rows;
    Dst.Count = Src.Count;
    Dst.BoundsUsedTiles = Src.BoundsUsedTiles;
    int32_t c0, r0, c1, r1;
    if (UsedRange(Src, c0, r0, c1, r1))
        for (int32_t row = r0; row <= r1; ++row) {
            const size_t at = size_t(row) * size_t(Src.Columns);
            std::copy(Src.Tiles.begin() + ptrdiff_t(at + size_t(c0)),
                      Src.Tiles.begin() + ptrdiff_t(at + size_t(c1) + 1),
                      Dst.Tiles.begin() + ptrdiff_t(at + size_t(c0)));
        }
}

void MicroTilesAddRect(TMicroTiles& Tiles, TRect Rect, bool RoundToWholeTiles)
{
    if (Tiles.Count == 0)
        return;
    if (Rect.Left > Rect.Right)
        std::swap(Rect.Left, Rect.Right);
    if (Rect.Top > Rect.Bottom)
        std::swap(Rect.Top, Rect.Bottom);

    // Tile arithmetic relative to the map's corner, cut to the map: the last column and row
    // of the grid lie partly beyond the bounds, and nothing beyond them is ever marked.
    const TRect& b = Tiles.BoundsRect;
    const int64_t w = std::min<int64_t>(Width64(b), int64_t(Tiles.Columns) * MICROTILE_SIZE);
    const int64_t h = std::min<int64_t>(Height64(b), int64_t(Tiles.Rows) * MICROTILE_SIZE);
    const int64_t left = std::max<int64_t>(int64_t(Rect.Left) - b.Left, 0);
    const int64_t top = std::max<int64_t>(int64_t(Rect.Top) - b.Top, 0);
    const int64_t right = std::min<int64_t>(int64_t(Rect.Right) - b.Left, w);
    const int64_t bottom = std::min<int64_t>(int64_t(Rect.Bottom) - b.Top, h);
    if (left >= right || top >= bottom)
        return;

    // The first and last tile columns and rows the pixels left .. right - 1 and top ..
    // bottom - 1 fall into, and the box's edges inside them.
    const int32_t c0 = int32_t(left >> MICROTILE_SHIFT), c1 = int32_t((right - 1) >> MICROTILE_SHIFT);
    const int32_t r0 = int32_t(top >> MICROTILE_SHIFT), r1 = int32_t((bottom - 1) >> MICROTILE_SHIFT);
    const uint32_t firstLeft = uint32_t(left & (MICROTILE_SIZE - 1));
    const uint32_t firstTop = uint32_t(top & (MICROTILE_SIZE - 1));
    const uint32_t lastRight = uint32_t((right - 1) & (MICROTILE_SIZE - 1)) + 1;
    const uint32_t lastBottom = uint32_t((bottom - 1) & (MICROTILE_SIZE - 1)) + 1;

    for (int32_t row = r0; row <= r1; ++row) {
        TMicroTile* p = &Tiles.Tiles[size_t(row) * size_t(Tiles.Columns)];
        if (RoundToWholeTiles) {
            std::fill(p + c0, p + c1 + 1, MICROTILE_FULL);
            continue;
        }
        const uint32_t t = row == r0 ? firstTop : 0;
        const uint32_t bt = row == r1 ? lastBottom : MICROTILE_SIZE;
        for (int32_t col = c0; col <= c1; ++col) {
            const uint32_t l = col == c0 ? firstLeft : 0;
            const uint32_t r = col == c1 ? lastRight : MICROTILE_SIZE;
            MicroTileUnion(p[col], MakeMicroTile(l, t, r, bt));
        }
    }
    GrowUsed(Tiles, c0, r0, c1, r1);
}

void MicroTilesAddLine(TMicroTiles& Tiles, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t LineWidth,
                       bool RoundToWholeTiles)
{
    if (Tiles.Count == 0)
        return;
    const int64_t grow = 2 * int64_t(std::max(LineWidth, 0));
    auto addBox = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
        MicroTilesAddRect(Tiles,
                          {Clamp32(std::min(l, r) - grow), Clamp32(std::min(t, b) - grow),
                           Clamp32(std::max(l, r) + grow), Clamp32(std::max(t, b) + grow)},
                          RoundToWholeTiles);
    };
    const int64_t dx = int64_t(X2) - X1, dy = int64_t(Y2) - Y1;
    if (dx == 0 || dy == 0) {
        addBox(X1, Y1, X2, Y2);
        return;
    }

    // Steps of 32 pixels along the longer axis; the shorter one follows at minor / major per
    // pixel. Only the steps that can reach the map are walked, so a line of any length costs
    // no more than the map is long.
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t majorStart = xMajor ? X1 : Y1, minorStart = xMajor ? Y1 : X1;
    const double minorPerPixel = double(xMajor ? dy : dx) / double(major);
    const TRect& b = Tiles.BoundsRect;
    const int64_t lo = (xMajor ? b.Left : b.Top) - grow - 1;
    const int64_t hi = (xMajor ? b.Right : b.Bottom) + grow + 1;
    // The distances along the line at which it is between lo and hi on the major axis.
    int64_t from = majorSign > 0 ? lo - majorStart : majorStart - hi;
    int64_t to = majorSign > 0 ? hi - majorStart : majorStart - lo;
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, major);
    if (from > to)
        return;
    const int64_t steps = (major + MICROTILE_SIZE - 1) / MICROTILE_SIZE;
    const int64_t firstStep = from / MICROTILE_SIZE;
    const int64_t lastStep = std::min(steps - 1, to / MICROTILE_SIZE);
    for (int64_t k = firstStep; k <= lastStep; ++k) {
        const int64_t m0 = k * MICROTILE_SIZE, m1 = std::min(major, m0 + MICROTILE_SIZE);
        const int64_t a0 = majorStart + majorSign * m0, a1 = majorStart + majorSign * m1;
        const int64_t b0 = minorStart + std::llround(minorPerPixel * double(m0));
        const int64_t b1 = minorStart + std::llround(minorPerPixel * double(m1));
        if (xMajor)
            addBox(a0, b0, a1, b1);
        else
            addBox(b0, a0, b1, a1);
    }
}

int32_t MicroTilesCalcRects(const TMicroTiles& Tiles, TRectList* DstRects, bool CountOnly,
                            bool RoundToWholeTiles)
{
    int32_t c0, r0, c1, r1;
    if (!UsedRange(Tiles, c0, r0, c1, r1))
        return 0;
    const TRect& b = Tiles.BoundsRect;
    const int64_t originX = b.Left, originY = b.Top;
    const TRect bounds{std::min(b.Left, b.Right), std::min(b.Top, b.Bottom), std::max(b.Left, b.Right),
                       std::max(b.Top, b.Bottom)};
    auto constrainX = [&](int64_t v) { return int32_t(std::clamp<int64_t>(v, bounds.Left, bounds.Right)); };
    auto constrainY = [&](int64_t v) { return int32_t(std::clamp<int64_t>(v, bounds.Top, bounds.Bottom)); };

    std::vector<TRect> rects;
    // For each column of the row above and of this row: the rectangle a run starting there
    // went into, -1 for none.
    std::vector<int32_t> above(size_t(c1 - c0 + 1), -1), here(size_t(c1 - c0 + 1), -1);
    for (int32_t row = r0; row <= r1; ++row) {
        std::fill(here.begin(), here.end(), -1);
        const TMicroTile* p = &Tiles.Tiles[size_t(row) * size_t(Tiles.Columns)];
        const int64_t y = originY + int64_t(row) * MICROTILE_SIZE;
        for (int32_t col = c0; col <= c1; ++col) {
            const TMicroTile first = p[col];
            if (!HasArea(first))
                continue;
            const int32_t start = col;
            int64_t left, top, right, bottom;
            if (RoundToWholeTiles) {
                while (col < c1 && HasArea(p[col + 1]))
                    ++col;
                left = int64_t(start) * MICROTILE_SIZE;
                right = int64_t(col + 1) * MICROTILE_SIZE;
                top = 0;
                bottom = MICROTILE_SIZE;
            } else {
                const uint32_t t = MicroTileTop(first), bt = MicroTileBottom(first);
                while (col < c1 && MicroTileRight(p[col]) == uint32_t(MICROTILE_SIZE) &&
                       HasArea(p[col + 1]) && MicroTileLeft(p[col + 1]) == 0 &&
                       MicroTileTop(p[col + 1]) == t && MicroTileBottom(p[col + 1]) == bt)
                    ++col;
                left = int64_t(start) * MICROTILE_SIZE + MicroTileLeft(first);
                right = int64_t(col) * MICROTILE_SIZE + MicroTileRight(p[col]);
                top = t;
                bottom = bt;
            }
            const TRect r{constrainX(originX + left), constrainY(y + top), constrainX(originX + right),
                          constrainY(y + bottom)};
            if (r.Left >= r.Right || r.Top >= r.Bottom)
                continue;
            const int32_t up = above[size_t(start - c0)];
            if (up >= 0 && rects[size_t(up)].Left == r.Left && rects[size_t(up)].Right == r.Right &&
                rects[size_t(up)].Bottom == r.Top) {
                rects[size_t(up)].Bottom = r.Bottom;
                here[size_t(start - c0)] = up;
            } else {
                here[size_t(start - c0)] = int32_t(rects.size());
                rects.push_back(r);
            }
        }
        above.swap(here);
    }
    if (!CountOnly && DstRects)
        for (const TRect& r : rects)
            DstRects->Add(r);
    return int32_t(rects.size());
}

std::vector<TRect> MicroTilesRects(const TMicroTiles& Tiles, bool RoundToWholeTiles)
{
    TRectList list;
    MicroTilesCalcRects(Tiles, &list, false, RoundToWholeTiles);
    std::vector<TRect> result;
    for (int32_t i = 0; i < list.Count(); ++i)
        result.push_back(*list.Items(i));
    return result;
}

// ---- TMicroTilesMap -------------------------------------------------------------------------

TMicroTilesMap::~TMicroTilesMap()
{
    Clear();
}

TMicroTiles& TMicroTilesMap::Tiles(const void* Item)
{
    bool isNew;
    void** slot = Add(const_cast<void*>(Item), isNew);
    if (isNew) {
        auto* tiles = new TMicroTiles;
        MicroTilesCreate(*tiles);
        *slot = tiles;
    }
    return *static_cast<TMicroTiles*>(*slot);
}

bool TMicroTilesMap::Has(const void* Item) const
{
    int32_t b, i;
    return Exists(Item, b, i);
}

void* TMicroTilesMap::Delete(int32_t BucketIndex, int32_t ItemIndex)
{
    delete static_cast<TMicroTiles*>(TPointerMap::Delete(BucketIndex, ItemIndex));
    return nullptr;
}

// ---- TMicroTilesRepaintOptimizer ------------------------------------------------------------

TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer(TBitmap32* ABuffer, TRectList* AInvalidRects)
    : TCustomRepaintOptimizer(ABuffer, AInvalidRects)
{
    MicroTilesCreate(FBufferTiles);
    MicroTilesCreate(FInvalidTiles);
    MicroTilesCreate(FTempTiles);
}

TMicroTilesRepaintOptimizer::~TMicroTilesRepaintOptimizer()
{
    for (TLayerCollection* layers : LayerCollections())
        HookCollection(layers, false);
}

void TMicroTilesRepaintOptimizer::HookCollection(TLayerCollection* Layers, bool Hook)
{
    if (Hook) {
        Layers->OnLayerUpdated = [this](TObject* Sender, TCustomLayer* Layer) {
            LayerUpdateHandler(Sender, Layer);
        };
        Layers->OnAreaUpdated = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
            AreaUpdateHandler(Sender, Area, Info);
        };
    } else {
        Layers->OnLayerUpdated = nullptr;
        Layers->OnAreaUpdated = nullptr;
    }
}

void TMicroTilesRepaintOptimizer::RegisterLayerCollection(TLayerCollection* Layers)
{
    TCustomRepaintOptimizer::RegisterLayerCollection(Layers);
    if (Layers && FEnabled) {
        HookCollection(Layers, true);
        FLayerTilesValid = false;
    }
}

void TMicroTilesRepaintOptimizer::UnregisterLayerCollection(TLayerCollection* Layers)
{
    const auto& all = LayerCollections();
    if (!Layers || std::find(all.begin(), all.end(), Layers) == all.end())
        return;
    HookCollection(Layers, false);
    for (int32_t i = 0; i < Layers->Count(); ++i)
        ForgetLayer(Layers->Items(i), true);
    TCustomRepaintOptimizer::UnregisterLayerCollection(Layers);
}

void TMicroTilesRepaintOptimizer::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    if (Value) {
        for (TLayerCollection* layers : LayerCollections())
            HookCollection(layers, true);
        FWorkingTilesValid = false;
        ValidateWorkingTiles();
        FLayerTilesValid = false;
    } else {
        for (TLayerCollection* layers : LayerCollections())
            HookCollection(layers, false);
        MicroTilesDestroy(FBufferTiles);
        MicroTilesDestroy(FInvalidTiles);
        MicroTilesDestroy(FTempTiles);
        for (TCustomLayer* layer : FInvalidLayers)
            layer->SetInvalidMark(false);
        FInvalidLayers.clear();
        FLayerTiles.Clear();
        FWorkingTilesValid = FLayerTilesValid = FUpdatesPending = false;
        FPerformanceLevel = 0;
        FRecalibrating = false;
    }
}

void TMicroTilesRepaintOptimizer::ValidateWorkingTiles()
{
    const TRect bounds = Buffer()->BoundsRect();
    if (FWorkingTilesValid && EqualRects(bounds, FBufferBounds))
        return;
    FBufferBounds = bounds;
    MicroTilesSetSize(FBufferTiles, bounds);
    MicroTilesSetSize(FInvalidTiles, bounds);
    MicroTilesSetSize(FTempTiles, bounds);
    FWorkingTilesValid = true;
    // Footprints measured on another size no longer fit.
    FLayerTilesValid = false;
}

void TMicroTilesRepaintOptimizer::MeasureLayer(TCustomLayer* Layer, TMicroTiles& Tiles)
{
    if (Tiles.Count == 0 || !EqualRects(Tiles.BoundsRect, FBufferBounds))
        MicroTilesSetSize(Tiles, FBufferBounds);
    else
        MicroTilesClearUsed(Tiles);
    if (!Layer->Visible())
        return;
    // The layer paints as usual; the buffer draws nothing and hands every area to the tiles.
    TBitmap32& buffer = *Buffer();
    const TRect clip = buffer.ClipRect();
    buffer.ResetClipRect();
    buffer.StartMeasuring([&](TObject*, const TRect& Area, uint32_t Info) { AddArea(Tiles, Area, Info); });
    try {
        Layer->PaintLayer(buffer);
    } catch (...) {
        buffer.StopMeasuring();
        buffer.SetClipRect(clip);
        throw;
    }
    buffer.StopMeasuring();
    buffer.SetClipRect(clip);
}

void TMicroTilesRepaintOptimizer::ValidateLayerTiles()
{
    if (FLayerTilesValid)
        return;
    ValidateWorkingTiles();
    FLayerTilesValid = true;
    for (TLayerCollection* layers : LayerCollections())
        for (int32_t i = 0; i < layers->Count(); ++i) {
            TCustomLayer* layer = layers->Items(i);
            MeasureLayer(layer, FLayerTiles.Tiles(layer));
        }
}

void TMicroTilesRepaintOptimizer::AddArea(TMicroTiles& Tiles, const TRect& Area, uint32_t Info)
{
    if (Info & AREAINFO_LINE) {
        const int32_t width = int32_t(Info & 0x00FFFFFFu);
        MicroTilesAddLine(Tiles, Area.Left, Area.Top, Area.Right, Area.Bottom, width, RoundToWholeTiles());
    } else {
        MicroTilesAddRect(Tiles, Area, RoundToWholeTiles());
    }
}

void TMicroTilesRepaintOptimizer::ForgetLayer(TCustomLayer* Layer, bool Alive)
{
    // Where the layer was painted is to be repainted without it.
    if (FLayerTiles.Has(Layer)) {
        if (FEnabled && FWorkingTilesValid) {
            MicroTilesUnion(FInvalidTiles, FLayerTiles.Tiles(Layer), RoundToWholeTiles());
            FUpdatesPending = true;
        }
        FLayerTiles.Remove(Layer);
    }
    const auto gone = std::remove(FInvalidLayers.begin(), FInvalidLayers.end(), Layer);
    // A layer that lives on (moved to another collection) is announced afresh when it
    // comes back; one already freed is only compared, never followed.
    if (gone != FInvalidLayers.end() && Alive)
        Layer->SetInvalidMark(false);
    FInvalidLayers.erase(gone, FInvalidLayers.end());
}

void TMicroTilesRepaintOptimizer::LayerCollectionNotifyHandler(TLayerCollection* Sender,
                                                               TLayerListNotification Action,
                                                               TCustomLayer* Layer, int32_t Index)
{
    if (!FEnabled)
        return;
    switch (Action) {
    case lnLayerAdded:
    case lnLayerInserted:
        if (Layer)
            LayerUpdateHandler(Sender, Layer);
        break;
    case lnLayerDeleted:
        if (Layer)
            ForgetLayer(Layer, true);
        break;
    case lnCleared: {
        // The layers are gone: every footprint and every pending change of a layer that no
        // collection holds any more is dropped (the freed layers are only compared).
        auto held = [this](const void* layer) {
            for (TLayerCollection* layers : LayerCollections())
                if (layers->IndexOf(static_cast<const TCustomLayer*>(layer)) >= 0)
                    return true;
            return false;
        };
        std::vector<const void*> gone;
        TPointerMapIterator it(FLayerTiles);
        while (it.Next())
            if (!held(it.Item))
                gone.push_back(it.Item);
        for (TCustomLayer* layer : FInvalidLayers)
            if (!held(layer))
                gone.push_back(layer);
        for (const void* key : gone)
            ForgetLayer(static_cast<TCustomLayer*>(const_cast<void*>(key)), false);
        FUpdatesPending = true;
        break;
    }
    }
}

void TMicroTilesRepaintOptimizer::LayerUpdateHandler(TObject*, TCustomLayer* Layer)
{
    if (!FEnabled || !Layer)
        return;
    if (!(Layer->LayerOptions() & LOB_INVALID)) {
        Layer->SetInvalidMark(true);
        FInvalidLayers.push_back(Layer);
    }
    FUpdatesPending = true;
}

void TMicroTilesRepaintOptimizer::AreaUpdateHandler(TObject*, const TRect& Area, uint32_t Info)
{
    if (!FEnabled)
        return;
    ValidateWorkingTiles();
    if (Info & AREAINFO_LINE) {
        // The line's own width grows the box before the walk adds its margin.
        const int32_t width = int32_t(Info & 0x00FFFFFFu);
        const int64_t l = int64_t(Area.Left), t = int64_t(Area.Top), r = int64_t(Area.Right),
                      b = int64_t(Area.Bottom);
        const int64_t sl = l <= r ? -width : width, st = t <= b ? -width : width;
        MicroTilesAddLine(FBufferTiles, Clamp32(l + sl), Clamp32(t + st), Clamp32(r - sl), Clamp32(b - st),
                          width, RoundToWholeTiles());
    } else {
        MicroTilesAddRect(FBufferTiles, Area, RoundToWholeTiles());
    }
    FUpdatesPending = true;
}

void TMicroTilesRepaintOptimizer::BufferResizedHandler(int32_t NewWidth, int32_t NewHeight)
{
    FBufferBounds = {0, 0, NewWidth, NewHeight};
    Reset();
}

void TMicroTilesRepaintOptimizer::Reset()
{
    if (!FEnabled)
        return;
    FWorkingTilesValid = false;
    ValidateWorkingTiles();
    ValidateLayerTiles();
    MicroTilesAddRect(FBufferTiles, FBufferBounds, true);
    InvalidRects()->Clear();
    InvalidRects()->Add(FBufferBounds);
    FUpdatesPending = true;
}

bool TMicroTilesRepaintOptimizer::UpdatesAvailable()
{
    if (!FEnabled)
        return false;
    ValidateLayerTiles();
    return FUpdatesPending;
}

void TMicroTilesRepaintOptimizer::PerformOptimization()
{
    if (!FEnabled || !FUpdatesPending)
        return;
    ValidateWorkingTiles();
    ValidateLayerTiles();
    const bool round = RoundToWholeTiles();

    // A changed layer must be repainted where it was and where it now is.
    std::vector<TCustomLayer*> layers;
    layers.swap(FInvalidLayers);
    for (TCustomLayer* layer : layers) {
        MeasureLayer(layer, FTempTiles);
        TMicroTiles& footprint = FLayerTiles.Tiles(layer);
        MicroTilesUnion(FInvalidTiles, FTempTiles, round);
        MicroTilesUnion(FInvalidTiles, footprint, round);
        MicroTilesCopy(footprint, FTempTiles);
        layer->SetInvalidMark(false);
    }
    MicroTilesUnion(FInvalidTiles, FBufferTiles, round);
    const int32_t found = MicroTilesCalcRects(FInvalidTiles, InvalidRects(), false, round);
    bool wholeBuffer = false;

    // The adaptive step: a raised level is lowered again when the scene calms down (far fewer
    // rectangles than when it was raised) or when its time is up; level 2 repaints everything.
    if (AdaptiveMode && FPerformanceLevel > 0) {
        if (int32_t(Now() - FNextCheck) < 0) {
            if (!FRecalibrating && found < FOldInvalidRectsCount - 10)
                --FPerformanceLevel;
            else if (FPerformanceLevel >= 2) {
                InvalidRects()->Clear();
                wholeBuffer = true;
            }
        } else {
            --FPerformanceLevel;
            FRecalibrating = true;
        }
    }
    MicroTilesClearUsed(FInvalidTiles);
    MicroTilesClearUsed(FBufferTiles);
    // Changes that fell wholly outside the buffer leave nothing to repaint; an empty list at
    // level 2 asks for the whole buffer, and the updates stay pending for it.
    if (found == 0 && !wholeBuffer && InvalidRects()->Count() == 0)
        FUpdatesPending = false;
}

void TMicroTilesRepaintOptimizer::BeginPaintBuffer()
{
    if (AdaptiveMode)
        FTimer.Start();
}

void TMicroTilesRepaintOptimizer::EndPaintBuffer()
{
    const int64_t elapsed = AdaptiveMode ? PaintMicroseconds() : 0;
    FUpdatesPending = false;
    // Whatever was still gathered has just been painted with the rest.
    MicroTilesClearUsed(FBufferTiles);
    MicroTilesClearUsed(FInvalidTiles);
    const TRectList& rects = *InvalidRects();
    bool whole = rects.Count() == 0;
    for (int32_t i = 0; i < rects.Count() && !whole; ++i) {
        TRect covered;
        whole = IntersectRects(covered, *rects.Items(i), FBufferBounds) && EqualRects(covered, FBufferBounds);
    }
    // A whole paint showed the changed layers where they now are: that is where they are to
    // be painted away later, not where they were last measured.
    if (whole && !FInvalidLayers.empty()) {
        ValidateLayerTiles();
        std::vector<TCustomLayer*> layers;
        layers.swap(FInvalidLayers);
        for (TCustomLayer* layer : layers) {
            MeasureLayer(layer, FLayerTiles.Tiles(layer));
            layer->SetInvalidMark(false);
        }
    }
    if (AdaptiveMode)
        EvaluatePaintTime(elapsed, whole);
}

void TMicroTilesRepaintOptimizer::EvaluatePaintTime(int64_t Elapsed, bool WholeBuffer)
{
    if (WholeBuffer) {
        FWholePaintTime = Elapsed;
        return;
    }
    if (FWholePaintTime > 0 && Elapsed > FWholePaintTime) {
        // Painting the pieces cost more than painting everything would: less precision.
        if (FPerformanceLevel < 2) {
            ++FPerformanceLevel;
            FOldInvalidRectsCount = InvalidRects()->Count();
        }
        if (FRecalibrating)
            FTimeDelta = std::clamp(FTimeDelta + 250, 1000, 5000);
        FRecalibrating = false;
        FNextCheck = Now() + uint32_t(FTimeDelta);
    } else if (FRecalibrating) {
        // The lower level paid off: try it again sooner next time.
        FTimeDelta = std::max(1000, FTimeDelta - 250);
        FRecalibrating = false;
    }
}

} // namespace qm
