#include "dialogs/EditAislesUnit.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/AisleList.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/Shell.h"
#include "store/NameRules.h"
#include "store/StoreFiles.h"

namespace qm {

namespace {
constexpr int kHelpContext = HelpContextOf("Editing aisles and departments");
const char* const kQueryCaption = "Edit Aisles/Departments";
} // namespace

TFormAisles::TFormAisles(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormAisles", "Edit Aisles / Departments", "aisles"), main_(main)
{
    TListEditorFrame frame = BuildListEditorFrame(Body, "ListAisles");
    frame.Label->setText("Aisles / Departments:");
    frame.Buttons->addStretch(1);
    ListAisles = frame.List;
    BtnAdd = frame.BtnAdd;
    BtnDelete = frame.BtnDelete;
    BtnRename = frame.BtnRename;
    BtnMoveUp = frame.BtnMoveUp;
    BtnMoveDown = frame.BtnMoveDown;

    AisleMenu = new TAisleMenu(this);
    PMenuAddAisle = AisleMenu->PMenuAddAisle;
    AddOkCancelHelp(kHelpContext, [this] { BtnOKClick(); }); // Help runs BtnHelpClick's step

    ConnectClick(BtnAdd, this, [this] { BtnAddClick(); });
    ConnectClick(BtnDelete, this, [this] { BtnDeleteClick(); });
    ConnectClick(BtnRename, this, [this] { BtnRenameClick(); });
    ConnectClick(BtnMoveUp, this, [this] { BtnMoveUpClick(); });
    ConnectClick(BtnMoveDown, this, [this] { BtnMoveDownClick(); });
    // A click and a key that move the selection both change it.
    connect(ListAisles, &QListWidget::itemSelectionChanged, this,
            [this] { Dispatch([this] { ListAislesClick(); }); });
    AisleMenu->ConnectEntries(
        this, [this] { PItemAisleNextNumClick(); }, [this](QAction* entry) { PItemAisleBakeryClick(entry); },
        [this] { PItemAisleCustomClick(); });

    FormCreate();
}

namespace {

// The aisles of the open store's file. The list ends at the first empty field, as the loader
// reads it.
std::vector<TListEntry> FileAisles(const TMainShared& main)
{
    std::vector<TListEntry> aisles;
    for (const AnsiString& aisle :
         SplitList(kListSeparator,
                   ReadStoreString(main.StoreFilesContext(), main.Store.Name, kInfoSection, "Aisles")))
        aisles.push_back({aisle});
    return aisles;
}

} // namespace

void TFormAisles::FormCreate()
{
    opened_ = FileAisles(main_);
    FillListEntries(ListAisles, opened_, false);
    SetMoveButtons();
}

int32_t TFormAisles::NextAisleNumber() const
{
    return qm::NextAisleNumber(ListEntries(ListAisles));
}

void TFormAisles::SetMoveButtons()
{
    qm::SetMoveButtons(ListAisles, BtnMoveUp, BtnMoveDown);
}

void TFormAisles::AddAisle(const AnsiString& text)
{
    AddListEntry(ListAisles, text);
    SelectListRow(ListAisles, FindListEntry(ListAisles, text));
    SetMoveButtons();
}

void TFormAisles::BtnAddClick()
{
    AisleMenu->PopupBelow(BtnAdd);
}

void TFormAisles::PItemAisleNextNumClick()
{
    AddAisle(std::to_string(NextAisleNumber()));
}

void TFormAisles::PItemAisleBakeryClick(QAction* sender)
{
    AddAisle(FromQString(sender->text()));
}

void TFormAisles::PItemAisleCustomClick()
{
    QString text;
    if (!InputQuery(kQueryCaption, "Aisle/Dept. Name:", text)) {
        SelectListRow(ListAisles, -1);
        SetMoveButtons();
        return;
    }
    // An empty name, or one with ",,", would end or split the stored aisle list.
    if (!AcceptName(NameKind::Aisle, text))
        return;
    AddAisle(FromQString(text));
}

void TFormAisles::BtnDeleteClick()
{
    const int row = SelectedRow(ListAisles);
    if (row < 0)
        return;
    const AnsiString text = FromQString(ListAisles->item(row)->text());
    if (MessageBoxQ("Are you sure you want to delete the aisle/dept. \"" + text + "\"?", mbYes | mbNo,
                    mtConfirmation) == mrYes) {
        delete ListAisles->takeItem(row);
        SelectListRow(ListAisles, -1); // the list would select the next entry
    }
    SetMoveButtons();
}

void TFormAisles::BtnRenameClick()
{
    const int row = SelectedRow(ListAisles);
    if (row < 0)
        return;
    const QString old = ListAisles->item(row)->text();
    QString text = old;
    if (InputQuery(kQueryCaption, "Aisle Name:", text) && text != old && AcceptName(NameKind::Aisle, text))
        ListAisles->item(row)->setText(text);
    SetMoveButtons();
}

void TFormAisles::BtnMoveUpClick()
{
    MoveSelectedEntry(ListAisles, -1);
    SetMoveButtons();
}

void TFormAisles::BtnMoveDownClick()
{
    MoveSelectedEntry(ListAisles, +1);
    SetMoveButtons();
}

void TFormAisles::ListAislesClick()
{
    SetMoveButtons();
}

void TFormAisles::ListAislesKeyPress()
{
    SetMoveButtons();
}

// What the user changed (aisles added, removed, renamed, moved) goes over the aisles as the
// store's file holds them at OK, so that aisles another program changed meanwhile stay changed;
// a change that can no longer be made (an aisle renamed here that was taken out there) is said
// so, and the dialog shows the aisles as the file holds them.
void TFormAisles::BtnOKClick()
{
    const auto aisles = [this] { return FileAisles(main_); };
    const auto write = [](const std::vector<TListEntry>& list, StoreBatch& batch) {
        std::vector<AnsiString> names;
        for (const TListEntry& aisle : list)
            names.push_back(aisle.Name);
        batch.Write(kInfoSection, "Aisles", JoinList(names, kListSeparator));
    };
    AnsiString lost;
    if (WriteListEdits(main_, opened_, ListEntriesWithOrigins(ListAisles), aisles, write, lost)) {
        main_.ReloadStore(main_.Store.Name);
        return;
    }
    if (lost.empty())
        return;
    ModalResult = mrNone;
    FillListEntries(ListAisles, opened_, false);
    SetMoveButtons();
    MessageDlg("Another program took the aisle/dept. \"" + lost +
                   "\" out of this store, so nothing was changed. The list now shows the aisles the "
                   "store holds.",
               mtError, mbOK, 0);
}

void TFormAisles::BtnHelpClick()
{
    Shell().showHelp(kHelpContext);
}

} // namespace qm
