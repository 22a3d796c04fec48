// The resampler classes of RasterResamplers.h with their point sampling, and the nested
// samplers that read another sampler, directly or through a transformation.
#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/RasterBlend.h"
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterOrdinalMaps.h"
#include "graphics/RasterResamplers.h"

namespace qm {

namespace {

int32_t SatRound(float v)
{
    v = std::nearbyint(v);
    if (!(v == v))
        return 0;
    if (v <= -2147483648.0f)
        return INT32_MIN;
    if (v >= 2147483647.0f)
        return INT32_MAX;
    return int32_t(v);
}

int64_t AsInt(const TPropValue& v)
{
    if (std::holds_alternative<int64_t>(v))
        return std::get<int64_t>(v);
    if (std::holds_alternative<double>(v))
        return int64_t(std::get<double>(v));
    return 0;
}

TPropInfo PixelAccessModeProp()
{
    return {"PixelAccessMode", tkEnumeration,
            [](const TObject& o) {
                return TPropValue(int64_t(static_cast<const TBitmap32Resampler&>(o).PixelAccessMode()));
            },
            [](TObject& o, const TPropValue& v) {
                static_cast<TBitmap32Resampler&>(o).SetPixelAccessMode(
                    TPixelAccessMode(std::clamp<int64_t>(AsInt(v), pamUnsafe, pamWrap)));
            },
            nullptr};
}

} // namespace

// ---- TBitmap32Resampler -------------------------------------------------------------------

const TResamplerClass& TBitmap32Resampler::StaticClass()
{
    static const TResamplerClass meta{{"TBitmap32Resampler", &TCustomResampler::StaticClass()}, nullptr};
    return meta;
}

TBitmap32Resampler::TBitmap32Resampler(TBitmap32* ABitmap) : Bitmap(ABitmap)
{
    TransformerClass = &TTransformer::StaticClass();
}

void TBitmap32Resampler::Install()
{
    if (Bitmap)
        Bitmap->SetResampler(this);
}

void TBitmap32Resampler::SetPixelAccessMode(TPixelAccessMode Value)
{
    if (FPixelAccessMode != Value) {
        FPixelAccessMode = Value;
        Changed();
    }
}

void TBitmap32Resampler::NotifyChanged()
{
    if (Bitmap)
        Bitmap->Changed();
}

void TBitmap32Resampler::PrepareSampling()
{
    if (Bitmap)
        ClipRect = Bitmap->ClipRect();
}

TRect TBitmap32Resampler::GetSampleBounds() const
{
    return Bitmap ? Bitmap->ClipRect() : TRect{};
}

void TBitmap32Resampler::AssignTo(TPersistent* Dest) const
{
    if (auto* resampler = dynamic_cast<TBitmap32Resampler*>(Dest))
        CopyPublishedProperties(*this, *resampler, tkProperties);
    else
        TCustomResampler::AssignTo(Dest);
}

const TPropList& TBitmap32Resampler::PublishedProperties() const
{
    static const TPropList props{PixelAccessModeProp()};
    return props;
}

// ---- TNearestResampler --------------------------------------------------------------------

TNearestResampler::TNearestResampler(TBitmap32* ABitmap) : TBitmap32Resampler(ABitmap)
{
    TransformerClass = &TNearestTransformer::StaticClass();
    Install();
}

void TNearestResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src,
                                 const TRect& SrcRect, TDrawMode CombineOp,
                                 const TPixelCombineEvent& CombineCallBack)
{
    StretchNearest(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
}

void TNearestResampler::PrepareSampling()
{
    TBitmap32Resampler::PrepareSampling();
}

TColor32 TNearestResampler::GetSampleInt(int32_t X, int32_t Y)
{
    switch (PixelAccessMode()) {
    case pamUnsafe:
        return Bitmap->PixelAt(X, Y);
    case pamSafe:
        return Bitmap->PixelAtChecked(X, Y);
    case pamWrap:
        return Bitmap->PixelWrapped(X, Y);
    }
    return 0;
}

TColor32 TNearestResampler::GetSampleFixed(TFixed X, TFixed Y)
{
    return TNearestResampler::GetSampleInt(FixedRound(X), FixedRound(Y));
}

TColor32 TNearestResampler::GetSampleFloat(float X, float Y)
{
    return TNearestResampler::GetSampleInt(SatRound(X), SatRound(Y));
}

// ---- TLinearResampler and TDraftResampler -------------------------------------------------

TLinearResampler::TLinearResampler(TBitmap32* ABitmap) : TLinearResampler(ABitmap, true) {}

TLinearResampler::TLinearResampler(TBitmap32* ABitmap, bool AInstall) : TBitmap32Resampler(ABitmap)
{
    FLinearKernel = new TLinearKernel();
    if (AInstall)
        Install();
}

TLinearResampler::~TLinearResampler()
{
    delete FLinearKernel;
}

void TLinearResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src,
                                const TRect& SrcRect, TDrawMode CombineOp,
                                const TPixelCombineEvent& CombineCallBack)
{
    const int64_t srcW = int64_t(SrcRect.Right) - SrcRect.Left, srcH = int64_t(SrcRect.Bottom) - SrcRect.Top;
    const int64_t dstW = int64_t(DstRect.Right) - DstRect.Left, dstH = int64_t(DstRect.Bottom) - DstRect.Top;
    if (dstW > srcW && dstH > srcH && srcW > 1 && srcH > 1)
        StretchLinear(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
    else
        KernelResample(Dst, DstRect, DstClip, Src, SrcRect, *FLinearKernel, CombineOp, CombineCallBack);
}

void TLinearResampler::PrepareSampling()
{
    TBitmap32Resampler::PrepareSampling();
}

TColor32 TLinearResampler::GetSampleFixed(TFixed X, TFixed Y)
{
    switch (PixelAccessMode()) {
    case pamUnsafe:
        return Bitmap->SampleFixed(X, Y);
    case pamSafe:
        return Bitmap->SampleFixedChecked(X, Y);
    case pamWrap:
        return Bitmap->SampleFixedWrapped(X, Y);
    }
    return 0;
}

TColor32 TLinearResampler::GetSampleFloat(float X, float Y)
{
    return TLinearResampler::GetSampleFixed(SatRound(X * 65536.0f), SatRound(Y * 65536.0f));
}

TDraftResampler::TDraftResampler(TBitmap32* ABitmap) : TLinearResampler(ABitmap, false)
{
    Install();
}

void TDraftResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src,
                               const TRect& SrcRect, TDrawMode CombineOp,
                               const TPixelCombineEvent& CombineCallBack)
{
    DraftResample(Dst, DstRect, DstClip, Src, SrcRect, *LinearKernel(), CombineOp, CombineCallBack);
}

