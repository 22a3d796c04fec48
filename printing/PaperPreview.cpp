#include "printing/PaperPreview.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace qm {

QCursor CursorOf(TCursor Cursor)
{
    switch (Cursor) {
    case crHand:
        return QCursor(Qt::OpenHandCursor);
    case crGrab:
        return QCursor(Qt::ClosedHandCursor);
    case -3:
        return QCursor(Qt::CrossCursor);
    case -4:
        return QCursor(Qt::IBeamCursor);
    case -11:
        return QCursor(Qt::WaitCursor);
    case -21:
        return QCursor(Qt::PointingHandCursor);
    case -22:
        return QCursor(Qt::SizeAllCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

// ---- TPaperPreview --------------------------------------------------------------------------

TPaperPreview::TPaperPreview(QWidget* Parent) : QWidget(Parent)
{
    // The paint covers the whole control: no background is erased under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    SetBounds(0, 0, 105 + 2 * borderSize_ + shadowSize_, 148 + 2 * borderSize_ + shadowSize_);
}

TPaperPreview::~TPaperPreview() = default;

TRect TPaperPreview::GetPageRect() const
{
    return {borderSize_, borderSize_, width() - (borderSize_ + shadowSize_),
            height() - (borderSize_ + shadowSize_)};
}

int32_t TPaperPreview::PaperWidth() const
{
    return width() - 2 * borderSize_ - shadowSize_;
}

int32_t TPaperPreview::PaperHeight() const
{
    return height() - 2 * borderSize_ - shadowSize_;
}

void TPaperPreview::SetPaperWidth(int32_t Value)
{
    SetBounds(x(), y(), Value + 2 * borderSize_ + shadowSize_, height());
}

void TPaperPreview::SetPaperHeight(int32_t Value)
{
    SetBounds(x(), y(), width(), Value + 2 * borderSize_ + shadowSize_);
}

void TPaperPreview::FrameChanged()
{
    frameDrawn_ = false;
    Invalidate();
}

void TPaperPreview::SetPaperColor(TColor Value)
{
    if (Value == paperColor_)
        return;
    paperColor_ = Value;
    FrameChanged();
}

void TPaperPreview::SetBorderColor(TColor Value)
{
    if (Value == borderColor_)
        return;
    borderColor_ = Value;
    FrameChanged();
}

void TPaperPreview::SetShadowColor(TColor Value)
{
    if (Value == shadowColor_)
        return;
    shadowColor_ = Value;
    FrameChanged();
}

void TPaperPreview::SetColor(TColor Value)
{
    if (Value == color_)
        return;
    color_ = Value;
    FrameChanged();
}

void TPaperPreview::SetBorderSize(int32_t Value)
{
    Value = std::max(0, Value);
    if (Value == borderSize_)
        return;
    const int32_t w = PaperWidth(), h = PaperHeight();
    borderSize_ = Value;
    SetBounds(x(), y(), w + 2 * borderSize_ + shadowSize_, h + 2 * borderSize_ + shadowSize_);
    FrameChanged();
}

void TPaperPreview::SetShadowSize(int32_t Value)
{
    Value = std::max(0, Value);
    if (Value == shadowSize_)
        return;
    const int32_t w = PaperWidth(), h = PaperHeight();
    shadowSize_ = Value;
    SetBounds(x(), y(), w + 2 * borderSize_ + shadowSize_, h + 2 * borderSize_ + shadowSize_);
    FrameChanged();
}

void TPaperPreview::SetCursor(TCursor Value)
{
    if (Value == cursor_)
        return;
    cursor_ = Value;
    setCursor(CursorOf(Value));
}

void TPaperPreview::Invalidate()
{
    insideDrawn_ = false;
    update();
}

void TPaperPreview::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height)
{
    const QSize old = size();
    setGeometry(Left, Top, std::max(0, Width), std::max(0, Height));
    // A hidden control gets its resize event only when shown; the image follows at once.
    if (size() != old || buffer_.size() != size())
        Resized();
}

void TPaperPreview::Resized()
{
    if (buffer_.size() != size() || !bufferSized_) {
        const int64_t bytes = int64_t(width()) * height() * 4;
        buffer_ = QImage();
        bufferSized_ = false;
        if (bytes <= MaxSheetImageBytes) {
            buffer_ = QImage(width(), height(), QImage::Format_RGB32);
            bufferSized_ = !buffer_.isNull() || bytes == 0;
        }
        frameDrawn_ = false;
        insideDrawn_ = false;
    }
    if (OnResize)
        OnResize(this);
}

void TPaperPreview::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    if (buffer_.size() != size())
        Resized();
}

void TPaperPreview::PaintFrame()
{
    QPainter p(&buffer_);
    TPainterCanvas c(p, ReferencePixelsPerInch, ReferencePixelsPerInch);
    const int32_t w = width(), h = height(), s = shadowSize_;
    c.Pen().SetMode(pmCopy);
    if (borderSize_ > 0) {
        c.Pen().SetWidth(borderSize_);
        c.Pen().SetStyle(psInsideFrame);
        c.Pen().SetColor(borderColor_);
        c.Brush().SetStyle(bsClear);
        c.Rectangle(0, 0, w - s, h - s);
    }
    if (s > 0) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(shadowColor_);
        c.FillRect({w - s, s, w, h});
        c.FillRect({s, h - s, w, h});
        c.Brush().SetColor(color_);
        c.FillRect({w - s, 0, w, s});
        c.FillRect({0, h - s, s, h});
    }
}

