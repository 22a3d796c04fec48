#include "dialogs/EditErrandsUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "dialogs/AisleList.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/Shell.h"
#include "store/NameRules.h"
#include "store/StoreFiles.h"

namespace qm {

namespace {
constexpr int kHelpContext = 2820;
} // namespace

TFormErrands::TFormErrands(QWidget* parent) : TDialogForm(parent, "FormErrands", "Errands", "errands")
{
    auto* row = new QHBoxLayout(Body);
    row->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout;
    LabelCaption = new QLabel(Body);
    LabelCaption->setObjectName("LabelCaption");
    column->addWidget(LabelCaption);
    CheckListErrands = new QListWidget(Body);
    CheckListErrands->setObjectName("CheckListErrands");
    column->addWidget(CheckListErrands, 1);
    row->addLayout(column, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addSpacing(18);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, Body);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    BtnAdd = button("BtnAdd", "&Add...");
    BtnDelete = button("BtnDelete", "&Delete...");
    BtnRename = button("BtnRename", "&Rename...");
    buttons->addSpacing(8);
    BtnMoveUp = button("BtnMoveUp", "Move &Up");
    BtnMoveDown = button("BtnMoveDown", "Move D&own");
    buttons->addSpacing(8);
    BtnSelectAll = button("BtnSelectAll", "Select All");
    BtnSelectNone = button("BtnSelectNone", "Select None");
    buttons->addStretch(1);
    row->addLayout(buttons);
    Body->setMinimumSize(300, 260);

    AddOkCancelHelp(kHelpContext, [this] { BtnOKClick(); }); // Help runs BtnHelpClick's step

    auto run = [](auto handler) { return [handler] { Dispatch(handler); }; };
    connect(BtnAdd, &QPushButton::clicked, this, run([this] { BtnAddClick(); }));
    connect(BtnDelete, &QPushButton::clicked, this, run([this] { BtnDeleteClick(); }));
    connect(BtnRename, &QPushButton::clicked, this, run([this] { BtnRenameClick(); }));
    connect(BtnMoveUp, &QPushButton::clicked, this, run([this] { BtnMoveUpClick(); }));
    connect(BtnMoveDown, &QPushButton::clicked, this, run([this] { BtnMoveDownClick(); }));
    connect(BtnSelectAll, &QPushButton::clicked, this, run([this] { BtnSelectAllClick(); }));
    connect(BtnSelectNone, &QPushButton::clicked, this, run([this] { BtnSelectNoneClick(); }));
    connect(CheckListErrands, &QListWidget::itemSelectionChanged, this,
            run([this] { CheckListErrandsClick(); }));
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

void TFormErrands::FormShow()
{
    LabelCaption->setText(ToQString("Errands for " + FormMain->GetCurrentStoreName() + ":"));
    CheckListErrands->clear();
    for (const QMErrand& errand : FormMain->Store.Errands)
        AddListEntry(CheckListErrands, errand.Name, true, errand.OnList);
    SelectListRow(CheckListErrands, -1);
    SetMoveButtons();
}

bool TFormErrands::AcceptErrandName(const AnsiString& name)
{
    if (name.empty()) {
        MessageDlg("Error: Name cannot be blank", mtError, mbOK, 0);
        return false;
    }
    return AcceptName(NameKind::Errand, name);
}

void TFormErrands::SetMoveButtons()
{
    qm::SetMoveButtons(CheckListErrands, BtnMoveUp, BtnMoveDown);
}

void TFormErrands::BtnAddClick()
{
    AnsiString name;
    if (!InputQuery("Errands", "Errand Name:", name) || !AcceptErrandName(name))
        return;
    const int selected = SelectedRow(CheckListErrands);
    AddListEntry(CheckListErrands, name, true, false);
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
    AnsiString name = FromQString(CheckListErrands->item(row)->text());
    if (InputQuery("Errands", "Errand Name:", name) && AcceptErrandName(name))
        CheckListErrands->item(row)->setText(ToQString(name)); // the check mark stays
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

void TFormErrands::BtnOKClick()
{
    // The section is rewritten in the list's order, in one write: the old errands never go
    // without the new ones being there.
    const AnsiString store = FormMain->GetCurrentStoreName();
    StoreBatch batch;
    batch.EraseSection(kErrandsSection);
    for (int i = 0; i < CheckListErrands->count(); ++i) {
        const QListWidgetItem* item = CheckListErrands->item(i);
        batch.Write(kErrandsSection, FromQString(item->text()),
                    item->checkState() == Qt::Checked ? "1" : "0");
    }
    ReportCarryOverFailures(ApplyStoreBatch(FormMain->StoreFilesContext(), store, batch));
    FormMain->LoadStore(store);
    FormMain->DrawItemList();
    FormMain->BuildShoppingList();
    FormMain->DrawShoppingList();
}

void TFormErrands::BtnHelpClick()
{
    Shell().showHelp(kHelpContext);
}

} // namespace qm
