#pragma once
// Micro-tiles: invalid areas gathered in a grid of 32 x 32-pixel tiles, each tile holding the
// bounding box of what became dirty inside it, and turned back into a few rectangles to
// repaint. The repaint optimiser built on them keeps one map for the buffer's own changes and
// one per layer (the layer's footprint), and lowers its precision when repainting gets slow.
#include <cstdint>
#include <vector>

#include "graphics/RasterContainers.h"
#include "graphics/RasterRepaintOpt.h"
#include "graphics/RasterSystem.h"
#include "graphics/RasterTypes.h"

namespace qm {

// One tile's dirty box as four bytes: left in bits 24-31, top 16-23, right 8-15, bottom 0-7,
// each 0..32 inside the tile, right and bottom exclusive. 0 is a clean tile.
using TMicroTile = uint32_t;
constexpr int32_t MICROTILE_SHIFT = 5;
constexpr int32_t MICROTILE_SIZE = 1 << MICROTILE_SHIFT;
constexpr TMicroTile MICROTILE_EMPTY = 0;
constexpr TMicroTile MICROTILE_FULL = 0x00002020u; // (0, 0, 32, 32)

constexpr TMicroTile MakeMicroTile(uint32_t Left, uint32_t Top, uint32_t Right, uint32_t Bottom)
{
    return Left << 24 | Top << 16 | Right << 8 | Bottom;
}
constexpr uint32_t MicroTileLeft(TMicroTile T)
{
    return T >> 24;
}
constexpr uint32_t MicroTileTop(TMicroTile T)
{
    return (T >> 16) & 0xFF;
}
constexpr uint32_t MicroTileRight(TMicroTile T)
{
    return (T >> 8) & 0xFF;
}
constexpr uint32_t MicroTileBottom(TMicroTile T)
{
    return T & 0xFF;
}

// A map of tiles over BoundsRect. Columns and Rows are (width div 32) + 1 and (height div
// 32) + 1 once sized; Tiles holds (Columns + 1) x (Rows + 1) words, row-major with stride
// Columns. BoundsUsedTiles is the range of tile indices (right and bottom included) touched
// since the last clear; Left > Right means none. A map that was never sized has no tiles and
// ignores everything.
struct TMicroTiles {
    TRect BoundsRect;
    int32_t Columns = 0;
    int32_t Rows = 0;
    TRect BoundsUsedTiles;
    int32_t Count = 0;
    std::vector<TMicroTile> Tiles;
};

// Dst := the box covering Dst and Src. Nothing when Dst is full or Src is clean or has no
// width or height; Src when Dst is clean or Src is full. Bound at start-up to the plain or
// the vector variant (same results).
using TMicroTileUnion = void (*)(TMicroTile& Dst, TMicroTile Src);
extern TMicroTileUnion MicroTileUnion;
void MicroTileUnion_Plain(TMicroTile& Dst, TMicroTile Src);
void MicroTileUnion_Vector(TMicroTile& Dst, TMicroTile Src);

// An empty map without tiles / the tiles given back.
void MicroTilesCreate(TMicroTiles& Tiles);
void MicroTilesDestroy(TMicroTiles& Tiles);
// BoundsRect := Rect, the grid resized for it and every tile cleared. A reversed or empty
// Rect gives a map of one tile that takes no area.
void MicroTilesSetSize(TMicroTiles& Tiles, const TRect& Rect);
// Every tile := Value; no tile counts as used afterwards.
void MicroTilesClear(TMicroTiles& Tiles, TMicroTile Value = MICROTILE_EMPTY);
// Only the used tiles := Value; no tile counts as used afterwards.
void MicroTilesClearUsed(TMicroTiles& Tiles, TMicroTile Value = MICROTILE_EMPTY);
// Dst becomes a copy of Src (its size, its used range and the used tiles' contents).
void MicroTilesCopy(TMicroTiles& Dst, const TMicroTiles& Src);
// Marks Rect (put in order first) as dirty: the part of it inside the map, tile by tile, or
// whole tiles with RoundToWholeTiles. A rectangle without area inside the map changes
// nothing.
void MicroTilesAddRect(TMicroTiles& Tiles, TRect Rect, bool RoundToWholeTiles = false);
// Marks a line of the given width: walked in steps of 32 pixels along its longer axis, each
// step's box grown by twice LineWidth on every side; a horizontal or vertical line adds its
// grown box at once.
void MicroTilesAddLine(TMicroTiles& Tiles, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t LineWidth,
                       bool RoundToWholeTiles = false);
// Every used tile of Src united into the tile at the same index of Dst (with
// RoundToWholeTiles every dirty Src tile makes its Dst tile full); maps of different grids
// meet where both have tiles. Bound at start-up like MicroTileUnion.
using TMicroTilesUnion = void (*)(TMicroTiles& Dst, const TMicroTiles& Src, bool RoundToWholeTiles);
extern TMicroTilesUnion MicroTilesUnion;
void MicroTilesUnion_Plain(TMicroTiles& Dst, const TMicroTiles& Src, bool RoundToWholeTiles);
void MicroTilesUnion_Vector(TMicroTiles& Dst, const TMicroTiles& Src, bool RoundToWholeTiles);
// The dirty tiles as rectangles inside BoundsRect, appended to DstRects unless CountOnly (then
// DstRects may be null): runs along each row (of whole tiles with RoundToWholeTiles, else of
// tiles whose boxes meet at the tile edges), each run merged into the rectangle of the run
// above it when that one has the same left and right and ends where it starts. Answers the
// number of rectangles.
int32_t MicroTilesCalcRects(const TMicroTiles& Tiles, TRectList* DstRects, bool CountOnly = false,
                            bool RoundToWholeTiles = false);
// The same, as a vector.
std::vector<TRect> MicroTilesRects(const TMicroTiles& Tiles, bool RoundToWholeTiles = false);

class TCustomLayer;

// Each layer's own tiles (its footprint), created empty on first request and freed with the
// entry.
class TMicroTilesMap : public TPointerMap {
public:
    QM_RASTER_CLASS(TMicroTilesMap, TPointerMap)

