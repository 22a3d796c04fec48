#include "graphics/widgets/GradPanel32.h"

#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "platform/AnsiString.h"

namespace qm {

namespace {

constexpr TColor clWindowColor = clSystemColor | 5;

} // namespace

TGradPanel32::TGradPanel32(QWidget* Parent) : TCustomPaintBox32(Parent)
{
    SetColor(clWindowColor);
    resize(150, 16);
    FFont.SetColor(clWhite);
    FFont.OnChange = [this](TObject*) {
        if (!FAdoptingFont)
            FParentFont = false;
        InvalidateControl();
    };
}

void TGradPanel32::SetParentFont(bool Value)
{
    FParentFont = Value;
    if (Value)
        AdoptParentFont();
}

void TGradPanel32::AdoptParentFont()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    FAdoptingFont = true;
    if (auto* panel = qobject_cast<TGradPanel32*>(parent)) {
        FFont.Assign(&panel->Font());
    } else {
        // The face, size and style; the colour stays the panel's.
        const QFont f = parent->font();
        TFont font;
        font.Assign(&FFont);
        font.SetName(FromQString(f.family()));
        if (f.pixelSize() > 0)
            font.SetHeight(-f.pixelSize());
        else
            font.SetHeight(-int32_t(std::lround(f.pointSizeF() * 96.0 / 72.0)));
        font.SetStyle(TFontStyles((f.bold() ? fsBold : 0) | (f.italic() ? fsItalic : 0) |
                                  (f.underline() ? fsUnderline : 0) | (f.strikeOut() ? fsStrikeOut : 0)));
        FFont.Assign(&font);
    }
    FAdoptingFont = false;
}

bool TGradPanel32::event(QEvent* Event)
{
    if ((Event->type() == QEvent::ParentChange || Event->type() == QEvent::FontChange) && FParentFont)
        AdoptParentFont();
    return TCustomPaintBox32::event(Event);
}

void TGradPanel32::mousePressEvent(QMouseEvent* Event)
{
    TCustomPaintBox32::mousePressEvent(Event);
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    if (button == mbLeft)
        FClickPending = true;
    const QPoint p = Event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, button, ShiftStateOf(Event->modifiers(), Event->buttons()), p.x(), p.y());
}

void TGradPanel32::mouseDoubleClickEvent(QMouseEvent* Event)
{
    FClickPending = false;
    if (Event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    TMouseButton button;
    const QPoint p = Event->position().toPoint();
    if (MouseButtonOf(Event->button(), button) && OnMouseDown)
        OnMouseDown(this, button, ShiftStateOf(Event->modifiers(), Event->buttons()) | ssDouble, p.x(),
                    p.y());
}

void TGradPanel32::mouseMoveEvent(QMouseEvent* Event)
{
    TCustomPaintBox32::mouseMoveEvent(Event);
    if (Dragging())
        return;
    const QPoint p = Event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, ShiftStateOf(Event->modifiers(), Event->buttons()), p.x(), p.y());
}

void TGradPanel32::mouseReleaseEvent(QMouseEvent* Event)
{
    TCustomPaintBox32::mouseReleaseEvent(Event);
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    const QPoint p = Event->position().toPoint();
    const bool click = FClickPending && button == mbLeft && rect().contains(p);
    if (button == mbLeft)
        FClickPending = false;
    if (click && OnClick)
        OnClick(this);
    if (OnMouseUp)
        OnMouseUp(this, button, ShiftStateOf(Event->modifiers(), Event->buttons()), p.x(), p.y());
}

#define QM_PANEL_SETTER(Setter, Field, Type)                                                                 \
    void TGradPanel32::Setter(Type Value)                                                                    \
    {                                                                                                        \
        Field = Value;                                                                                       \
        InvalidateControl();                                                                                 \
    }

