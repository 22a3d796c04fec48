#include "graphics/RasterResamplers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

#include "graphics/RasterBlend.h"
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterMath.h"
#include "graphics/RasterOrdinalMaps.h"
#include "graphics/RasterSystem.h"

namespace qm {

namespace {

// Float to int32 with saturation; Round is to nearest with halves to even.
int32_t SatInt(float v)
{
    if (!(v == v))
        return 0;
    if (v <= -2147483648.0f)
        return INT32_MIN;
    if (v >= 2147483647.0f)
        return INT32_MAX;
    return int32_t(v);
}
int32_t Round(float v)
{
    return SatInt(std::nearbyint(v));
}
int32_t Floor(float v)
{
    return SatInt(std::floor(v));
}
int32_t Ceil(float v)
{
    return SatInt(std::ceil(v));
}
int32_t Trunc(float v)
{
    return SatInt(std::trunc(v));
}
int32_t Sat(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int64_t RectWidth(const TRect& r)
{
    return int64_t(r.Right) - r.Left;
}
int64_t RectHeight(const TRect& r)
{
    return int64_t(r.Bottom) - r.Top;
}

bool SrcRectInside(const TRect& SrcRect, const TBitmap32& Src)
{
    return SrcRect.Left >= 0 && SrcRect.Top >= 0 && SrcRect.Right <= Src.Width &&
           SrcRect.Bottom <= Src.Height;
}

// DstClip narrowed to the destination's bounds and to DstRect; false when nothing is left.
bool ClipToDst(TRect& DstClip, const TRect& DstRect, const TBitmap32& Dst)
{
    IntersectRects(DstClip, DstClip, Dst.BoundsRect());
    IntersectRects(DstClip, DstClip, DstRect);
    return !IsRectEmpty32(DstClip);
}

// The checks every resampling routine opens with: DstClip narrowed to what can change, a
// source rectangle reaching outside the source refused, dmCustom without a callback made
// dmOpaque; false when nothing is to be done.
bool StretchChecks(const TBitmap32& Dst, const TRect& DstRect, TRect& DstClip, const TBitmap32& Src,
                   const TRect& SrcRect, TDrawMode& CombineOp, const TPixelCombineEvent& CombineCallBack)
{
    if (!ClipToDst(DstClip, DstRect, Dst))
        return false;
    if (!SrcRectInside(SrcRect, Src))
        throw Exception("Invalid SrcRect");
    if (IsRectEmpty32(SrcRect) || Src.IsEmpty())
        return false;
    if (CombineOp == dmCustom && !CombineCallBack)
        CombineOp = dmOpaque;
    return true;
}

// The shared checks of both transfers; false when the transfer ends without effect.
bool TransferChecks(TBitmap32* Dst, TBitmap32* Src, TDrawMode& CombineOp,
                    const TPixelCombineEvent& CombineCallBack)
{
    if (!Dst)
        throw EBitmapException("Destination bitmap is nil");
    if (!Src)
        throw EBitmapException("Source bitmap is nil");
    if (Src->IsEmpty() || Dst->IsEmpty())
        return false;
    if (CombineOp == dmBlend && Src->MasterAlpha() == 0)
        return false;
    if (CombineOp == dmCustom && !CombineCallBack)
        CombineOp = dmOpaque;
    return true;
}

// Combines Count produced pixels with the destination row as the source's draw mode says.
void CombineLine(const TColor32* S, TColor32* D, int32_t Count, TDrawMode CombineOp, const TBitmap32& Src,
                 const TPixelCombineEvent& CombineCallBack)
{
    switch (CombineOp) {
    case dmOpaque:
        MoveLongword(S, D, Count);
        break;
    case dmBlend:
        if (Src.MasterAlpha() < 255)
            BlendColorLineMasterByMode[Src.CombineMode()](S, D, Count, Src.MasterAlpha());
        else
            BlendColorLineByMode[Src.CombineMode()](S, D, Count);
        break;
    case dmTransparent: {
        const TColor32 outer = Src.OuterColor();
        for (int32_t i = 0; i < Count; ++i)
            if (S[i] != outer)
                D[i] = S[i];
        break;
    }
    case dmCustom: {
        const TColor32 m = Src.MasterAlpha();
        for (int32_t i = 0; i < Count; ++i)
            CombineCallBack(S[i], D[i], m);
        break;
    }
    }
}

// Combines one produced pixel: store, master-alpha blend, OuterColor test or callback.
struct TPixelCombiner {
    TPixelCombiner(TDrawMode op, const TBitmap32& src, const TPixelCombineEvent& cb)
        : Op(op), Blend(BlendColorIntoMasterByMode[src.CombineMode()]), Master(src.MasterAlpha()),
          Outer(src.OuterColor()), Callback(cb)
    {
    }
    void operator()(TColor32 C, TColor32& D) const
    {
        switch (Op) {
        case dmOpaque:
            D = C;
            break;
        case dmBlend:
            Blend(C, D, Master);
            break;
        case dmTransparent:
            if (C != Outer)
                D = C;
            break;
        case dmCustom:
            Callback(C, D, Master);
            break;
        }
    }
    TDrawMode Op;
    TBlendMemEx Blend;
    TColor32 Master;
    TColor32 Outer;
    const TPixelCombineEvent& Callback;
};

// (a * w + b * (256 - w)) shr 8 per channel, w in 0..256: the MMX lerp without rounding.
inline TColor32 Lerp256(TColor32 a, TColor32 b, uint32_t w)
{
    const uint32_t iw = 256 - w;
    const uint32_t rb = (((a & 0x00FF00FF) * w + (b & 0x00FF00FF) * iw) >> 8) & 0x00FF00FF;
    const uint32_t ag = (((a >> 8) & 0x00FF00FF) * w + ((b >> 8) & 0x00FF00FF) * iw) & 0xFF00FF00;
    return rb | ag;
}

inline TColor32 Interpolate2x2Inline(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2)
{
    const uint32_t wx = std::min<uint32_t>(WX & 0xFFFF, 256);
    const uint32_t wy = std::min<uint32_t>(WY & 0xFFFF, 256);
    return Lerp256(Lerp256(Row1[0], Row1[1], wx), Lerp256(Row2[0], Row2[1], wx), wy);
}

} // namespace

// ---- Processor-specific routines ------------------------------------------------------------

namespace resample_variants {

TColor32 BlockAverage_Plain(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride)
{
    if (W == 0 || H == 0)
        return 0;
    uint64_t b = 0, g = 0, r = 0, a = 0;
    const auto* row = reinterpret_cast<const uint8_t*>(Src);
    for (uint32_t y = 0; y < H; ++y, row += Stride) {
        const auto* p = reinterpret_cast<const TColor32*>(row);
        for (uint32_t x = 0; x < W; ++x) {
            const TColor32 c = p[x];
            b += c & 0xFF;
            g += (c >> 8) & 0xFF;
            r += (c >> 16) & 0xFF;
            a += c >> 24;
        }
    }
    const uint64_t scale = 0x1000000ull / (uint64_t(W) * H);
    auto ch = [scale](uint64_t sum) { return TColor32(((sum * scale) >> 24) & 0xFF); };
    return ch(a) << 24 | ch(r) << 16 | ch(g) << 8 | ch(b);
}

TColor32 Interpolate2x2_Plain(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2)
{
    const uint32_t wx = std::min<uint32_t>(WX >> 16, 255);
    const uint32_t wy = std::min<uint32_t>(WY >> 16, 255);
    const TColor32 top = CombineColors(Row1[0], Row1[1], wx);
    const TColor32 bottom = CombineColors(Row2[0], Row2[1], wx);
    return CombineColors(top, bottom, wy);
}

TColor32 Interpolate2x2_MMX(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2)
{
    return Interpolate2x2Inline(WX, WY, Row1, Row2);
}

} // namespace resample_variants

TBlockAverage BlockAverage = resample_variants::BlockAverage_Plain;
TInterpolate2x2 Interpolate2x2 = resample_variants::Interpolate2x2_Plain;

namespace {

void BindResamplers(const TBindingFeatures& features)
{
    using namespace resample_variants;
    BlockAverage = features.ThreeDNow ? BlockAverage_3DNow
                   : features.MMX     ? BlockAverage_MMX
                                      : BlockAverage_Plain;
    Interpolate2x2 = features.ThreeDNow || features.MMX ? Interpolate2x2_MMX : Interpolate2x2_Plain;
}

const bool ResamplersUnitReady = (RegisterRoutineBinder(BindResamplers), true);

} // namespace

// ---- Transfers ----------------------------------------------------------------------------

void BlendBlock(TBitmap32& Dst, const TRect& DstRect, TBitmap32& Src, int32_t SrcX, int32_t SrcY,
                TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack)
{
    // The callers clip; this keeps a careless caller inside both pixel arrays all the same.
    TRect d;
    if (!IntersectRects(d, DstRect, Dst.BoundsRect()))
        return;
    int64_t sx = int64_t(SrcX) + (d.Left - DstRect.Left);
    int64_t sy = int64_t(SrcY) + (d.Top - DstRect.Top);
    if (sx < 0) {
        d.Left = Sat(d.Left - sx);
        sx = 0;
    }
    if (sy < 0) {
        d.Top = Sat(d.Top - sy);
        sy = 0;
    }
    d.Right = Sat(std::min<int64_t>(d.Right, d.Left + (Src.Width - sx)));
    d.Bottom = Sat(std::min<int64_t>(d.Bottom, d.Top + (Src.Height - sy)));
    if (IsRectEmpty32(d) || Src.IsEmpty())
        return;
    if (CombineOp == dmCustom && !CombineCallBack)
        CombineOp = dmOpaque;
    const int32_t w = d.Right - d.Left;
    if (CombineOp == dmOpaque) {
        // Plain copies, row after row: the repaint of many small areas is mostly this loop.
        const TColor32* s = Src.PixelAddress(int32_t(sx), int32_t(sy));
        TColor32* p = Dst.PixelAddress(d.Left, d.Top);
        for (int32_t y = d.Top; y < d.Bottom; ++y, s += Src.Width, p += Dst.Width)
            std::memmove(p, s, size_t(w) * sizeof(TColor32));
        return;
    }
    for (int32_t y = d.Top; y < d.Bottom; ++y)
        CombineLine(Src.PixelAddress(int32_t(sx), int32_t(sy + (y - d.Top))), Dst.PixelAddress(d.Left, y), w,
                    CombineOp, Src, CombineCallBack);
}

void BlockTransfer(TBitmap32* Dst, int32_t DstX, int32_t DstY, TRect DstClip, TBitmap32* Src, TRect SrcRect,
                   TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack)
{
    if (!TransferChecks(Dst, Src, CombineOp, CombineCallBack))
        return;
    const TRect given = SrcRect;
    if (!Dst->Measuring()) {
        IntersectRects(SrcRect, SrcRect, Src->BoundsRect());
        IntersectRects(DstClip, DstClip, Dst->BoundsRect());
        const int64_t dx = int64_t(DstX) - given.Left;
        const int64_t dy = int64_t(DstY) - given.Top;
        const TRect moved{Sat(SrcRect.Left + dx), Sat(SrcRect.Top + dy), Sat(SrcRect.Right + dx),
                          Sat(SrcRect.Bottom + dy)};
        TRect dstRect;
        IntersectRects(dstRect, moved, DstClip);
        if (!IsRectEmpty32(dstRect)) {
            BlendBlock(*Dst, dstRect, *Src, Sat(dstRect.Left - dx), Sat(dstRect.Top - dy), CombineOp,
                       CombineCallBack);
            ClearMMXState();
        }
    }
    Dst->NotifyAreaChanged({DstX, DstY, Sat(DstX + RectWidth(given)), Sat(DstY + RectHeight(given))},
                           AREAINFO_RECT);
}

void StretchTransfer(TBitmap32* Dst, TRect DstRect, TRect DstClip, TBitmap32* Src, TRect SrcRect,
                     TCustomResampler* Resampler, TDrawMode CombineOp,
                     const TPixelCombineEvent& CombineCallBack)
{
    if (!TransferChecks(Dst, Src, CombineOp, CombineCallBack))
        return;
    if (IsRectEmpty32(SrcRect))
        return;
    if (!SrcRectInside(SrcRect, *Src))
        throw ESrcInvalidException("Source rectangle is invalid");
    if (!Dst->Measuring()) {
        if (!ClipToDst(DstClip, DstRect, *Dst))
            return;
        if (RectWidth(SrcRect) == RectWidth(DstRect) && RectHeight(SrcRect) == RectHeight(DstRect)) {
            BlendBlock(*Dst, DstClip, *Src, SrcRect.Left + (DstClip.Left - DstRect.Left),
                       SrcRect.Top + (DstClip.Top - DstRect.Top), CombineOp, CombineCallBack);
        } else {
            if (!Resampler)
                Resampler = Src->Resampler();
            Resampler->Resample(*Dst, DstRect, DstClip, *Src, SrcRect, CombineOp, CombineCallBack);
        }
        ClearMMXState();
    }
    Dst->NotifyAreaChanged(DstRect, AREAINFO_RECT);
}

void StretchNearest(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                    TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack)
{
    if (!StretchChecks(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack))
        return;
    const int64_t srcW = RectWidth(SrcRect), srcH = RectHeight(SrcRect);
    const int64_t dstW = RectWidth(DstRect), dstH = RectHeight(DstRect);
    if (srcW == dstW && srcH == dstH) {
        BlendBlock(Dst, DstClip, Src, SrcRect.Left + (DstClip.Left - DstRect.Left),
                   SrcRect.Top + (DstClip.Top - DstRect.Top), CombineOp, CombineCallBack);
        ClearMMXState();
        return;
    }

    // One source coordinate per clipped destination column and row. The result is kept
    // inside the source rectangle, which single-precision rounding could otherwise leave.
    auto buildMap = [](int32_t clipLo, int32_t clipHi, int32_t dstLo, int64_t dstSize, int32_t srcLo,
                       int32_t srcHi) {
        std::vector<int32_t> map(size_t(clipHi - clipLo));
        const int64_t srcSize = int64_t(srcHi) - srcLo;
        if (dstSize < 2) {
            std::fill(map.begin(), map.end(), int32_t((int64_t(srcLo) + srcHi - 1) / 2));
            return map;
        }
        for (int32_t i = clipLo; i < clipHi; ++i) {
            int32_t v;
            if constexpr (FullEdge) {
                const float s = float(srcSize) / float(dstSize);
                v = Trunc(float(int64_t(i) - dstLo) * s + float(srcLo));
            } else {
                const float s = float(srcSize - 1) / float(dstSize - 1);
                v = Round(float(int64_t(i) - dstLo) * s + float(srcLo));
            }
            map[size_t(i - clipLo)] = std::clamp(v, srcLo, srcHi - 1);
        }
        return map;
    };
    const std::vector<int32_t> cols =
        buildMap(DstClip.Left, DstClip.Right, DstRect.Left, dstW, SrcRect.Left, SrcRect.Right);
    const std::vector<int32_t> rows =
        buildMap(DstClip.Top, DstClip.Bottom, DstRect.Top, dstH, SrcRect.Top, SrcRect.Bottom);
    const int32_t w = DstClip.Right - DstClip.Left;
    const size_t n = cols.size();

    if (CombineOp == dmOpaque) {
        int32_t previous = -1;
        for (int32_t y = DstClip.Top; y < DstClip.Bottom; ++y) {
            const int32_t sy = rows[size_t(y - DstClip.Top)];
            TColor32* d = Dst.PixelAddress(DstClip.Left, y);
            if (y > DstClip.Top && sy == previous) {
                MoveLongword(d - Dst.Width, d, w);
            } else {
                const TColor32* s = Src.RowAddress(sy);
                for (size_t i = 0; i < n; ++i)
                    d[i] = s[cols[i]];
            }
            previous = sy;
        }
    } else {
        std::vector<TColor32> buffer(n);
        for (int32_t y = DstClip.Top; y < DstClip.Bottom; ++y) {
            const TColor32* s = Src.RowAddress(rows[size_t(y - DstClip.Top)]);
            for (size_t i = 0; i < n; ++i)
                buffer[i] = s[cols[i]];
            CombineLine(buffer.data(), Dst.PixelAddress(DstClip.Left, y), w, CombineOp, Src, CombineCallBack);
            ClearMMXState();
        }
    }
    ClearMMXState();
}

namespace {

using resample_variants::TLinearEntry;

std::vector<TLinearEntry> BuildLinearMap(int32_t clipLo, int32_t clipHi, int32_t dstLo, int64_t dstSize,
                                         int32_t srcLo, int32_t srcHi, int32_t srcLimit)
{
    std::vector<TLinearEntry> map(size_t(clipHi - clipLo));
    const int64_t srcSize = int64_t(srcHi) - srcLo;
    for (int32_t i = clipLo; i < clipHi; ++i) {
        float x;
        if constexpr (FullEdge) {
            const float s = float(srcSize) / float(dstSize);
            x = (float(srcLo) - 0.5f) + (float(int64_t(i) - dstLo) + 0.5f) * s;
        } else {
            const float s = float(srcSize - 1) / float(dstSize - 1);
            x = float(srcLo) + float(int64_t(i) - dstLo) * s;
        }
        x = std::clamp(x, 0.0f, float(srcLimit - 1));
        const int32_t pos = Floor(x);
        const uint32_t w = uint32_t(256 - Round((x - std::trunc(x)) * 256.0f));
        map[size_t(i - clipLo)] = {pos, w | w << 16};
    }
    // The pair read at the source rectangle's last coordinate would pass its edge: read the
    // pair before it with all the weight on the second pixel.
    for (auto it = map.rbegin(); it != map.rend() && it->Pos >= srcHi - 1; ++it)
        *it = {it->Pos - 1, 0};
    return map;
}

} // namespace

void StretchLinear(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                   TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack)
{
    if (!StretchChecks(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack))
        return;
    if (RectWidth(SrcRect) < 2 || RectHeight(SrcRect) < 2) {
        // A pair of pixels needs two columns and two rows; thinner sources filter linearly.
        const TLinearKernel kernel;
        KernelResample(Dst, DstRect, DstClip, Src, SrcRect, kernel, CombineOp, CombineCallBack);
        return;
    }
    const std::vector<TLinearEntry> cols =
        BuildLinearMap(DstClip.Left, DstClip.Right, DstRect.Left, RectWidth(DstRect), SrcRect.Left,
                       SrcRect.Right, Src.Width);
    const std::vector<TLinearEntry> rows =
        BuildLinearMap(DstClip.Top, DstClip.Bottom, DstRect.Top, RectHeight(DstRect), SrcRect.Top,
                       SrcRect.Bottom, Src.Height);
    const size_t n = cols.size();
    const TPixelCombiner combine(CombineOp, Src, CombineCallBack);
    const TInterpolate2x2 interpolate = Interpolate2x2;
    const bool inlineMix = interpolate == resample_variants::Interpolate2x2_MMX;
    const TBlendMemEx blend = BlendColorIntoMasterByMode[Src.CombineMode()];
    const TColor32 master = Src.MasterAlpha();
    // The MMX mix and the MMX master-alpha blend have a vector form that gives their exact
    // results.
    const bool vectorRows =
        inlineMix && (CombineOp == dmOpaque ||
                      (CombineOp == dmBlend && blend == blend_mmx::BlendColorIntoMaster && master <= 255));

    for (int32_t y = DstClip.Top; y < DstClip.Bottom; ++y) {
        const TLinearEntry& row = rows[size_t(y - DstClip.Top)];
        const TColor32* r1 = Src.RowAddress(row.Pos);
        const TColor32* r2 = r1 + Src.Width;
        TColor32* d = Dst.PixelAddress(DstClip.Left, y);
        // The two common cases get loops of their own; the others go through the combiner.
        if (vectorRows) {
            resample_variants::StretchLinearRow_SSE2(cols.data(), n, r1, r2, row.Weight, d,
                                                     CombineOp == dmOpaque ? -1 : int32_t(master));
        } else if (inlineMix && CombineOp == dmOpaque) {
            for (size_t i = 0; i < n; ++i)
                d[i] = Interpolate2x2Inline(cols[i].Weight, row.Weight, r1 + cols[i].Pos, r2 + cols[i].Pos);
        } else if (inlineMix && CombineOp == dmBlend) {
            for (size_t i = 0; i < n; ++i)
                blend(Interpolate2x2Inline(cols[i].Weight, row.Weight, r1 + cols[i].Pos, r2 + cols[i].Pos),
                      d[i], master);
        } else {
            for (size_t i = 0; i < n; ++i)
                combine(interpolate(cols[i].Weight, row.Weight, r1 + cols[i].Pos, r2 + cols[i].Pos), d[i]);
        }
    }
    ClearMMXState();
}

TMappingTable BuildMappingTable(int32_t DstLo, int32_t DstHi, int32_t ClipLo, int32_t ClipHi, int32_t SrcLo,
                                int32_t SrcHi, const TCustomKernel& Kernel)
{
    const int64_t srcW = int64_t(SrcHi) - SrcLo;
    const int64_t dstW = int64_t(DstHi) - DstLo;
    const int64_t count = int64_t(ClipHi) - ClipLo;
    if (srcW <= 0 || count <= 0)
        return {};
    TMappingTable result;
    result.resize(size_t(count));
    if (srcW == 1) {
        for (TCluster& c : result)
            c = {{SrcLo, 256}};
        return result;
    }
    const float k = FullEdge ? float(dstW) / float(srcW) : float(dstW - 1) / float(srcW - 1);
    if (k == 0) {
        for (TCluster& c : result)
            c = {{int32_t((int64_t(SrcLo) + SrcHi) / 2), 256}};
        return result;
    }
    const float invK = 1.0f / k;
    const float r = Kernel.GetWidth();
    for (int64_t n = 0; n < count; ++n) {
        const int64_t i = ClipLo + n;
        const float centre = FullEdge ? (float(i - DstLo) + 0.5f) * invK + float(SrcLo) - 0.5f
                                      : float(i - DstLo) * invK + float(SrcLo);
        TCluster& cluster = result[size_t(n)];
        if (k >= 1) {
            for (int32_t j = Floor(centre - r), hi = Ceil(centre + r); j <= hi; ++j) {
                const int32_t w = Round(Kernel.Filter(centre - float(j)) * 256.0f);
                if (w != 0)
                    cluster.push_back({Constrain(j, SrcLo, SrcHi - 1), w});
                if (j == INT32_MAX)
                    break;
            }
        } else {
            const float reach = r / k;
            for (int32_t j = Floor(centre - reach), hi = Ceil(centre + reach); j <= hi; ++j) {
                const int32_t w = Round(Kernel.Filter((centre - float(j)) * k) * 256.0f * k);
                if (w != 0)
                    cluster.push_back({Constrain(j, SrcLo, SrcHi - 1), w});
                if (j == INT32_MAX)
                    break;
            }
        }
        // A kernel that reaches no pixel (a width of 0, a strong reduction) reads the pixel
        // under the centre.
        if (cluster.empty())
            cluster.push_back({Constrain(Floor(centre), SrcLo, SrcHi - 1), 256});
        int64_t sum = 0;
        for (const TPointRec& p : cluster)
            sum += p.Weight;
        TPointRec& middle = cluster[(cluster.size() - 1) / 2];
        middle.Weight = Sat(middle.Weight + (256 - sum));
    }
    return result;
}

void KernelResample(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                    const TCustomKernel& Kernel, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack)
{
    if (CombineOp == dmBlend && Src.MasterAlpha() == 0)
        return;
    if (!StretchChecks(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack))
        return;
    const TMappingTable mapX = BuildMappingTable(DstRect.Left, DstRect.Right, DstClip.Left, DstClip.Right,
                                                 SrcRect.Left, SrcRect.Right, Kernel);
    const TMappingTable mapY = BuildMappingTable(DstRect.Top, DstRect.Bottom, DstClip.Top, DstClip.Bottom,
                                                 SrcRect.Top, SrcRect.Bottom, Kernel);
    if (mapX.empty() || mapY.empty())
        return;
    const bool useClamp = Kernel.RangeCheck();

    int32_t minX = INT32_MAX, maxX = INT32_MIN;
    for (const TCluster& c : mapX)
        for (const TPointRec& p : c) {
            minX = std::min(minX, p.Pos);
            maxX = std::max(maxX, p.Pos);
        }
    // Sums in 64 bits: kernels with extreme parameters may have very large weights.
    struct TSums {
        int64_t B, G, R, A;
    };
    std::vector<TSums> columns(size_t(maxX - minX + 1));
    const TPixelCombiner combine(CombineOp, Src, CombineCallBack);

    auto channel = [useClamp](int64_t total) -> TColor32 {
        if (useClamp) {
            if (total > 0xFF0000)
                return 255;
            if (total < 0)
                return 0;
        }
        return TColor32(total & 0xFF0000) >> 16;
    };

    for (int32_t y = DstClip.Top; y < DstClip.Bottom; ++y) {
        const TCluster& vert = mapY[size_t(y - DstClip.Top)];
        for (int32_t x = minX; x <= maxX; ++x) {
            TSums s{0, 0, 0, 0};
            for (const TPointRec& p : vert) {
                const TColor32 c = *Src.PixelAddress(x, p.Pos);
                s.B += int64_t(c & 0xFF) * p.Weight;
                s.G += int64_t((c >> 8) & 0xFF) * p.Weight;
                s.R += int64_t((c >> 16) & 0xFF) * p.Weight;
                s.A += int64_t(c >> 24) * p.Weight;
            }
            columns[size_t(x - minX)] = s;
        }
        TColor32* d = Dst.PixelAddress(DstClip.Left, y);
        for (size_t i = 0; i < mapX.size(); ++i) {
            int64_t b = 0, g = 0, r = 0, a = 0;
            for (const TPointRec& p : mapX[i]) {
                const TSums& s = columns[size_t(p.Pos - minX)];
                b += s.B * p.Weight;
                g += s.G * p.Weight;
                r += s.R * p.Weight;
                a += s.A * p.Weight;
            }
            combine(channel(a) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b), d[i]);
        }
    }
    ClearMMXState();
}

void DraftResample(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                   const TCustomKernel& Kernel, TDrawMode CombineOp,
                   const TPixelCombineEvent& CombineCallBack)
{
    const int64_t srcW = RectWidth(SrcRect), srcH = RectHeight(SrcRect);
    const int64_t dstW = RectWidth(DstRect), dstH = RectHeight(DstRect);
    if (dstW > srcW || dstH > srcH) {
        if (srcW < 2 || srcH < 2)
            KernelResample(Dst, DstRect, DstClip, Src, SrcRect, Kernel, CombineOp, CombineCallBack);
        else
            StretchLinear(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
        return;
    }
    if (CombineOp == dmBlend && Src.MasterAlpha() == 0)
        return;
    if (!StretchChecks(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack))
        return;
    // Successive 16.16 positions; every block is at least one pixel wide since the scale is
    // at least 1, and the last one ends at the source rectangle's edge at the latest.
    const int64_t scaleX = (srcW << 16) / dstW;
    const int64_t scaleY = (srcH << 16) / dstH;
    const TPixelCombiner combine(CombineOp, Src, CombineCallBack);
    const TBlockAverage average = BlockAverage;
    const int32_t stride = Src.Width * 4;
    for (int32_t y = DstClip.Top; y < DstClip.Bottom; ++y) {
        const int64_t fy = (int64_t(SrcRect.Top) << 16) + (y - DstRect.Top) * scaleY;
        const int32_t y0 = int32_t(fy >> 16);
        const int32_t y1 = int32_t((fy + scaleY) >> 16);
        TColor32* d = Dst.PixelAddress(DstClip.Left, y);
        for (int32_t x = DstClip.Left; x < DstClip.Right; ++x) {
            const int64_t fx = (int64_t(SrcRect.Left) << 16) + (x - DstRect.Left) * scaleX;
            const int32_t x0 = int32_t(fx >> 16);
            const int32_t x1 = int32_t((fx + scaleX) >> 16);
            combine(average(uint32_t(x1 - x0), uint32_t(y1 - y0), Src.PixelAddress(x0, y0), stride),
                    d[x - DstClip.Left]);
        }
    }
    ClearMMXState();
}

// ---- Registries ---------------------------------------------------------------------------

namespace {

std::unique_ptr<TClassList>& ResamplerStore()
{
    static std::unique_ptr<TClassList> list;
    return list;
}

std::unique_ptr<TClassList>& KernelStore()
{
    static std::unique_ptr<TClassList> list;
    return list;
}

void RegisterBuiltIns()
{
    static const bool done = [] {
        RegisterResampler(TNearestResampler::StaticClass());
        RegisterResampler(TLinearResampler::StaticClass());
        RegisterResampler(TDraftResampler::StaticClass());
        RegisterResampler(TKernelResampler::StaticClass());
        RegisterKernel(TBoxKernel::StaticClass());
        RegisterKernel(TLinearKernel::StaticClass());
        RegisterKernel(TCosineKernel::StaticClass());
        RegisterKernel(TSplineKernel::StaticClass());
        RegisterKernel(TCubicKernel::StaticClass());
        RegisterKernel(TMitchellKernel::StaticClass());
        RegisterKernel(TLanczosKernel::StaticClass());
        RegisterKernel(TGaussianKernel::StaticClass());
        RegisterKernel(TBlackmanKernel::StaticClass());
        RegisterKernel(THannKernel::StaticClass());
        RegisterKernel(THammingKernel::StaticClass());
        RegisterKernel(TSinshKernel::StaticClass());
        RegisterKernel(THermiteKernel::StaticClass());
        return true;
    }();
    (void)done;
}

} // namespace

void RegisterResampler(const TResamplerClass& ResamplerClass)
{
    if (!ResamplerStore())
        ResamplerStore() = std::make_unique<TClassList>();
    ResamplerStore()->Add(&ResamplerClass);
}

void RegisterKernel(const TKernelClass& KernelClass)
{
    if (!KernelStore())
        KernelStore() = std::make_unique<TClassList>();
    KernelStore()->Add(&KernelClass);
}

TClassList& ResamplerList()
{
    RegisterBuiltIns();
    return *ResamplerStore();
}

TClassList& KernelList()
{
    RegisterBuiltIns();
    return *KernelStore();
}

// Only TResamplerClass and TKernelClass objects enter the two lists (the register routines
// take nothing else), so the downcasts below are exact.
const TResamplerClass* FindResamplerClass(const std::string& Name)
{
    return static_cast<const TResamplerClass*>(ResamplerList().Find(Name));
}

const TKernelClass* FindKernelClass(const std::string& Name)
{
    return static_cast<const TKernelClass*>(KernelList().Find(Name));
}

namespace {
const bool RegistriesReady = (RegisterBuiltIns(), true);
} // namespace

} // namespace qm
