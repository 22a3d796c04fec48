#pragma once
// The 32-bit bitmap every list, caption bar and glyph is drawn on, its colour and rectangle
// helpers, the pixel accessors that resamplers sample through, and the sampler base class.
//
// A bitmap's pixel array is Width x Height TColor32, top row first, no padding. It is wrapped
// without copying in a QImage (Format_ARGB32, whose memory layout is TColor32's), the
// bitmap's "device context", so that text and pictures drawn with QPainter land in the very
// pixels the library's own routines address.
//
// Every change is announced through OnChange and OnAreaChanged. Update brackets
// (IncUpdateCount/DecUpdateCount) hold announcements back; closing a bracket announces
// nothing, the caller reports the change itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "graphics/RasterCanvas.h"
#include "graphics/RasterMath.h"
#include "graphics/RasterPersistent.h"
#include "graphics/RasterTypes.h"
#include "platform/Exception.h"

class QImage;
class QPixmap;
class QIcon;
class QIODevice;
class QPainter;

namespace qm {

class TMetafile;

// ---- Colours ------------------------------------------------------------------------------

inline TColor32 Color32(uint8_t R, uint8_t G, uint8_t B, uint8_t A = 255)
{
    return TColor32(A) << 24 | TColor32(R) << 16 | TColor32(G) << 8 | B;
}
inline uint8_t AlphaComponent(TColor32 C)
{
    return uint8_t(C >> 24);
}
inline uint8_t RedComponent(TColor32 C)
{
    return uint8_t(C >> 16);
}
inline uint8_t GreenComponent(TColor32 C)
{
    return uint8_t(C >> 8);
}
inline uint8_t BlueComponent(TColor32 C)
{
    return uint8_t(C);
}

// A toolkit colour as an opaque TColor32; system colours take their current value.
TColor32 ColorToColor32(TColor WinColor);
// The colour's low 24 bits with alpha NewAlpha clamped to 0..255.
TColor32 SetColor32Alpha(TColor32 Color32, int32_t NewAlpha);

// ---- Rectangles and points ----------------------------------------------------------------

// Rounding of rectangle edges: to nearest, outward, inward.
enum TRectRounding : uint8_t { rrClosest, rrOutside, rrInside };

inline TPoint MakePoint(int32_t X, int32_t Y)
{
    return {X, Y};
}
// Integer and fixed-point rectangles share the TRect type.
inline TRect MakeRect(int32_t L, int32_t T, int32_t R, int32_t B)
{
    return {L, T, R, B};
}
TRect RectFromFloatRect(const TFloatRect& FR, TRectRounding Rounding = rrClosest);
TRect RectFromFixedRect(const TRect& FXR, TRectRounding Rounding = rrClosest);
TRect FixedRectFromRect(const TRect& R);
TFloatRect FloatRectFromRect(const TRect& R);
// Dst := the overlap of R1 and R2; an empty overlap gives (0, 0, 0, 0) and false.
bool IntersectRects(TRect& Dst, const TRect& R1, const TRect& R2);
bool EqualRects(const TRect& R1, const TRect& R2);
void OffsetRectBy(TRect& R, int32_t Dx, int32_t Dy);
bool IsRectEmpty32(const TRect& R);
bool PointInRect(const TRect& R, const TPoint& P);

// ---- Events -------------------------------------------------------------------------------

enum TDrawMode : uint8_t { dmOpaque, dmBlend, dmCustom, dmTransparent };

// Bit 31: the area is a rectangle. Bit 30: a line between the area's corners, its width in
// the low 24 bits.
constexpr uint32_t AREAINFO_RECT = 0x80000000u;
constexpr uint32_t AREAINFO_LINE = 0x40000000u;
constexpr uint32_t AREAINFO_MASK = 0xFF000000u;

using TAreaChangedEvent = std::function<void(TObject* Sender, const TRect& Area, uint32_t Info)>;
// F foreground, B the background pixel to update, M the master alpha.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;

// ---- Samplers -----------------------------------------------------------------------------

// Reads one colour at an integer, 16.16 or floating-point position. Each form defaults to
// another (integer -> fixed -> float -> fixed), so a descendant overrides the fixed or the
// float form at least.
class TCustomSampler : public TNotifiablePersistent {
public:
    QM_RASTER_CLASS(TCustomSampler, TNotifiablePersistent)

