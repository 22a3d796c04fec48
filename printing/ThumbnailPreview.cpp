#include "printing/ThumbnailPreview.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

#include "printing/PrintPreview.h"

namespace qm {

void TThumbnailLabel::mouseReleaseEvent(QMouseEvent* Event)
{
    QLabel::mouseReleaseEvent(Event);
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) && OnClick)
        OnClick(this);
}

// ---- TThumbnail -----------------------------------------------------------------------------

TThumbnail::TThumbnail(TThumbnailPreview& Strip, int32_t APageNo) : PageNo(APageNo)
{
    Paper = new TPaperPreview(Strip.Viewport());
    Paper->Tag = PageNo;
    Paper->setFocusPolicy(Qt::NoFocus);
    Paper->OnPaint = [&Strip](QObject* s, TPainterCanvas& c, const TRect& r) {
        Strip.PaintThumbnail(s, c, r);
    };
    Paper->OnClick = [&Strip](QObject* s) { Strip.ThumbnailClick(s); };
    Strip.paperView_.AssignTo(*Paper);
    Label = new TThumbnailLabel(Strip.Viewport());
    Label->Tag = PageNo;
    Label->setAlignment(Qt::AlignCenter);
    Label->setTextFormat(Qt::PlainText);
    Label->setAutoFillBackground(false);
    Label->setText(QString::number(PageNo));
    Label->OnClick = [&Strip](QObject* s) { Strip.ThumbnailClick(s); };
    Paper->show();
    Label->show();
}

TThumbnail::~TThumbnail()
{
    delete Paper;
    delete Label;
}

