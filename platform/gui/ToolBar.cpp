#include "platform/gui/ToolBar.h"

#include <QFrame>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QToolButton>
#include <algorithm>

namespace qm {

namespace {
// The extra width of a button that carries a drop-down arrow beside its picture.
constexpr int kDropDownArrowWidth = 14;

bool HasDropDown(const QToolButton* b)
{
    return b->popupMode() == QToolButton::MenuButtonPopup;
}
} // namespace

// Places the items side by side from the indent on, each at its own size and centred in the
// height of its row; a bar that wraps starts a new row where the next item would not fit.
class TToolBar::RowLayout : public QLayout {
public:
    explicit RowLayout(QWidget* parent) : QLayout(parent)
    {
        setContentsMargins(0, 0, 0, 0);
        setSpacing(0);
    }
    ~RowLayout() override
    {
        while (QLayoutItem* item = takeAt(0))
            delete item;
    }

    int indent = 0;
    bool wrap = false;

    void addItem(QLayoutItem* item) override { items_.append(item); }
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override
    {
        return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return wrap; }
    int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }

    QSize sizeHint() const override
    {
        const QMargins m = contentsMargins();
        int w = indent, h = 0;
        for (QLayoutItem* item : items_) {
            if (item->isEmpty())
                continue;
            w += item->sizeHint().width();
            h = std::max(h, item->sizeHint().height());
        }
        return {w + m.left() + m.right(), h + m.top() + m.bottom()};
    }

    // No width is demanded: what does not fit is cut off (or wraps). A wrapping bar needs the
    // width of its widest item.
    QSize minimumSize() const override
    {
        const QMargins m = contentsMargins();
        int w = 0, h = 0;
        for (QLayoutItem* item : items_) {
            if (item->isEmpty())
                continue;
            if (wrap)
                w = std::max(w, item->sizeHint().width());
            h = std::max(h, item->sizeHint().height());
        }
        return {w + m.left() + m.right(), h + m.top() + m.bottom()};
    }

    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        Arrange(rect, true);
    }

private:
    // Lays the items out in rect (or only measures); answers the height used.
    int Arrange(const QRect& rect, bool place) const
    {
        const QRect area = rect.marginsRemoved(contentsMargins());
        int x = area.x() + indent, y = area.y(), rowHeight = 0;
        std::vector<std::pair<QLayoutItem*, int>> row; // items of the current row with their x
        auto finishRow = [&] {
            if (place)
                for (auto [item, left] : row) {
                    const QSize size = item->sizeHint();
                    item->setGeometry(QRect(QPoint(left, y + (rowHeight - size.height()) / 2), size));
                }
            row.clear();
        };
        for (QLayoutItem* item : items_) {
            if (item->isEmpty())
                continue;
            const QSize size = item->sizeHint();
            if (wrap && !row.empty() && x + size.width() > area.right() + 1) {
                finishRow();
                y += rowHeight;
                x = area.x();
                rowHeight = 0;
            }
            row.emplace_back(item, x);
            x += size.width();
            rowHeight = std::max(rowHeight, size.height());
        }
        finishRow();
        const QMargins m = contentsMargins();
        return y + rowHeight - rect.y() + m.bottom();
    }

    QList<QLayoutItem*> items_;

public:
    const QList<QLayoutItem*>* Items() const { return &items_; }
};