// ---- TKernelResampler ---------------------------------------------------------------------

TKernelResampler::TKernelResampler(TBitmap32* ABitmap) : TBitmap32Resampler(ABitmap)
{
    FKernel = new TBoxKernel();
    FKernel->Observer = this;
    FTableSize = 32;
    Install();
}

TKernelResampler::~TKernelResampler()
{
    delete FKernel;
}

void TKernelResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src,
                                const TRect& SrcRect, TDrawMode CombineOp,
                                const TPixelCombineEvent& CombineCallBack)
{
    KernelResample(Dst, DstRect, DstClip, Src, SrcRect, *FKernel, CombineOp, CombineCallBack);
}

void TKernelResampler::SetKernel(TCustomKernel* Value)
{
    if (!Value || Value == FKernel)
        return;
    delete FKernel;
    FKernel = Value;
    FKernel->Observer = this;
    Changed();
}

AnsiString TKernelResampler::KernelClassName() const
{
    return FKernel->ClassName();
}

void TKernelResampler::SetKernelClassName(const AnsiString& Value)
{
    if (Value.empty() || Value == KernelClassName())
        return;
    const TKernelClass* cls = FindKernelClass(Value);
    if (!cls || !cls->Create)
        return;
    delete FKernel;
    FKernel = cls->Create();
    FKernel->Observer = this;
    Changed();
}

void TKernelResampler::SetKernelMode(TKernelMode Value)
{
    if (FKernelMode != Value) {
        FKernelMode = Value;
        Changed();
    }
}

void TKernelResampler::SetTableSize(int32_t Value)
{
    Value = std::max(Value, 2);
    if (FTableSize != Value) {
        FTableSize = Value;
        Changed();
    }
}

