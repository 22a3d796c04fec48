#pragma once
// TFormViewClip, the clipboard viewer: a small tool window over the main window that shows
// the program's own item clipboard as a grid and deletes single entries or all of them. It
// is made once at start, right after the main window, stays hidden until the Edit menu asks
// for it, and lives for the whole run. Every show reads the registry afresh; a show that
// finds the clipboard empty does not open the window.
#include <QWidget>
#include <vector>

#include "platform/AnsiString.h"

class QToolButton;

namespace qm {

class TAdvStringGrid;
class TMainShared;
class TToolBar;

class TFormViewClip : public QWidget {
    Q_OBJECT
public:
    // main: the window whose paste button follows the clipboard.
    TFormViewClip(TMainShared& main, QWidget* parent = nullptr);
    ~TFormViewClip() override;

    TToolBar* ToolBarClip = nullptr;
    QToolButton* BtnDelete = nullptr;
    QToolButton* BtnClear = nullptr;
    TAdvStringGrid* GridClipList = nullptr;

    // Fills the grid from the registry; false when the clipboard is empty (the viewer then
    // closes).
    bool FormShow();
    void FormResize();
    void BtnDeleteClick();
    void BtnClearClick();
    void GridClipListKeyUp(int key, Qt::KeyboardModifiers shift);
    // Empties every cell and writes the five column titles.
    void SetupGrid();

    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainShared& main_;
    void UpdatePasteButton();
    // The registry key of each grid row, by row (row 0 is the title row).
    std::vector<AnsiString> rowKeys_;
};

extern TFormViewClip* FormViewClip;

} // namespace qm
