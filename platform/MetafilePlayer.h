#pragma once
// Plays enhanced-metafile records onto a QPainter the way the records' device would have
// drawn them: coordinates mapped and rounded to whole device pixels, lines without their
// last pixel, rectangles with their right and bottom edges left out, text at its logical
// size scaled onto the device.
#include <QRegion>
#include <QTransform>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/DeviceCanvas.h"
#include "platform/EmfFormat.h"

class QPainter;

namespace qm {

class TMetafilePlayer {
public:
    // Base maps the device pixels that the records' mapping yields onto the painter's
    // coordinates (it is combined with the painter's own transform). RefDpi is the
    // resolution the fixed-unit mapping modes measure against. The painter's state is saved
    // here and restored when the player is destroyed.
    TMetafilePlayer(QPainter& Painter, const QTransform& Base, double RefDpiX, double RefDpiY);
    ~TMetafilePlayer();
    TMetafilePlayer(const TMetafilePlayer&) = delete;
    TMetafilePlayer& operator=(const TMetafilePlayer&) = delete;

    // One record whose structure has been checked (CheckRecord); unknown types are skipped.
    void Play(const uint8_t* Record, uint32_t Size);
    // The painter coordinates of a logical rectangle under the present mapping.
    QRectF DeviceRect(const TRect& Logical) const;

private:
    struct TState {
        TMapping Mapping;
        emf::TLogPen Pen{emf::PS_SOLID, 0, 0};
        emf::TLogBrush Brush{emf::BS_SOLID, 0xFFFFFF};
        emf::TLogFont Font;
        std::shared_ptr<const TLogicalFont> Metrics;
        uint32_t TextColor = 0, BkColor = 0xFFFFFF, BkMode = emf::OPAQUE, TextAlign = 0;
        uint32_t Rop2 = emf::R2_COPYPEN;
        TPoint Position;
        std::optional<QRect> Clip; // device pixels
    };
    using TObject = std::variant<std::monostate, emf::TLogPen, emf::TLogBrush, emf::TLogFont>;

    QTransform Full() const; // logical to painter coordinates
    QPoint DevicePoint(int32_t X, int32_t Y) const;
    QRect DeviceBox(const TRect& R) const; // rounded corners, normalised
    int PenWidth() const;
    void ApplyClip();
    void SetCompositionForRop();
    void FillDevice(const QRect& R, uint32_t ColorRef);
    void Select(uint32_t Handle);
    const TLogicalFont& Metrics();

    void LineTo(const uint8_t* p);
    void Rectangle(const uint8_t* p);
    void FillRgn(const uint8_t* p);
    void TextOut(const uint8_t* p, uint32_t size);
    void Blt(const uint8_t* p, uint32_t size, bool stretch);

    QPainter& painter_;
    QTransform base_;
    std::optional<QRegion> baseClip_;
    TState s_;
    std::vector<TState> saved_;
    std::vector<TObject> objects_;
};

// Checks a record's structure against its type: the fixed part fits, and every offset and
// count inside it stays within the record. Unknown types pass. Answers an empty text or what
// is wrong.
std::string CheckRecord(const uint8_t* Record, uint32_t Size);

// The image a bit-block-transfer record carries (32, 24 or 8 bits per pixel, uncompressed);
// a null image when it carries none or one of another form.
QImage RecordBitmap(const uint8_t* Record, uint32_t Size, uint32_t OffBmi, uint32_t CbBmi, uint32_t OffBits,
                    uint32_t CbBits);

} // namespace qm
