#pragma once
// Moving pixels from one bitmap to another: the block transfer at unchanged size, the
// stretch transfer that hands a change of size to the source bitmap's resampler, the four
// resampler classes (nearest, bilinear, kernel-filtered, draft block averaging), the
// reconstruction kernels, the two class registries searched by class name, and the samplers
// that read a sampler through a transformation.
//
// Every transfer combines what it produces with the destination by the source's DrawMode,
// CombineMode, MasterAlpha, OuterColor and OnPixelCombine.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Raster.h"
#include "graphics/RasterContainers.h"
#include "graphics/RasterTransforms.h"

namespace qm {

class TIntegerMap;

QM_DECLARE_EXCEPTION(EBitmapException, Exception)
QM_DECLARE_EXCEPTION(ESrcInvalidException, Exception)
QM_DECLARE_EXCEPTION(ENestedException, Exception)

// Pixels are areas: scale = source size / destination size, and the linear and kernel paths
// take positions at pixel centres.
constexpr bool FullEdge = true;

enum TPixelAccessMode : uint8_t { pamUnsafe, pamSafe, pamWrap };
enum TKernelMode : uint8_t { kmDynamic, kmTableNearest, kmTableLinear };

struct TPointRec {
    int32_t Pos = 0;    // source coordinate
    int32_t Weight = 0; // the weights of a cluster sum to 256
    friend bool operator==(const TPointRec&, const TPointRec&) = default;
};
using TCluster = std::vector<TPointRec>;
using TMappingTable = std::vector<TCluster>;

// ---- Kernels ------------------------------------------------------------------------------

class TCustomKernel;
class TBitmap32Resampler;

// Class references that can create their instances; the registries hold these.
struct TKernelClass : TMetaClass {
    TCustomKernel* (*Create)();
};
struct TResamplerClass : TMetaClass {
    TBitmap32Resampler* (*Create)(TBitmap32* Bitmap);
};

#define QM_KERNEL_CLASS(Name, ParentName)                                                                    \
    static const ::qm::TKernelClass& StaticClass()                                                           \
    {                                                                                                        \
        static const ::qm::TKernelClass meta{{#Name, &ParentName::StaticClass()},                            \
                                             []() -> ::qm::TCustomKernel* { return new Name(); }};           \
        return meta;                                                                                         \
    }                                                                                                        \
    const ::qm::TMetaClass& ClassType() const override                                                       \
    {                                                                                                        \
        return StaticClass();                                                                                \
    }

// A reconstruction filter: Filter(x) weights a source pixel at distance x; GetWidth is how far
// the filter reaches. Every intermediate result is rounded to single precision.
class TCustomKernel : public TPersistent {
public:
    static const TKernelClass& StaticClass();
    const TMetaClass& ClassType() const override { return StaticClass(); }

    // Told about every property change; not owned.
    TNotifiablePersistent* Observer = nullptr;

    // True for kernels with negative lobes, whose sums must be clamped.
    virtual bool RangeCheck() const { return false; }
    virtual float Filter(float Value) const = 0;
    virtual float GetWidth() const = 0;
    const TPropList& PublishedProperties() const override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Changed();
};

class TBoxKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TBoxKernel, TCustomKernel)
    float Filter(float Value) const override;
    float GetWidth() const override { return 1; }
};

class TLinearKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TLinearKernel, TCustomKernel)
    float Filter(float Value) const override;
    float GetWidth() const override { return 1; }
};

class TCosineKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TCosineKernel, TCustomKernel)
    float Filter(float Value) const override;
    float GetWidth() const override { return 1; }
};

class TSplineKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TSplineKernel, TCustomKernel)
    bool RangeCheck() const override { return true; }
    float Filter(float Value) const override;
    float GetWidth() const override { return 2; }
};

class TMitchellKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TMitchellKernel, TCustomKernel)
    bool RangeCheck() const override { return true; }
    float Filter(float Value) const override;
    float GetWidth() const override { return 2; }
};

class TCubicKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TCubicKernel, TCustomKernel)
    bool RangeCheck() const override { return true; }
    float Filter(float Value) const override;
    float GetWidth() const override { return 2; }
    float Coeff() const { return FCoeff; }
    void SetCoeff(float Value);
    const TPropList& PublishedProperties() const override;

private:
    float FCoeff = -0.5f;
};

class THermiteKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(THermiteKernel, TCustomKernel)
    bool RangeCheck() const override { return true; }
    float Filter(float Value) const override;
    float GetWidth() const override { return 2; }
    float Bias() const { return FBias; }
    void SetBias(float Value);
    float Tension() const { return FTension; }
    void SetTension(float Value);
    const TPropList& PublishedProperties() const override;

