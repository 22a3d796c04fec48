#pragma once
// The toolkit's small drawing types that every layer shares: points, rectangles and sizes,
// colours with the system-colour lookup, and font styles.
#include <cstdint>

class QColor;

namespace qm {

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};
using PRect = TRect*;

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Multiply-divide: A * B / C rounded half away from zero; -1 when C is 0 or the result does
// not fit 32 bits.
int32_t MulDiv(int32_t A, int32_t B, int32_t C);

// A toolkit colour: $00BBGGRR, or, when negative, a system colour whose low byte is the index.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clSystemColor = int32_t(0xFF000000);
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;

// The colour of a system-colour index (0..30) as $00BBGGRR, from the application palette.
TColor GetSysColor(int32_t Index);
// A toolkit colour resolved to $00BBGGRR (system colours looked up).
TColor ColorToRGB(TColor Color);
// A QColor for a toolkit colour, opaque.
QColor ToQColor(TColor Color);

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
enum TFontQuality : uint8_t { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };

} // namespace qm