TRect TThumbnail::BoundsRect() const
{
    const QRect r = Paper->geometry().united(Label->geometry()).adjusted(-1, -1, 1, 1);
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// ---- TThumbnailPreview ----------------------------------------------------------------------

TThumbnailPreview::TThumbnailPreview(QWidget* Parent) : TScrollBox(Parent)
{
    SetTabStop(true);
    paperView_.OnChange = [this](TObject*) { OptionsChanged(); };
}

TThumbnailPreview::~TThumbnailPreview()
{
    SetPrintPreview(nullptr);
    paperView_.OnChange = nullptr;
}

void TThumbnailPreview::SetPrintPreview(TPrintPreview* Value)
{
    if (Value == preview_)
        return;
    if (preview_)
        preview_->UnregisterThumbnail(this);
    preview_ = Value;
    if (preview_)
        preview_->RegisterThumbnail(this);
    RebuildThumbnails(true);
}

void TThumbnailPreview::SetZoom(int32_t Value)
{
    if (Value == zoom_)
        return;
    zoom_ = Value;
    RebuildThumbnails(true);
}

void TThumbnailPreview::SetMargin(uint8_t Value)
{
    if (Value == margin_)
        return;
    margin_ = Value;
    RebuildThumbnails(true);
}

void TThumbnailPreview::SetOrientation(TScrollBarKind Value)
{
    if (Value == orientation_)
        return;
    orientation_ = Value;
    RebuildThumbnails(true);
}

void TThumbnailPreview::SetMarkerColor(TColor Value)
{
    if (Value == markerColor_)
        return;
    markerColor_ = Value;
    if (marked_)
        marked_->Paper->Invalidate();
}

void TThumbnailPreview::OptionsChanged()
{
    if (preview_)
        for (auto& t : thumbnails_)
            paperView_.AssignTo(*t->Paper);
    RebuildThumbnails(true);
}

void TThumbnailPreview::Resized()
{
    RebuildThumbnails(true);
}

void TThumbnailPreview::changeEvent(QEvent* Event)
{
    TScrollBox::changeEvent(Event);
    if (Event->type() == QEvent::FontChange)
        RebuildThumbnails(true);
}

void TThumbnailPreview::CalcThumbnailMetrics(TPoint& PaperPos, TPoint& PaperSize, TPoint& CellSize,
                                             TPoint& LabelSize, TPoint& LabelPos)
{
    const TPoint dev = preview_->DeviceExtent();
    const int32_t frame = 2 * paperView_.BorderWidth() + paperView_.ShadowWidth();
    PaperSize = {MulDiv(dev.X, zoom_, 100) + frame, MulDiv(dev.Y, zoom_, 100) + frame};
    const QFontMetrics fm(font());
    const int32_t digits = int32_t(QString::number(preview_->TotalPages()).size());
    LabelSize = {digits * fm.maxWidth(), fm.height() + fm.leading()};
    const int32_t cell = std::max(PaperSize.X, LabelSize.X);
    PaperPos = {(cell - PaperSize.X) / 2, 0};
    LabelPos = {(cell - LabelSize.X) / 2, PaperSize.Y + 2};
    CellSize = {cell, LabelPos.Y + LabelSize.Y};
}

void TThumbnailPreview::FreeThumbnails()
{
    rows_ = columns_ = 0;
    marked_ = nullptr;
    while (!thumbnails_.empty())
        thumbnails_.pop_back();
}

void TThumbnailPreview::RebuildThumbnails(bool Full)
{
    if (rebuilding_)
        return;
    rebuilding_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{rebuilding_};

    if (!preview_ || preview_->TotalPages() == 0) {
        if (!thumbnails_.empty()) {
            FreeThumbnails();
            UpdateScrollBars();
        }
        return;
    }
    const int32_t total = preview_->TotalPages();
    if (Full) {
        HorzScrollBar().SetVisible(orientation_ == sbHorizontal);
        VertScrollBar().SetVisible(orientation_ == sbVertical);
        int32_t x = margin_ - HorzScrollBar().Position(), y = margin_ - VertScrollBar().Position();
        TPoint paperPos, paperSize, cell, labelSize, labelPos;
        CalcThumbnailMetrics(paperPos, paperSize, cell, labelSize, labelPos);
        DisableAutoRange();
        thumbnails_.reserve(size_t(total));
        for (int32_t i = 0; i < total; ++i) {
            if (size_t(i) == thumbnails_.size())
                thumbnails_.push_back(std::make_unique<TThumbnail>(*this, i + 1));
            TThumbnail& t = *thumbnails_[size_t(i)];
            t.Paper->SetBounds(x + paperPos.X, y + paperPos.Y, paperSize.X, paperSize.Y);
            const QRect label(x + labelPos.X, y + labelPos.Y, labelSize.X, labelSize.Y);
            if (t.Label->geometry() != label)
                t.Label->setGeometry(label);
            if (orientation_ == sbVertical) {
                x += margin_ + cell.X;
                if (x + cell.X > ClientWidth()) {
                    x = margin_ - HorzScrollBar().Position();
                    y += margin_ + cell.Y;
                }
            } else {
                y += margin_ + cell.Y;
                if (y + cell.Y > ClientHeight()) {
                    y = margin_ - VertScrollBar().Position();
                    x += margin_ + cell.X;
                }
            }
        }
        if (orientation_ == sbVertical) {
            columns_ = margin_ < cell.X ? (ClientWidth() - margin_) / (margin_ + cell.X) : 1;
            columns_ = std::max(1, columns_);
            rows_ = total / columns_;
        } else {
            rows_ = margin_ < cell.Y ? (ClientHeight() - margin_) / (margin_ + cell.Y) : 1;
            rows_ = std::max(1, rows_);
            columns_ = total / rows_;
        }
        while (int32_t(thumbnails_.size()) > total) {
            if (marked_ == thumbnails_.back().get())
                marked_ = nullptr;
            thumbnails_.pop_back();
        }
        EnableAutoRange();
    }

    TThumbnail* current = nullptr;
    for (auto it = thumbnails_.rbegin(); it != thumbnails_.rend(); ++it)
        if ((*it)->PageNo == preview_->CurrentPage()) {
            current = it->get();
            break;
        }
    if (current != marked_) {
        if (marked_)
            marked_->Paper->Invalidate();
        marked_ = current;
        if (marked_) {
            ScrollRectInView(marked_->BoundsRect());
            marked_->Paper->Invalidate();
        }
        update();
        if (OnChange)
            OnChange(this);
    }
}

void TThumbnailPreview::ScrollRectInView(TRect R)
{
    TControlScrollBar& hb = HorzScrollBar();
    TControlScrollBar& vb = VertScrollBar();
    R.Left -= hb.Margin;
    R.Right += hb.Margin;
    R.Top -= vb.Margin;
    R.Bottom += vb.Margin;
    if (R.Left < 0)
        hb.SetPosition(hb.Position() + R.Left);
    else if (R.Right > ClientWidth())
        hb.SetPosition(hb.Position() + std::min(R.Right - ClientWidth(), R.Left));
    if (R.Top < 0)
        vb.SetPosition(vb.Position() + R.Top);
    else if (R.Bottom > ClientHeight())
        vb.SetPosition(vb.Position() + std::min(R.Bottom - ClientHeight(), R.Top));
}

void TThumbnailPreview::RepaintThumbnail(int32_t PageIndex)
{
    if (PageIndex >= 0 && PageIndex < ThumbnailCount()) {
        TPaperPreview& sheet = *thumbnails_[size_t(PageIndex)]->Paper;
        sheet.Invalidate();
        sheet.repaint();
    } else if (PageIndex == -1) {
        for (auto it = thumbnails_.rbegin(); it != thumbnails_.rend(); ++it)
            (*it)->Paper->Invalidate();
        update();
    }
}

void TThumbnailPreview::PaintThumbnail(QObject* Sender, TPainterCanvas& Canvas, const TRect& PageRect)
{
    auto* sheet = qobject_cast<TPaperPreview*>(Sender);
    if (!sheet || !preview_)
        return;
    try {
        if (TMetafile* page = preview_->GetPage(sheet->Tag))
            Canvas.StretchDraw(PageRect, *page);
    } catch (const Exception&) {
        // A page that cannot be read back shows as blank paper.
    }
    if (marked_ && marked_->Paper == sheet) {
        Canvas.Brush().SetStyle(bsClear);
        Canvas.Pen().SetMode(pmCopy);
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetWidth(1);
        Canvas.Pen().SetColor(markerColor_);
        Canvas.Rectangle(PageRect);
    }
}

void TThumbnailPreview::ThumbnailClick(QObject* Sender)
{
    int32_t page = 0;
    if (auto* sheet = qobject_cast<TPaperPreview*>(Sender))
        page = sheet->Tag;
    else if (auto* label = qobject_cast<TThumbnailLabel*>(Sender))
        page = label->Tag;
    if (preview_ && page > 0)
        preview_->SetCurrentPage(page);
    if (TabStop())
        setFocus(Qt::MouseFocusReason);
}

void TThumbnailPreview::keyPressEvent(QKeyEvent* Event)
{
    if (!preview_) {
        TScrollBox::keyPressEvent(Event);
        return;
    }
    const Qt::KeyboardModifiers mods =
        Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool none = mods == Qt::NoModifier, ctrl = mods == Qt::ControlModifier;
    const bool vertical = orientation_ == sbVertical;
    const int32_t page = preview_->CurrentPage();
    switch (Event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (none) {
            const int32_t step = vertical ? 1 : rows_;
            preview_->SetCurrentPage(page + (Event->key() == Qt::Key_Left ? -step : step));
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (none) {
            const int32_t step = vertical ? columns_ : 1;
            preview_->SetCurrentPage(page + (Event->key() == Qt::Key_Up ? -step : step));
            return;
        }
        break;
    case Qt::Key_PageDown:
        if (none || ctrl) {
            preview_->SetCurrentPage(ctrl ? preview_->TotalPages() : page + 1);
            return;
        }
        break;
    case Qt::Key_PageUp:
        if (none || ctrl) {
            preview_->SetCurrentPage(ctrl ? 1 : page - 1);
            return;
        }
        break;
    default:
        break;
    }
    TScrollBox::keyPressEvent(Event);
}

void TThumbnailPreview::wheelEvent(QWheelEvent* Event)
{
    if (!WheelOverBox(*Event)) {
        Event->ignore();
        return;
    }
    Event->accept();
    const int32_t notches = WheelNotches(*Event);
    const int32_t dir = notches > 0 ? -1 : 1;
    TControlScrollBar& bar = orientation_ == sbHorizontal ? HorzScrollBar() : VertScrollBar();
    for (int32_t n = std::abs(notches); n > 0; --n)
        bar.SetPosition(bar.Position() + dir * bar.Increment);
}

} // namespace qm
