// Text output of TBitmap32: plain text through the toolkit's painter on the bitmap's own
// pixels, and anti-aliased text built by supersampling into a work bitmap and blended on.
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

#include "graphics/Raster.h"
#include "graphics/RasterLowLevel.h"

namespace qm {

namespace {

// A + B held to the 32-bit range, for the far corner of a report.
int32_t SaturatedSum(int32_t A, int64_t B)
{
    return int32_t(std::clamp<int64_t>(A + B, INT32_MIN, INT32_MAX));
}

// The extent of Text in Font as MeasureTextExtent gives it. List views draw the same texts
// on every redraw, so the widths of the last font's texts are kept (up to a bound): a text
// is then shaped once to be drawn, not a second time to be measured.
TSize CachedExtent(const QFont& Font, const QString& Text)
{
    thread_local QFont font;
    thread_local QHash<QString, int32_t> widths;
    thread_local int32_t height = -1;
    if (height < 0 || !(Font == font)) {
        font = Font;
        widths.clear();
        height = QFontMetrics(font).height();
    }
    auto it = widths.constFind(Text);
    if (it != widths.constEnd())
        return {*it, height};
    if (widths.size() >= 4096)
        widths.clear();
    const int32_t width = QFontMetrics(font).horizontalAdvance(Text);
    widths.insert(Text, width);
    return {width, height};
}

// Draws Text at (X, Y) (the top-left corner) onto the pixels of Bitmap, clipped to Clip when
// given. The pixels are viewed as 32-bit RGB: the painter then treats every pixel as opaque
// whatever its alpha byte holds, as the device context of a device-independent section
// does, so text drawn over a cleared (transparent black) area leaves its coverage in the
// colour bytes, and the opaque fast path of the rasteriser is taken.
void OutputText(TBitmap32& Bitmap, int32_t X, int32_t Y, const QString& Text, const TRect* Clip)
{
    // The view is kept between calls so that its paint engine is made once, not per text;
    // it is valid while it addresses the same pixel array at the same size.
    thread_local std::unique_ptr<QImage> surface;
    uchar* bits = reinterpret_cast<uchar*>(Bitmap.PixelData());
    if (!surface || surface->constBits() != bits || surface->width() != Bitmap.Width ||
        surface->height() != Bitmap.Height) {
        surface.reset();
        surface = std::make_unique<QImage>(bits, Bitmap.Width, Bitmap.Height, qsizetype(Bitmap.Width) * 4,
                                           QImage::Format_RGB32);
        surface->setDotsPerMeterX(Bitmap.DC()->dotsPerMeterX());
        surface->setDotsPerMeterY(Bitmap.DC()->dotsPerMeterY());
    }
    // The ascent of the last font used, kept for the same reason.
    thread_local QFont metricsFont;
    thread_local int ascent = -1;
    const QFont& font = Bitmap.SelectedQFont();
    if (ascent < 0 || !(font == metricsFont)) {
        metricsFont = font;
        ascent = QFontMetrics(font).ascent();
    }
    // Text whose baseline lies beyond the integer range can touch no pixel.
    const int64_t baseline = int64_t(Y) + ascent;
    if (baseline > INT32_MAX)
        return;
    // Only the part of the clip rectangle on the bitmap matters.
    TRect clip;
    if (Clip && !IntersectRects(clip, *Clip, Bitmap.BoundsRect()))
        return;
    QPainter p(surface.get());
    if (Clip)
        p.setClipRect(QRect(clip.Left, clip.Top, clip.Right - clip.Left, clip.Bottom - clip.Top));
    p.setFont(font);
    p.setPen(ToQColor(Bitmap.TextColor()));
    p.drawText(X, int32_t(baseline), Text);
}

// Draws (unless measuring) and reports the text's box.
void TextOut(TBitmap32& Bitmap, int32_t X, int32_t Y, const AnsiString& Text, const TRect* Clip)
{
    Bitmap.SelectFontIntoDC();
    TSize size;
    if (Bitmap.DC()) {
        const QString text = ToQString(Text);
        if (!Bitmap.Measuring())
            OutputText(Bitmap, X, Y, text, Clip);
        size = CachedExtent(Bitmap.SelectedQFont(), text);
    } else {
        size = Bitmap.MeasureText(Text);
    }
    Bitmap.NotifyAreaChanged(
        {X, Y, SaturatedSum(X, int64_t(size.cx) + 1), SaturatedSum(Y, int64_t(size.cy) + 1)}, AREAINFO_RECT);
}

} // namespace

void TBitmap32::DrawText(int32_t X, int32_t Y, const AnsiString& Text)
{
    TextOut(*this, X, Y, Text, FClipping ? &FClipRect : nullptr);
}

void TBitmap32::DrawTextClipped(int32_t X, int32_t Y, const TRect& ARect, const AnsiString& Text)
{
    TextOut(*this, X, Y, Text, &ARect);
}

void TBitmap32::DrawTextAntialiased(int32_t X, int32_t Y, const AnsiString& Text, int32_t AALevel,
                                    TColor32 Color)
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
        TSize extent;
        {
            std::lock_guard<std::mutex> guard(StockBitmapLock());
            extent = MeasureTextExtent(big.ToQFont(), measured);
        }
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
