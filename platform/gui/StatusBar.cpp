#include "platform/gui/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

#include "platform/Exception.h"

namespace qm {

TStatusBar::TStatusBar(const std::vector<int>& widths, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (size_t i = 0; i < widths.size(); ++i) {
        auto* label = new QLabel(row);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        // Every panel but the last keeps its set width; the last takes what is left, whatever
        // its text would like.
        const bool last = i + 1 == widths.size();
        label->setSizePolicy(last ? QSizePolicy::Ignored : QSizePolicy::Fixed, QSizePolicy::Preferred);
        layout->addWidget(label, last ? 1 : 0);
        panels_.push_back(label);
        widths_.push_back(0);
    }
    // Only once every panel exists is it known which one is last and fills the rest.
    for (size_t i = 0; i < widths.size(); ++i)
        SetPanelWidth(int(i), widths[i]);
    // The panels' widths never hold the window wider than it is; a bar too narrow for them
    // cuts the panels short, as it would cut off their text.
    row->setMinimumWidth(1);
    addWidget(row, 1);
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
    width = std::max(0, width);
    widths_[size_t(index)] = width;
    QLabel* label = panels_[size_t(index)];
    if (index + 1 < PanelCount())
        label->setFixedWidth(width);
    else
        label->setMinimumWidth(0); // the last panel fills the rest of the bar
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
}

QLabel* TStatusBar::Panel(int index) const
{
    CheckIndex(index);
    return panels_[size_t(index)];
}

} // namespace qm
