#include "dialogs/EditAislesUnit.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
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
constexpr int kHelpContext = 2720;
const char* const kQueryCaption = "Edit Aisles/Departments";
} // namespace

TFormAisles::TFormAisles(QWidget* parent)
    : TDialogForm(parent, "FormAisles", "Edit Aisles / Departments", "aisles")
{
    auto* row = new QHBoxLayout(Body);
    row->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel("Aisles / Departments:", Body));
    ListAisles = new QListWidget(Body);
    ListAisles->setObjectName("ListAisles");
    column->addWidget(ListAisles, 1);
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
    buttons->addStretch(1);
    row->addLayout(buttons);
    Body->setMinimumSize(300, 260);

    AisleMenu = new TAisleMenu(this);
    PMenuAddAisle = AisleMenu->PMenuAddAisle;
    AddOkCancelHelp(kHelpContext, [this] { BtnOKClick(); }); // Help runs BtnHelpClick's step

    auto run = [](auto handler) { return [handler] { Dispatch(handler); }; };
    connect(BtnAdd, &QPushButton::clicked, this, run([this] { BtnAddClick(); }));
    connect(BtnDelete, &QPushButton::clicked, this, run([this] { BtnDeleteClick(); }));
    connect(BtnRename, &QPushButton::clicked, this, run([this] { BtnRenameClick(); }));
    connect(BtnMoveUp, &QPushButton::clicked, this, run([this] { BtnMoveUpClick(); }));
    connect(BtnMoveDown, &QPushButton::clicked, this, run([this] { BtnMoveDownClick(); }));
    // A click and a key that move the selection both change it.
    connect(ListAisles, &QListWidget::itemSelectionChanged, this, run([this] { ListAislesClick(); }));
    connect(AisleMenu->PItemAisleNextNum, &QAction::triggered, this,
            run([this] { PItemAisleNextNumClick(); }));
    for (QAction* entry : AisleMenu->NamedEntries())
        connect(entry, &QAction::triggered, this, run([this, entry] { PItemAisleBakeryClick(entry); }));
    connect(AisleMenu->PItemAisleCustom, &QAction::triggered, this, run([this] { PItemAisleCustomClick(); }));

    FormCreate();
}

void TFormAisles::FormCreate()
{
    StoreName = FormMain->GetCurrentStoreName();
    const AnsiString aisles =
        ReadStoreString(FormMain->StoreFilesContext(), StoreName, kInfoSection, "Aisles");
    // The list ends at the first empty field, as the loader reads it.
    for (const AnsiString& aisle : SplitList(kListSeparator, aisles))
        AddListEntry(ListAisles, aisle);
    SelectListRow(ListAisles, -1);
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
    AnsiString text;
    if (!InputQuery(kQueryCaption, "Aisle/Dept. Name:", text)) {
        SelectListRow(ListAisles, -1);
        SetMoveButtons();
        return;
    }
    // An empty name, or one with ",,", would end or split the stored aisle list.
    if (!AcceptName(NameKind::Aisle, text))
        return;
    AddAisle(text);
}

void TFormAisles::BtnDeleteClick()
{
    const int row = SelectedRow(ListAisles);
    if (row < 0)
        return;
    const AnsiString text = FromQString(ListAisles->item(row)->text());
    if (MessageBoxQ("Are you sure you want to delete the aisle/dept. \"" + text + "\"?", mbYes | mbNo) ==
        mrYes)
        delete ListAisles->takeItem(row);
    SetMoveButtons();
}

void TFormAisles::BtnRenameClick()
{
    const int row = SelectedRow(ListAisles);
    if (row < 0)
        return;
    const AnsiString old = FromQString(ListAisles->item(row)->text());
    AnsiString text = old;
    if (InputQuery(kQueryCaption, "Aisle Name:", text) && text != old && AcceptName(NameKind::Aisle, text))
        ListAisles->item(row)->setText(ToQString(text));
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

void TFormAisles::BtnOKClick()
{
    const StoreContext ctx = FormMain->StoreFilesContext();
    WriteStoreString(ctx, StoreName, kInfoSection, "Aisles",
                     JoinList(ListEntries(ListAisles), kListSeparator));
    FormMain->LoadStore(StoreName);
    FormMain->DrawItemList();
    FormMain->BuildShoppingList();
    FormMain->DrawShoppingList();
}

void TFormAisles::BtnHelpClick()
{
    Shell().showHelp(kHelpContext);
}

} // namespace qm
