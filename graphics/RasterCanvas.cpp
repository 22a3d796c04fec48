#include "graphics/RasterCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace qm {

TSize MeasureTextExtent(const QFont& Font, const AnsiString& Text, QPaintDevice* Device)
{
    const QFontMetrics fm = Device ? QFontMetrics(Font, Device) : QFontMetrics(Font);
    return {int32_t(fm.horizontalAdvance(ToQString(Text))), int32_t(fm.height())};
}

// ---- TFont ----------------------------------------------------------------------------------

TFont::TFont() = default;

void TFont::Changed()
{
    if (OnChange)
        OnChange(this);
}

#define QM_FONT_SETTER(Setter, Field, Type)                                                                  \
    void TFont::Setter(Type Value)                                                                           \
    {                                                                                                        \
        if (Field == Value)                                                                                  \
            return;                                                                                          \
        if (OwnerLock) {                                                                                     \
            std::lock_guard<std::recursive_mutex> guard(*OwnerLock);                                         \
            Field = Value;                                                                                   \
        } else {                                                                                             \
            Field = Value;                                                                                   \
        }                                                                                                    \
        Changed();                                                                                           \
    }

QM_FONT_SETTER(SetName, FName, const AnsiString&)
QM_FONT_SETTER(SetHeight, FHeight, int32_t)
QM_FONT_SETTER(SetColor, FColor, TColor)
QM_FONT_SETTER(SetStyle, FStyle, TFontStyles)
QM_FONT_SETTER(SetPitch, FPitch, TFontPitch)
QM_FONT_SETTER(SetCharset, FCharset, uint8_t)
QM_FONT_SETTER(SetQuality, FQuality, TFontQuality)
#undef QM_FONT_SETTER

int32_t TFont::Size() const
{
    // -Height * 72 / 96, rounded to nearest.
    const int64_t v = -int64_t(FHeight) * 72;
    return int32_t(v >= 0 ? (v + ScreenPixelsPerInch / 2) / ScreenPixelsPerInch
                          : (v - ScreenPixelsPerInch / 2) / ScreenPixelsPerInch);
}

void TFont::SetSize(int32_t Value)
{
    const int64_t v = int64_t(Value) * ScreenPixelsPerInch;
    SetHeight(-int32_t(v >= 0 ? (v + 36) / 72 : (v - 36) / 72));
}

QFont TFont::ToQFont() const
{
    QFont f = FName == "Default" || FName.empty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                                                  : QFont(ToQString(FName));
    f.setPixelSize(FHeight == 0 ? 13 : (FHeight < 0 ? -FHeight : FHeight));
    f.setWeight(FStyle & fsBold ? QFont::Bold : QFont::Normal);
    f.setItalic(FStyle & fsItalic);
    f.setUnderline(FStyle & fsUnderline);
    f.setStrikeOut(FStyle & fsStrikeOut);
    if (FPitch == fpFixed)
        f.setFixedPitch(true);
    switch (FQuality) {
    case fqNonAntialiased:
    case fqDraft:
        f.setStyleStrategy(QFont::NoAntialias);
        break;
    case fqAntialiased:
    case fqClearType:
        f.setStyleStrategy(QFont::PreferAntialias);
        break;
    default:
        break;
    }
    return f;
}

void TFont::Assign(const TPersistent* Source)
{
    const auto* src = dynamic_cast<const TFont*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    FName = src->FName;
    FHeight = src->FHeight;
    FColor = src->FColor;
    FStyle = src->FStyle;
    FPitch = src->FPitch;
    FCharset = src->FCharset;
    FQuality = src->FQuality;
    Changed();
}

// ---- TCanvas --------------------------------------------------------------------------------

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TCanvas::TextOut(int32_t X, int32_t Y, const AnsiString& Text)
{
    if (!FHandle || FHandle->isNull())
        return;
    {
        QPainter p(FHandle);
        const QFont f = FFont.ToQFont();
        p.setFont(f);
        p.setPen(ToQColor(FFont.Color()));
        p.drawText(X, Y + QFontMetrics(f).ascent(), ToQString(Text));
    }
    Changed();
}

TSize TCanvas::TextExtent(const AnsiString& Text) const
{
    return MeasureTextExtent(FFont.ToQFont(), Text, FHandle);
}

void TCanvas::FillRect(const TRect& Rect)
{
    if (!FHandle || FHandle->isNull())
        return;
    {
        QPainter p(FHandle);
        p.fillRect(QRect(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top),
                   ToQColor(BrushColor));
    }
    Changed();
}

void TCanvas::Draw(int32_t X, int32_t Y, const QImage& Image)
{
    if (!FHandle || FHandle->isNull() || Image.isNull())
        return;
    {
        QPainter p(FHandle);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(X, Y, Image);
    }
    Changed();
}

void TCanvas::StretchDraw(const TRect& Rect, const QImage& Image)
{
    if (!FHandle || FHandle->isNull() || Image.isNull())
        return;
    {
        QPainter p(FHandle);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRect(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top), Image);
    }
    Changed();
}

} // namespace qm