    virtual TColor32 GetSampleInt(int32_t X, int32_t Y);
    virtual TColor32 GetSampleFixed(TFixed X, TFixed Y);
    virtual TColor32 GetSampleFloat(float X, float Y);
    virtual void PrepareSampling() {}
    virtual void FinalizeSampling() {}
    virtual bool HasBounds() const { return false; }
    // The whole integer plane unless a descendant knows better.
    virtual TRect GetSampleBounds() const;
};

class TBitmap32;

// Moves pixels of a source bitmap into a destination rectangle of another size.
class TCustomResampler : public TCustomSampler {
public:
    QM_RASTER_CLASS(TCustomResampler, TCustomSampler)

    // Half the filter's width in source pixels.
    virtual float GetWidth() const = 0;
    virtual void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, TBitmap32& Src,
                          const TRect& SrcRect, TDrawMode CombineOp,
                          const TPixelCombineEvent& CombineCallBack) = 0;
};

// ---- Stored property "Data" ---------------------------------------------------------------

// What a layout writer or reader hands to an object for its binary properties.
class TFiler {
public:
    virtual ~TFiler() = default;
    // The object the written one is compared with (an inherited layout); null when none.
    const TPersistent* Ancestor = nullptr;
    virtual void DefineBinaryProperty(const char* Name, const std::function<void(QIODevice&)>& ReadData,
                                      const std::function<void(QIODevice&)>& WriteData, bool HasData) = 0;
};

// ---- The bitmap ---------------------------------------------------------------------------

class TBitmap32 : public TCustomMap {
public:
    QM_RASTER_CLASS(TBitmap32, TCustomMap)

    // Empty (0 x 0), dmOpaque, cmBlend, wmClamp, MasterAlpha 255, OuterColor 0, a nearest
    // resampler.
    TBitmap32();
    // Fires neither OnChange nor OnAreaChanged; OnResize fires when the bitmap was not empty.
    ~TBitmap32() override;
    TBitmap32(const TBitmap32&) = delete;
    TBitmap32& operator=(const TBitmap32&) = delete;

    // Events (OnChange and OnResize come from the ancestors).
    TNotifyEvent OnHandleChanged;
    TPixelCombineEvent OnPixelCombine;
    TAreaChangedEvent OnAreaChanged;

    // Storage.
    TColor32* PixelData() const { return FPixelData; }
    // The wrapped pixel array; null when empty. Paint on it, but keep no copy of it: a
    // shared QImage detaches when painted on, and the painting would miss the pixels.
    QImage* DC() const { return FDC.get(); }
    bool IsEmpty() const override;
    void ResetToEmpty() override { SetSize(0, 0); }
    // On failure ("Can't allocate the DIB handle", "Can't create compatible DC") the bitmap
    // is left 0 x 0 and the exception passes on.
    void ChangeSize(int32_t& AWidth, int32_t& AHeight, int32_t NewWidth, int32_t NewHeight) override;
    TRect BoundsRect() const { return {0, 0, Width, Height}; }

    // Change notification.
    void NotifyChanged() override;
    virtual void NotifyAreaChanged(const TRect& Area, uint32_t Info);
    bool Measuring() const { return FMeasuring; }
    // While measuring, nothing is drawn; every report goes to Callback, brackets or not.
    void StartMeasuring(const TAreaChangedEvent& Callback);
    void StopMeasuring();

    // Clip rectangle.
    const TRect& ClipRect() const { return FClipRect; }
    const TRect& ClipRectFixed16() const { return FClipRectFixed16; }
    const TRect& ClipRectFixed8() const { return FClipRectFixed8; }
    bool Clipping() const { return FClipping; }
    void SetClipRect(const TRect& Value);
    void ResetClipRect() { SetClipRect(BoundsRect()); }

