#include "platform/gui/StatusBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

#include "platform/Exception.h"

namespace qm {

TStatusBar::TStatusBar(const std::vector<int>& widths, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    auto* row = row_ = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (size_t i = 0; i < widths.size(); ++i) {
        auto* label = new QLabel(row);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        // Relayout gives every panel its width.
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        layout->addWidget(label, 0);
        panels_.push_back(label);
        widths_.push_back(0);
    }
    // Only once every panel exists is it known which one is last and fills the rest.
    for (size_t i = 0; i < widths.size(); ++i)
        SetPanelWidth(int(i), widths[i]);
    // The panels' widths never hold the window wider than it is; a bar too narrow for them
    // cuts the panels short, as it would cut off their text.
    row->setMinimumWidth(1);
    layout->addStretch(0);
    addWidget(row, 1);
    row->installEventFilter(this);
    Relayout();
}

// The panels are laid out in the row whenever it changes width.
bool TStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == row_ && event->type() == QEvent::Resize)
        Relayout();
    return QStatusBar::eventFilter(watched, event);
}

void TStatusBar::Relayout()
{
    const int n = PanelCount();
    if (n == 0)
        return;
    const int spacing = row_->layout()->spacing();
    const int room = std::max(0, row_->width() - spacing * (n - 1));
    std::vector<int> need(static_cast<size_t>(n)), w(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        QLabel* label = panels_[size_t(i)];
        // A label's size hint is held within its fixed width; freed, it tells what the text needs.
        label->setMinimumWidth(0);
        label->setMaximumWidth(QWIDGETSIZE_MAX);
        need[size_t(i)] = label->text().isEmpty() ? 0 : label->sizeHint().width();
        w[size_t(i)] = i + 1 < n ? widths_[size_t(i)] : 0;
        if (i > 0)
            w[size_t(i)] = std::max(w[size_t(i)], need[size_t(i)]);
    }
    int used = 0;
    for (int i = 0; i + 1 < n; ++i)
        used += w[size_t(i)];
    // The last panel takes the rest, but at least what its text needs; the first gives way.
    w[size_t(n - 1)] = std::max(room - used, need[size_t(n - 1)]);
    if (n > 1) {
        const int over = used + w[size_t(n - 1)] - room;
        if (over > 0)
            w[0] = std::max(0, w[0] - over);
    }
    for (int i = 0; i < n; ++i)
        panels_[size_t(i)]->setFixedWidth(w[size_t(i)]);
}

void TStatusBar::CheckIndex(int index) const
{
    if (index < 0 || index >= PanelCount())
        throw ERangeError(Format("Status bar panel index out of range (%d)", index));
}

int TStatusBar::PanelWidth(int index) const
{
    CheckIndex(index);
    return widths_[size_t(index)];
}

void TStatusBar::SetPanelWidth(int index, int width)
{
    CheckIndex(index);
    widths_[size_t(index)] = std::max(0, width);
    Relayout();
}

QString TStatusBar::PanelText(int index) const
{
    CheckIndex(index);
    return panels_[size_t(index)]->text();
}

void TStatusBar::SetPanelText(int index, const QString& text)
{
    CheckIndex(index);
    panels_[size_t(index)]->setText(text);
    Relayout();
}

QLabel* TStatusBar::Panel(int index) const
{
    CheckIndex(index);
    return panels_[size_t(index)];
}

} // namespace qm
