#include "dialogs/NewStoreUnit.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/AisleList.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/Shell.h"
#include "store/NameRules.h"
#include "store/StoreFiles.h"
#include "store/StoreFolder.h"

namespace qm {

namespace {

const char* const kDefaultCategories[] = {
    "Baby",
    "Bakery",
    "Baking Products",
    "Beverages",
    "Breakfast",
    "Canned and Packaged Foods",
    "Cleaning Products",
    "Condiment and Sauces",
    "Dairy",
    "Deli",
    "Frozen",
    "Health and Beauty",
    "Home Supplies",
    "International",
    "Meat and Seafood",
    "Other",
    "Paper and Plastics",
    "Pasta, Sauces, and Grains",
    "Pet",
    "Produce",
    "Snacks",
    "Tobacco",
};

const char* const kDefaultAisles[] = {"Produce", "Deli", "1", "2",  "3",  "4",  "5",     "6",
                                      "7",       "8",    "9", "10", "11", "12", "Dairy", "Meat and Seafood"};

constexpr int kHelpContext = HelpContextOf("Creating a new store");

// The heading of a page with its page number at the right.
QHBoxLayout* Heading(QWidget* panel, const char* title, int page)
{
    auto* row = new QHBoxLayout;
    auto* heading = new QLabel(title, panel);
    QFont big("Arial");
    big.setPixelSize(19);
    heading->setFont(big);
    row->addWidget(heading);
    row->addStretch(1);
    auto* number = new QLabel(QString("Pg. %1 of 3").arg(page), panel);
    row->addWidget(number, 0, Qt::AlignTop);
    return row;
}

QWidget* Panel(QWidget* parent, const char* name)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    return panel;
}

QLabel* Note(QWidget* parent, const char* text)
{
    auto* note = new QLabel(text, parent);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return note;
}

} // namespace

