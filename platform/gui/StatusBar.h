#pragma once
// A status bar of text panels side by side. Every panel but the last has its set width; the
// last one takes whatever room is left, so a window always shows its status bar edge to edge.
// No panel but the first is narrower than its text needs in the bar's font: when the set
// widths leave a later panel too little room, the first panel (the one a window sizes to
// fill the rest) gives way.
#include <QStatusBar>
#include <QString>
#include <vector>

class QLabel;

namespace qm {

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // One panel per width, left to right.
    TStatusBar(const std::vector<int>& widths, QWidget* parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width); // a negative width counts as 0
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    QLabel* Panel(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CheckIndex(int index) const;
    // Gives every panel its width from the set widths, the texts and the bar's width.
    void Relayout();
    std::vector<QLabel*> panels_;
    std::vector<int> widths_;
    QWidget* row_ = nullptr;
};

} // namespace qm
