#pragma once
// Fonts measured and drawn at their logical size. A canvas measures text in the logical units
// of its mapping, and the player draws it scaled from those units onto the device, so a text
// measures the same on a metafile, the screen and a printer, whatever their resolution.
// Kerning and hinting are off, so a text's width is the sum of its characters' advances.
#include <QFont>
#include <cstdint>
#include <memory>

#include "platform/EmfFormat.h"

namespace qm {

class TLogicalFont {
public:
    explicit TLogicalFont(const emf::TLogFont& LogFont);

    // The font at the logical character height.
    const QFont& Font() const { return font_; }
    // Cell metrics in logical units: baseline at Ascent below the cell's top; Height is
    // Ascent + Descent.
    int32_t Ascent() const { return ascent_; }
    int32_t Descent() const { return descent_; }
    int32_t Height() const { return ascent_ + descent_; }
    int32_t ExternalLeading() const { return leading_; }
    // The advance of one Windows-1252 character, in logical units (fractional).
    double Advance(uint8_t Ch) const;
    // The width of a text, rounded.
    int32_t TextWidth(std::string_view Text) const;
    // The rounded pen positions of a text's characters as distances between neighbours, so
    // that their sum is the text's width.
    void Advances(std::string_view Text, std::vector<int32_t>& Dx) const;

private:
    QFont font_;
    int32_t ascent_ = 0;
    int32_t descent_ = 0;
    int32_t leading_ = 0;
    mutable double advance_[256];
};

// The shared metrics of a logical font (fonts are made once and kept).
std::shared_ptr<const TLogicalFont> LogicalFont(const emf::TLogFont& LogFont);

} // namespace qm