TFormNewStore::TFormNewStore(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormNewStore", "New Store Wizard...", "wizard"), main_(main)
{
    HelpContext = kHelpContext;
    auto* pages = new QGridLayout(Body);
    pages->setContentsMargins(0, 0, 0, 0);

    // Page 1: name and web site.
    PanelName = Panel(Body, "PanelName");
    auto* name = new QVBoxLayout(PanelName);
    name->addLayout(Heading(PanelName, "Name and Info", 1));
    name->addSpacing(12);
    name->addWidget(new QLabel("Store Name:", PanelName));
    EditStoreName = new QLineEdit(PanelName);
    EditStoreName->setObjectName("EditStoreName");
    name->addWidget(EditStoreName);
    name->addSpacing(8);
    name->addWidget(new QLabel("Store Web Site (optional):", PanelName));
    EditStoreURL = new QLineEdit("http://www.", PanelName);
    EditStoreURL->setObjectName("EditStoreURL");
    name->addWidget(EditStoreURL);
    name->addStretch(1);
    pages->addWidget(PanelName, 0, 0);

    // Page 2: the categories to start with.
    PanelCategories = Panel(Body, "PanelCategories");
    auto* cats = new QVBoxLayout(PanelCategories);
    cats->addLayout(Heading(PanelCategories, "Item Categories", 2));
    auto* catRow = new QHBoxLayout;
    auto* catColumn = new QVBoxLayout;
    catColumn->addWidget(new QLabel("Include:", PanelCategories));
    CheckListIncCategories = new QListWidget(PanelCategories);
    CheckListIncCategories->setObjectName("CheckListIncCategories");
    for (const char* c : kDefaultCategories)
        AddListEntry(CheckListIncCategories, c, true, false);
    // The list is sorted: the defaults are given in order, and Qt's own sorting would not
    // ignore case.
    catColumn->addWidget(CheckListIncCategories, 1);
    catRow->addLayout(catColumn, 3);
    catRow->addWidget(Note(PanelCategories,
                           "Uncheck any categories that either the store does not sell, or you do not buy.  "
                           "These categories, as well as custom categories, can be added and removed later."),
                      2);
    cats->addLayout(catRow, 1);
    pages->addWidget(PanelCategories, 0, 0);

    // Page 3: the aisles in walking order.
    PanelAisles = Panel(Body, "PanelAisles");
    auto* aisles = new QVBoxLayout(PanelAisles);
    aisles->addLayout(Heading(PanelAisles, "Aisles / Departments", 3));
    auto* aisleRow = new QHBoxLayout;
    auto* aisleColumn = new QVBoxLayout;
    aisleColumn->addWidget(new QLabel("Order:", PanelAisles));
    ListAisleOrder = new QListWidget(PanelAisles);
    ListAisleOrder->setObjectName("ListAisleOrder");
    for (const char* a : kDefaultAisles)
        AddListEntry(ListAisleOrder, a);
    aisleColumn->addWidget(ListAisleOrder, 1);
    aisleRow->addLayout(aisleColumn, 3);
    auto* aisleButtons = new QVBoxLayout;
    aisleButtons->addSpacing(18);
    BtnAddAisle = AddColumnButton(PanelAisles, aisleButtons, "BtnAddAisle", "Add...");
    BtnRemoveAisle = AddColumnButton(PanelAisles, aisleButtons, "BtnRemoveAisle", "Remove...");
    BtnMoveUpAisle = AddColumnButton(PanelAisles, aisleButtons, "BtnMoveUpAisle", "Move Up");
    BtnMoveDownAisle = AddColumnButton(PanelAisles, aisleButtons, "BtnMoveDownAisle", "Move Down");
    aisleButtons->addSpacing(8);
    aisleButtons->addWidget(
        Note(PanelAisles, "Arrange the aisle numbers and departments in the order you want."), 1);
    aisleRow->addLayout(aisleButtons, 2);
    aisles->addLayout(aisleRow, 1);
    pages->addWidget(PanelAisles, 0, 0);
    Body->setMinimumSize(380, 270);

    AisleMenu = new TAisleMenu(this);
    PMenuAddAisle = AisleMenu->PMenuAddAisle;

    // The bottom row.
    BtnBack = AddButton("BtnBack", "Back", mrNone, [this] { BtnBackClick(); });
    BtnNext = AddButton("BtnNext", "Next", mrNone, [this] { BtnNextClick(); });
    BtnNext->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    BtnNext->setLayoutDirection(Qt::RightToLeft); // the glyph to the right of the caption
    BtnFinish = AddButton("BtnFinish", "Finish", mrOk, [this] { BtnFinishClick(); });
    BtnCancel = AddButton("BtnCancel", "&Cancel", mrCancel);
    BtnHelp = AddButton("BtnHelp", "&Help", mrNone, [this] { BtnHelpClick(); });

    ConnectClick(BtnAddAisle, this, [this] { BtnAddAisleClick(); });
    ConnectClick(BtnRemoveAisle, this, [this] { BtnRemoveAisleClick(); });
    ConnectClick(BtnMoveUpAisle, this, [this] { BtnMoveUpAisleClick(); });
    ConnectClick(BtnMoveDownAisle, this, [this] { BtnMoveDownAisleClick(); });
    connect(ListAisleOrder, &QListWidget::itemSelectionChanged, this,
            [this] { Dispatch([this] { ListAisleOrderClick(); }); });
    AisleMenu->ConnectEntries(
        this, [this] { PItemAisleNextNumClick(); }, [this](QAction* entry) { PItemAisleBakeryClick(entry); },
        [this] { PItemAisleCustomClick(); });
    BtnRemoveAisle->installEventFilter(this);

    FormCreate();
    setFixedSize(sizeHint());
}

void TFormNewStore::FormCreate()
{
    CurrentPage = 1;
    ShowPage(1);
    EditStoreName->setFocus();
    for (int i = 0; i < CheckListIncCategories->count(); ++i)
        CheckListIncCategories->item(i)->setCheckState(Qt::Checked);
    SetMoveButtons();
}

void TFormNewStore::FormShow()
{
    SetMoveButtons();
    if (CurrentPage == 1)
        EditStoreName->setFocus();
}

void TFormNewStore::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!event->spontaneous())
        Dispatch([this] { FormShow(); });
}

bool TFormNewStore::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == BtnRemoveAisle && event->type() == QEvent::KeyPress)
        Dispatch([this] { BtnRemoveAisleKeyPress(); });
    return TDialogForm::eventFilter(watched, event);
}

void TFormNewStore::ShowPage(int32_t p)
{
    if (p < 1 || p > 3)
        return;
    PanelName->setVisible(p == 1);
    PanelCategories->setVisible(p == 2);
    PanelAisles->setVisible(p == 3);
    BtnBack->setEnabled(p != 1);
    BtnNext->setEnabled(p != 3);
    BtnFinish->setEnabled(p == 3);
    // Enter goes on to the next page, and finishes on the last.
    BtnNext->setDefault(p != 3);
    BtnFinish->setDefault(p == 3);
}

