#include "graphics/RasterBlend.h"

#include <algorithm>

#include "graphics/RasterLowLevel.h"
#include "graphics/RasterSystem.h"
#include "graphics/RasterVariants.h"

namespace qm {

// ---- Tables ---------------------------------------------------------------------------------

namespace {

struct TByteTable {
    uint8_t v[256][256];
};

// a * b / 255 to nearest; a true half never occurs (255 is odd).
constexpr TByteTable MakeMulTable()
{
    TByteTable t{};
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b)
            t.v[a][b] = uint8_t((a * b * 2 + 255) / 510);
    return t;
}

// 255 * b / a to nearest with halves to even, kept to its low 8 bits (values above 255 wrap,
// as the merge expects of its table); row 0 stays 0.
constexpr TByteTable MakeDivTable()
{
    TByteTable t{};
    for (uint32_t a = 1; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t n = 255 * b;
            uint32_t q = n / a;
            const uint32_t r2 = (n % a) * 2;
            if (r2 > a || (r2 == a && (q & 1)))
                ++q;
            t.v[a][b] = uint8_t(q);
        }
    return t;
}

constexpr TByteTable MulTableData = MakeMulTable();
constexpr TByteTable DivTableData = MakeDivTable();

alignas(32) uint64_t WeightTableStorage[256];

void BuildWeightTable()
{
    for (uint64_t i = 0; i < 256; ++i)
        WeightTableStorage[i] = i | i << 16 | i << 32 | i << 48;
}

} // namespace

const uint8_t (&AlphaMulTable)[256][256] = MulTableData.v;
const uint8_t (&AlphaDivTable)[256][256] = DivTableData.v;
const uint64_t* AlphaWeightTable = nullptr;
const uint64_t* AlphaBias = nullptr;
bool MMXActive = false;

// ---- Formulas -------------------------------------------------------------------------------

namespace {

// The plain weighted term: per channel (c * w + 128) shr 8, two channels at a time.
inline uint32_t Term(uint32_t X, uint32_t w)
{
    return ((((X & 0x00FF00FFu) * w + 0x00800080u) & 0xFF00FF00u) >> 8) |
           ((((X & 0xFF00FF00u) >> 8) * w + 0x00800080u) & 0xFF00FF00u);
}

inline uint32_t Alpha(TColor32 C)
{
    return C >> 24;
}

// The MMX formula per channel: (B * 256 + (F - B) * w + 128) shr 8 in 16-bit arithmetic.
// For w up to 255 this equals (F * w + B * (256 - w) + 128) shr 8, which never leaves 16 bits
// and so can be worked two channels at a time; a larger weight takes the word arithmetic.
inline uint32_t MmxMix(uint32_t F, uint32_t B, uint32_t w)
{
    if (w <= 255) {
        const uint32_t iw = 256 - w;
        const uint32_t rb =
            (((F & 0x00FF00FFu) * w + (B & 0x00FF00FFu) * iw + 0x00800080u) >> 8) & 0x00FF00FFu;
        const uint32_t ag =
            (((F >> 8) & 0x00FF00FFu) * w + ((B >> 8) & 0x00FF00FFu) * iw + 0x00800080u) & 0xFF00FF00u;
        return rb | ag;
    }
    uint32_t r = 0;
    for (int s = 0; s < 32; s += 8) {
        const uint32_t f = (F >> s) & 255, b = (B >> s) & 255;
        const uint16_t prod = uint16_t((f - b) * (w & 0xFFFF));
        const uint16_t sum = uint16_t((b << 8) + prod + 128);
        r |= uint32_t(sum >> 8) << s;
    }
    return r;
}

template <class Op> inline TColor32 PerChannel(TColor32 C1, TColor32 C2, Op op)
{
    TColor32 r = 0;
    for (int s = 0; s < 32; s += 8)
        r |= (TColor32(op(int32_t((C1 >> s) & 255), int32_t((C2 >> s) & 255))) & 255u) << s;
    return r;
}

inline int32_t Clamp255(int32_t v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

} // namespace

// ---- Plain variants -------------------------------------------------------------------------

namespace blend_plain {

TColor32 CombineColors(TColor32 F, TColor32 B, TColor32 W)
{
    if ((W & 0xFFFF) == 0)
        return B;
    if (W == 255)
        return F;
    return Term(F, W) + Term(B, 255 - W);
}

void CombineColorInto(TColor32 F, TColor32& B, TColor32 W)
{
    if (W == 0)
        return;
    B = W == 255 ? F : CombineColors(F, B, W);
}

void CombineColorLine(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W)
{
    if (Count < 1 || W == 0)
        return;
    if (W == 255) {
        MoveLongword(Src, Dst, Count);
        return;
    }
    for (int32_t i = 0; i < Count; ++i)
        CombineColorInto(Src[i], Dst[i], W);
}

TColor32 BlendColors(TColor32 F, TColor32 B)
{
    const uint32_t fa = Alpha(F);
    if (fa == 255)
        return F;
    if (fa == 0)
        return B;
    return Term(F, fa) + Term(B, 255 - fa);
}

void BlendColorInto(TColor32 F, TColor32& B)
{
    B = BlendColors(F, B);
}

TColor32 BlendColorsMaster(TColor32 F, TColor32 B, TColor32 M)
{
    const uint32_t fa = Alpha(F);
    const uint32_t w = ((M + 1) * fa) >> 8;
    if (fa == 0 || w == 0)
        return B;
    return (Term(F, w) + Term(B, 255 - w)) & 0x00FFFFFFu;
}

void BlendColorIntoMaster(TColor32 F, TColor32& B, TColor32 M)
{
    B = BlendColorsMaster(F, B, M);
}

void BlendColorLine(const TColor32* Src, TColor32* Dst, int32_t Count)
{
    for (int32_t i = 0; i < Count; ++i)
        BlendColorInto(Src[i], Dst[i]);
}

void BlendColorLineMaster(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M)
{
    for (int32_t i = 0; i < Count; ++i)
        BlendColorIntoMaster(Src[i], Dst[i], M);
}

TColor32 AddColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return std::min(a + b, 255); });
}

