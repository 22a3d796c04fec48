#pragma once
// What the new-store wizard and the aisle editor share about their aisle lists: the pop-up
// menu of aisles to add, the next aisle number, and the list helpers both editors (and the
// errand editor) use for selecting, moving and enabling the Move buttons.
#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "dialogs/ListEdits.h"
#include "platform/AnsiString.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace qm {

// The pop-up menu "Next Aisle Number", nine named aisles and "Custom...", with the names both
// dialogs give its entries. Captions carry no accelerator, so an entry's text is its aisle.
class TAisleMenu : public QObject {
    Q_OBJECT
public:
    explicit TAisleMenu(QWidget* owner);

    QMenu* PMenuAddAisle = nullptr;
    QAction* PItemAisleNextNum = nullptr;
    QAction* PItemAisleBakery = nullptr;
    QAction* PItemAisleBread = nullptr;
    QAction* PItemAisleDairy = nullptr;
    QAction* PItemAisleDeli = nullptr;
    QAction* PItemAisleFrozen = nullptr;
    QAction* PItemAisleMeat = nullptr;
    QAction* PItemAislePharmacy = nullptr;
    QAction* PItemAisleProduce = nullptr;
    QAction* PItemAisleRegister = nullptr;
    QAction* PItemAisleCustom = nullptr;

    // The nine entries that add their own caption.
    std::vector<QAction*> NamedEntries() const;
    // Runs each kind of entry's handler through Dispatch when the entry is chosen; named is
    // given the entry.
    void ConnectEntries(QObject* context, std::function<void()> nextNumber,
                        std::function<void(QAction*)> named, std::function<void()> custom);
    // Opens the menu 2 pixels right of and 2 pixels below the button's lower left corner.
    void PopupBelow(QWidget* button);
};

// What the aisle and errand editors share: a label over the list at the left, and at the
// right the column Add, Delete, Rename, Move Up, Move Down; more buttons may follow in
// Buttons, which the caller ends.
struct TListEditorFrame {
    QLabel* Label = nullptr;
    QListWidget* List = nullptr;
    QVBoxLayout* Buttons = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnDelete = nullptr;
    QPushButton* BtnRename = nullptr;
    QPushButton* BtnMoveUp = nullptr;
    QPushButton* BtnMoveDown = nullptr;
};
TListEditorFrame BuildListEditorFrame(QWidget* body, const char* listName);

// An aisle entry read as a whole number: optional leading blanks, an optional sign and
// decimal digits, nothing after them, within 32 bits; anything else gives -1.
int32_t AisleNumber(const AnsiString& entry);
// The number after the run 1, 2, 3 ... found in list order: L := 0, and each entry whose
// number is L + 1 makes it L; the answer is L + 1. (1, 2, 4, 3 gives 4; no 1 gives 1.)
int32_t NextAisleNumber(const std::vector<AnsiString>& entries);

// The entries' texts in list order, in program text.
std::vector<AnsiString> ListEntries(const QListWidget* list);
// origin: the entry's place in the list the editor opened on (TListEntry), -1 for a new one.
void AddListEntry(QListWidget* list, const AnsiString& text, bool checkable = false, bool checked = false,
                  int origin = -1);
// The entries with their check marks and origins, in list order.
std::vector<TListEntry> ListEntriesWithOrigins(const QListWidget* list);
// The list emptied and filled with entries, each with its place as its origin; none selected.
void FillListEntries(QListWidget* list, const std::vector<TListEntry>& entries, bool checkable);
// The selected row; -1 when no entry is selected.
int SelectedRow(const QListWidget* list);
// Selects the row, or clears the selection for -1.
void SelectListRow(QListWidget* list, int row);
// The first row whose text equals text with a-z folded; -1 when none.
int FindListEntry(const QListWidget* list, const AnsiString& text);
// Exchanges the selected entry with the one above (-1) or below (+1), text and check mark,
// and keeps it selected; nothing at the list's ends or without a selection.
void MoveSelectedEntry(QListWidget* list, int direction);
// Move Up is enabled exactly when an entry other than the first is selected, Move Down when
// one other than the last is.
void SetMoveButtons(const QListWidget* list, QPushButton* up, QPushButton* down);

} // namespace qm