int32_t TFormNewStore::NextAisleNumber() const
{
    return qm::NextAisleNumber(ListEntries(ListAisleOrder));
}

bool TFormNewStore::CheckStoreName(bool emptyBox)
{
    const QString typed = EditStoreName->text();
    if (emptyBox && typed.isEmpty()) {
        MessageBoxQ("Please specify a name", mbOK, mtError);
        return false;
    }
    if (!AcceptName(NameKind::Store, typed))
        return false;
    // The picker and the store lookups ignore case, so a store that differs only in case
    // already exists as far as the person can tell.
    if (!ExistingStoreName(main_.StoresFolder, FromQString(typed)).empty()) {
        MessageBoxQ("That store already exists", mbOK, mtError);
        return false;
    }
    return true;
}

void TFormNewStore::BtnNextClick()
{
    if (!CheckStoreName(CurrentPage == 1))
        return;
    CurrentPage = CurrentPage + 1;
    ShowPage(CurrentPage);
}

void TFormNewStore::BtnBackClick()
{
    CurrentPage = CurrentPage - 1;
    ShowPage(CurrentPage);
}

void TFormNewStore::BtnFinishClick()
{
    // Another program window may have made the store since the name was checked: it is never
    // merged into. The dialog stays open so that the person can go back and choose another name.
    if (!CheckStoreName(true)) {
        ModalResult = mrNone;
        return;
    }
    const AnsiString name = FromQString(EditStoreName->text());

    StoreBatch batch;
    for (int i = 0; i < CheckListIncCategories->count(); ++i) {
        const QListWidgetItem* item = CheckListIncCategories->item(i);
        if (item->checkState() == Qt::Checked)
            batch.AddSection(FromQString(item->text()));
    }
    batch.Write(kInfoSection, "StoreURL", FromQString(EditStoreURL->text()));
    batch.Write(kInfoSection, "Aisles", JoinList(ListEntries(ListAisleOrder), kListSeparator));
    // The whole file in one write: a crash or a full disk never leaves half a store.
    if (!CreateStoreFile(main_.StoreFilesContext(), name, batch)) {
        MessageBoxQ("That store already exists", mbOK, mtError);
        ModalResult = mrNone;
        return;
    }

    main_.FillStoreList();
    main_.SetCurrentStoreName(name);
    main_.ReloadStore(name);
}

void TFormNewStore::BtnHelpClick()
{
    Shell().showHelp(kHelpContext);
}

void TFormNewStore::BtnAddAisleClick()
{
    AisleMenu->PopupBelow(BtnAddAisle);
}

void TFormNewStore::AppendAisle(const AnsiString& text)
{
    AddListEntry(ListAisleOrder, text);
    SetMoveButtons();
}

void TFormNewStore::PItemAisleNextNumClick()
{
    AppendAisle(std::to_string(NextAisleNumber()));
}

void TFormNewStore::PItemAisleBakeryClick(QAction* sender)
{
    AppendAisle(FromQString(sender->text()));
}

void TFormNewStore::PItemAisleCustomClick()
{
    QString text;
    if (!InputQuery("Quillmart", "New Aisle or Department Name:", text))
        return;
    // An empty name, or one with ",,", would end or split the stored aisle list.
    if (!AcceptName(NameKind::Aisle, text))
        return;
    AppendAisle(FromQString(text));
}

void TFormNewStore::BtnRemoveAisleClick()
{
    int row = SelectedRow(ListAisleOrder);
    if (row < 0)
        row = ListAisleOrder->count() - 1;
    if (row >= 0)
        delete ListAisleOrder->takeItem(row);
    SelectListRow(ListAisleOrder, -1);
    SetMoveButtons();
}

void TFormNewStore::BtnRemoveAisleKeyPress()
{
    SetMoveButtons();
}

void TFormNewStore::BtnMoveUpAisleClick()
{
    MoveSelectedEntry(ListAisleOrder, -1);
    SetMoveButtons();
}

void TFormNewStore::BtnMoveDownAisleClick()
{
    MoveSelectedEntry(ListAisleOrder, +1);
    SetMoveButtons();
}

void TFormNewStore::ListAisleOrderClick()
{
    SetMoveButtons();
}

void TFormNewStore::SetMoveButtons()
{
    qm::SetMoveButtons(ListAisleOrder, BtnMoveUpAisle, BtnMoveDownAisle);
}

} // namespace qm