    TMicroTilesMap() = default;
    ~TMicroTilesMap() override;

    TMicroTiles& Tiles(const void* Item);
    bool Has(const void* Item) const;
    void* Delete(int32_t BucketIndex, int32_t ItemIndex) override;
};

// Computes the areas to repaint from the buffer's reported changes and the layers' moving
// footprints. Enabled only in the rmOptimizer repaint mode.
class TMicroTilesRepaintOptimizer : public TCustomRepaintOptimizer {
public:
    QM_RASTER_CLASS(TMicroTilesRepaintOptimizer, TCustomRepaintOptimizer)

    TMicroTilesRepaintOptimizer(TBitmap32* ABuffer, TRectList* AInvalidRects);
    ~TMicroTilesRepaintOptimizer() override;

    void SetEnabled(bool Value) override;
    void LayerCollectionNotifyHandler(TLayerCollection* Sender, TLayerListNotification Action,
                                      TCustomLayer* Layer, int32_t Index) override;
    void RegisterLayerCollection(TLayerCollection* Layers) override;
    void UnregisterLayerCollection(TLayerCollection* Layers) override;
    void BeginPaintBuffer() override;
    void EndPaintBuffer() override;
    // Everything is to be repainted: the buffer's tiles full, the invalid rectangles the
    // whole buffer. Nothing while disabled.
    void Reset() override;
    bool UpdatesAvailable() override;
    // Appends the rectangles to repaint to the invalid-rectangle list and starts afresh.
    void PerformOptimization() override;
    // Area is a rectangle, or with AREAINFO_LINE a line of width Info & $FFFFFF.
    void AreaUpdateHandler(TObject* Sender, const TRect& Area, uint32_t Info) override;
    void LayerUpdateHandler(TObject* Sender, TCustomLayer* Layer) override;
    void BufferResizedHandler(int32_t NewWidth, int32_t NewHeight) override;

    // Precision is given up for speed when repainting the found areas gets slow: level 1
    // rounds areas to whole tiles, level 2 repaints the whole buffer.
    bool AdaptiveMode = true;
    int32_t PerformanceLevel() const { return FPerformanceLevel; }
    // The milliseconds after which a raised level is tried lower again (1,000..5,000).
    int32_t TimeDelta() const { return FTimeDelta; }

    const TMicroTiles& BufferTiles() const { return FBufferTiles; }
    const TMicroTiles& InvalidTiles() const { return FInvalidTiles; }
    TMicroTilesMap& LayerTiles() { return FLayerTiles; }
    const std::vector<TCustomLayer*>& InvalidLayers() const { return FInvalidLayers; }

protected:
    // The clock of the adaptive mode, in milliseconds.
    virtual uint32_t Now() const { return GetTickCount(); }
    // How long the last buffer paint took, in microseconds.
    virtual int64_t PaintMicroseconds() { return FTimer.ReadMicroseconds(); }
    // The adaptive step after a buffer paint that took Elapsed microseconds.
    void EvaluatePaintTime(int64_t Elapsed, bool WholeBuffer);

private:
    void HookCollection(TLayerCollection* Layers, bool Hook);
    // The three records sized to the buffer, when they are not.
    void ValidateWorkingTiles();
    // Every visible layer's footprint measured into its own tiles.
    void ValidateLayerTiles();
    void MeasureLayer(TCustomLayer* Layer, TMicroTiles& Tiles);
    void AddArea(TMicroTiles& Tiles, const TRect& Area, uint32_t Info);
    // Drops the layer's footprint (its area to be repainted) and its pending change; Alive:
    // the layer still exists and its invalid mark is cleared.
    void ForgetLayer(TCustomLayer* Layer, bool Alive);
    bool RoundToWholeTiles() const { return FPerformanceLevel > 0; }

    TMicroTiles FBufferTiles;  // the buffer's reported changes
    TMicroTiles FInvalidTiles; // the layers' old and new footprints
    TMicroTiles FTempTiles;    // one layer's footprint while measuring
    TRect FBufferBounds;
    std::vector<TCustomLayer*> FInvalidLayers;
    TMicroTilesMap FLayerTiles;
    TPerfTimer FTimer;
    bool FWorkingTilesValid = false;
    bool FLayerTilesValid = false;
    bool FUpdatesPending = false;

    int32_t FPerformanceLevel = 0;
    int64_t FWholePaintTime = 0; // microseconds of the last whole-buffer paint, 0 unknown
    int32_t FOldInvalidRectsCount = 0;
    int32_t FTimeDelta = 1000;
    uint32_t FNextCheck = 0;
    bool FRecalibrating = false;
};

} // namespace qm
