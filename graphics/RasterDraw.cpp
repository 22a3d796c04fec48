// The drawing operations of TBitmap32 on pixels: spans, lines, rectangle fills and frames, and
// the transfers onto another bitmap. Text is in RasterText.cpp.
#include <algorithm>
#include <climits>
#include <utility>

#include "graphics/Raster.h"
#include "graphics/RasterBlend.h"
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterResamplers.h"

namespace qm {

namespace {

// The products of the clipping steps: a 33-bit distance times a 34-bit delta.
using Wide = __int128;

// Info word of a line report: the line flag and a width of 2.
constexpr uint32_t LineReportInfo = AREAINFO_LINE + 2;

// The coordinate after V; a report about the last coordinate stays at the last one.
int32_t Next(int32_t V)
{
    return V == INT32_MAX ? V : V + 1;
}

} // namespace

// ---- Spans --------------------------------------------------------------------------------

void TBitmap32::DrawHorzLine(int32_t X1, int32_t Y, int32_t X2, TColor32 Value)
{
    FillLongword(PixelAddress(X1, Y), X2 - X1 + 1, Value);
}

void TBitmap32::DrawHorzLineBlended(int32_t X1, int32_t Y, int32_t X2, TColor32 Value)
{
    if (X2 < X1)
        return;
    const TBlendMem blend = BlendColorIntoByMode[FCombineMode];
    TColor32* p = PixelAddress(X1, Y);
    for (int32_t n = X2 - X1 + 1; n > 0; --n, ++p)
        blend(Value, *p);
    ClearMMXState();
}

void TBitmap32::DrawVertLine(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value)
{
    TColor32* p = PixelAddress(X, Y1);
    for (int32_t n = Y2 - Y1 + 1; n > 0; --n, p += Width)
        *p = Value;
}

void TBitmap32::DrawVertLineBlended(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value)
{
    const TBlendMem blend = BlendColorIntoByMode[FCombineMode];
    TColor32* p = PixelAddress(X, Y1);
    for (int32_t n = Y2 - Y1 + 1; n > 0; --n, p += Width)
        blend(Value, *p);
    ClearMMXState();
}

void TBitmap32::DrawHorzLineClipped(int32_t X1, int32_t Y, int32_t X2, TColor32 Value)
{
    if (FMeasuring) {
        NotifyAreaChanged({X1, Y, X2, Next(Y)}, AREAINFO_RECT);
        return;
    }
    if (Y >= FClipRect.Top && Y < FClipRect.Bottom && TestClip(X1, X2, FClipRect.Left, FClipRect.Right)) {
        DrawHorzLine(X1, Y, X2, Value);
        NotifyAreaChanged({X1, Y, X2, Next(Y)}, AREAINFO_RECT);
    }
}

void TBitmap32::DrawHorzLineBlendedClipped(int32_t X1, int32_t Y, int32_t X2, TColor32 Value)
{
    if (FMeasuring) {
        NotifyAreaChanged({X1, Y, X2, Next(Y)}, AREAINFO_RECT);
        return;
    }
    if (Y >= FClipRect.Top && Y < FClipRect.Bottom && TestClip(X1, X2, FClipRect.Left, FClipRect.Right)) {
        DrawHorzLineBlended(X1, Y, X2, Value);
        NotifyAreaChanged({X1, Y, X2, Next(Y)}, AREAINFO_RECT);
    }
}

void TBitmap32::DrawVertLineClipped(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value)
{
    if (FMeasuring) {
        NotifyAreaChanged({X, Y1, Next(X), Y2}, AREAINFO_RECT);
        return;
    }
    if (X >= FClipRect.Left && X < FClipRect.Right && TestClip(Y1, Y2, FClipRect.Top, FClipRect.Bottom)) {
        DrawVertLine(X, Y1, Y2, Value);
        NotifyAreaChanged({X, Y1, Next(X), Y2}, AREAINFO_RECT);
    }
}

void TBitmap32::DrawVertLineBlendedClipped(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value)
{
    if (FMeasuring) {
        NotifyAreaChanged({X, Y1, Next(X), Y2}, AREAINFO_RECT);
        return;
    }
    if (X >= FClipRect.Left && X < FClipRect.Right && TestClip(Y1, Y2, FClipRect.Top, FClipRect.Bottom)) {
        DrawVertLineBlended(X, Y1, Y2, Value);
        NotifyAreaChanged({X, Y1, Next(X), Y2}, AREAINFO_RECT);
    }
}

// ---- Lines --------------------------------------------------------------------------------

namespace {

// The sloped part of a clipped line: Bresenham's walk along the major axis, started and
// stopped where the line crosses the clip window, so that no pixel is tested inside the
// loop. Coordinates are mirrored and exchanged until the line runs right and down with x
// the major axis; 64-bit (and, for the clipping products, 128-bit) arithmetic keeps far-away
// end points exact. Answers false when the
// line misses the window (nothing drawn, nothing to report).
template <typename PutPixel>
bool WalkClippedLine(const TRect& clip, int32_t width, TColor32* pixels, int64_t x1, int64_t y1, int64_t x2,
                     int64_t y2, bool includeEnd, PutPixel put)
{
    if (IsRectEmpty32(clip) || !pixels)
        return false;
    int64_t cx1 = clip.Left, cy1 = clip.Top, cx2 = int64_t(clip.Right) - 1, cy2 = int64_t(clip.Bottom) - 1;
    int64_t dx = x2 - x1, dy = y2 - y1;

    int64_t sx = 1, sy = 1;
    if (dx > 0) {
        if (x1 > cx2 || x2 < cx1)
            return false;
    } else {
        if (x2 > cx2 || x1 < cx1)
            return false;
        x1 = -x1, x2 = -x2, dx = -dx;
        cx1 = -cx1, cx2 = -cx2;
        std::swap(cx1, cx2);
        sx = -1;
    }
    if (dy > 0) {
        if (y1 > cy2 || y2 < cy1)
            return false;
    } else {
        if (y2 > cy2 || y1 < cy1)
            return false;
        y1 = -y1, y2 = -y2, dy = -dy;
        cy1 = -cy1, cy2 = -cy2;
        std::swap(cy1, cy2);
        sy = -1;
    }

    // From here on x is the major axis.
    const bool exchanged = dx < dy;
    if (exchanged) {
        std::swap(x1, y1), std::swap(x2, y2), std::swap(dx, dy);
        std::swap(cx1, cy1), std::swap(cx2, cy2);
    }

    const int64_t dx2 = 2 * dx, dy2 = 2 * dy;
    int64_t error = dy2 - dx;
    int64_t xs = x1, ys = y1;

    // Entry: where the line first reaches the window, with the error term it has there.
    bool settled = false;
    if (y1 < cy1) {
        const Wide t = Wide(cy1 - y1) * dx2 - dx;
        xs = x1 + int64_t(t / dy2);
        const int64_t r = int64_t(t % dy2);
        if (xs > cx2)
            return false;
        if (xs >= cx1) {
            ys = cy1;
            error -= dx + r;
            if (r > 0) {
                error += dy2;
                ++xs;
            }
            settled = true;
        }
    }
    if (!settled && x1 < cx1) {
        const Wide t = Wide(cx1 - x1) * dy2;
        ys = y1 + int64_t(t / dx2);
        const int64_t r = int64_t(t % dx2);
        if (ys > cy2 || (ys == cy2 && r >= dx))
            return false;
        xs = cx1;
        error += r;
        if (r >= dx) {
            ++ys;
            error -= dx2;
        }
    }

    // Exit: the last major-axis position inside the window.
    int64_t xEnd = x2;
    bool endClipped = false;
    if (y2 > cy2) {
        const Wide t = Wide(cy2 - y1) * dx2 + dx;
        xEnd = x1 + int64_t(t / dy2);
        if (t % dy2 == 0)
            --xEnd;
        endClipped = true;
    }
    if (xEnd > cx2) {
        xEnd = cx2;
        endClipped = true;
    }
    int64_t bound = xEnd + 1;
    if (!includeEnd && !endClipped)
        --bound;

    // Back to real coordinates: the start pixel and the pointer steps of each axis.
    const int64_t realX = exchanged ? sx * ys : sx * xs;
    const int64_t realY = exchanged ? sy * xs : sy * ys;
    const ptrdiff_t stepX = ptrdiff_t(sx), stepY = ptrdiff_t(sy) * width;
    const ptrdiff_t majorStep = exchanged ? stepY : stepX;
    const ptrdiff_t minorStep = exchanged ? stepX : stepY;
    TColor32* p = pixels + (ptrdiff_t(realX) + ptrdiff_t(realY) * width);
    for (int64_t n = bound - xs; n > 0; --n) {
        put(*p);
        p += majorStep;
        if (error >= 0) {
            p += minorStep;
            error -= dx2 - dy2;
        } else {
            error += dy2;
        }
    }
    return true;
}

using TSpanOperation = void (TBitmap32::*)(int32_t, int32_t, int32_t, TColor32);

// An axis-parallel line without its end point: the clipped span from (X1, Y1) up to the
// pixel before (X2, Y2), by the given horizontal or vertical span operation.
void DrawAxisSpan(TBitmap32& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value,
                  TSpanOperation Horz, TSpanOperation Vert)
{
    if (Y1 == Y2) {
        if (X2 > X1)
            (Bitmap.*Horz)(X1, Y1, X2 - 1, Value);
        else if (X2 < X1)
            (Bitmap.*Horz)(X2 + 1, Y1, X1, Value);
    } else if (Y2 > Y1) {
        (Bitmap.*Vert)(X1, Y1, Y2 - 1, Value);
    } else {
        (Bitmap.*Vert)(X1, Y2 + 1, Y1, Value);
    }
}

} // namespace

void TBitmap32::DrawLineClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value, bool L)
{
    if (FMeasuring) {
        NotifyAreaChanged({X1, Y1, X2, Y2}, LineReportInfo);
        return;
    }
    const int64_t dx = int64_t(X2) - X1, dy = int64_t(Y2) - Y1;
    if (dy == 0 || dx == 0) {
        DrawAxisSpan(*this, X1, Y1, X2, Y2, Value, &TBitmap32::DrawHorzLineClipped,
                     &TBitmap32::DrawVertLineClipped);
        if (L)
            SetPixelChecked(X2, Y2, Value);
        NotifyChanged();
        return;
    }
    if (WalkClippedLine(FClipRect, Width, FPixelData, X1, Y1, X2, Y2, L, [Value](TColor32& p) { p = Value; }))
        NotifyAreaChanged({X1, Y1, X2, Y2}, LineReportInfo);
}

