#pragma once
// The byte form of enhanced-metafile records: the record types, object and mode numbers this
// program writes and plays, the fixed record layouts, and little-endian field access.
//
// Every record starts with its type and its size in bytes (a multiple of 4, these 8 bytes
// included). A file is the header record, the drawing records, and the end-of-file record.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

namespace qm::emf {

// Record types.
constexpr uint32_t EMR_HEADER = 1;
constexpr uint32_t EMR_SETWINDOWEXTEX = 9;
constexpr uint32_t EMR_SETWINDOWORGEX = 10;
constexpr uint32_t EMR_SETVIEWPORTEXTEX = 11;
constexpr uint32_t EMR_SETVIEWPORTORGEX = 12;
constexpr uint32_t EMR_EOF = 14;
constexpr uint32_t EMR_SETMAPMODE = 17;
constexpr uint32_t EMR_SETBKMODE = 18;
constexpr uint32_t EMR_SETROP2 = 20;
constexpr uint32_t EMR_SETSTRETCHBLTMODE = 21;
constexpr uint32_t EMR_SETTEXTALIGN = 22;
constexpr uint32_t EMR_SETTEXTCOLOR = 24;
constexpr uint32_t EMR_SETBKCOLOR = 25;
constexpr uint32_t EMR_MOVETOEX = 27;
constexpr uint32_t EMR_INTERSECTCLIPRECT = 30;
constexpr uint32_t EMR_SAVEDC = 33;
constexpr uint32_t EMR_RESTOREDC = 34;
constexpr uint32_t EMR_SELECTOBJECT = 37;
constexpr uint32_t EMR_CREATEPEN = 38;
constexpr uint32_t EMR_CREATEBRUSHINDIRECT = 39;
constexpr uint32_t EMR_DELETEOBJECT = 40;
constexpr uint32_t EMR_RECTANGLE = 43;
constexpr uint32_t EMR_LINETO = 54;
constexpr uint32_t EMR_SELECTCLIPRGN = 67;
constexpr uint32_t EMR_FILLRGN = 71;
constexpr uint32_t EMR_BITBLT = 76;
constexpr uint32_t EMR_STRETCHBLT = 77;
constexpr uint32_t EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr uint32_t EMR_EXTTEXTOUTW = 84;

// Header record.
constexpr uint32_t ENHMETA_SIGNATURE = 0x464D4520; // " EMF"
constexpr uint32_t ENHMETA_VERSION = 0x00010000;
constexpr uint32_t HeaderSize = 108;   // with both header extensions
constexpr uint32_t MinHeaderSize = 88; // without them
constexpr uint32_t EofSize = 20;

// Fixed parts of the records with a variable tail.
constexpr uint32_t ExtTextOutFixedSize = 76;
constexpr uint32_t BitBltFixedSize = 100;
constexpr uint32_t StretchBltFixedSize = 108;
constexpr uint32_t LogFontSize = 92;
constexpr uint32_t BitmapInfoHeaderSize = 40;
constexpr uint32_t RegionHeaderSize = 32;

// Stock objects: SELECTOBJECT with the high bit set.
constexpr uint32_t STOCK_OBJECT = 0x80000000;
constexpr uint32_t WHITE_BRUSH = 0;
constexpr uint32_t LTGRAY_BRUSH = 1;
constexpr uint32_t GRAY_BRUSH = 2;
constexpr uint32_t DKGRAY_BRUSH = 3;
constexpr uint32_t BLACK_BRUSH = 4;
constexpr uint32_t NULL_BRUSH = 5;
constexpr uint32_t WHITE_PEN = 6;
constexpr uint32_t BLACK_PEN = 7;
constexpr uint32_t NULL_PEN = 8;
constexpr uint32_t SYSTEM_FONT = 13;
constexpr uint32_t DEFAULT_GUI_FONT = 17;

// Mapping modes.
constexpr uint32_t MM_TEXT = 1;
constexpr uint32_t MM_LOMETRIC = 2;
constexpr uint32_t MM_HIMETRIC = 3;
constexpr uint32_t MM_LOENGLISH = 4;
constexpr uint32_t MM_HIENGLISH = 5;
constexpr uint32_t MM_TWIPS = 6;
constexpr uint32_t MM_ISOTROPIC = 7;
constexpr uint32_t MM_ANISOTROPIC = 8;

// Background modes, binary raster operations, stretch modes.
constexpr uint32_t TRANSPARENT = 1;
constexpr uint32_t OPAQUE = 2;
constexpr uint32_t R2_NOT = 6;
constexpr uint32_t R2_XORPEN = 7;
constexpr uint32_t R2_COPYPEN = 13;
constexpr uint32_t COLORONCOLOR = 3;

// Text alignment bits.
constexpr uint32_t TA_LEFT = 0;
constexpr uint32_t TA_RIGHT = 2;
constexpr uint32_t TA_CENTER = 6;
constexpr uint32_t TA_TOP = 0;
constexpr uint32_t TA_BOTTOM = 8;
constexpr uint32_t TA_BASELINE = 24;

// Text output options.
constexpr uint32_t ETO_OPAQUE = 2;
constexpr uint32_t ETO_CLIPPED = 4;

// Pen styles (low bits) and brush styles.
constexpr uint32_t PS_SOLID = 0;
constexpr uint32_t PS_DASH = 1;
constexpr uint32_t PS_DOT = 2;
constexpr uint32_t PS_DASHDOT = 3;
constexpr uint32_t PS_DASHDOTDOT = 4;
constexpr uint32_t PS_NULL = 5;
constexpr uint32_t PS_INSIDEFRAME = 6;
constexpr uint32_t PS_STYLE_MASK = 0x0F;
constexpr uint32_t BS_SOLID = 0;
constexpr uint32_t BS_NULL = 1;

// Raster operations of the bit-block transfers.
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t PATCOPY = 0x00F00021;
constexpr uint32_t BLACKNESS = 0x00000042;
constexpr uint32_t WHITENESS = 0x00FF0062;

// Region modes, bitmap compression, colour usage.
constexpr uint32_t RGN_COPY = 5;
constexpr uint32_t RDH_RECTANGLES = 1;
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t DIB_RGB_COLORS = 0;
constexpr uint32_t GM_COMPATIBLE = 1;

// The font fields of a logical font record, as this program uses them.
struct TLogFont {
    int32_t Height = 0; // negative: character height; positive: cell height (logical units)
    int32_t Width = 0;
    int32_t Escapement = 0;
    int32_t Orientation = 0;
    int32_t Weight = 400;
    uint8_t Italic = 0;
    uint8_t Underline = 0;
    uint8_t StrikeOut = 0;
    uint8_t CharSet = 1;
    uint8_t OutPrecision = 0;
    uint8_t ClipPrecision = 0;
    uint8_t Quality = 0;
    uint8_t PitchAndFamily = 0;
    AnsiString FaceName; // at most 31 characters are stored
    friend bool operator==(const TLogFont&, const TLogFont&) = default;
};

struct TLogPen {
    uint32_t Style = PS_SOLID;
    int32_t Width = 0; // logical units; 0 is one device pixel
    uint32_t Color = 0;
    friend bool operator==(const TLogPen&, const TLogPen&) = default;
};

struct TLogBrush {
    uint32_t Style = BS_SOLID;
    uint32_t Color = 0xFFFFFF;
    friend bool operator==(const TLogBrush&, const TLogBrush&) = default;
};

// Little-endian field access on a record's bytes. The readers take the record's own bytes
// and an offset the caller has checked against the record's size.
inline uint32_t U32(const uint8_t* p, size_t offset)
{
    const uint8_t* q = p + offset;
    return uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
}
inline int32_t I32(const uint8_t* p, size_t offset)
{
    return int32_t(U32(p, offset));
}
inline uint16_t U16(const uint8_t* p, size_t offset)
{
    return uint16_t(p[offset] | p[offset + 1] << 8);
}
inline float F32(const uint8_t* p, size_t offset)
{
    const uint32_t bits = U32(p, offset);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline TRect RectAt(const uint8_t* p, size_t offset)
{
    return {I32(p, offset), I32(p, offset + 4), I32(p, offset + 8), I32(p, offset + 12)};
}

// Builds one record: Begin(type), the fields, then Finish() pads to 4 and fills in the size.
class TRecordWriter {
public:
    explicit TRecordWriter(std::vector<uint8_t>& Out) : out_(Out) {}
    void Begin(uint32_t Type)
    {
        start_ = out_.size();
        U32(Type);
        U32(0);
    }
    void U32(uint32_t v)
    {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        out_.insert(out_.end(), b, b + 4);
    }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void U16(uint16_t v)
    {
        out_.push_back(uint8_t(v));
        out_.push_back(uint8_t(v >> 8));
    }
    void U8(uint8_t v) { out_.push_back(v); }
    void F32(float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
    void Rect(const TRect& r)
    {
        I32(r.Left);
        I32(r.Top);
        I32(r.Right);
        I32(r.Bottom);
    }
    void Bytes(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    // Pads to a multiple of 4 and stores the size; answers the record's size.
    uint32_t Finish()
    {
        while ((out_.size() - start_) % 4)
            out_.push_back(0);
        const uint32_t size = uint32_t(out_.size() - start_);
        for (int i = 0; i < 4; ++i)
            out_[start_ + 4 + size_t(i)] = uint8_t(size >> (8 * i));
        return size;
    }

private:
    std::vector<uint8_t>& out_;
    size_t start_ = 0;
};

// The logical font stored as the 92-byte record field (face name as UTF-16, 32 units with
// the terminating null), and read back.
void WriteLogFont(TRecordWriter& W, const TLogFont& Font);
TLogFont ReadLogFont(const uint8_t* p, size_t offset);

} // namespace qm::emf
