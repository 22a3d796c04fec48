#pragma once
// A splitter between a panel that takes the rest of the window and one panel of a set size
// behind it (to the right of a horizontal splitter, below a vertical one). While the user
// drags the bar, every proposed new size of that last panel is put to CanResize first; a
// size it refuses leaves the bar where it is.
#include <QSplitter>
#include <functional>

namespace qm {

class TSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit TSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

    std::function<bool(int newSize)> CanResize;

    // The size of the last panel, and a new one for it (the first panel gets the rest).
    int LastPanelSize() const;
    void SetLastPanelSize(int size);

    // The size the last panel gets when the bar is dragged to pos (splitter coordinates).
    int LastPanelSizeAt(int pos) const;

protected:
    QSplitterHandle* createHandle() override;
};

} // namespace qm