void TBitmap32::DrawLineBlendedClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value, bool L)
{
    if (FMeasuring) {
        NotifyAreaChanged({X1, Y1, X2, Y2}, LineReportInfo);
        return;
    }
    const int64_t dx = int64_t(X2) - X1, dy = int64_t(Y2) - Y1;
    if (dy == 0 || dx == 0) {
        DrawAxisSpan(*this, X1, Y1, X2, Y2, Value, &TBitmap32::DrawHorzLineBlendedClipped,
                     &TBitmap32::DrawVertLineBlendedClipped);
        if (L)
            SetPixelBlendedChecked(X2, Y2, Value);
        return;
    }
    const TBlendMem blend = BlendColorIntoByMode[FCombineMode];
    const bool drawn = WalkClippedLine(FClipRect, Width, FPixelData, X1, Y1, X2, Y2, L,
                                       [Value, blend](TColor32& p) { blend(Value, p); });
    ClearMMXState();
    if (drawn)
        NotifyAreaChanged({X1, Y1, X2, Y2}, LineReportInfo);
}

// ---- Rectangles ---------------------------------------------------------------------------

void TBitmap32::FillRectUnclipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value)
{
    if (!FMeasuring)
        for (int32_t y = Y1; y < Y2; ++y)
            FillLongword(PixelAddress(X1, y), X2 - X1, Value);
    NotifyAreaChanged({X1, Y1, X2, Y2}, AREAINFO_RECT);
}