    // Properties; each setter announces a change only when the value differs.
    TDrawMode DrawMode() const { return FDrawMode; }
    void SetDrawMode(TDrawMode Value);
    TCombineMode CombineMode() const { return FCombineMode; }
    void SetCombineMode(TCombineMode Value);
    TWrapMode WrapMode() const { return FWrapMode; }
    void SetWrapMode(TWrapMode Value);
    uint32_t MasterAlpha() const { return FMasterAlpha; }
    void SetMasterAlpha(uint32_t Value);
    TColor32 OuterColor() const { return FOuterColor; }
    void SetOuterColor(TColor32 Value) { FOuterColor = Value; }
    TCustomResampler* Resampler() const { return FResampler; }
    // Takes ownership; the previous resampler is freed. Null or the current one is ignored.
    void SetResampler(TCustomResampler* Value);
    AnsiString ResamplerClassName() const;
    // Replaces the resampler by a new one of the registered class of that name; an empty
    // name, the current name or an unknown one changes nothing.
    void SetResamplerClassName(const AnsiString& Value);

    // Whole-bitmap operations.
    void ClearTo(TColor32 Color);
    void SetAllAlpha(TColor32 Alpha = 255);
    virtual void CopyPixelsTo(TBitmap32& Target) const;
    virtual void CopyPropertiesTo(TBitmap32& Target) const;

    // Pixel accessors: no events; the caller owns the bounds of the unchecked ones.
    TColor32& PixelAt(int32_t X, int32_t Y) { return FPixelData[ptrdiff_t(X) + ptrdiff_t(Y) * Width]; }
    TColor32* PixelAddress(int32_t X, int32_t Y) const
    {
        return FPixelData + (ptrdiff_t(X) + ptrdiff_t(Y) * Width);
    }
    TColor32* RowAddress(int32_t Y) const { return FPixelData + ptrdiff_t(Y) * Width; }
    TColor32 PixelAtChecked(int32_t X, int32_t Y) const;
    void SetPixelChecked(int32_t X, int32_t Y, TColor32 Value);
    void SetPixelBlendedChecked(int32_t X, int32_t Y, TColor32 Value);
    // Bilinear readers; X and Y in 24.8 (SampleBilinear256) or 16.16 fixed point.
    TColor32 SampleBilinear256(int32_t X, int32_t Y) const;
    TColor32 SampleBilinear256Checked(int32_t X, int32_t Y) const;
    TColor32 SampleFixed(TFixed X, TFixed Y) const;
    TColor32 SampleFixedChecked(TFixed X, TFixed Y) const;
    // Coordinates folded into ClipRect by WrapMode.
    TColor32 PixelWrapped(int32_t X, int32_t Y) const;
    TColor32 SampleFixedWrapped(TFixed X, TFixed Y) const;

    // Font, canvas and text.
    TFont& Font() { return *FFont; }
    const TFont& Font() const { return *FFont; }
    // Copies the given font's attributes; takes effect at the next text operation.
    void SetFont(const TFont& Value);
    // Created on first request, freed when the size changes.
    TCanvas& Canvas();
    bool CanvasAllocated() const { return FCanvas != nullptr; }
    // Selects the font for the next text output (and resolves the text colour).
    void SelectFontIntoDC();
    void DropSelectedFont();
    // Non-zero while a font is selected into the device context.
    uintptr_t SelectedFont() const { return FSelectedFont; }
    // The selected font and text colour the next text output uses.
    const QFont& SelectedQFont() const { return FSelectedQFont; }
    TColor TextColor() const { return FTextColor; }
    TSize MeasureText(const AnsiString& Text);
    int32_t TextWidth(const AnsiString& Text) { return MeasureText(Text).cx; }
    int32_t TextHeight(const AnsiString& Text) { return MeasureText(Text).cy; }

    // Copies the whole bitmap, unscaled and replacing what is there, to (X, Y).
    void PaintToDC(QPainter& Painter, int32_t X, int32_t Y) const;