private:
    float FBias = 0;
    float FTension = 0;
};

class TSinshKernel : public TCustomKernel {
public:
    QM_KERNEL_CLASS(TSinshKernel, TCustomKernel)
    bool RangeCheck() const override { return true; }
    float Filter(float Value) const override;
    float GetWidth() const override { return FWidth; }
    float Width() const { return FWidth; }
    void SetWidth(float Value);
    float Coeff() const { return FCoeff; }
    // 0 is ignored (it divides).
    void SetCoeff(float Value);
    const TPropList& PublishedProperties() const override;

private:
    float FWidth = 3;
    float FCoeff = 0.5f;
};

// Sinc(x) times a window, zero from Width on.
class TWindowedSincKernel : public TCustomKernel {
public:
    static const TKernelClass& StaticClass();
    const TMetaClass& ClassType() const override { return StaticClass(); }
    bool RangeCheck() const override { return true; }
    float Filter(float Value) const override;
    float GetWidth() const override { return FWidth; }
    virtual float Window(float Value) const = 0;
    float Width() const { return FWidth; }
    void SetWidth(float Value);
    const TPropList& PublishedProperties() const override;

protected:
    float FWidth = 3;
};

class TLanczosKernel : public TWindowedSincKernel {
public:
    QM_KERNEL_CLASS(TLanczosKernel, TWindowedSincKernel)
    float Window(float Value) const override;
};

class TGaussianKernel : public TWindowedSincKernel {
public:
    QM_KERNEL_CLASS(TGaussianKernel, TWindowedSincKernel)
    float Window(float Value) const override;
    float Sigma() const { return FSigma; }
    // 0 is ignored (it divides).
    void SetSigma(float Value);
    const TPropList& PublishedProperties() const override;

private:
    float FSigma = 1.33f;
};

class TBlackmanKernel : public TWindowedSincKernel {
public:
    QM_KERNEL_CLASS(TBlackmanKernel, TWindowedSincKernel)
    float Window(float Value) const override;
};

class THannKernel : public TWindowedSincKernel {
public:
    QM_KERNEL_CLASS(THannKernel, TWindowedSincKernel)
    float Window(float Value) const override;
};

class THammingKernel : public TWindowedSincKernel {
public:
    QM_KERNEL_CLASS(THammingKernel, TWindowedSincKernel)
    float Window(float Value) const override;
};

// 1 at 0, else sin(p) / p with p = pi x in single precision.
float Sinc(float Value);

// ---- Resamplers ---------------------------------------------------------------------------

#define QM_RESAMPLER_CLASS(Name, ParentName)                                                                 \
    static const ::qm::TResamplerClass& StaticClass()                                                        \
    {                                                                                                        \
        static const ::qm::TResamplerClass meta{                                                             \
            {#Name, &ParentName::StaticClass()},                                                             \
            [](::qm::TBitmap32* b) -> ::qm::TBitmap32Resampler* { return new Name(b); }};                    \
        return meta;                                                                                         \
    }                                                                                                        \
    const ::qm::TMetaClass& ClassType() const override                                                       \
    {                                                                                                        \
        return StaticClass();                                                                                \
    }

// A resampler that belongs to a bitmap: created with it, it installs itself as the bitmap's
// resampler (which frees the previous one); the bitmap frees it.
class TBitmap32Resampler : public TCustomResampler {
public:
    static const TResamplerClass& StaticClass();
    const TMetaClass& ClassType() const override { return StaticClass(); }

    explicit TBitmap32Resampler(TBitmap32* ABitmap);

    TBitmap32* Bitmap = nullptr; // the owner, not owned
    TRect ClipRect;              // the bitmap's clip rectangle while sampling
    const TMetaClass* TransformerClass = nullptr;

    TPixelAccessMode PixelAccessMode() const { return FPixelAccessMode; }
    void SetPixelAccessMode(TPixelAccessMode Value);

    // Forwards to the bitmap's change notification.
    void NotifyChanged() override;
    void PrepareSampling() override;
    bool HasBounds() const override { return true; }
    TRect GetSampleBounds() const override;
    const TPropList& PublishedProperties() const override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    // Makes this the bitmap's resampler; each concrete class calls it once it is built.
    void Install();

private:
    TPixelAccessMode FPixelAccessMode = pamSafe;
};

class TNearestResampler : public TBitmap32Resampler {
public:
    QM_RESAMPLER_CLASS(TNearestResampler, TBitmap32Resampler)
    explicit TNearestResampler(TBitmap32* ABitmap);

    float GetWidth() const override { return 1; }
    void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src, const TRect& SrcRect,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) override;
    TColor32 GetSampleInt(int32_t X, int32_t Y) override;
    TColor32 GetSampleFixed(TFixed X, TFixed Y) override;
    TColor32 GetSampleFloat(float X, float Y) override;
    void PrepareSampling() override;
};

