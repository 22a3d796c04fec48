#pragma once
// The header the coupon, note, copy-item and category dialogs share: the category's name behind a
// 16 x 16 picture and, indented by 16 pixels under it, the item's name behind two such
// pictures, both in bold Arial 10 pt. The pictures are the item list's own glyphs.
#include <QImage>
#include <QPixmap>

class QLabel;
class QWidget;

namespace qm {

class TBitmap32List;
class TMainShared;

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

// Glyph index of the list; a null image when the list has no such glyph.
QImage GlyphImage(TBitmap32List& list, int index);
// A glyph scaled to size x size pixels; an empty picture for a null image.
QPixmap GlyphPicture(const QImage& glyph, int size = 16);
QPixmap GlyphPicture(TBitmap32List& list, int index, int size = 16);

// Builds the header into parent (which gets a layout of its own): the category label first,
// the item label under it; itemGlyph is the second picture of the item line. The labels are
// named categoryLabelName and itemLabelName; the pictures are the main window's item glyphs.
QWidget* MakeItemHeader(TMainShared& main, QWidget* parent, const char* categoryLabelName,
                        QLabel*& categoryLabel, const char* itemLabelName, QLabel*& itemLabel, int itemGlyph);

} // namespace qm
