#include "graphics/RasterCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

namespace qm {

namespace {

// System-colour indices in the order of the toolkit's table, mapped onto palette roles.
QColor SystemColorOf(int32_t index)
{
    const QPalette pal = QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
    switch (index) {
    case 0: return pal.color(QPalette::Mid);                           // scroll bar
    case 1: return pal.color(QPalette::Window);                        // desktop
    case 2: case 27: return pal.color(QPalette::Highlight);            // active caption
    case 3: case 28: return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 4: case 30: return pal.color(QPalette::Window);               // menu, menu bar
    case 5: return pal.color(QPalette::Base);                          // window
    case 6: return pal.color(QPalette::Shadow);                        // window frame
    case 7: return pal.color(QPalette::WindowText);                    // menu text
    case 8: return pal.color(QPalette::Text);                          // window text
    case 9: return pal.color(QPalette::HighlightedText);               // caption text
    case 10: case 11: return pal.color(QPalette::Window);              // borders
    case 12: return pal.color(QPalette::Dark);                         // application workspace
    case 13: case 29: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);                       // button face
    case 16: return pal.color(QPalette::Dark);                         // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);     // grey text
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: return pal.color(QPalette::Light);                        // button highlight
    case 21: return pal.color(QPalette::Shadow);                       // 3-D dark shadow
    case 22: return pal.color(QPalette::Midlight);                     // 3-D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    case 26: return pal.color(QPalette::Link);                         // hot-tracked item
    default: return QColor(0, 0, 0);
    }
}

} // namespace

TColor GetSysColor(int32_t Index)
{
    const QColor c = SystemColorOf(Index);
    return TColor(uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16);
}

TColor ColorToRGB(TColor Color)
{
    return Color < 0 ? GetSysColor(Color & 0xFF) : Color;
}

QColor ToQColor(TColor Color)
{
    const uint32_t rgb = uint32_t(ColorToRGB(Color));
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

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

#define QM_FONT_SETTER(Setter, Field, Type)                                                          \
    void TFont::Setter(Type Value)                                                                   \
    {                                                                                                \
        if (Field == Value)                                                                          \
            return;                                                                                  \
        if (OwnerLock) {                                                                             \
            std::lock_guard<std::recursive_mutex> guard(*OwnerLock);                                 \
            Field = Value;                                                                           \
        } else {                                                                                     \
            Field = Value;                                                                           \
        }                                                                                            \
        Changed();                                                                                   \
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
