// Text output of TBitmap32: plain text through the toolkit's painter on the bitmap's own
// pixels, and anti-aliased text built by supersampling into a work bitmap and blended on.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "graphics/Raster.h"
#include "graphics/RasterLowLevel.h"

namespace qm {

namespace {

// Draws Text at (X, Y) (the top-left corner) onto the pixels of Bitmap, clipped to Clip when
// given. The pixels are viewed as 32-bit RGB: the painter then treats every pixel as opaque
// whatever its alpha byte holds, as the device context of a device-independent section
// does, so text drawn over a cleared (transparent black) area leaves its coverage in the
// colour bytes, and the opaque fast path of the rasteriser is taken.
void OutputText(TBitmap32& Bitmap, int32_t X, int32_t Y, const AnsiString& Text, const TRect* Clip)
{
    QImage surface(reinterpret_cast<uchar*>(Bitmap.PixelData()), Bitmap.Width, Bitmap.Height,
                   qsizetype(Bitmap.Width) * 4, QImage::Format_RGB32);
    surface.setDotsPerMeterX(Bitmap.DC()->dotsPerMeterX());
    surface.setDotsPerMeterY(Bitmap.DC()->dotsPerMeterY());
    QPainter p(&surface);
    if (Clip)
        p.setClipRect(QRect(Clip->Left, Clip->Top, Clip->Right - Clip->Left, Clip->Bottom - Clip->Top));
    const QFont& font = Bitmap.SelectedQFont();
    p.setFont(font);
    p.setPen(ToQColor(Bitmap.TextColor()));
    p.drawText(X, Y + QFontMetrics(font).ascent(), ToQString(Text));
}

} // namespace

void TBitmap32::DrawText(int32_t X, int32_t Y, const AnsiString& Text)
{
    SelectFontIntoDC();
    if (!FMeasuring && FDC)
        OutputText(*this, X, Y, Text, FClipping ? &FClipRect : nullptr);
    const TSize size = MeasureText(Text);
    NotifyAreaChanged({X, Y, X + size.cx + 1, Y + size.cy + 1}, AREAINFO_RECT);
}

void TBitmap32::DrawTextClipped(int32_t X, int32_t Y, const TRect& ARect, const AnsiString& Text)
{
    SelectFontIntoDC();
    if (!FMeasuring && FDC)
        OutputText(*this, X, Y, Text, &ARect);
    const TSize size = MeasureText(Text);
    NotifyAreaChanged({X, Y, X + size.cx + 1, Y + size.cy + 1}, AREAINFO_RECT);
}

void TBitmap32::DrawTextAntialiased(int32_t X, int32_t Y, const AnsiString& Text, int32_t AALevel, TColor32 Color)
{
    if (IsEmpty())
        return;
    const uint32_t alpha = Color >> 24;
    const TColor32 rgb = Color & 0x00FFFFFF;
    AALevel = Constrain(AALevel, -1, 4);
    const AnsiString measured = Text + " ";

    // The glyphs are rendered in white and their coverage read from the low (blue) byte, so
    // the font itself must not smooth them except at level -1.
    const TFontQuality savedQuality = FFont->Quality();
    FFont->SetQuality(AALevel == -1 ? fqAntialiased : fqNonAntialiased);

    TBitmap32 work;
    if (AALevel > 0) {
        TFont big;
        big.Assign(FFont.get());
        big.SetSize(FFont->Size() << AALevel);
        TSize extent = MeasureTextExtent(big.ToQFont(), measured);
        const int32_t cell = 1 << AALevel;
        extent.cx = ((extent.cx >> AALevel) + 1) << AALevel;
        extent.cy = ((extent.cy >> AALevel) + 1) << AALevel;

        TBitmap32 large;
        large.SetSize(extent.cx, extent.cy);
        large.ClearTo(0);
        big.SetColor(clWhite);
        large.SetFont(big);
        large.DrawText(0, 0, Text);

        work.SetSize(extent.cx >> AALevel, extent.cy >> AALevel);
        const int32_t shift = 2 * AALevel;
        for (int32_t y = 0; y < work.Height; ++y) {
            TColor32* dst = work.RowAddress(y);
            for (int32_t x = 0; x < work.Width; ++x) {
                uint32_t sum = 0;
                for (int32_t j = 0; j < cell; ++j) {
                    const TColor32* src = large.PixelAddress(x * cell, y * cell + j);
                    for (int32_t i = 0; i < cell; ++i)
                        sum += src[i] & 0xFF;
                }
                dst[x] = (sum >> shift) << 24 | rgb;
            }
        }
    } else {
        const TSize extent = MeasureText(measured);
        work.SetSize(extent.cx, extent.cy);
        work.SetFont(*FFont);
        work.Font().SetColor(clWhite);
        work.ClearTo(0);
        work.DrawText(0, 0, Text);
        if (!work.IsEmpty()) {
            TColor32* p = work.PixelData();
            for (int64_t n = int64_t(work.Width) * work.Height; n > 0; --n, ++p)
                if (*p != 0)
                    *p = *p << 24 | rgb;
        }
    }

    work.SetDrawMode(dmBlend);
    work.SetMasterAlpha(alpha);
    work.SetCombineMode(FCombineMode);
    work.TransferTo(*this, X, Y);

    FFont->SetQuality(savedQuality);
}

} // namespace qm
