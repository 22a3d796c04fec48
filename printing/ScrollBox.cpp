#include "printing/ScrollBox.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace qm {

int32_t TControlScrollBar::Size() const
{
    return box_.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box_);
}

void TControlScrollBar::SetPosition(int32_t Value)
{
    Value = std::clamp(Value, 0, std::max(0, box_.MaxPosition(*this)));
    if (Value == position_)
        return;
    const int32_t delta = position_ - Value;
    position_ = Value;
    if (kind_ == sbHorizontal)
        box_.ScrollBy(delta, 0);
    else
        box_.ScrollBy(0, delta);
    box_.SyncBar(*this);
}

void TControlScrollBar::SetRange(int32_t Value)
{
    range_ = std::max(0, Value);
    box_.LayOut();
}

void TControlScrollBar::SetVisible(bool Value)
{
    if (Value == visible_)
        return;
    visible_ = Value;
    box_.LayOut();
}

TScrollBox::TScrollBox(QWidget* Parent) : QWidget(Parent)
{
    viewport_ = new QWidget(this);
    horzBar_ = new QScrollBar(Qt::Horizontal, this);
    vertBar_ = new QScrollBar(Qt::Vertical, this);
    horzBar_->hide();
    vertBar_->hide();
    connect(horzBar_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!syncing_)
            horz_.SetPosition(v);
    });
    connect(vertBar_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!syncing_)
            vert_.SetPosition(v);
    });
    LayOut();
}

TScrollBox::~TScrollBox() = default;

void TScrollBox::SetAutoScroll(bool Value)
{
    if (Value == autoScroll_)
        return;
    autoScroll_ = Value;
    UpdateScrollBars();
}

int32_t TScrollBox::ClientWidth() const
{
    return std::max(0, width() - (vert_.shown_ ? vert_.Size() : 0));
}

int32_t TScrollBox::ClientHeight() const
{
    return std::max(0, height() - (horz_.shown_ ? horz_.Size() : 0));
}

int32_t TScrollBox::MaxPosition(const TControlScrollBar& Bar) const
{
    return Bar.range_ - (Bar.kind_ == sbHorizontal ? ClientWidth() : ClientHeight());
}

void TScrollBox::ScrollBy(int32_t DX, int32_t DY)
{
    for (QObject* o : viewport_->children())
        if (auto* w = qobject_cast<QWidget*>(o))
            w->move(w->x() + DX, w->y() + DY);
}

void TScrollBox::SyncBar(TControlScrollBar& Bar)
{
    QScrollBar* bar = Bar.kind_ == sbHorizontal ? horzBar_ : vertBar_;
    const int32_t client = Bar.kind_ == sbHorizontal ? ClientWidth() : ClientHeight();
    syncing_ = true;
    bar->setRange(0, std::max(0, Bar.range_ - client));
    bar->setPageStep(std::max(1, client));
    bar->setSingleStep(std::max(1, Bar.Increment));
    bar->setValue(Bar.position_);
    syncing_ = false;
}

void TScrollBox::LayOut()
{
    // Which bars show: each one whose range exceeds the room the other leaves.
    const int32_t w = width(), h = height(), bw = vert_.Size(), bh = horz_.Size();
    bool needH = horz_.visible_ && horz_.range_ > w;
    bool needV = vert_.visible_ && vert_.range_ > h - (needH ? bh : 0);
    if (!needH)
        needH = horz_.visible_ && horz_.range_ > w - (needV ? bw : 0);
    if (needH && !needV)
        needV = vert_.visible_ && vert_.range_ > h - bh;
    horz_.shown_ = needH;
    vert_.shown_ = needV;
    const int32_t cw = ClientWidth(), ch = ClientHeight();
    viewport_->setGeometry(0, 0, cw, ch);
    horzBar_->setGeometry(0, h - bh, cw, bh);
    vertBar_->setGeometry(w - bw, 0, bw, ch);
    horzBar_->setVisible(needH);
    vertBar_->setVisible(needV);
    // Positions stay within the new ranges.
    for (TControlScrollBar* bar : {&horz_, &vert_}) {
        const int32_t limit = std::max(0, MaxPosition(*bar));
        if (bar->position_ > limit)
            bar->SetPosition(limit);
        SyncBar(*bar);
    }
}

void TScrollBox::UpdateScrollBars()
{
    if (autoScroll_ && autoRangeHeld_ <= 0) {
        int32_t right = 0, bottom = 0;
        for (QObject* o : viewport_->children()) {
            auto* c = qobject_cast<QWidget*>(o);
            if (!c || c->isHidden())
                continue;
            right = std::max(right, c->x() + c->width() + horz_.position_);
            bottom = std::max(bottom, c->y() + c->height() + vert_.position_);
        }
        horz_.range_ = right > 0 ? right + horz_.Margin : 0;
        vert_.range_ = bottom > 0 ? bottom + vert_.Margin : 0;
    }
    LayOut();
}

void TScrollBox::EnableAutoRange()
{
    if (autoRangeHeld_ > 0)
        --autoRangeHeld_;
    if (autoRangeHeld_ == 0)
        UpdateScrollBars();
}

void TScrollBox::HandleResize()
{
    laidOutSize_ = size();
    UpdateScrollBars();
    Resized();
}

void TScrollBox::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height)
{
    setGeometry(Left, Top, std::max(0, Width), std::max(0, Height));
    if (size() != laidOutSize_)
        HandleResize();
}

void TScrollBox::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    if (size() != laidOutSize_)
        HandleResize();
}

bool TScrollBox::WheelOverBox(const QWheelEvent& Event) const
{
    return QRect(mapToGlobal(QPoint(0, 0)), size()).contains(Event.globalPosition().toPoint());
}

int32_t TScrollBox::WheelNotches(const QWheelEvent& Event)
{
    const QPoint delta = Event.angleDelta();
    wheelRest_ += delta.y() != 0 ? delta.y() : delta.x();
    const int32_t notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    return notches;
}

} // namespace qm