const TPropList& TKernelResampler::PublishedProperties() const
{
    static const TPropList props = [] {
        auto self = [](const TObject& o) -> const TKernelResampler& {
            return static_cast<const TKernelResampler&>(o);
        };
        auto me = [](TObject& o) -> TKernelResampler& { return static_cast<TKernelResampler&>(o); };
        TPropList l{PixelAccessModeProp()};
        l.push_back({"KernelClassName", tkLString,
                     [=](const TObject& o) { return TPropValue(self(o).KernelClassName()); },
                     [=](TObject& o, const TPropValue& v) {
                         if (std::holds_alternative<std::string>(v))
                             me(o).SetKernelClassName(std::get<std::string>(v));
                     },
                     nullptr});
        l.push_back({"Kernel", tkClass, nullptr, nullptr,
                     [=](const TObject& o) -> TPersistent* { return self(o).Kernel(); }});
        l.push_back({"KernelMode", tkEnumeration,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).KernelMode())); },
                     [=](TObject& o, const TPropValue& v) {
                         me(o).SetKernelMode(
                             TKernelMode(std::clamp<int64_t>(AsInt(v), kmDynamic, kmTableLinear)));
                     },
                     nullptr});
        l.push_back({"TableSize", tkInteger,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).TableSize())); },
                     [=](TObject& o, const TPropValue& v) {
                         me(o).SetTableSize(int32_t(std::clamp<int64_t>(AsInt(v), INT32_MIN, INT32_MAX)));
                     },
                     nullptr});
        return l;
    }();
    return props;
}

void TKernelResampler::PrepareSampling()
{
    TBitmap32Resampler::PrepareSampling();
    FOuterColor = Bitmap ? Bitmap->OuterColor() : 0;
    const int32_t w = std::max(0, int32_t(std::ceil(FKernel->GetWidth())));
    const size_t taps = size_t(2 * w + 1);
    FHorzKernel.assign(taps, 0);
    FVertKernel.assign(taps, 0);
    if (PixelAccessMode() == pamWrap)
        FWrapCoords.assign(taps, 0);
    FWeightTable.reset();
    if (FKernelMode == kmTableNearest || FKernelMode == kmTableLinear) {
        FWeightTable = std::make_unique<TIntegerMap>();
        FWeightTable->SetSize(int32_t(taps), FTableSize + 1);
        for (int32_t i = 0; i <= FTableSize; ++i) {
            const float frac = float(i) / float(FTableSize - 1);
            int64_t sum = 0;
            for (int32_t k = -w; k <= w; ++k) {
                const int32_t v = SatRound(FKernel->Filter(float(k) + frac) * 256.0f);
                *FWeightTable->ValPtr(k + w, i) = v;
                sum += v;
            }
            int32_t& centre = *FWeightTable->ValPtr(w, i);
            centre = int32_t(std::clamp<int64_t>(centre + (256 - sum), INT32_MIN, INT32_MAX));
        }
    }
}

void TKernelResampler::FinalizeSampling()
{
    FWeightTable.reset();
    FHorzKernel.clear();
    FVertKernel.clear();
    FWrapCoords.clear();
}