void TPaperPreview::PaintBuffer()
{
    if (!bufferSized_ || buffer_.isNull())
        return;
    if (!frameDrawn_) {
        PaintFrame();
        frameDrawn_ = true;
        insideDrawn_ = false;
    }
    if (!insideDrawn_) {
        const TRect r = GetPageRect();
        QPainter p(&buffer_);
        TPainterCanvas c(p, ReferencePixelsPerInch, ReferencePixelsPerInch);
        c.IntersectClipRect(r);
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(paperColor_);
        c.FillRect(r);
        if (OnPaint)
            OnPaint(this, c, r);
        c.ResetClipRect();
        insideDrawn_ = true;
    }
}

void TPaperPreview::paintEvent(QPaintEvent*)
{
    if (!bufferSized_)
        return;
    PaintBuffer();
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, buffer_);
}

void TPaperPreview::mousePressEvent(QMouseEvent* Event)
{
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    clickPending_ = button == mbLeft;
    if (OnMouseDown)
        OnMouseDown(this, button, ShiftStateOf(Event->modifiers(), Event->buttons()),
                    int32_t(Event->position().x()), int32_t(Event->position().y()));
}

void TPaperPreview::mouseDoubleClickEvent(QMouseEvent* Event)
{
    clickPending_ = false;
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    if (button == mbLeft && OnDblClick)
        OnDblClick(this);
    if (OnMouseDown)
        OnMouseDown(this, button, ShiftStateOf(Event->modifiers(), Event->buttons()) | ssDouble,
                    int32_t(Event->position().x()), int32_t(Event->position().y()));
}

void TPaperPreview::mouseMoveEvent(QMouseEvent* Event)
{
    if (OnMouseMove)
        OnMouseMove(this, ShiftStateOf(Event->modifiers(), Event->buttons()), int32_t(Event->position().x()),
                    int32_t(Event->position().y()));
}

void TPaperPreview::mouseReleaseEvent(QMouseEvent* Event)
{
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    const QPoint pos = Event->position().toPoint();
    const bool click = clickPending_ && button == mbLeft && rect().contains(pos);
    if (button == mbLeft)
        clickPending_ = false;
    if (click && OnClick)
        OnClick(this);
    if (OnMouseUp)
        OnMouseUp(this, button, ShiftStateOf(Event->modifiers(), Event->buttons()), pos.x(), pos.y());
}

void TPaperPreview::contextMenuEvent(QContextMenuEvent* Event)
{
    if (popupMenu_)
        popupMenu_->popup(Event->globalPos());
    else
        QWidget::contextMenuEvent(Event);
}

// ---- TPaperPreviewOptions -------------------------------------------------------------------

void TPaperPreviewOptions::Assign(const TPersistent* Source)
{
    const auto* src = dynamic_cast<const TPaperPreviewOptions*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    SetPaperColor(src->paperColor_);
    SetBorderColor(src->borderColor_);
    SetBorderWidth(src->borderWidth_);
    SetShadowColor(src->shadowColor_);
    SetShadowWidth(src->shadowWidth_);
    SetCursor(src->cursor_);
    SetDragCursor(src->dragCursor_);
    SetGrabCursor(src->grabCursor_);
    SetPopupMenu(src->popupMenu_);
}

void TPaperPreviewOptions::AssignTo(TPersistent* Dest) const
{
    if (auto* options = dynamic_cast<TPaperPreviewOptions*>(Dest)) {
        options->Assign(this);
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TPaperPreviewOptions::AssignTo(TPaperPreview& Sheet) const
{
    Sheet.SetPaperColor(paperColor_);
    Sheet.SetBorderColor(borderColor_);
    Sheet.SetBorderSize(borderWidth_);
    Sheet.SetShadowColor(shadowColor_);
    Sheet.SetShadowSize(shadowWidth_);
    Sheet.SetCursor(cursor_);
    Sheet.SetPopupMenu(popupMenu_);
}

} // namespace qm
