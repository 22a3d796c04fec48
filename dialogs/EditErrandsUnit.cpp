#include "dialogs/EditErrandsUnit.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

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
constexpr int kHelpContext = HelpContextOf("Errands");
} // namespace

TFormErrands::TFormErrands(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormErrands", "Errands", "errands"), main_(main)
{
    TListEditorFrame frame = BuildListEditorFrame(Body, "CheckListErrands");
    LabelCaption = frame.Label;
    LabelCaption->setObjectName("LabelCaption");
    CheckListErrands = frame.List;
    BtnAdd = frame.BtnAdd;
    BtnDelete = frame.BtnDelete;
    BtnRename = frame.BtnRename;
    BtnMoveUp = frame.BtnMoveUp;
    BtnMoveDown = frame.BtnMoveDown;
    frame.Buttons->addSpacing(8);
    BtnSelectAll = AddColumnButton(Body, frame.Buttons, "BtnSelectAll", "Select All");
    BtnSelectNone = AddColumnButton(Body, frame.Buttons, "BtnSelectNone", "Select None");
    frame.Buttons->addStretch(1);

    AddOkCancelHelp(kHelpContext, [this] { BtnOKClick(); }); // Help runs BtnHelpClick's step

    ConnectClick(BtnAdd, this, [this] { BtnAddClick(); });
    ConnectClick(BtnDelete, this, [this] { BtnDeleteClick(); });
    ConnectClick(BtnRename, this, [this] { BtnRenameClick(); });
    ConnectClick(BtnMoveUp, this, [this] { BtnMoveUpClick(); });
    ConnectClick(BtnMoveDown, this, [this] { BtnMoveDownClick(); });
    ConnectClick(BtnSelectAll, this, [this] { BtnSelectAllClick(); });
    ConnectClick(BtnSelectNone, this, [this] { BtnSelectNoneClick(); });
    connect(CheckListErrands, &QListWidget::itemSelectionChanged, this,
            [this] { Dispatch([this] { CheckListErrandsClick(); }); });
    SetMoveButtons();
}

void TFormErrands::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!event->spontaneous() && !shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

namespace {

std::vector<TListEntry> StoreErrands(const QMStore& store)
{
    std::vector<TListEntry> errands;
    for (const QMErrand& errand : store.Errands)
        errands.push_back({errand.Name, errand.OnList});
    return errands;
}

} // namespace

void TFormErrands::FormShow()
{
    LabelCaption->setText(ToQString("Errands for " + main_.GetCurrentStoreName() + ":"));
    opened_ = StoreErrands(main_.Store);
    FillListEntries(CheckListErrands, opened_, true);
    SetMoveButtons();
}

bool TFormErrands::AcceptErrandName(const QString& typed)
{
    if (typed.isEmpty()) {
        MessageDlg("Error: Name cannot be blank", mtError, mbOK, 0);
        return false;
    }
    return AcceptName(NameKind::Errand, typed);
}

void TFormErrands::SetMoveButtons()
{
    qm::SetMoveButtons(CheckListErrands, BtnMoveUp, BtnMoveDown);
}

void TFormErrands::BtnAddClick()
{
    QString name;
    if (!InputQuery("Errands", "Errand Name:", name) || !AcceptErrandName(name))
        return;
    const int selected = SelectedRow(CheckListErrands);
    AddListEntry(CheckListErrands, FromQString(name), true, false);
    SelectListRow(CheckListErrands, selected);
    SetMoveButtons();
}

void TFormErrands::BtnDeleteClick()
{
    const int row = SelectedRow(CheckListErrands);
    if (row < 0)
        return;
    if (MessageDlg("Are you sure you want to delete this errand?", mtConfirmation, mbYes | mbNo, 0) ==
        mrYes) {
        delete CheckListErrands->takeItem(row);
        SelectListRow(CheckListErrands, -1);
    }
    SetMoveButtons();
}

void TFormErrands::BtnRenameClick()
{
    const int row = SelectedRow(CheckListErrands);
    if (row < 0)
        return;
    QString name = CheckListErrands->item(row)->text();
    if (InputQuery("Errands", "Errand Name:", name) && AcceptErrandName(name))
        CheckListErrands->item(row)->setText(name); // the check mark stays
    SetMoveButtons();
}

void TFormErrands::BtnMoveUpClick()
{
    MoveSelectedEntry(CheckListErrands, -1);
    SetMoveButtons();
}

void TFormErrands::BtnMoveDownClick()
{
    MoveSelectedEntry(CheckListErrands, +1);
    SetMoveButtons();
}

void TFormErrands::CheckListErrandsClick()
{
    SetMoveButtons();
}

void TFormErrands::CheckAll(bool checked)
{
    for (int i = 0; i < CheckListErrands->count(); ++i)
        CheckListErrands->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TFormErrands::BtnSelectAllClick()
{
    CheckAll(true);
}

void TFormErrands::BtnSelectNoneClick()
{
    CheckAll(false);
}

// The section is rewritten in the list's order, in one write: the old errands never go
// without the new ones being there. What the user changed (errands added, removed, renamed,
// ticked, moved) goes over the errands as the store's file holds them at OK, so that errands
// another program changed meanwhile stay changed; a change that can no longer be made (an
// errand renamed or ticked here that was taken out there) is said so, and the dialog shows the
// errands as the file holds them.
void TFormErrands::BtnOKClick()
{
    const auto errands = [this] { return StoreErrands(main_.Store); };
    const auto write = [&](const std::vector<TListEntry>& list, StoreBatch& batch) {
        // Errands that come out as the file holds them are not rewritten, which would only move
        // their section to the end of the file.
        const std::vector<TListEntry> now = errands();
        if (std::equal(list.begin(), list.end(), now.begin(), now.end(),
                       [](const TListEntry& a, const TListEntry& b) {
                           return a.Name == b.Name && a.Checked == b.Checked;
                       }))
            return;
        batch.EraseSection(kErrandsSection);
        for (const TListEntry& errand : list)
            batch.Write(kErrandsSection, errand.Name, errand.Checked ? "1" : "0");
    };
    AnsiString lost;
    if (WriteListEdits(main_, opened_, ListEntriesWithOrigins(CheckListErrands), errands, write, lost)) {
        main_.ReloadStore(main_.Store.Name);
        return;
    }
    if (lost.empty())
        return;
    ModalResult = mrNone;
    FillListEntries(CheckListErrands, opened_, true);
    SetMoveButtons();
    MessageDlg("Another program took the errand \"" + lost +
                   "\" out of this store, so nothing was changed. The list now shows the errands the "
                   "store holds.",
               mtError, mbOK, 0);
}

void TFormErrands::BtnHelpClick()
{
    Shell().showHelp(kHelpContext);
}

} // namespace qm
