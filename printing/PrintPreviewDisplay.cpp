// TPrintPreview's display side: the sheet laid out for the zoom, the scroll position kept
// across zoom changes, the page store's changes followed, the page painted with its
// annotation, and the keyboard, the wheel and dragging of the page.
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "printing/PrintPreview.h"
#include "printing/ThumbnailPreview.h"

namespace qm {

// ---- Zoom -----------------------------------------------------------------------------------

TPoint TPrintPreview::SheetSizeFor(int32_t SpaceWidth, int32_t SpaceHeight)
{
    // outer: a paper side with border and shadow; inner: the reverse. The paper keeps at
    // least a pixel however small the space.
    const int32_t frame = 2 * sheet_->BorderSize() + sheet_->ShadowSize();
    auto outer = [&](int32_t v) { return std::max(1, v) + frame; };
    auto inner = [&](int32_t v) { return std::max(1, v - frame); };
    const int32_t devW = std::max(1, deviceExt_.X), devH = std::max(1, deviceExt_.Y);
    TPoint size;
    TZoomState state = zoomState_;
    if (state == zsZoomToFit)
        state = double(SpaceHeight) / std::max(1, SpaceWidth) <= double(devH) / devW ? zsZoomToHeight
                                                                                     : zsZoomToWidth;
    switch (state) {
    case zsZoomOther:
        return {outer(MulDiv(devW, zoom_, 100)), outer(MulDiv(devH, zoom_, 100))};
    case zsZoomToWidth:
        size = {outer(inner(SpaceWidth)), outer(MulDiv(inner(SpaceWidth), devH, devW))};
        break;
    default:
        size = {outer(MulDiv(inner(SpaceHeight), devW, devH)), outer(inner(SpaceHeight))};
        break;
    }
    zoom_ = int32_t(std::lround(double(size.Y - frame) * 100.0 / devH));
    return size;
}

void TPrintPreview::UpdateZoom()
{
    if (TotalPages() == 0)
        return;
    const int32_t oldZoom = zoom_;
    TControlScrollBar& hb = HorzScrollBar();
    TControlScrollBar& vb = VertScrollBar();
    int32_t spaceW = ClientWidth() - 2 * hb.Margin, spaceH = ClientHeight() - 2 * vb.Margin;
    const bool shown = currentPage_ > 0 && !sheet_->isHidden();
    int32_t percentX = 0, percentY = 0;
    if (ZoomSavePos && shown) {
        percentX = std::max(0, MulDiv(hb.Position(), 100, hb.Range() - spaceW));
        percentY = std::max(0, MulDiv(vb.Position(), 100, vb.Range() - spaceH));
    }
    // The room of a bar that shows now is free until the new layout needs it again.
    if (AutoScroll()) {
        if (hb.IsScrollBarVisible())
            spaceH += hb.Size();
        if (vb.IsScrollBarVisible())
            spaceW += vb.Size();
    }
    DisableAutoRange();
    hb.SetPosition(0);
    vb.SetPosition(0);

    TPoint sheet = SheetSizeFor(spaceW, spaceH);
    bool canH = sheet.X > spaceW, canV = sheet.Y > spaceH;
    if (AutoScroll()) {
        // A bar needed one way takes room from the other; the sheet is sized again for the
        // room that is left, and the other way is judged by that new size.
        if (canH) {
            spaceH -= hb.Size();
            sheet = SheetSizeFor(spaceW, spaceH);
            canV = sheet.Y > spaceH;
            if (canV) {
                spaceW -= vb.Size();
                sheet = SheetSizeFor(spaceW, spaceH);
            }
        } else if (canV) {
            spaceW -= vb.Size();
            sheet = SheetSizeFor(spaceW, spaceH);
            canH = sheet.X > spaceW;
            if (canH) {
                spaceH -= hb.Size();
                sheet = SheetSizeFor(spaceW, spaceH);
            }
        }
    }
    canScrollHorz_ = canH;
    canScrollVert_ = canV;
    const int32_t left = hb.Margin + (canH ? 0 : (spaceW - sheet.X) / 2);
    const int32_t top = vb.Margin + (canV ? 0 : (spaceH - sheet.Y) / 2);
    sheet_->SetBounds(left, top, sheet.X, sheet.Y);
    EnableAutoRange();

    if (shown && ZoomSavePos) {
        if (canH)
            hb.SetPosition(MulDiv(percentX, hb.Range() - spaceW, 100));
        if (canV)
            vb.SetPosition(MulDiv(percentY, vb.Range() - spaceH, 100));
    }
    isDragging_ = false;
    sheet_->SetCursor(canH || canV ? paperView_.DragCursor() : paperView_.Cursor());
    if (zoom_ != oldZoom && OnZoomChange)
        OnZoomChange(this);
}

void TPrintPreview::SetZoom(int32_t Value)
{
    Value = std::clamp(Value, zoomMin_, std::max(zoomMin_, zoomMax_));
    if (Value == zoom_ && zoomState_ == zsZoomOther)
        return;
    const int32_t oldZoom = zoom_;
    const TZoomState oldState = zoomState_;
    zoom_ = Value;
    zoomState_ = zsZoomOther;
    UpdateZoom();
    if (!sheet_->BufferSized()) {
        // The sheet's image cannot be had at this size: back to the zoom before.
        zoom_ = oldZoom;
        zoomState_ = oldState;
        UpdateZoom();
        return;
    }
    if (OnZoomChange)
        OnZoomChange(this);
}

void TPrintPreview::SetZoomState(TZoomState Value)
{
    if (Value == zoomState_)
        return;
    zoomState_ = Value;
    UpdateZoom();
}

void TPrintPreview::SetZoomMin(int32_t Value)
{
    if (Value == zoomMin_ || Value < 1 || Value > zoomMax_)
        return;
    zoomMin_ = Value;
    if (zoomState_ == zsZoomOther && zoom_ < zoomMin_)
        SetZoom(zoomMin_);
}

void TPrintPreview::SetZoomMax(int32_t Value)
{
    if (Value == zoomMax_ || Value < zoomMin_)
        return;
    zoomMax_ = Value;
    if (zoomState_ == zsZoomOther && zoom_ > zoomMax_)
        SetZoom(zoomMax_);
}

void TPrintPreview::Resized()
{
    UpdateZoom();
}

void TPrintPreview::OptionsChanged()
{
    paperView_.AssignTo(*sheet_);
    UpdateZoom();
}

// ---- Pages ----------------------------------------------------------------------------------

void TPrintPreview::PagesChanged()
{
    if (TotalPages() == 0) {
        currentPage_ = 0;
        sheet_->hide();
    } else if (currentPage_ == 0) {
        UpdateZoom();
        currentPage_ = 1;
        sheet_->show();
        UpdateScrollBars();
    }
    UpdateAnnotation(currentPage_);
    sheet_->Invalidate();
    for (TThumbnailPreview* strip : thumbnails_)
        strip->RebuildThumbnails(true);
    if (OnChange)
        OnChange(this);
}

void TPrintPreview::PageRewritten(int32_t Index)
{
    if (Index + 1 == currentPage_) {
        UpdateAnnotation(currentPage_);
        sheet_->Invalidate();
    }
    for (TThumbnailPreview* strip : thumbnails_)
        strip->RepaintThumbnail(Index);
    if (OnChange)
        OnChange(this);
}

void TPrintPreview::SetCurrentPage(int32_t Value)
{
    if (TotalPages() == 0)
        return;
    Value = std::clamp(Value, 1, TotalPages());
    if (Value == currentPage_)
        return;
    currentPage_ = Value;
    UpdateAnnotation(currentPage_);
    sheet_->Invalidate();
    for (TThumbnailPreview* strip : thumbnails_)
        strip->RebuildThumbnails(false);
    if (OnChange)
        OnChange(this);
}

void TPrintPreview::RegisterThumbnail(TThumbnailPreview* Strip)
{
    if (Strip && std::find(thumbnails_.begin(), thumbnails_.end(), Strip) == thumbnails_.end())
        thumbnails_.push_back(Strip);
}

void TPrintPreview::UnregisterThumbnail(TThumbnailPreview* Strip)
{
    thumbnails_.erase(std::remove(thumbnails_.begin(), thumbnails_.end(), Strip), thumbnails_.end());
    thumbnails_.shrink_to_fit();
}

// ---- Painting and the annotation ------------------------------------------------------------

void TPrintPreview::PaintPage(QObject*, TPainterCanvas& Canvas, const TRect& PageRect)
{
    if (currentPage_ < 1 || currentPage_ > TotalPages())
        return;
    try {
        if (TMetafile* page = GetPage(currentPage_))
            Canvas.StretchDraw(PageRect, *page);
        if (annotationMetafile_)
            Canvas.StretchDraw(PageRect, *annotationMetafile_);
    } catch (const Exception&) {
        // A page that cannot be read back (its file damaged) shows as blank paper.
    }
}

void TPrintPreview::UpdateAnnotation(int32_t PageNo)
{
    annotationMetafile_.reset();
    if (!annotation_ || PageNo <= 0 || !OnAnnotation)
        return;
    std::unique_ptr<TMetafileCanvas> canvas;
    std::unique_ptr<TMetafile> metafile = NewPageMetafile(canvas);
    OnAnnotation(this, PageNo, *canvas);
    try {
        canvas->Close();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Not enough memory to create a new page");
    }
    annotationMetafile_ = std::move(metafile);
}

void TPrintPreview::SetAnnotation(bool Value)
{
    if (Value == annotation_)
        return;
    annotation_ = Value;
    UpdateAnnotation(currentPage_);
    sheet_->Invalidate();
}

// ---- Keyboard and wheel ---------------------------------------------------------------------

void TPrintPreview::keyPressEvent(QKeyEvent* Event)
{
    const Qt::KeyboardModifiers mods =
        Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool none = mods == Qt::NoModifier, shift = mods == Qt::ShiftModifier,
               ctrl = mods == Qt::ControlModifier;
    const bool keypad = Event->modifiers() & Qt::KeypadModifier;
    TControlScrollBar& hb = HorzScrollBar();
    TControlScrollBar& vb = VertScrollBar();
    switch (Event->key()) {
    case Qt::Key_Home:
        if (none)
            hb.SetPosition(0);
        else if (ctrl)
            vb.SetPosition(0);
        else
            break;
        return;
    case Qt::Key_End:
        if (none)
            hb.SetPosition(hb.Range());
        else if (ctrl)
            vb.SetPosition(vb.Range());
        else
            break;
        return;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int32_t sign = Event->key() == Qt::Key_Left ? -1 : 1;
        if (none)
            hb.SetPosition(hb.Position() + sign * hb.Increment);
        else if (shift)
            hb.SetPosition(hb.Position() + sign);
        else if (ctrl)
            hb.SetPosition(hb.Position() + sign * ClientWidth());
        else
            break;
        return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int32_t sign = Event->key() == Qt::Key_Up ? -1 : 1;
        if (none)
            vb.SetPosition(vb.Position() + sign * vb.Increment);
        else if (shift)
            vb.SetPosition(vb.Position() + sign);
        else if (ctrl)
            vb.SetPosition(vb.Position() + sign * ClientHeight());
        else
            break;
        return;
    }
    case Qt::Key_PageDown:
        if (none)
            SetCurrentPage(currentPage_ + 1);
        else if (ctrl)
            SetCurrentPage(TotalPages());
        else
            break;
        return;
    case Qt::Key_PageUp:
        if (none)
            SetCurrentPage(currentPage_ - 1);
        else if (ctrl)
            SetCurrentPage(1);
        else
            break;
        return;
    case Qt::Key_Plus:
        if (keypad && none) {
            SetZoom(zoom_ + ZoomStep);
            return;
        }
        break;
    case Qt::Key_Minus:
        if (keypad && none) {
            SetZoom(zoom_ - ZoomStep);
            return;
        }
        break;
    default:
        break;
    }
    TScrollBox::keyPressEvent(Event);
}