    // Assignment. Each AssignFromSource form runs inside an update bracket and ends with
    // NotifyChanged, also when it fails.
    void Assign(const TPersistent* Source) override { AssignFromSource(Source); }
    // Null empties the bitmap; a TBitmap32 gives its pixels and properties; anything else
    // raises EConvertError.
    void AssignFromSource(const TPersistent* Source);
    // A toolkit bitmap. Formats other than 32 bits per pixel come in opaque; with
    // Transparent, pixels of TransparentColor get alpha 0.
    void AssignFromSource(const QImage& Source, bool Transparent = false, TColor TransparentColor = 0);
    void AssignFromSource(const QPixmap& Source, bool Transparent = false, TColor TransparentColor = 0);
    // An icon at the given size, by rendering it twice (on white and on red) to find the
    // pixels it covers: those become opaque, the others alpha 0.
    void AssignFromSource(const QIcon& Source, int32_t AWidth, int32_t AHeight);
    // A metafile at its own size, by rendering it twice (on white and on red) to find the
    // pixels it covers: those become opaque, the others alpha 0.
    void AssignFromSource(const TMetafile& Source);
    // The system clipboard's image; an empty clipboard empties the bitmap.
    void AssignFromClipboard();
    // A 32-bit copy of the pixels.
    void AssignToTarget(QImage& Target) const;
    void AssignToTarget(QPixmap& Target) const;
    void AssignToClipboard() const;
    // A metafile of the bitmap's size holding one bit-block transfer of its pixels (opaque).
    void AssignToTarget(TMetafile& Target) const;

    // The stored binary property "Data": width, height (signed 32-bit, little-endian), then
    // the pixels row by row as they lie in memory.
    virtual void DefineStoredData(TFiler& Filer);
    // A stream shorter than its header announces raises EInOutError after the size is set;
    // the pixels read so far stay.
    virtual void ReadData(QIODevice& Stream);
    virtual void WriteData(QIODevice& Stream) const;
    // Both empty, or same class, size and pixels.
    bool Equals(const TBitmap32* Other) const;

    const TPropList& PublishedProperties() const override;

    // Drawing: lines, fills, text and transfer
    //
    // Every clipped operation draws only inside ClipRect and reports what it touched; while
    // Measuring it draws nothing and only reports. The unclipped primitives (DrawHorzLine,
    // DrawVertLine, their blended forms and FillRectUnclipped) must be given coordinates
    // inside the bitmap. Blended operations combine with CombineMode's blend routine, so the
    // colour's alpha is the coverage.