class TLinearResampler : public TBitmap32Resampler {
public:
    QM_RESAMPLER_CLASS(TLinearResampler, TBitmap32Resampler)
    explicit TLinearResampler(TBitmap32* ABitmap);
    ~TLinearResampler() override;

    float GetWidth() const override { return 1; }
    // StretchLinear for a strict enlargement of a source at least 2 x 2, else the kernel
    // path with the linear kernel.
    void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src, const TRect& SrcRect,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) override;
    TColor32 GetSampleFixed(TFixed X, TFixed Y) override;
    TColor32 GetSampleFloat(float X, float Y) override;
    void PrepareSampling() override;

    TLinearKernel* LinearKernel() const { return FLinearKernel; }

protected:
    // For descendants, which install themselves once they are whole.
    TLinearResampler(TBitmap32* ABitmap, bool AInstall);

private:
    TLinearKernel* FLinearKernel = nullptr;
};

class TDraftResampler : public TLinearResampler {
public:
    QM_RESAMPLER_CLASS(TDraftResampler, TLinearResampler)
    explicit TDraftResampler(TBitmap32* ABitmap);
    void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src, const TRect& SrcRect,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) override;
};

class TKernelResampler : public TBitmap32Resampler {
public:
    QM_RESAMPLER_CLASS(TKernelResampler, TBitmap32Resampler)
    explicit TKernelResampler(TBitmap32* ABitmap);
    ~TKernelResampler() override;

    float GetWidth() const override { return FKernel->GetWidth(); }
    void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src, const TRect& SrcRect,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) override;
    TColor32 GetSampleFloat(float X, float Y) override;
    void PrepareSampling() override;
    void FinalizeSampling() override;

    TCustomKernel* Kernel() const { return FKernel; }
    // Takes ownership; the old kernel is freed. Null or the current kernel is ignored.
    void SetKernel(TCustomKernel* Value);
    AnsiString KernelClassName() const;
    // Looks the name up in KernelList (case counts); unknown, empty or current names change
    // nothing.
    void SetKernelClassName(const AnsiString& Value);
    TKernelMode KernelMode() const { return FKernelMode; }
    void SetKernelMode(TKernelMode Value);
    int32_t TableSize() const { return FTableSize; }
    // Values below 2 become 2.
    void SetTableSize(int32_t Value);
    const TPropList& PublishedProperties() const override;

private:
    TCustomKernel* FKernel = nullptr;
    TKernelMode FKernelMode = kmDynamic;
    int32_t FTableSize = 32;
    // Sampling state, between PrepareSampling and FinalizeSampling.
    std::unique_ptr<TIntegerMap> FWeightTable;
    std::vector<int32_t> FHorzKernel;
    std::vector<int32_t> FVertKernel;
    std::vector<int32_t> FWrapCoords;
    TColor32 FOuterColor = 0;
};

// ---- Nested samplers ----------------------------------------------------------------------

// Samples another sampler (not owned).
class TNestedSampler : public TCustomSampler {
public:
    QM_RASTER_CLASS(TNestedSampler, TCustomSampler)

    explicit TNestedSampler(TCustomSampler* ASampler = nullptr) { SetSampler(ASampler); }
    TCustomSampler* Sampler() const { return FSampler; }
    void SetSampler(TCustomSampler* Value) { FSampler = Value; }

    TColor32 GetSampleInt(int32_t X, int32_t Y) override;
    TColor32 GetSampleFixed(TFixed X, TFixed Y) override;
    TColor32 GetSampleFloat(float X, float Y) override;
    // These four raise ENestedException "Nested sampler is nil" without a sampler.
    void PrepareSampling() override;
    void FinalizeSampling() override;
    bool HasBounds() const override;
    TRect GetSampleBounds() const override;
    const TPropList& PublishedProperties() const override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    TCustomSampler* FSampler = nullptr;
};

// Samples the wrapped sampler at the reverse-transformed position.
class TTransformer : public TNestedSampler {
public:
    QM_RASTER_CLASS(TTransformer, TNestedSampler)

    TTransformer(TCustomSampler* ASampler, TTransformation* ATransformation)
        : TNestedSampler(ASampler), FTransformation(ATransformation)
    {
    }
    TTransformation* Transformation() const { return FTransformation; }
    void SetTransformation(TTransformation* Value) { FTransformation = Value; }

