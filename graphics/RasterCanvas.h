#pragma once
// The font and canvas a bitmap draws text and pictures with: small classes of our own over
// QFont and QPainter. A canvas is bound to an image (a bitmap's pixel array wrapped without
// copying) and opens a painter only for the length of one operation, so the image may be
// replaced or freed between operations.
#include <cstdint>
#include <mutex>

#include <QFont>

#include "graphics/RasterClasses.h"
#include "graphics/RasterTypes.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class QImage;
class QPainter;
class QPaintDevice;

namespace qm {

// Screen resolution the program's sizes are measured at (points to pixels).
constexpr int32_t ScreenPixelsPerInch = 96;

class TFont : public TPersistent {
public:
    QM_RASTER_CLASS(TFont, TPersistent)

    TFont();

    // Fires after every attribute change.
    TNotifyEvent OnChange;
    // Held while the font changes (a bitmap's font is locked by the bitmap's lock).
    std::recursive_mutex* OwnerLock = nullptr;

    const AnsiString& Name() const { return FName; }
    // "Default" stands for the toolkit's default face.
    void SetName(const AnsiString& Value);
    // Pixel height: negative is the character height, positive the cell height.
    int32_t Height() const { return FHeight; }
    void SetHeight(int32_t Value);
    // Point size at the screen resolution; setting it sets Height to -Size * 96 / 72.
    int32_t Size() const;
    void SetSize(int32_t Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    uint8_t Charset() const { return FCharset; }
    void SetCharset(uint8_t Value);
    TFontQuality Quality() const { return FQuality; }
    void SetQuality(TFontQuality Value);

    // The toolkit font with these attributes.
    QFont ToQFont() const;
    // Copies every attribute (one change event).
    void Assign(const TPersistent* Source) override;

private:
    void Changed();

    AnsiString FName = "Default";
    int32_t FHeight = -11; // 8 points at 96 pixels per inch
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    TFontPitch FPitch = fpDefault;
    uint8_t FCharset = 1; // DEFAULT_CHARSET
    TFontQuality FQuality = fqDefault;
};

// A drawing surface over an image. Every operation opens its own painter on Handle; with no
// image bound the operations do nothing and measuring uses the screen's metrics.
class TCanvas : public TPersistent {
public:
    QM_RASTER_CLASS(TCanvas, TPersistent)

    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The image drawn on; not owned.
    QImage* Handle() const { return FHandle; }
    void SetHandle(QImage* Image) { FHandle = Image; }

    TFont& Font() { return FFont; }
    TColor BrushColor = clWhite;
    TColor PenColor = clBlack;
    // Fires after every drawing operation.
    TNotifyEvent OnChange;

    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }

    // Text with its top-left corner at (X, Y), transparent background, the font's colour.
    void TextOut(int32_t X, int32_t Y, const AnsiString& Text);
    TSize TextExtent(const AnsiString& Text) const;
    int32_t TextWidth(const AnsiString& Text) const { return TextExtent(Text).cx; }
    int32_t TextHeight(const AnsiString& Text) const { return TextExtent(Text).cy; }
    // Fills the rectangle with BrushColor (opaque).
    void FillRect(const TRect& Rect);
    // Draws an image with its top-left corner at (X, Y), or stretched into Rect, replacing
    // the pixels under it.
    void Draw(int32_t X, int32_t Y, const QImage& Image);
    void StretchDraw(const TRect& Rect, const QImage& Image);

private:
    void Changed();

    QImage* FHandle = nullptr;
    TFont FFont;
    std::recursive_mutex FLock;
};

// The size of Text in Font as drawn on Device (the screen's metrics when null).
TSize MeasureTextExtent(const QFont& Font, const AnsiString& Text, QPaintDevice* Device = nullptr);

} // namespace qm