TColor32 SubtractColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return std::max(a - b, 0); });
}

TColor32 DivideColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return a == 0 ? 255 : std::min(b * 256 / a, 255); });
}

TColor32 ModulateColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return (a * b) >> 8; });
}

TColor32 MaxColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return std::max(a, b); });
}

TColor32 MinColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return std::min(a, b); });
}

TColor32 DifferenceColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return a > b ? a - b : b - a; });
}

TColor32 ExclusionColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return a + b - ((a * b) >> 7); });
}

TColor32 AverageColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return (a + b) >> 1; });
}

TColor32 ScaleColor(TColor32 C, TColor32 W)
{
    TColor32 r = 0;
    for (int s = 0; s < 32; s += 8) {
        const uint64_t v = (uint64_t((C >> s) & 255) * W) >> 8;
        r |= TColor32(std::min<uint64_t>(v, 255)) << s;
    }
    return r;
}

} // namespace blend_plain

// ---- MMX-family variants --------------------------------------------------------------------

namespace blend_mmx {

TColor32 CombineColors(TColor32 F, TColor32 B, TColor32 W)
{
    return MmxMix(F, B, W);
}

void CombineColorInto(TColor32 F, TColor32& B, TColor32 W)
{
    if (W == 0)
        return;
    B = W == 255 ? F : MmxMix(F, B, W);
}

TColor32 BlendColors(TColor32 F, TColor32 B)
{
    return MmxMix(F, B, Alpha(F));
}

void BlendColorInto(TColor32 F, TColor32& B)
{
    const uint32_t fa = Alpha(F);
    if (fa == 0)
        return;
    B = fa == 255 ? F : MmxMix(F, B, fa);
}

TColor32 BlendColorsMaster(TColor32 F, TColor32 B, TColor32 M)
{
    const uint32_t fa = Alpha(F);
    const uint32_t w = ((M + 1) * fa) >> 8;
    if (fa == 0 || w == 0)
        return B;
    return MmxMix(F, B, w);
}

void BlendColorIntoMaster(TColor32 F, TColor32& B, TColor32 M)
{
    B = BlendColorsMaster(F, B, M);
}

// Saturating byte arithmetic gives what the plain clamps give.
TColor32 ExclusionColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return Clamp255(a + b - ((a * b) >> 7)); });
}

TColor32 AverageColors(TColor32 C1, TColor32 C2)
{
    return PerChannel(C1, C2, [](int32_t a, int32_t b) { return (a + b + 1) >> 1; });
}

TColor32 ScaleColor(TColor32 C, TColor32 W)
{
    // The weight comes from the 256-entry table; a weight beyond it takes the plain result
    // rather than reading past the table.
    if (W > 255 || !AlphaWeightTable)
        return blend_plain::ScaleColor(C, W);
    const uint32_t w = uint32_t(AlphaWeightTable[W] & 0xFFFF);
    TColor32 r = 0;
    for (int s = 0; s < 32; s += 8)
        r |= ((((C >> s) & 255) * w) >> 8) << s;
    return r;
}

} // namespace blend_mmx

