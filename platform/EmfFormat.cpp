#include "platform/EmfFormat.h"

namespace qm::emf {

void WriteLogFont(TRecordWriter& W, const TLogFont& Font)
{
    W.I32(Font.Height);
    W.I32(Font.Width);
    W.I32(Font.Escapement);
    W.I32(Font.Orientation);
    W.I32(Font.Weight);
    W.U8(Font.Italic);
    W.U8(Font.Underline);
    W.U8(Font.StrikeOut);
    W.U8(Font.CharSet);
    W.U8(Font.OutPrecision);
    W.U8(Font.ClipPrecision);
    W.U8(Font.Quality);
    W.U8(Font.PitchAndFamily);
    // 32 UTF-16 units, the name cut to 31 and ended with a null.
    size_t i = 0;
    for (; i < Font.FaceName.size() && i < 31; ++i)
        W.U16(uint16_t(Cp1252ToUnicode(uint8_t(Font.FaceName[i]))));
    for (; i < 32; ++i)
        W.U16(0);
}

TLogFont ReadLogFont(const uint8_t* p, size_t offset)
{
    const uint8_t* q = p + offset;
    TLogFont f;
    f.Height = I32(q, 0);
    f.Width = I32(q, 4);
    f.Escapement = I32(q, 8);
    f.Orientation = I32(q, 12);
    f.Weight = I32(q, 16);
    f.Italic = q[20];
    f.Underline = q[21];
    f.StrikeOut = q[22];
    f.CharSet = q[23];
    f.OutPrecision = q[24];
    f.ClipPrecision = q[25];
    f.Quality = q[26];
    f.PitchAndFamily = q[27];
    for (size_t i = 0; i < 32; ++i) {
        const uint16_t c = U16(q, 28 + 2 * i);
        if (c == 0)
            break;
        const int b = UnicodeToCp1252(c);
        f.FaceName.push_back(b < 0 ? '?' : char(b));
    }
    return f;
}

} // namespace qm::emf