    TColor32 GetSampleInt(int32_t X, int32_t Y) override;
    TColor32 GetSampleFixed(TFixed X, TFixed Y) override;
    TColor32 GetSampleFloat(float X, float Y) override;
    void PrepareSampling() override;
    bool HasBounds() const override;
    TRect GetSampleBounds() const override;
    const TPropList& PublishedProperties() const override;

protected:
    TTransformation* FTransformation = nullptr;
};

// Always reads the wrapped sampler's integer form at the rounded position.
class TNearestTransformer : public TTransformer {
public:
    QM_RASTER_CLASS(TNearestTransformer, TTransformer)
    using TTransformer::TTransformer;

    TColor32 GetSampleInt(int32_t X, int32_t Y) override;
    TColor32 GetSampleFixed(TFixed X, TFixed Y) override;
    TColor32 GetSampleFloat(float X, float Y) override;
};

// ---- Registries ---------------------------------------------------------------------------

void RegisterResampler(const TResamplerClass& ResamplerClass);
void RegisterKernel(const TKernelClass& KernelClass);
// Registered at start-up: the four resamplers, then the thirteen kernels.
TClassList& ResamplerList();
TClassList& KernelList();
const TResamplerClass* FindResamplerClass(const std::string& Name);
const TKernelClass* FindKernelClass(const std::string& Name);

// ---- Transfers ----------------------------------------------------------------------------

// Copies SrcRect of Src to (DstX, DstY) of Dst inside DstClip, combined by CombineOp. A null
// bitmap raises EBitmapException; empty bitmaps, and dmBlend with a master alpha of 0, do
// nothing.
void BlockTransfer(TBitmap32* Dst, int32_t DstX, int32_t DstY, TRect DstClip, TBitmap32* Src, TRect SrcRect,
                   TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack = {});
// Fits SrcRect of Src into DstRect of Dst (inside DstClip) through Resampler. A SrcRect
// reaching outside Src raises ESrcInvalidException "Source rectangle is invalid".
void StretchTransfer(TBitmap32* Dst, TRect DstRect, TRect DstClip, TBitmap32* Src, TRect SrcRect,
                     TCustomResampler* Resampler, TDrawMode CombineOp,
                     const TPixelCombineEvent& CombineCallBack = {});
// Combines the rows of DstRect with the source rows from (SrcX, SrcY); no clipping.
void BlendBlock(TBitmap32& Dst, const TRect& DstRect, TBitmap32& Src, int32_t SrcX, int32_t SrcY,
                TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);
void StretchNearest(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                    TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);
// Bilinear enlargement.
void StretchLinear(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                   TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);
// One cluster of (source position, weight) pairs per position ClipLo .. ClipHi - 1.
TMappingTable BuildMappingTable(int32_t DstLo, int32_t DstHi, int32_t ClipLo, int32_t ClipHi, int32_t SrcLo,
                                int32_t SrcHi, const TCustomKernel& Kernel);
void KernelResample(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                    const TCustomKernel& Kernel, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack);
// Block averaging for a reduction in both directions; enlargements go bilinear.
void DraftResample(TBitmap32& Dst, TRect DstRect, TRect DstClip, TBitmap32& Src, TRect SrcRect,
                   const TCustomKernel& Kernel, TDrawMode CombineOp,
                   const TPixelCombineEvent& CombineCallBack);

// ---- Processor-specific routines ------------------------------------------------------------

// The average of a W x H block starting at Src (Stride bytes between rows).
using TBlockAverage = TColor32 (*)(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride);
// The 2 x 2 mix used by StretchLinear: WX and WY (the weight in both 16-bit halves) go to the
// first pixel of each row pair and to the upper row.
using TInterpolate2x2 = TColor32 (*)(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2);
extern TBlockAverage BlockAverage;
extern TInterpolate2x2 Interpolate2x2;

namespace resample_variants {
TColor32 BlockAverage_Plain(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride);
TColor32 BlockAverage_MMX(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride);
TColor32 BlockAverage_3DNow(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride);
TColor32 Interpolate2x2_Plain(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2);
TColor32 Interpolate2x2_MMX(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2);

// One column of the bilinear map: the first source coordinate of the pair read and the
// weight of that pixel in both 16-bit halves.
struct TLinearEntry {
    int32_t Pos;
    uint32_t Weight;
};
// A whole destination row of StretchLinear with the MMX mix, four channels at a time:
// stored (Master < 0) or blended with the MMX master-alpha blend. Gives exactly what the
// per-pixel routines give.
void StretchLinearRow_SSE2(const TLinearEntry* Cols, size_t Count, const TColor32* Row1, const TColor32* Row2,
                           uint32_t WY, TColor32* Dst, int32_t Master);
} // namespace resample_variants

} // namespace qm
