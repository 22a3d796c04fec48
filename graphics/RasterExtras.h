#pragma once
// Word-wrapped text in a rectangle of a bitmap, the same with one span marked as a clickable
// link, and a rectangle helper.
#include <cstdint>

#include "graphics/Raster.h"
#include "platform/AnsiString.h"

namespace qm {

// Horizontal alignment of each line: 0 left, 1 centred, 2 right; any other value draws
// nothing.
enum : uint8_t { taLeftJustify = 0, taCenter = 1, taRightJustify = 2 };

// Draws Text inside R in the bitmap's font and colour, breaking lines at blanks (and at a
// carriage return where a break is needed), each line clipped to R. A rectangle narrower than
// 20 pixels gets one clipped line. A word wider than R ends the text: the remaining lines
// come out empty until R has no height left.
void DrawWrappedText(TBitmap32& Bitmap, TRect R, const AnsiString& Text, uint8_t Align);

// As DrawWrappedText, with the part between the first two underscores drawn as a link (blue,
// underlined); text after a third underscore is not drawn. LinkRect receives the link's
// rectangle on the line that holds it (a text without a link gives a rectangle of zero width
// at the end of its first line); it is left alone when R is empty. Afterwards the font colour
// is clWindowText and underline is off.
void DrawLinkText(TBitmap32& Bitmap, TRect R, const AnsiString& Text, uint8_t Align, TRect& LinkRect);

// Text cut short with an ellipsis (character 133) so that it is at most MaxWidth pixels wide
// in the bitmap's font: the whole text when it fits, nothing when not even the ellipsis does.
AnsiString ShortenedText(TBitmap32& Bitmap, AnsiString Text, int32_t MaxWidth);

// R with each edge moved by its own amount.
TRect OffsetRectEdges(const TRect& R, int32_t DLeft, int32_t DTop, int32_t DRight, int32_t DBottom);

} // namespace qm