void TPrintPreview::wheelEvent(QWheelEvent* Event)
{
    if (!WheelOverBox(*Event)) {
        Event->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods =
        Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool middle = Event->buttons() & Qt::MiddleButton;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier && mods != Qt::ControlModifier) {
        Event->ignore();
        return;
    }
    Event->accept();
    const int32_t notches = WheelNotches(*Event);
    // Away from the user goes back: up, the page before, zoom in.
    const int32_t dir = notches > 0 ? -1 : 1;
    for (int32_t n = std::abs(notches); n > 0; --n) {
        if (mods == Qt::ShiftModifier || (mods == Qt::NoModifier && middle))
            SetCurrentPage(currentPage_ + dir);
        else if (mods == Qt::ControlModifier)
            SetZoom(zoom_ - dir * ZoomStep);
        else
            VertScrollBar().SetPosition(VertScrollBar().Position() + dir * VertScrollBar().Increment);
    }
}

// ---- The sheet's mouse ----------------------------------------------------------------------

TPoint TPrintPreview::ToControl(int32_t X, int32_t Y) const
{
    const QPoint p = sheet_->mapTo(this, QPoint(X, Y));
    return {p.x(), p.y()};
}

void TPrintPreview::SheetMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (!hasFocus() && focusPolicy() != Qt::NoFocus && isEnabled())
        setFocus(Qt::MouseFocusReason);
    if (canScrollHorz_ || canScrollVert_) {
        isDragging_ = true;
        sheet_->SetCursor(paperView_.GrabCursor());
    }
    dragStart_ = {X, Y};
    if (OnMouseDown) {
        const TPoint p = ToControl(X, Y);
        OnMouseDown(this, Button, Shift, p.X, p.Y);
    }
}