void TBitmap32::FillRectClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value)
{
    const TRect& c = FClipRect;
    if (!FMeasuring && X1 < X2 && Y1 < Y2 && X1 < c.Right && Y1 < c.Bottom && X2 > c.Left && Y2 > c.Top) {
        X1 = std::max(X1, c.Left);
        Y1 = std::max(Y1, c.Top);
        X2 = std::min(X2, c.Right);
        Y2 = std::min(Y2, c.Bottom);
        FillRectUnclipped(X1, Y1, X2, Y2, Value);
    }
    NotifyAreaChanged({X1, Y1, X2, Y2}, AREAINFO_RECT);
}

void TBitmap32::FillRectClippedByRect(const TRect& ARect, TColor32 Value)
{
    if (FMeasuring)
        NotifyAreaChanged(ARect, AREAINFO_RECT);
    else
        FillRectClipped(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom, Value);
}

void TBitmap32::FrameRectClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value)
{
    const TRect& c = FClipRect;
    if (X2 <= X1 || Y2 <= Y1 || X1 >= c.Right || Y1 >= c.Bottom || X2 <= c.Left || Y2 <= c.Top)
        return;
    DrawHorzLineClipped(X1, Y1, X2 - 1, Value);
    if (Y2 - 1 > Y1)
        DrawHorzLineClipped(X1, Y2 - 1, X2 - 1, Value);
    if (Y2 - 2 >= Y1 + 1) {
        DrawVertLineClipped(X1, Y1 + 1, Y2 - 2, Value);
        if (X2 - 1 > X1)
            DrawVertLineClipped(X2 - 1, Y1 + 1, Y2 - 2, Value);
    }
}

void TBitmap32::FrameRectClippedByRect(const TRect& ARect, TColor32 Value)
{
    FrameRectClipped(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom, Value);
}

// ---- Transfers ----------------------------------------------------------------------------

void TBitmap32::TransferTo(TBitmap32& Dst, int32_t DstX, int32_t DstY)
{
    BlockTransfer(&Dst, DstX, DstY, Dst.ClipRect(), this, BoundsRect(), FDrawMode, OnPixelCombine);
}

void TBitmap32::StretchTo(TBitmap32& Dst, const TRect& DstRect)
{
    StretchTransfer(&Dst, DstRect, Dst.ClipRect(), this, BoundsRect(), FResampler, FDrawMode, OnPixelCombine);
}

void TBitmap32::StretchPartTo(TBitmap32& Dst, const TRect& DstRect, const TRect& SrcRect)
{
    StretchTransfer(&Dst, DstRect, Dst.ClipRect(), this, SrcRect, FResampler, FDrawMode, OnPixelCombine);
}

void TBitmap32::DrawAt(int32_t X, int32_t Y, TBitmap32* Src)
{
    if (Src)
        Src->TransferTo(*this, X, Y);
}

void TBitmap32::DrawStretched(const TRect& DstRect, const TRect& SrcRect, TBitmap32* Src)
{
    if (Src)
        Src->StretchPartTo(*this, DstRect, SrcRect);
}

} // namespace qm
