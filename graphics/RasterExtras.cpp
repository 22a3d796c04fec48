#include "graphics/RasterExtras.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "util/ExtraStrUtils.h"

namespace qm {

namespace {

// The toolkit colour of link text: blue.
constexpr TColor LinkColor = 0xFF0000;

// The first line of Text that fits into Width: cut before the last blank or carriage return
// that lets it fit (empty when no such break exists). BreakPos receives the 1-based position
// of that break, 0 when there is none.
AnsiString FirstLine(TBitmap32& Bitmap, const AnsiString& Text, int64_t Width, size_t& BreakPos)
{
    AnsiString line = Text;
    BreakPos = 0;
    while (Bitmap.TextWidth(line) > Width) {
        size_t p = line.size();
        while (p > 0 && line[p - 1] != ' ' && line[p - 1] != '\r')
            --p;
        BreakPos = p;
        line = p > 0 ? line.substr(0, p - 1) : AnsiString();
    }
    return line;
}

// Text after the break, without the blanks and control characters that start it.
AnsiString RestAfter(const AnsiString& Text, size_t BreakPos)
{
    size_t i = BreakPos;
    while (i < Text.size() && static_cast<unsigned char>(Text[i]) <= ' ')
        ++i;
    return Text.substr(i);
}

int32_t Sat(int64_t V)
{
    return int32_t(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX));
}

// Where a line of the given width starts in R. Rectangles may span the whole integer range,
// so the arithmetic is done in 64 bits.
int32_t LineStart(const TRect& R, int32_t LineWidth, uint8_t Align)
{
    int64_t x = R.Left;
    if (Align == taCenter)
        x = R.Left + (int64_t(R.Right) - R.Left - LineWidth) / 2;
    else if (Align == taRightJustify)
        x = int64_t(R.Right) - LineWidth;
    return Sat(x);
}

// Moves R's top down by a line; false when no height is left for another.
bool NextLine(TRect& R, int32_t LineHeight)
{
    if (LineHeight <= 0 || int64_t(R.Top) + LineHeight >= R.Bottom)
        return false;
    R.Top += LineHeight;
    return true;
}

void SetLinkStyle(TBitmap32& Bitmap, bool Link)
{
    TFont& font = Bitmap.Font();
    font.SetColor(Link ? LinkColor : clWindowText);
    font.SetStyle(Link ? font.Style() | fsUnderline : font.Style() & ~fsUnderline);
}

// One line of link text at the top of R: the fields before, inside and after the
// underscores, the middle one as a link. Answers the link's rectangle.
TRect DrawLinkLine(TBitmap32& Bitmap, const TRect& R, const AnsiString& Line, uint8_t Align)
{
    AnsiString plain;
    for (char c : Line)
        if (c != '_')
            plain += c;
    const AnsiString before = GetDelimitedField("_", Line, 1);
    const AnsiString link = GetDelimitedField("_", Line, 2);
    const AnsiString after = GetDelimitedField("_", Line, 3);

    SetLinkStyle(Bitmap, false);
    const int32_t x = LineStart(R, Bitmap.TextWidth(plain), Align);
    Bitmap.DrawTextClipped(x, R.Top, R, before);
    const int32_t linkX = Sat(int64_t(x) + Bitmap.TextWidth(before));
    SetLinkStyle(Bitmap, true);
    Bitmap.DrawTextClipped(linkX, R.Top, R, link);
    const TSize linkSize = Bitmap.MeasureText(link);
    SetLinkStyle(Bitmap, false);
    Bitmap.DrawTextClipped(Sat(int64_t(linkX) + linkSize.cx), R.Top, R, after);
    return {linkX, R.Top, Sat(int64_t(linkX) + linkSize.cx), Sat(int64_t(R.Top) + linkSize.cy)};
}

} // namespace

void DrawWrappedText(TBitmap32& Bitmap, TRect R, const AnsiString& Text, uint8_t Align)
{
    if (Align > taRightJustify)
        return;
    const int64_t w = int64_t(R.Right) - R.Left;
    AnsiString text = Text;
    // One line per pass; the rectangle's top moves down by a line each time.
    while (w >= 1 && int64_t(R.Bottom) - R.Top >= 1) {
        AnsiString line = text;
        size_t breakPos = 0;
        const bool last = Bitmap.TextWidth(text) <= w || w < 20;
        if (!last)
            line = FirstLine(Bitmap, text, w, breakPos);
        Bitmap.DrawTextClipped(LineStart(R, Bitmap.TextWidth(line), Align), R.Top, R, line);
        if (last)
            return;
        AnsiString rest = RestAfter(text, breakPos);
        // A first word wider than the rectangle leaves the same remainder for ever: every
        // further line would be empty, so nothing more can be drawn.
        if (line.empty() && rest == text)
            return;
        if (!NextLine(R, Bitmap.TextHeight(rest)))
            return;
        text = std::move(rest);
    }
}

void DrawLinkText(TBitmap32& Bitmap, TRect R, const AnsiString& Text, uint8_t Align, TRect& LinkRect)
{
    if (Align > taRightJustify)
        return;
    const int64_t w = int64_t(R.Right) - R.Left;
    AnsiString text = Text;
    TRect scratch;
    TRect* target = &LinkRect;
    while (w >= 1 && int64_t(R.Bottom) - R.Top >= 1) {
        size_t breakPos = 0;
        const bool last = Bitmap.TextWidth(text) <= w || w < 20;
        const AnsiString line = last ? text : FirstLine(Bitmap, text, w, breakPos);
        *target = DrawLinkLine(Bitmap, R, line, Align);
        if (last)
            break;
        AnsiString rest = RestAfter(text, breakPos);
        if (line.empty() && rest == text)
            break; // a first word wider than the rectangle: only empty lines would follow
        if (!NextLine(R, Bitmap.TextHeight(rest)))
            break;
        target = rest.find('_') != AnsiString::npos ? &LinkRect : &scratch;
        text = std::move(rest);
    }
    SetLinkStyle(Bitmap, false);
}

AnsiString ShortenedText(TBitmap32& Bitmap, AnsiString Text, int32_t MaxWidth)
{
    static const AnsiString ellipsis = "\x85";
    if (Bitmap.TextWidth(Text) <= MaxWidth)
        return Text;
    while (!Text.empty() && Bitmap.TextWidth(Text + ellipsis) > MaxWidth)
        Text.pop_back();
    return Bitmap.TextWidth(Text + ellipsis) <= MaxWidth ? Text + ellipsis : AnsiString();
}

TRect OffsetRectEdges(const TRect& R, int32_t DLeft, int32_t DTop, int32_t DRight, int32_t DBottom)
{
    return {R.Left + DLeft, R.Top + DTop, R.Right + DRight, R.Bottom + DBottom};
}

} // namespace qm