TColor32 TKernelResampler::GetSampleFloat(float X, float Y)
{
    const int32_t w = std::max(0, int32_t(std::ceil(FKernel->GetWidth())));
    const size_t taps = size_t(2 * w + 1);
    // Sampling without PrepareSampling: prepare now rather than read unsized state.
    if (FHorzKernel.size() != taps || (FKernelMode != kmDynamic && !FWeightTable) ||
        (PixelAccessMode() == pamWrap && FWrapCoords.size() != taps))
        PrepareSampling();
    if (!Bitmap || Bitmap->IsEmpty())
        return FOuterColor;

    const int32_t clX = SatRound(std::ceil(X)), clY = SatRound(std::ceil(Y));
    const float fracX = float(clX) - X, fracY = float(clY) - Y;

    // The weights of the 2W + 1 taps of one axis at the given fraction.
    auto weights = [&](std::vector<int32_t>& out, float frac) {
        switch (FKernelMode) {
        case kmDynamic:
            for (int32_t k = -w; k <= w; ++k)
                out[size_t(k + w)] = SatRound(FKernel->Filter(float(k) + frac) * 256.0f);
            break;
        case kmTableNearest: {
            const int32_t row = std::clamp(SatRound(frac * float(FTableSize - 1)), 0, FTableSize);
            for (int32_t k = 0; k < int32_t(taps); ++k)
                out[size_t(k)] = *FWeightTable->ValPtr(k, row);
            break;
        }
        case kmTableLinear: {
            const float pos = frac * float(FTableSize - 1);
            const int32_t row = std::clamp(int32_t(std::floor(pos)), 0, FTableSize - 1);
            const int32_t fraction = std::clamp(SatRound((pos - float(row)) * 65536.0f), 0, 65536);
            for (int32_t k = 0; k < int32_t(taps); ++k) {
                const int32_t b = *FWeightTable->ValPtr(k, row);
                const int32_t a = *FWeightTable->ValPtr(k, row + 1);
                out[size_t(k)] = b + int32_t((int64_t(a - b) * fraction + 0x7FFF) >> 16);
            }
            break;
        }
        }
    };
    weights(FHorzKernel, fracX);
    weights(FVertKernel, fracY);

    const TRect clip = ClipRect;
    int32_t x0 = -w, x1 = w, y0 = -w, y1 = w;
    switch (PixelAccessMode()) {
    case pamUnsafe:
        break;
    case pamSafe:
        if (clX < clip.Left || clY < clip.Top || clX >= clip.Right || clY >= clip.Bottom)
            return FOuterColor;
        x0 = std::max<int64_t>(x0, int64_t(clip.Left) - clX);
        x1 = std::min<int64_t>(x1, int64_t(clip.Right) - 1 - clX);
        y0 = std::max<int64_t>(y0, int64_t(clip.Top) - clY);
        y1 = std::min<int64_t>(y1, int64_t(clip.Bottom) - 1 - clY);
        break;
    case pamWrap:
        if (IsRectEmpty32(clip))
            return FOuterColor;
        break;
    }
    const TWrapProc wrap = WrapProcByMode[Bitmap->WrapMode()];
    int64_t b = 0, g = 0, r = 0, a = 0;
    for (int32_t j = y0; j <= y1; ++j) {
        int32_t sy = int32_t(int64_t(clY) + j);
        if (PixelAccessMode() == pamWrap)
            sy = wrap(sy, clip.Top, clip.Bottom - 1);
        const int32_t wy = FVertKernel[size_t(j + w)];
        for (int32_t i = x0; i <= x1; ++i) {
            int32_t sx = int32_t(int64_t(clX) + i);
            if (PixelAccessMode() == pamWrap)
                sx = wrap(sx, clip.Left, clip.Right - 1);
            const int64_t weight = int64_t(FHorzKernel[size_t(i + w)]) * wy;
            const TColor32 c = *Bitmap->PixelAddress(sx, sy);
            b += int64_t(c & 0xFF) * weight;
            g += int64_t((c >> 8) & 0xFF) * weight;
            r += int64_t((c >> 16) & 0xFF) * weight;
            a += int64_t(c >> 24) * weight;
        }
    }
    auto ch = [](int64_t sum) { return TColor32(std::clamp<int64_t>(sum >> 16, 0, 255)); };
    return ch(a) << 24 | ch(r) << 16 | ch(g) << 8 | ch(b);
}

// ---- TNestedSampler -----------------------------------------------------------------------

namespace {
[[noreturn]] void RaiseNestedNil()
{
    throw ENestedException("Nested sampler is nil");
}
} // namespace

TColor32 TNestedSampler::GetSampleInt(int32_t X, int32_t Y)
{
    if (!FSampler)
        RaiseNestedNil();
    return FSampler->GetSampleInt(X, Y);
}

TColor32 TNestedSampler::GetSampleFixed(TFixed X, TFixed Y)
{
    if (!FSampler)
        RaiseNestedNil();
    return FSampler->GetSampleFixed(X, Y);
}

TColor32 TNestedSampler::GetSampleFloat(float X, float Y)
{
    if (!FSampler)
        RaiseNestedNil();
    return FSampler->GetSampleFloat(X, Y);
}

void TNestedSampler::PrepareSampling()
{
    if (!FSampler)
        RaiseNestedNil();
    FSampler->PrepareSampling();
}