namespace variants {

void BlendColorLine_MMXPortable(const TColor32* Src, TColor32* Dst, int32_t Count)
{
    for (int32_t i = 0; i < Count; ++i)
        blend_mmx::BlendColorInto(Src[i], Dst[i]);
}

void BlendColorLineMaster_MMXPortable(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M)
{
    for (int32_t i = 0; i < Count; ++i) {
        const uint32_t fa = Alpha(Src[i]);
        if (fa == 0)
            continue;
        // Fa + 1 here, where the single-pixel forms take M + 1.
        const uint32_t w = ((fa + 1) * M) >> 8;
        if (w != 0)
            Dst[i] = MmxMix(Src[i], Dst[i], w);
    }
}

void CombineColorLine_MMXPortable(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W)
{
    if (Count < 1 || W == 0)
        return;
    if (W == 255) {
        MoveLongword(Src, Dst, Count);
        return;
    }
    for (int32_t i = 0; i < Count; ++i)
        Dst[i] = MmxMix(Src[i], Dst[i], W);
}

} // namespace variants

// ---- Merge ----------------------------------------------------------------------------------

TColor32 MergeColors(TColor32 F, TColor32 B)
{
    const uint32_t fa = Alpha(F), ba = Alpha(B);
    if (fa == 0)
        return B;
    if (ba == 255)
        return BlendColors(F, B) | 0xFF000000u;
    if (fa == 255 || ba == 0)
        return F;
    const uint32_t ra = (fa + ba - AlphaMulTable[ba][fa]) & 255;
    TColor32 r = ra << 24;
    for (int s = 0; s < 24; s += 8) {
        const uint32_t fc = (F >> s) & 255, bc = (B >> s) & 255;
        const uint32_t bp = AlphaMulTable[ba][bc];
        const uint32_t x = fc >= bp ? bp + AlphaMulTable[fa][fc - bp] : bp - AlphaMulTable[fa][bp - fc];
        r |= TColor32(AlphaDivTable[ra][x]) << s;
    }
    return r;
}

void MergeColorInto(TColor32 F, TColor32& B)
{
    B = MergeColors(F, B);
}

TColor32 MergeColorsMaster(TColor32 F, TColor32 B, TColor32 M)
{
    // A master alpha above 255 counts as 255: the table has 256 rows.
    const uint32_t m = std::min<TColor32>(M, 255);
    return MergeColors((F & 0x00FFFFFFu) | TColor32(AlphaMulTable[m][Alpha(F)]) << 24, B);
}

void MergeColorIntoMaster(TColor32 F, TColor32& B, TColor32 M)
{
    B = MergeColorsMaster(F, B, M);
}

void MergeColorLine(const TColor32* Src, TColor32* Dst, int32_t Count)
{
    for (int32_t i = 0; i < Count; ++i)
        MergeColorInto(Src[i], Dst[i]);
}

void MergeColorLineMaster(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M)
{
    for (int32_t i = 0; i < Count; ++i)
        MergeColorIntoMaster(Src[i], Dst[i], M);
}

TColor32 LightenColor32(TColor32 C, int32_t Amount)
{
    TColor32 r = C & 0xFF000000u;
    for (int s = 0; s < 24; s += 8) {
        const int64_t v = int64_t((C >> s) & 255) + Amount;
        r |= TColor32(v < 0 ? 0 : v > 255 ? 255 : v) << s;
    }
    return r;
}

void ClearMMXState()
{
#if defined(__x86_64__) || defined(__i386__)
    if (MMXActive)
        asm volatile("emms" ::: "memory");
#endif
}

// ---- Binding --------------------------------------------------------------------------------

// Start with the plain routines so that nothing can call an unbound pointer.
TCombineReg CombineColors = blend_plain::CombineColors;
TCombineMem CombineColorInto = blend_plain::CombineColorInto;
TCombineLine CombineColorLine = blend_plain::CombineColorLine;
TBlendReg BlendColors = blend_plain::BlendColors;
TBlendMem BlendColorInto = blend_plain::BlendColorInto;
TBlendRegEx BlendColorsMaster = blend_plain::BlendColorsMaster;
TBlendMemEx BlendColorIntoMaster = blend_plain::BlendColorIntoMaster;
TBlendLine BlendColorLine = blend_plain::BlendColorLine;
TBlendLineEx BlendColorLineMaster = blend_plain::BlendColorLineMaster;
TArithmetic AddColors = blend_plain::AddColors;
TArithmetic SubtractColors = blend_plain::SubtractColors;
TArithmetic DivideColors = blend_plain::DivideColors;
TArithmetic ModulateColors = blend_plain::ModulateColors;
TArithmetic MaxColors = blend_plain::MaxColors;
TArithmetic MinColors = blend_plain::MinColors;
TArithmetic DifferenceColors = blend_plain::DifferenceColors;
TArithmetic ExclusionColors = blend_plain::ExclusionColors;
TArithmetic AverageColors = blend_plain::AverageColors;
TScaleColor ScaleColor = blend_plain::ScaleColor;

