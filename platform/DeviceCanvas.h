#pragma once
// A drawing surface over a device whose coordinates are mapped: the canvas of a metafile
// being recorded (Metafile.h) or of a painter's device drawn at once (a printer page, a
// bitmap, the screen). Both turn every drawing step into an enhanced-metafile record; the
// metafile keeps the records, the painter canvas plays each one at once, so a page looks the
// same recorded and played back as drawn directly.
//
// Coordinates are logical units; the mapping mode, window and viewport turn them into device
// pixels. Fonts, pens and brushes take effect at the next drawing step that uses them.
// Text is measured at its logical size (LogicalFont.h), so it measures the same on every
// device.
#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/EmfFormat.h"
#include "platform/GraphicsTypes.h"

class QImage;
class QPainter;

namespace qm {

class TLogicalFont;
class TMetafile;
class TMetafilePlayer;

// Pixels per inch of the reference device that metafiles are recorded against: the screen.
constexpr int32_t ReferencePixelsPerInch = 96;

// The change count of a font, pen or brush: every setter that changes a field counts one, and a
// canvas compares the count to know when to record and select the object again.
class TVersioned {
public:
    uint32_t Version() const { return version_; }

protected:
    template <class T, class V> void Set(T& field, const V& value)
    {
        if (field == value)
            return;
        field = value;
        ++version_;
    }

private:
    uint32_t version_ = 1;
};

// A font of a device canvas. Height is in the canvas's logical units (negative: character
// height, positive: cell height); Size is in points at PixelsPerInch logical units per inch.
class TDeviceFont : public TVersioned {
public:
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& Value) { Set(name_, Value); }
    int32_t Height() const { return height_; }
    void SetHeight(int32_t Value) { Set(height_, Value); }
    // -Height * 72 / PixelsPerInch, rounded.
    int32_t Size() const;
    // Height := -Value * PixelsPerInch / 72, rounded.
    void SetSize(int32_t Value);
    // Logical units per inch; changing it keeps Height (set Size again to keep the size).
    int32_t PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int32_t Value) { Set(pixelsPerInch_, Value); }
    TColor Color() const { return color_; }
    void SetColor(TColor Value) { Set(color_, Value); }
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles Value) { Set(style_, Value); }
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch Value) { Set(pitch_, Value); }
    uint8_t Charset() const { return charset_; }
    void SetCharset(uint8_t Value) { Set(charset_, Value); }

    // Copies name, style, pitch, character set and colour; the height when both fonts have
    // the same PixelsPerInch, else the point size (this font keeps its PixelsPerInch).
    void Assign(const TDeviceFont& Source);
    // The record form of the font.
    emf::TLogFont LogFont() const;

private:
    AnsiString name_ = "Arial";
    int32_t height_ = -11; // 8 points at 96 per inch
    int32_t pixelsPerInch_ = ReferencePixelsPerInch;
    TColor color_ = clBlack; // drawn on paper, whatever the window theme
    TFontStyles style_ = 0;
    TFontPitch pitch_ = fpDefault;
    uint8_t charset_ = 1; // default character set
};

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen and brush combine with what is there: copy, invert the destination, or xor.
enum TPenMode : uint8_t { pmCopy, pmNot, pmXor };
enum TBrushStyle : uint8_t { bsSolid, bsClear };

class TPen : public TVersioned {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor Value) { Set(color_, Value); }
    // Logical units; 0 draws one device pixel wide.
    int32_t Width() const { return width_; }
    void SetWidth(int32_t Value) { Set(width_, Value < 0 ? 0 : Value); }
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle Value) { Set(style_, Value); }
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode Value) { Set(mode_, Value); }
    void Assign(const TPen& Source);

private:
    TColor color_ = clBlack;
    int32_t width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

// A solid brush also makes text backgrounds opaque in its colour; a clear one draws text
// transparently and leaves rectangles unfilled.
class TBrush : public TVersioned {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor Value) { Set(color_, Value); }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle Value) { Set(style_, Value); }
    void Assign(const TBrush& Source);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