void TPrintPreview::SheetMouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    if (Shift & ssLeft) {
        // The point grabbed stays under the cursor: the bar moves back by the cursor's move,
        // or, without a bar, the sheet moves within the client area.
        TControlScrollBar& hb = HorzScrollBar();
        TControlScrollBar& vb = VertScrollBar();
        if (canScrollHorz_) {
            const int32_t d = X - dragStart_.X;
            if (AutoScroll() && hb.IsScrollBarVisible())
                hb.SetPosition(hb.Position() - d);
            else
                sheet_->move(std::clamp(sheet_->x() + d,
                                        std::min(hb.Margin, ClientWidth() - hb.Margin - sheet_->width()),
                                        hb.Margin),
                             sheet_->y());
        }
        if (canScrollVert_) {
            const int32_t d = Y - dragStart_.Y;
            if (AutoScroll() && vb.IsScrollBarVisible())
                vb.SetPosition(vb.Position() - d);
            else
                sheet_->move(sheet_->x(),
                             std::clamp(sheet_->y() + d,
                                        std::min(vb.Margin, ClientHeight() - vb.Margin - sheet_->height()),
                                        vb.Margin));
        }
    }
    if (OnMouseMove) {
        const TPoint p = ToControl(X, Y);
        OnMouseMove(this, Shift, p.X, p.Y);
    }
}

void TPrintPreview::SheetMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (isDragging_) {
        isDragging_ = false;
        sheet_->SetCursor(paperView_.DragCursor());
    }
    if (OnMouseUp) {
        const TPoint p = ToControl(X, Y);
        OnMouseUp(this, Button, Shift, p.X, p.Y);
    }
}

} // namespace qm