TBlendReg BlendColorsByMode[2] = {blend_plain::BlendColors, MergeColors};
TBlendMem BlendColorIntoByMode[2] = {blend_plain::BlendColorInto, MergeColorInto};
TBlendRegEx BlendColorsMasterByMode[2] = {blend_plain::BlendColorsMaster, MergeColorsMaster};
TBlendMemEx BlendColorIntoMasterByMode[2] = {blend_plain::BlendColorIntoMaster, MergeColorIntoMaster};
TBlendLine BlendColorLineByMode[2] = {blend_plain::BlendColorLine, MergeColorLine};
TBlendLineEx BlendColorLineMasterByMode[2] = {blend_plain::BlendColorLineMaster, MergeColorLineMaster};

namespace {

void BindBlend(const TBindingFeatures& features)
{
    MMXActive = features.MMX;
    // Saturating add and subtract, modulate, difference, max and min give the plain results
    // in every family; only the rounding of the blends, exclusion's clamp, the average and
    // the scale's weight table differ.
    DivideColors = blend_plain::DivideColors;
    AddColors = blend_plain::AddColors;
    SubtractColors = blend_plain::SubtractColors;
    ModulateColors = blend_plain::ModulateColors;
    DifferenceColors = blend_plain::DifferenceColors;
    MaxColors = blend_plain::MaxColors;
    MinColors = blend_plain::MinColors;
    if (features.MMX) {
        BuildWeightTable();
        AlphaWeightTable = WeightTableStorage;
        AlphaBias = &WeightTableStorage[128];
        const variants::TWideRoutines* wide = variants::WidestRoutines();
        CombineColors = blend_mmx::CombineColors;
        CombineColorInto = blend_mmx::CombineColorInto;
        CombineColorLine = wide ? wide->CombineColorLine : variants::CombineColorLine_MMXPortable;
        BlendColors = blend_mmx::BlendColors;
        BlendColorInto = blend_mmx::BlendColorInto;
        BlendColorsMaster = blend_mmx::BlendColorsMaster;
        BlendColorIntoMaster = blend_mmx::BlendColorIntoMaster;
        BlendColorLine = wide ? wide->BlendColorLine : variants::BlendColorLine_MMXPortable;
        BlendColorLineMaster = wide ? wide->BlendColorLineMaster : variants::BlendColorLineMaster_MMXPortable;
        ExclusionColors = blend_mmx::ExclusionColors;
        ScaleColor = blend_mmx::ScaleColor;
        AverageColors = features.EMMX ? blend_mmx::AverageColors : blend_plain::AverageColors;
    } else {
        AlphaWeightTable = nullptr;
        AlphaBias = nullptr;
        CombineColors = blend_plain::CombineColors;
        CombineColorInto = blend_plain::CombineColorInto;
        CombineColorLine = blend_plain::CombineColorLine;
        BlendColors = blend_plain::BlendColors;
        BlendColorInto = blend_plain::BlendColorInto;
        BlendColorsMaster = blend_plain::BlendColorsMaster;
        BlendColorIntoMaster = blend_plain::BlendColorIntoMaster;
        BlendColorLine = blend_plain::BlendColorLine;
        BlendColorLineMaster = blend_plain::BlendColorLineMaster;
        ExclusionColors = blend_plain::ExclusionColors;
        ScaleColor = blend_plain::ScaleColor;
        AverageColors = blend_plain::AverageColors;
    }
    BlendColorsByMode[cmBlend] = BlendColors;
    BlendColorIntoByMode[cmBlend] = BlendColorInto;
    BlendColorsMasterByMode[cmBlend] = BlendColorsMaster;
    BlendColorIntoMasterByMode[cmBlend] = BlendColorIntoMaster;
    BlendColorLineByMode[cmBlend] = BlendColorLine;
    BlendColorLineMasterByMode[cmBlend] = BlendColorLineMaster;
}

const bool BlendUnitReady = (RegisterRoutineBinder(BindBlend), true);

} // namespace

} // namespace qm