QM_PANEL_SETTER(SetFGColor, FFGColor, TColor32)
QM_PANEL_SETTER(SetRenderText, FRenderText, bool)
QM_PANEL_SETTER(SetRenderTextAALevel, FRenderTextAALevel, int32_t)
QM_PANEL_SETTER(SetRenderTextAlpha, FRenderTextAlpha, uint8_t)
QM_PANEL_SETTER(SetTextIndent, FTextIndent, int32_t)
QM_PANEL_SETTER(SetDirection, FDirection, TgpDirection)
QM_PANEL_SETTER(SetTextVAlign, FTextVAlign, TgpTextVAlign)
QM_PANEL_SETTER(SetTextHAlign, FTextHAlign, TgpTextHAlign)
QM_PANEL_SETTER(SetOffset, FOffset, int32_t)
#undef QM_PANEL_SETTER

void TGradPanel32::SetCaption(const AnsiString& Value)
{
    if (Value == FCaption)
        return;
    FCaption = Value;
    InvalidateControl();
}

void TGradPanel32::PaintBuffer()
{
    TCustomPaintBox32::PaintBuffer();
    PaintGradient(Buffer());
    if (OnPaintBuffer)
        OnPaintBuffer(this, Buffer());
}

void TGradPanel32::PaintGradient(TBitmap32& Buffer)
{
    const int32_t w = width(), h = height();
    Buffer.IncUpdateCount();
    Buffer.ClearTo(ColorToColor32(Color()));

    // One blended line per step from -Offset to the extent E: alpha 255 at the opaque edge,
    // 0 at the far one. A panel of no extent has no pixels to shade.
    const bool vertical = FDirection == gpdUp || FDirection == gpdDown;
    const int32_t extent = vertical ? h : w;
    if (extent > 0) {
        // Lines off the buffer are clipped away, so only the steps that land on it are
        // walked (a huge Offset would otherwise mean billions of empty steps).
        const int64_t offset = FOffset;
        const int64_t span = vertical ? Buffer.Height : Buffer.Width;
        const bool fromFar = FDirection == gpdUp || FDirection == gpdRight;
        const int64_t edge = vertical ? h : w;
        int64_t first = -offset, last = extent;
        if (fromFar) { // position = edge - i + offset
            first = std::max(first, edge + offset - span + 1);
            last = std::min<int64_t>(last, edge + offset);
        } else { // position = offset + i
            first = std::max(first, -offset);
            last = std::min<int64_t>(last, span - 1 - offset);
        }
        for (int64_t i = first; i <= last; ++i) {
            const double a = std::nearbyint(double(extent - i) / extent * 255.0);
            const TColor32 c = SetColor32Alpha(FFGColor, int32_t(std::clamp(a, 0.0, 255.0)));
            const int32_t pos = int32_t(fromFar ? edge - i + offset : offset + i);
            if (vertical)
                Buffer.DrawHorzLineBlendedClipped(0, pos, w, c);
            else
                Buffer.DrawVertLineBlendedClipped(pos, 0, h, c);
        }
    }

    Buffer.SetFont(FFont);
    const TSize text = Buffer.MeasureText(FCaption);
    int32_t y = 0, x = 0;
    switch (FTextVAlign) {
    case gpVTop:
        y = FTextIndent;
        break;
    case gpVCenter:
        y = (h - text.cy) / 2;
        break;
    case gpVBottom:
        y = h - FTextIndent - text.cy;
        break;
    }
    switch (FTextHAlign) {
    case gpHLeft:
        x = FTextIndent;
        break;
    case gpHCenter:
        x = (w - text.cx) / 2;
        break;
    case gpHRight:
        x = w - FTextIndent - text.cx;
        break;
    }
    if (FRenderText)
        Buffer.DrawTextAntialiased(x, y, FCaption, FRenderTextAALevel,
                                   SetColor32Alpha(ColorToColor32(FFont.Color()), FRenderTextAlpha));
    else
        Buffer.DrawText(x, y, FCaption);

    Buffer.DecUpdateCount();
    Buffer.NotifyChanged();
}

} // namespace qm
