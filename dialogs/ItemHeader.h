#pragma once
// The header the coupon, note, copy-item and category dialogs share: the category's name behind a
// 16 x 16 picture and, indented by 16 pixels under it, the item's name behind two such
// pictures, both in bold Arial 10 pt. The pictures are the item list's own glyphs.
#include <QPixmap>

class QLabel;
class QWidget;

namespace qm {

class TBitmap32List;

// Glyphs of the main window's item list that the headers and menus show.
enum : int {
    kGlyphCollapsedMarker = 0,
    kGlyphExpandedMarker = 1,
    kGlyphCategory = 3,
    kGlyphBuyMark = 4,
    kGlyphNote = 8,
    kGlyphCoupon = 10,
    kGlyphEditItem = 14,
};

// Glyph index of the list scaled to size x size pixels; an empty picture when the list has no
// such glyph.
QPixmap GlyphPicture(TBitmap32List& list, int index, int size = 16);

// Builds the header into parent (which gets a layout of its own): the category label first,
// the item label under it; itemGlyph is the second picture of the item line. The labels are
// named categoryLabelName and itemLabelName. Without the main window the pictures stay empty.
QWidget* MakeItemHeader(QWidget* parent, const char* categoryLabelName, QLabel*& categoryLabel,
                        const char* itemLabelName, QLabel*& itemLabel, int itemGlyph);

} // namespace qm