    // X1 .. X2 of row Y (both included), and Y1 .. Y2 of column X.
    void DrawHorzLine(int32_t X1, int32_t Y, int32_t X2, TColor32 Value);
    void DrawHorzLineBlended(int32_t X1, int32_t Y, int32_t X2, TColor32 Value);
    void DrawVertLine(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value);
    void DrawVertLineBlended(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value);
    // The span clipped to ClipRect; reports (X1, Y, X2, Y + 1) of the clipped span (X2 the
    // last pixel) when anything was drawn.
    void DrawHorzLineClipped(int32_t X1, int32_t Y, int32_t X2, TColor32 Value);
    void DrawHorzLineBlendedClipped(int32_t X1, int32_t Y, int32_t X2, TColor32 Value);
    void DrawVertLineClipped(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value);
    void DrawVertLineBlendedClipped(int32_t X, int32_t Y1, int32_t Y2, TColor32 Value);
    // A Bresenham line from (X1, Y1), with the end point (X2, Y2) when L is true; the pixels
    // inside ClipRect are exactly those of the unclipped line. Reports the end points' area
    // with AREAINFO_LINE + 2; a line wholly outside draws and reports nothing.
    void DrawLineClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value, bool L = false);
    void DrawLineBlendedClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value,
                                bool L = false);

    // Rows Y1 .. Y2 - 1 from X1 for X2 - X1 pixels; reports the rectangle.
    void FillRectUnclipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value);
    // The rectangle clamped to ClipRect; reports it (clamped when it was), also when empty.
    void FillRectClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value);
    void FillRectClippedByRect(const TRect& ARect, TColor32 Value);
    // A one-pixel outline drawn as clipped spans, each reporting itself.
    void FrameRectClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Value);
    void FrameRectClippedByRect(const TRect& ARect, TColor32 Value);

    // Text in the bitmap's font with its top-left corner at (X, Y), transparent background,
    // the font colour, clipped to ClipRect when Clipping; reports (X, Y, X + width + 1,
    // Y + height + 1), also on an empty bitmap.
    void DrawText(int32_t X, int32_t Y, const AnsiString& Text);
    // The same, clipped to ARect instead of ClipRect.
    void DrawTextClipped(int32_t X, int32_t Y, const TRect& ARect, const AnsiString& Text);
    // Text blended in Color (its alpha the master alpha) by supersampling: AALevel 1..4
    // draws at 2^AALevel times the size and averages blocks, 0 uses the font's own pixels
    // without anti-aliasing, -1 the toolkit's anti-aliasing. Levels outside -1..4 are
    // clamped.
    void DrawTextAntialiased(int32_t X, int32_t Y, const AnsiString& Text, int32_t AALevel, TColor32 Color);

    // This bitmap drawn onto Dst (inside Dst's ClipRect) with its own DrawMode, MasterAlpha,
    // CombineMode and OnPixelCombine: at (DstX, DstY), or fitted into DstRect through its
    // resampler (StretchPartTo: only the part SrcRect).
    void TransferTo(TBitmap32& Dst, int32_t DstX, int32_t DstY);
    void StretchTo(TBitmap32& Dst, const TRect& DstRect);
    void StretchPartTo(TBitmap32& Dst, const TRect& DstRect, const TRect& SrcRect);
    // Src drawn onto this bitmap; a null Src does nothing.
    void DrawAt(int32_t X, int32_t Y, TBitmap32* Src);
    void DrawStretched(const TRect& DstRect, const TRect& SrcRect, TBitmap32* Src);

protected:
    // Rebinds the canvas to the new device context and fires OnHandleChanged.
    virtual void HandleChanged();

private:
    void CopyFromImage(const QImage& Source, bool Transparent, TColor TransparentColor);
    void FreeStorage();

    TColor32* FPixelData = nullptr;
    std::unique_ptr<QImage> FDC;
    std::unique_ptr<TCanvas> FCanvas;
    std::unique_ptr<TFont> FFont;
    TRect FClipRect;
    TRect FClipRectFixed16;
    TRect FClipRectFixed8;
    bool FClipping = false;
    TDrawMode FDrawMode = dmOpaque;
    TCombineMode FCombineMode = cmBlend;
    TWrapMode FWrapMode = wmClamp;
    uint32_t FMasterAlpha = 255;
    TColor32 FOuterColor = 0;
    TAreaChangedEvent FSavedAreaChanged;
    bool FMeasuring = false;
    TCustomResampler* FResampler = nullptr;
    uintptr_t FSelectedFont = 0;
    QFont FSelectedQFont;
    TColor FTextColor = clBlack;
};

// The bitmap's bilinear mix of four pixels: the upper pair at Row1 and Row1 + 1, the lower
// pair at Row2 and Row2 + 1, weights WX and WY (each limited to 255) for the first pixel of
// a pair and for the upper pair. Bound at start-up.
using TBilinearInterpolator = TColor32 (*)(uint32_t WX, uint32_t WY, const TColor32* Row1,
                                           const TColor32* Row2);
extern TBilinearInterpolator BilinearInterpolator;
TColor32 BilinearInterpolator_Plain(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2);
TColor32 BilinearInterpolator_MMX(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2);

// Entry i = round(255 * (i / 255)^0.7), halves to even.
extern const uint8_t (&GammaTable)[256];

// The 8 x 8 image that text measurement borrows for bitmaps without pixels; hold the lock
// while using it.
QImage& StockBitmap();
std::mutex& StockBitmapLock();

// Largest pixel array a bitmap accepts, in bytes.
constexpr int64_t MaxBitmapBytes = 0x7FFFFFFF;

} // namespace qm