TToolBar::TToolBar(QWidget* parent) : QFrame(parent)
{
    layout_ = new RowLayout(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QToolButton* TToolBar::AddButton(const char* name, const QString& caption, const QIcon& icon,
                                 const QString& hint, QMenu* dropDown)
{
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(icon);
    b->setToolTip(hint.isEmpty() ? caption.trimmed() : hint);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(iconSize_, iconSize_));
    if (dropDown) {
        b->setMenu(dropDown);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }
    b->setToolButtonStyle(ButtonStyle());
    buttons_.push_back(b);
    layout_->addWidget(b);
    ApplyButtonSizes();
    return b;
}

void TToolBar::AddSeparator()
{
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedSize(kSeparatorWidth, buttonHeight_);
    separators_.push_back(line);
    layout_->addWidget(line);
}

void TToolBar::AddControl(QWidget* control)
{
    control->setParent(this);
    layout_->addWidget(control);
}

void TToolBar::SetWrapable(bool wrap)
{
    wrapable_ = wrap;
    layout_->wrap = wrap;
    QSizePolicy policy(QSizePolicy::Preferred, wrap ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    policy.setHeightForWidth(wrap);
    setSizePolicy(policy);
    layout_->invalidate();
    FitButtons();
}

void TToolBar::SetShowCaptions(bool show)
{
    if (show == showCaptions_)
        return;
    showCaptions_ = show;
    for (auto* b : buttons_)
        b->setToolButtonStyle(ButtonStyle());
    if (!show) {
        buttonWidth_ = smallWidth_;
        buttonHeight_ = smallHeight_;
    }
    ApplyButtonSizes();
}

void TToolBar::SetList(bool list)
{
    list_ = list;
    for (auto* b : buttons_)
        b->setToolButtonStyle(ButtonStyle());
    ApplyButtonSizes();
}

Qt::ToolButtonStyle TToolBar::ButtonStyle() const
{
    if (!showCaptions_)
        return Qt::ToolButtonIconOnly;
    return list_ ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon;
}

void TToolBar::SetButtonSize(int width, int height)
{
    smallWidth_ = buttonWidth_ = std::max(0, width);
    smallHeight_ = buttonHeight_ = std::max(0, height);
    ApplyButtonSizes();
}

void TToolBar::SetIconSize(int size)
{
    iconSize_ = std::max(1, size);
}

void TToolBar::SetIndent(int indent)
{
    indent_ = std::max(0, indent);
    layout_->indent = indent_;
    layout_->invalidate();
    FitButtons();
}

void TToolBar::SetBorderWidth(int width)
{
    borderWidth_ = std::max(0, width);
    layout_->setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
}

// Every button gets the bar's button size; with captions on that size is the largest caption
// button's own size, so that the row stays even.
void TToolBar::ApplyButtonSizes()
{
    ownWidths_.assign(buttons_.size(), 0);
    if (showCaptions_) {
        int w = 0, h = 0;
        for (size_t i = 0; i < buttons_.size(); ++i) {
            QToolButton* b = buttons_[i];
            b->setMinimumSize(0, 0);
            b->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            const QSize hint = b->sizeHint();
            ownWidths_[i] = std::max(hint.width(), smallWidth_);
            w = std::max(w, hint.width() - (HasDropDown(b) ? kDropDownArrowWidth : 0));
            h = std::max(h, hint.height());
        }
        buttonWidth_ = std::max(w, smallWidth_);
        buttonHeight_ = std::max(h, smallHeight_);
    }
    for (auto* line : separators_)
        line->setFixedSize(kSeparatorWidth, buttonHeight_);
    FitButtons();
}

void TToolBar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    FitButtons();
}

void TToolBar::FitButtons()
{
    int evenRow = indent_ + 2 * borderWidth_;
    for (QLayoutItem* item : *layout_->Items())
        if (!item->isEmpty() && !qobject_cast<QToolButton*>(item->widget()))
            evenRow += item->sizeHint().width();
    for (auto* b : buttons_)
        if (!b->isHidden())
            evenRow += buttonWidth_ + (HasDropDown(b) ? kDropDownArrowWidth : 0);
    const bool own = wrapable_ && showCaptions_ && evenRow > width();
    for (size_t i = 0; i < buttons_.size(); ++i) {
        QToolButton* b = buttons_[i];
        const int w = own ? ownWidths_[i] : buttonWidth_ + (HasDropDown(b) ? kDropDownArrowWidth : 0);
        if (b->minimumWidth() != w || b->maximumWidth() != w || b->minimumHeight() != buttonHeight_)
            b->setFixedSize(w, buttonHeight_);
    }
}

} // namespace qm