void TNestedSampler::FinalizeSampling()
{
    if (!FSampler)
        RaiseNestedNil();
    FSampler->FinalizeSampling();
}

bool TNestedSampler::HasBounds() const
{
    if (!FSampler)
        RaiseNestedNil();
    return FSampler->HasBounds();
}

TRect TNestedSampler::GetSampleBounds() const
{
    if (!FSampler)
        RaiseNestedNil();
    return FSampler->GetSampleBounds();
}

void TNestedSampler::AssignTo(TPersistent* Dest) const
{
    if (auto* nested = dynamic_cast<TNestedSampler*>(Dest))
        CopyPublishedProperties(*this, *nested, tkProperties);
    else
        TCustomSampler::AssignTo(Dest);
}

const TPropList& TNestedSampler::PublishedProperties() const
{
    static const TPropList props{{"Sampler", tkClass, nullptr, nullptr, [](const TObject& o) -> TPersistent* {
                                      return static_cast<const TNestedSampler&>(o).Sampler();
                                  }}};
    return props;
}

// ---- TTransformer -------------------------------------------------------------------------

namespace {
TTransformation& NeedTransformation(TTransformation* t)
{
    if (!t)
        throw ENestedException("Transformation is nil");
    return *t;
}
} // namespace

TColor32 TTransformer::GetSampleInt(int32_t X, int32_t Y)
{
    TFixed u = 0, v = 0;
    NeedTransformation(FTransformation)
        .ReverseTransformFixed(TFixed(uint32_t(X) << 16), TFixed(uint32_t(Y) << 16), u, v);
    return TNestedSampler::GetSampleFixed(u, v);
}

TColor32 TTransformer::GetSampleFixed(TFixed X, TFixed Y)
{
    TFixed u = 0, v = 0;
    NeedTransformation(FTransformation).ReverseTransformFixed(X, Y, u, v);
    return TNestedSampler::GetSampleFixed(u, v);
}

TColor32 TTransformer::GetSampleFloat(float X, float Y)
{
    float u = 0, v = 0;
    NeedTransformation(FTransformation).ReverseTransformFloat(X, Y, u, v);
    return TNestedSampler::GetSampleFloat(u, v);
}

void TTransformer::PrepareSampling()
{
    TNestedSampler::PrepareSampling();
    TTransformation& t = NeedTransformation(FTransformation);
    if (!t.TransformValid)
        t.PrepareTransform();
}

bool TTransformer::HasBounds() const
{
    return NeedTransformation(FTransformation).HasTransformedBounds() && TNestedSampler::HasBounds();
}

TRect TTransformer::GetSampleBounds() const
{
    const TFloatRect bounds = FloatRectFromRect(TNestedSampler::GetSampleBounds());
    return RectFromFloatRect(NeedTransformation(FTransformation).GetTransformedBounds(bounds), rrOutside);
}

const TPropList& TTransformer::PublishedProperties() const
{
    static const TPropList props{
        {"Sampler", tkClass, nullptr, nullptr,
         [](const TObject& o) -> TPersistent* { return static_cast<const TTransformer&>(o).Sampler(); }},
        {"Transformation", tkClass, nullptr, nullptr, [](const TObject& o) -> TPersistent* {
             return static_cast<const TTransformer&>(o).Transformation();
         }}};
    return props;
}

TColor32 TNearestTransformer::GetSampleInt(int32_t X, int32_t Y)
{
    int32_t u = 0, v = 0;
    NeedTransformation(FTransformation).ReverseTransformInt(X, Y, u, v);
    return TNestedSampler::GetSampleInt(u, v);
}

TColor32 TNearestTransformer::GetSampleFixed(TFixed X, TFixed Y)
{
    TFixed u = 0, v = 0;
    NeedTransformation(FTransformation).ReverseTransformFixed(X, Y, u, v);
    return TNestedSampler::GetSampleInt(FixedFloor(u), FixedFloor(v));
}

TColor32 TNearestTransformer::GetSampleFloat(float X, float Y)
{
    float u = 0, v = 0;
    NeedTransformation(FTransformation).ReverseTransformFloat(X, Y, u, v);
    return TNestedSampler::GetSampleInt(SatRound(u), SatRound(v));
}

} // namespace qm
