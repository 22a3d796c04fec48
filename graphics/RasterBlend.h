#pragma once
// Per-pixel colour operations: blending a foreground colour F onto a background colour B
// (plain, with a master alpha M, one pixel or a line), weighted combination with a weight W,
// merging of two partly transparent colours, channel arithmetic and lightening.
//
// Each blend and arithmetic operation is a routine pointer bound once at start-up to the
// plain or the MMX-family variant (see RasterSystem.h for the binding features). The two
// families differ in rounding; each gives exactly its own formula:
//   plain: per channel (F*w + 128) shr 8 + (B*(255-w) + 128) shr 8, with shortcuts at 0 and 255
//   MMX:   per channel (B*256 + (F-B)*w + 128) shr 8, 16-bit arithmetic, no shortcuts.
#include <cstdint>

#include "graphics/RasterTypes.h"

namespace qm {

using TCombineReg = TColor32 (*)(TColor32 F, TColor32 B, TColor32 W);
using TCombineMem = void (*)(TColor32 F, TColor32& B, TColor32 W);
using TCombineLine = void (*)(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W);
using TBlendReg = TColor32 (*)(TColor32 F, TColor32 B);
using TBlendMem = void (*)(TColor32 F, TColor32& B);
using TBlendRegEx = TColor32 (*)(TColor32 F, TColor32 B, TColor32 M);
using TBlendMemEx = void (*)(TColor32 F, TColor32& B, TColor32 M);
using TBlendLine = void (*)(const TColor32* Src, TColor32* Dst, int32_t Count);
using TBlendLineEx = void (*)(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M);
using TArithmetic = TColor32 (*)(TColor32 C1, TColor32 C2);
using TScaleColor = TColor32 (*)(TColor32 C, TColor32 W);

// F weighted by W plus B weighted by 255 - W, all four channels.
extern TCombineReg CombineColors;
extern TCombineMem CombineColorInto;
extern TCombineLine CombineColorLine;
// F over B with the weight F's alpha.
extern TBlendReg BlendColors;
extern TBlendMem BlendColorInto;
// F over B with the weight ((M + 1) * Fa) shr 8; the plain variant's alpha byte is 0.
extern TBlendRegEx BlendColorsMaster;
extern TBlendMemEx BlendColorIntoMaster;
extern TBlendLine BlendColorLine;
extern TBlendLineEx BlendColorLineMaster;

// Channel arithmetic over all four channels.
extern TArithmetic AddColors;      // min(c1 + c2, 255)
extern TArithmetic SubtractColors; // max(c1 - c2, 0)
extern TArithmetic DivideColors;   // 255 when c1 = 0, else min(c2 * 256 div c1, 255)
extern TArithmetic ModulateColors; // c1 * c2 shr 8
extern TArithmetic MaxColors;
extern TArithmetic MinColors;
extern TArithmetic DifferenceColors; // abs(c1 - c2)
extern TArithmetic ExclusionColors;  // c1 + c2 - (c1 * c2 shr 7)
extern TArithmetic AverageColors;    // plain rounds down, extended MMX rounds up
extern TScaleColor ScaleColor;       // min(c * W shr 8, 255)

// The merge of two partly transparent colours; one variant, reached directly.
TColor32 MergeColors(TColor32 F, TColor32 B);
void MergeColorInto(TColor32 F, TColor32& B);
TColor32 MergeColorsMaster(TColor32 F, TColor32 B, TColor32 M);
void MergeColorIntoMaster(TColor32 F, TColor32& B, TColor32 M);
void MergeColorLine(const TColor32* Src, TColor32* Dst, int32_t Count);
void MergeColorLineMaster(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M);

// Indexed by TCombineMode: cmBlend holds the bound blend routine, cmMerge the merge routine.
extern TBlendReg BlendColorsByMode[2];
extern TBlendMem BlendColorIntoByMode[2];
extern TBlendRegEx BlendColorsMasterByMode[2];
extern TBlendMemEx BlendColorIntoMasterByMode[2];
extern TBlendLine BlendColorLineByMode[2];
extern TBlendLineEx BlendColorLineMasterByMode[2];

// Red, green and blue each moved by Amount and clamped to 0..255; alpha unchanged.
TColor32 LightenColor32(TColor32 C, int32_t Amount);

// Leaves the MMX state when MMX variants are bound; call before floating-point work that
// follows blended drawing.
void ClearMMXState();
// True when the MMX-family variants are bound.
extern bool MMXActive;

// Row a, column b: a * b / 255 rounded to nearest.
extern const uint8_t (&AlphaMulTable)[256][256];
// Row a, column b: 255 * b / a rounded to nearest (halves to even), low 8 bits; row 0 is 0.
extern const uint8_t (&AlphaDivTable)[256][256];
// Entry i: four 16-bit words equal to i; null unless MMXActive. AlphaBias is entry 128.
extern const uint64_t* AlphaWeightTable;
extern const uint64_t* AlphaBias;

// The variants themselves, for tests that compare them.
namespace blend_plain {
TColor32 CombineColors(TColor32 F, TColor32 B, TColor32 W);
void CombineColorInto(TColor32 F, TColor32& B, TColor32 W);
void CombineColorLine(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W);
TColor32 BlendColors(TColor32 F, TColor32 B);
void BlendColorInto(TColor32 F, TColor32& B);
TColor32 BlendColorsMaster(TColor32 F, TColor32 B, TColor32 M);
void BlendColorIntoMaster(TColor32 F, TColor32& B, TColor32 M);
void BlendColorLine(const TColor32* Src, TColor32* Dst, int32_t Count);
void BlendColorLineMaster(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M);
TColor32 AddColors(TColor32 C1, TColor32 C2);
TColor32 SubtractColors(TColor32 C1, TColor32 C2);
TColor32 DivideColors(TColor32 C1, TColor32 C2);
TColor32 ModulateColors(TColor32 C1, TColor32 C2);
TColor32 MaxColors(TColor32 C1, TColor32 C2);
TColor32 MinColors(TColor32 C1, TColor32 C2);
TColor32 DifferenceColors(TColor32 C1, TColor32 C2);
TColor32 ExclusionColors(TColor32 C1, TColor32 C2);
TColor32 AverageColors(TColor32 C1, TColor32 C2);
TColor32 ScaleColor(TColor32 C, TColor32 W);
} // namespace blend_plain

namespace blend_mmx {
TColor32 CombineColors(TColor32 F, TColor32 B, TColor32 W);
void CombineColorInto(TColor32 F, TColor32& B, TColor32 W);
TColor32 BlendColors(TColor32 F, TColor32 B);
void BlendColorInto(TColor32 F, TColor32& B);
TColor32 BlendColorsMaster(TColor32 F, TColor32 B, TColor32 M);
void BlendColorIntoMaster(TColor32 F, TColor32& B, TColor32 M);
TColor32 ExclusionColors(TColor32 C1, TColor32 C2);
TColor32 AverageColors(TColor32 C1, TColor32 C2);
TColor32 ScaleColor(TColor32 C, TColor32 W);
} // namespace blend_mmx

} // namespace qm
