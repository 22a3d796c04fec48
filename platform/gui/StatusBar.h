#pragma once
// A status bar of text panels side by side. Every panel but the last has its set width; the
// last one takes whatever room is left, so a window always shows its status bar edge to edge.
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

private:
    void CheckIndex(int index) const;
    std::vector<QLabel*> panels_;
    std::vector<int> widths_;
};

} // namespace qm