// The mapping of logical coordinates to device pixels: a mapping mode (emf::MM_...), the
// window and viewport origins and extents, and the device's pixels per inch for the modes of
// fixed units (those run y upwards).
struct TMapping {
    uint32_t Mode = emf::MM_TEXT;
    TPoint WindowOrg, ViewportOrg;
    TSize WindowExt{1, 1}, ViewportExt{1, 1};
    double DpiX = ReferencePixelsPerInch, DpiY = ReferencePixelsPerInch;

    // Device = (logical - WindowOrg) * ScaleX + ViewportOrg, and the same for y.
    double ScaleX() const;
    double ScaleY() const;
    QTransform Transform() const;
};

class TDeviceCanvas {
public:
    TDeviceCanvas(const TDeviceCanvas&) = delete;
    TDeviceCanvas& operator=(const TDeviceCanvas&) = delete;
    virtual ~TDeviceCanvas();

    TDeviceFont& Font() { return font_; }
    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }

    // The device: its resolution and the offset of its printable area from the paper's
    // corner, in device pixels (0 but on printers).
    int32_t PixelsPerInchX() const { return dpiX_; }
    int32_t PixelsPerInchY() const { return dpiY_; }
    TPoint PhysicalOffset() const { return physicalOffset_; }
    void SetPhysicalOffset(const TPoint& Value) { physicalOffset_ = Value; }

    // Mapping (recorded as records, so playback maps alike).
    uint32_t MapMode() const { return mapping_.Mode; }
    void SetMapMode(uint32_t Mode);
    void SetWindowOrg(int32_t X, int32_t Y);
    void SetWindowExt(int32_t CX, int32_t CY);
    void SetViewportOrg(int32_t X, int32_t Y);
    void SetViewportExt(int32_t CX, int32_t CY);
    const TMapping& Mapping() const { return mapping_; }

    // The text background: emf::TRANSPARENT or emf::OPAQUE (in the brush colour). The brush is
    // applied first, so the mode holds until the brush changes (which sets it from the
    // brush's style again).
    void SetBkMode(uint32_t Mode);

    // Lines: from the pen position to (X, Y), the end point left out; the pen moves there.
    TPoint PenPos() const { return penPos_; }
    void MoveTo(int32_t X, int32_t Y);
    void LineTo(int32_t X, int32_t Y);
    // Outlined with the pen (inside the rectangle for psInsideFrame), filled with the brush;
    // right and bottom exclusive.
    void Rectangle(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    // Filled with the brush (nothing with a clear one); no outline.
    void FillRect(const TRect& R);

    // Text with its cell's top-left corner at (X, Y), in the font's colour, over the brush
    // colour unless the background is transparent. TextRect clips it to R (and fills R
    // first when the brush is solid).
    void TextOut(int32_t X, int32_t Y, std::string_view Text);
    void TextRect(const TRect& R, int32_t X, int32_t Y, std::string_view Text);
    // The text's advance and the font's cell height, in logical units.
    TSize TextExtent(std::string_view Text);
    int32_t TextWidth(std::string_view Text) { return TextExtent(Text).cx; }
    int32_t TextHeight(std::string_view Text) { return TextExtent(Text).cy; }
    // Ascent, descent and external leading of the current font (logical units).
    const TLogicalFont& FontMetrics();

    // Bit-block transfers: the image's pixels over as many logical units, or stretched into
    // R; they replace what is under them.
    void Draw(int32_t X, int32_t Y, const QImage& Image);
    void StretchDraw(const TRect& R, const QImage& Image);

    // Clipping: the clip region becomes its overlap with R; ResetClipRect removes it.
    void IntersectClipRect(const TRect& R);
    void ResetClipRect();

protected:
    TDeviceCanvas(int32_t PixelsPerInchX, int32_t PixelsPerInchY);

    // Where the next record is built; Recorded is called with the record's start once it is
    // complete (a painter canvas plays it there).
    virtual std::vector<uint8_t>& Out() = 0;
    virtual void Recorded(size_t Start) = 0;
    // The device-pixel bounds of a drawing step (logical bounds mapped), for the header.
    virtual bool WantsBounds() const { return false; }
    virtual void AddBounds(const TRect& DeviceBounds) {}

    // The object handle indices used so far, and the index the next one may start at.
    uint32_t HandleCount() const { return handleCount_; }
    void SetFirstHandle(uint32_t First)
    {
        firstHandle_ = std::max<uint32_t>(1, First);
        handleCount_ = std::max(handleCount_, firstHandle_);
    }
    // Selects the stock objects and deletes every object this canvas created.
    void ReleaseObjects();
    void AddLogicalBounds(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom);

private:
    void RequireFont();
    void RequirePen();
    void RequireBrush();
    void RequirePenPos();
    uint32_t NewHandle();
    void Select(uint32_t Handle);
    void DeleteHandle(uint32_t Handle);
    // Builds one record of Type in Out(), its fields written by Body, and hands it to Recorded.
    template <class F> void Record(uint32_t Type, F&& Body)
    {
        auto& out = Out();
        const size_t start = out.size();
        emf::TRecordWriter w(out);
        w.Begin(Type);
        Body(w);
        w.Finish();
        Recorded(start);
    }
    // Records a new object (its handle, then Body's fields), selects it and deletes the one it
    // replaces in Handle.
    template <class F> void ReplaceObject(uint32_t Type, uint32_t& Handle, F&& Body)
    {
        const uint32_t h = NewHandle();
        Record(Type, [&](emf::TRecordWriter& w) {
            w.U32(h);
            Body(w);
        });
        Select(h);
        if (Handle != 0)
            DeleteHandle(Handle);
        Handle = h;
    }
    void Simple(uint32_t Type, uint32_t Value);
    void PointRecord(uint32_t Type, int32_t X, int32_t Y);
    // Answers the width of the text in logical units.
    int32_t TextRecord(const TRect* Clip, int32_t X, int32_t Y, std::string_view Text);
    void BltRecord(bool Stretch, const TRect& Dest, const QImage& Image);

    TDeviceFont font_;
    TPen pen_;
    TBrush brush_;
    TMapping mapping_;
    int32_t dpiX_, dpiY_;
    TPoint physicalOffset_;
    TPoint penPos_, recordedPenPos_;

    // What the recorded state holds.
    uint32_t fontVersion_ = 0, penVersion_ = 0, brushVersion_ = 0;
    emf::TLogFont recordedFont_;
    emf::TLogPen recordedPen_;
    emf::TLogBrush recordedBrush_;
    uint32_t fontHandle_ = 0, penHandle_ = 0, brushHandle_ = 0; // 0: a stock object
    uint32_t textColor_ = 0, bkColor_ = 0xFFFFFF, bkMode_ = emf::OPAQUE, rop2_ = emf::R2_COPYPEN;
    std::vector<bool> handleUsed_;
    uint32_t firstHandle_ = 1; // index 0 is reserved
    uint32_t handleCount_ = 1;
    std::shared_ptr<const TLogicalFont> metrics_;
    uint32_t metricsVersion_ = 0;
    std::vector<int32_t> dx_;
};

// A canvas on a painter's device: every step is drawn at once. The painter's transform at
// creation maps device pixels onto its device (identity for a printer or a bitmap).
class TPainterCanvas : public TDeviceCanvas {
public:
    // PixelsPerInch of the device; 0 takes the painter's device's own.
    explicit TPainterCanvas(QPainter& Painter, int32_t PixelsPerInchX = 0, int32_t PixelsPerInchY = 0);
    ~TPainterCanvas() override;

    QPainter& Painter() { return painter_; }
    // Plays a metafile so that its frame fills R (logical coordinates of this canvas).
    void StretchDraw(const TRect& R, const TMetafile& Metafile);
    using TDeviceCanvas::StretchDraw;

protected:
    std::vector<uint8_t>& Out() override { return buffer_; }
    void Recorded(size_t Start) override;

private:
    QPainter& painter_;
    std::unique_ptr<TMetafilePlayer> player_;
    std::vector<uint8_t> buffer_;
};

} // namespace qm
