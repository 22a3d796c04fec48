// The components of the main window, from the menu bar down to the status bar, each named
// (objectName) as the rest of the program knows it.
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "app/Settings.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"
#include "platform/gui/Splitter.h"
#include "platform/gui/StatusBar.h"
#include "platform/gui/ToolBar.h"

namespace qm {

// One row of the menu table: a menu, a sub-menu or its end, an entry or a separator. A menu
// row fills the member `menu`, an entry row the member `item`; `name` is that member's name,
// given to the object as its name. `shortcut` is in portable text, "" for none. `handler`
// runs when a menu is about to open or when an entry is chosen; it may be none.
struct MenuTableEntry {
    enum Kind { BarMenu, Popup, SubMenu, EndSubMenu, Entry, CheckEntry, Separator };
    Kind kind;
    QMenu* TFormMain::*menu;
    QAction* TFormMain::*item;
    const char* name;
    const char* caption;
    const char* shortcut;
    void (TFormMain::*handler)();
};

namespace {

QIcon Picture(const char* name)
{
    return QIcon(QString(":/toolbar/%1.png").arg(name));
}

QAction* AddItem(QMenu* menu, const char* name, const char* caption, const char* key)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (*key)
        a->setShortcut(QKeySequence(key));
    return a;
}

QMenu* AddSubMenu(QMenu* menu, const char* name, const char* caption)
{
    QMenu* m = menu->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(QString(name) + "Action");
    return m;
}

QMenu* NewPopupMenu(QWidget* owner, const char* name)
{
    auto* m = new QMenu(owner);
    m->setObjectName(name);
    return m;
}

// The kinds of rows of the menu table.
using MenuMember = QMenu* TFormMain::*;
using ItemMember = QAction* TFormMain::*;
using Handler = void (TFormMain::*)();

// A menu of the menu bar, or a pop-up menu of the window; the rows up to the next such menu
// fill it. The handler runs each time the menu is about to open.
constexpr MenuTableEntry BarMenu(MenuMember menu, const char* name, const char* caption,
                                 Handler opens = nullptr)
{
    return {MenuTableEntry::BarMenu, menu, nullptr, name, caption, "", opens};
}
constexpr MenuTableEntry Popup(MenuMember menu, const char* name, Handler opens = nullptr)
{
    return {MenuTableEntry::Popup, menu, nullptr, name, "", "", opens};
}
// A sub-menu of the menu being filled; the rows up to its EndSubMenu fill it.
constexpr MenuTableEntry SubMenu(MenuMember menu, const char* name, const char* caption)
{
    return {MenuTableEntry::SubMenu, menu, nullptr, name, caption, "", nullptr};
}
constexpr MenuTableEntry EndSubMenu()
{
    return {MenuTableEntry::EndSubMenu, nullptr, nullptr, "", "", "", nullptr};
}
// An entry, with its shortcut ("" for none) and the handler it runs when chosen (none for the
// entries that the find bar and the item list's keys connect with their own controls).
constexpr MenuTableEntry Entry(ItemMember item, const char* name, const char* caption, const char* shortcut,
                               Handler chosen)
{
    return {MenuTableEntry::Entry, nullptr, item, name, caption, shortcut, chosen};
}
constexpr MenuTableEntry CheckEntry(ItemMember item, const char* name, const char* caption, Handler chosen)
{
    return {MenuTableEntry::CheckEntry, nullptr, item, name, caption, "", chosen};
}
constexpr MenuTableEntry Separator()
{
    return {MenuTableEntry::Separator, nullptr, nullptr, "", "", "", nullptr};
}

// A caption bar over a list: a white, bold caption on black fading to the window colour.
TGradPanel32* CaptionBar(QWidget* parent, const char* name, const char* caption)
{
    auto* bar = new TGradPanel32(parent);
    bar->setObjectName(name);
    bar->setFixedHeight(18);
    bar->Font().SetName("Arial");
    bar->Font().SetHeight(-11);
    bar->Font().SetColor(clWhite);
    bar->Font().SetStyle(fsBold);
    bar->SetRenderTextAALevel(4);
    bar->SetCaption(caption);
    return bar;
}

// A list's drawing surface: the bitmap at the control's top left, unscaled, repainted where
// the drawing reports changes.
TImage32* ListImage(QWidget* parent, const char* name)
{
    auto* image = new TImage32(parent);
    image->setObjectName(name);
    image->SetBitmapAlign(baTopLeft);
    image->SetScale(1);
    image->SetScaleMode(smNormal);
    image->SetRepaintMode(rmDirect);
    image->Bitmap().SetResamplerClassName("TNearestResampler");
    return image;
}

QScrollBar* ListBar(QWidget* parent, const char* name)
{
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(name);
    bar->setRange(0, 0);
    bar->setSingleStep(20);
    bar->setPageStep(50);
    return bar;
}

// The find bar's picture: a 36 x 36 bitmap resized into its 22 x 22 image, blended over the
// bar's colour with the bilinear resampler.
TImage32* FindBarPicture()
{
    auto* image = new TImage32;
    image->setObjectName("ImageSearch");
    image->setFixedSize(22, 22);
    image->SetParentColor(true);
    image->SetBitmapAlign(baTopLeft);
    image->SetScale(1);
    image->SetScaleMode(smResize);
    image->SetRepaintMode(rmDirect);
    TBitmap32& picture = image->Bitmap();
    picture.AssignFromSource(QImage(":/toolbar/search_large.png"));
    picture.SetDrawMode(dmBlend);
    picture.SetResamplerClassName("TLinearResampler");
    return image;
}

} // namespace

void TFormMain::CreateComponents()
{
    setObjectName("FormMain");
    setWindowTitle(kAppTitle);
    setWindowIcon(Picture("quillmart"));
    resize(1038, 713);
    CreateMenus();
    CreateToolBars();
    CreatePanels();

    StatusBar = new TStatusBar({350, 120, 125}, this);
    StatusBar->setObjectName("StatusBar");
    setStatusBar(StatusBar);

    TimerTip = new QTimer(this);
    TimerTip->setObjectName("TimerTip");
    TimerTip->setInterval(1000);

    DialogOpen = {FileDialogRequest::Open,
                  "Import Store",
                  "Quillmart Store (*.store)|*.store|All Files (*.*)|*.*",
                  "",
                  "",
                  "store"};
    DialogSaveStore = {
        FileDialogRequest::Save, "Export Store", "Quillmart Store|*.store|All Files|*.*", "", "", "store"};

    ConnectHandlers();
}

// The menu bar and the pop-up menus, entry by entry in their order.
const MenuTableEntry TFormMain::MenuTable[] = {
    BarMenu(&TFormMain::MMenuFile, "MMenuFile", "&File"),
    Entry(&TFormMain::MItemFileNewStore, "MItemFileNewStore", "&New Store Wizard...", "F2",
          &TFormMain::MItemFileNewStoreClick),
    Entry(&TFormMain::MItemFileNewWindow, "MItemFileNewWindow", "New &Window", "Ctrl+N",
          &TFormMain::MItemFileNewWindowClick),
    Separator(),
    Entry(&TFormMain::MItemFileImportStore, "MItemFileImportStore", "Imp&ort Store...", "Ctrl+O",
          &TFormMain::MItemFileImportStoreClick),
    Entry(&TFormMain::MItemFileSaveStoreAs, "MItemFileSaveStoreAs", "&Export Store As...", "Ctrl+Shift+S",
          &TFormMain::MItemFileSaveStoreAsClick),
    Entry(&TFormMain::MItemFileRenameStore, "MItemFileRenameStore", "Rename Store...", "Ctrl+R",
          &TFormMain::MItemFileRenameStoreClick),
    Entry(&TFormMain::MItemFileExplore, "MItemFileExplore", "Explore Store &Folder", "Ctrl+E",
          &TFormMain::MItemFileExploreClick),
    Separator(),
    Entry(&TFormMain::MItemFileSaveList, "MItemFileSaveList", "Export &Shopping List...", "Ctrl+S",
          &TFormMain::MItemFileSaveListClick),
    Entry(&TFormMain::MItemFileEmailList, "MItemFileEmailList", "E-&mail Shopping List", "Ctrl+M",
          &TFormMain::MItemFileEmailListClick),
    Separator(),
    SubMenu(&TFormMain::MItemFilePrint, "MItemFilePrint", "Print"),
    Entry(&TFormMain::MItemFilePrintShoppingList, "MItemFilePrintShoppingList", "Shopping List...", "Ctrl+P",
          &TFormMain::MItemFilePrintShoppingListClick),
    Entry(&TFormMain::MItemFilePrintItemList, "MItemFilePrintItemList", "Store's &Items...", "Ctrl+Shift+P",
          &TFormMain::MItemFilePrintItemListClick),
    EndSubMenu(),
    SubMenu(&TFormMain::MItemFilePreview, "MItemFilePreview", "Print Preview"),
    Entry(&TFormMain::MItemFilePreviewShoppingList, "MItemFilePreviewShoppingList", "Shopping List...",
          "Alt+P", &TFormMain::MItemFilePreviewShoppingListClick),
    Entry(&TFormMain::MItemFilePreviewItemList, "MItemFilePreviewItemList", "Store's Items...", "Alt+Shift+P",
          &TFormMain::MItemFilePreviewItemListClick),
    EndSubMenu(),
    Separator(),
    Entry(&TFormMain::MItemFileExit, "MItemFileExit", "E&xit", "", &TFormMain::MItemFileExitClick),

    BarMenu(&TFormMain::MMenuEdit, "MMenuEdit", "&Edit", &TFormMain::MMenuEditClick),
    Entry(&TFormMain::MItemEditCut, "MItemEditCut", "Cu&t", "Ctrl+X", &TFormMain::MItemEditCutClick),
    Entry(&TFormMain::MItemEditCopy, "MItemEditCopy", "&Copy", "Ctrl+C", &TFormMain::MItemEditCopyClick),
    Entry(&TFormMain::MItemEditPaste, "MItemEditPaste", "&Paste", "Ctrl+V", &TFormMain::MItemEditPasteClick),
    Separator(),
    Entry(&TFormMain::MItemEditViewClipboard, "MItemEditViewClipboard", "&View Clipboard", "Ctrl+Shift+V",
          &TFormMain::MItemEditViewClipboardClick),
    Separator(),
    Entry(&TFormMain::MItemEditFind, "MItemEditFind", "Find", "Ctrl+F", &TFormMain::MItemEditFindClick),
    Entry(&TFormMain::MItemEditFindNext, "MItemEditFindNext", "Find Next", "Ctrl+Shift+F",
          &TFormMain::MItemEditFindNextClick),
    Entry(&TFormMain::MItemEditFindPrevious, "MItemEditFindPrevious", "Find Previous", "",
          &TFormMain::MItemEditFindPreviousClick),

    BarMenu(&TFormMain::MMenuStore, "MMenuStore", "&Store", &TFormMain::MMenuStoreClick),
    Entry(&TFormMain::MItemStoreEditAisles, "MItemStoreEditAisles", "Edit &Aisles/Depts...", "F4",
          &TFormMain::MItemStoreEditAislesClick),
    SubMenu(&TFormMain::MItemStoreReset, "MItemStoreReset", "&Reset Store"),
    Entry(&TFormMain::MItemStoreResetPurchased, "MItemStoreResetPurchased", "Purchased Items...", "F5",
          &TFormMain::MItemStoreResetPurchasedClick),
    Separator(),
    Entry(&TFormMain::MItemStoreResetQuantities, "MItemStoreResetQuantities", "&Quantities...", "Alt+F5",
          &TFormMain::MItemStoreResetQuantitiesClick),
    Entry(&TFormMain::MItemStoreResetCoupons, "MItemStoreResetCoupons", "&Coupons...", "Shift+F5",
          &TFormMain::MItemStoreResetCouponsClick),
    Entry(&TFormMain::MItemStoreResetNotes, "MItemStoreResetNotes", "&Notes...", "Ctrl+F5",
          &TFormMain::MItemStoreResetNotesClick),
    Entry(&TFormMain::MItemStoreResetAll, "MItemStoreResetAll", "&All...", "F6",
          &TFormMain::MItemStoreResetAllClick),
    EndSubMenu(),
    Separator(),
    Entry(&TFormMain::MItemStoreSortList, "MItemStoreSortList", "S&ort Shopping List", "F7",
          &TFormMain::MItemStoreSortListClick),
    Entry(&TFormMain::MItemStoreEditErrands, "MItemStoreEditErrands", "Edit Errands...", "F3",
          &TFormMain::MItemStoreEditErrandsClick),
    CheckEntry(&TFormMain::MItemStoreAcceptCoupons, "MItemStoreAcceptCoupons", "Store Accepts Coupons",
               &TFormMain::MItemStoreAcceptCouponsClick),
    Separator(),
    Entry(&TFormMain::MItemStoreWebVisit, "MItemStoreWebVisit", "Visit Store &Website", "Ctrl+W",
          &TFormMain::MItemStoreWebVisitClick),
    Entry(&TFormMain::MItemStoreWebEdit, "MItemStoreWebEdit", "&Edit Store Website...", "",
          &TFormMain::MItemStoreWebEditClick),
    Separator(),
    Entry(&TFormMain::MItemStorePrevious, "MItemStorePrevious", "&Previous Store", "Alt+Left",
          &TFormMain::MItemStorePreviousClick),
    Entry(&TFormMain::MItemStoreNext, "MItemStoreNext", "&Next Store", "Alt+Right",
          &TFormMain::MItemStoreNextClick),

    BarMenu(&TFormMain::MMenuCategory, "MMenuCategory", "Category", &TFormMain::MMenuCategoryClick),
    Entry(&TFormMain::MItemCategoryEdit, "MItemCategoryEdit", "Edit Category...", "Ctrl+Space",
          &TFormMain::MItemCategoryEditClick),
    Entry(&TFormMain::MItemCategoryAdd, "MItemCategoryAdd", "Add Category...", "Ctrl+Ins",
          &TFormMain::MItemCategoryAddClick),
    Entry(&TFormMain::MItemCategoryDelete, "MItemCategoryDelete", "Delete Category...", "Ctrl+Del",
          &TFormMain::MItemCategoryDeleteClick),
    Entry(&TFormMain::MItemCategoryCopy, "MItemCategoryCopy", "&Copy Category to Another Store...",
          "Ctrl+Shift+T", &TFormMain::MItemCategoryCopyClick),
    Entry(&TFormMain::MItemCategoryChangeAisle, "MItemCategoryChangeAisle",
          "Change Aisle/Dept. for Category...", "F8", &TFormMain::MItemCategoryChangeAisleClick),
    Separator(),
    // Its caption and shortcut (Ctrl+Left or Ctrl+Right) follow the selected category.
    Entry(&TFormMain::MItemCategoryShowHide, "MItemCategoryShowHide", "Expand/Collapse This Category", "",
          &TFormMain::MItemCategoryShowHideClick),
    Entry(&TFormMain::MItemCategoryShowAll, "MItemCategoryShowAll", "E&xpand All Categories",
          "Ctrl+Shift+Right", &TFormMain::MItemCategoryShowAllClick),
    Entry(&TFormMain::MItemCategoryHideAll, "MItemCategoryHideAll", "&Collapse All Categories",
          "Ctrl+Shift+Left", &TFormMain::MItemCategoryHideAllClick),

    // The item commands' keys act on the item list alone, so the menu only names them; the
    // quantity commands are connected with those keys.
    BarMenu(&TFormMain::MMenuItem, "MMenuItem", "&Item", &TFormMain::MMenuItemClick),
    Entry(&TFormMain::MItemItemEdit, "MItemItemEdit", "Edit Item...\tSpace", "",
          &TFormMain::MItemItemEditClick),
    Entry(&TFormMain::MItemItemAdd, "MItemItemAdd", "Add Item...\tIns", "", &TFormMain::MItemItemAddClick),
    Entry(&TFormMain::MItemItemAddMult, "MItemItemAddMult", "Add Multiple Items...\tShift+Ins", "",
          &TFormMain::MItemItemAddMultClick),
    Entry(&TFormMain::MItemItemDelete, "MItemItemDelete", "Delete Item...\tDel", "",
          &TFormMain::MItemItemDeleteClick),
    Entry(&TFormMain::MItemItemCopy, "MItemItemCopy", "Copy Item To Another Store...", "Ctrl+T",
          &TFormMain::MItemItemCopyClick),
    Separator(),
    SubMenu(&TFormMain::MItemItemQty, "MItemItemQty", "Quantity"),
    Entry(&TFormMain::MItemItemQtyUp, "MItemItemQtyUp", "Increase\t+", "", &TFormMain::MItemItemQtyUpClick),
    Entry(&TFormMain::MItemItemQtyDown, "MItemItemQtyDown", "Decrease\t-", "",
          &TFormMain::MItemItemQtyDownClick),
    EndSubMenu(),
    CheckEntry(&TFormMain::MItemItemCoupon, "MItemItemCoupon", "Coupon...\t*",
               &TFormMain::MItemItemCouponClick),
    Entry(&TFormMain::MItemItemNotes, "MItemItemNotes", "Notes...\t/", "", &TFormMain::MItemItemNotesClick),

    BarMenu(&TFormMain::MMenuOptions, "MMenuOptions", "&Options", &TFormMain::MMenuOptionsClick),
    Entry(&TFormMain::MItemOptionsOptions, "MItemOptionsOptions", "Options...", "F12",
          &TFormMain::MItemOptionsOptionsClick),
    Separator(),
    CheckEntry(&TFormMain::MItemOptionsSmallButtons, "MItemOptionsSmallButtons", "Small Buttons",
               &TFormMain::MItemOptionsSmallButtonsClick),
    CheckEntry(&TFormMain::MItemOptionsLargeButtons, "MItemOptionsLargeButtons", "Large Buttons",
               &TFormMain::MItemOptionsLargeButtonsClick),

    BarMenu(&TFormMain::MMenuHelp, "MMenuHelp", "&Help"),
    Entry(&TFormMain::MItemHelpHelp, "MItemHelpHelp", "Help", "F1", &TFormMain::MItemHelpHelpClick),
    Entry(&TFormMain::MItemHelpTutorial, "MItemHelpTutorial", "Tutorials", "",
          &TFormMain::MItemHelpTutorialClick),
    Entry(&TFormMain::MItemHelpTip, "MItemHelpTip", "Tip of the Day", "", &TFormMain::MItemHelpTipClick),
    Separator(),
    Entry(&TFormMain::MItemHelpNewVersion, "MItemHelpNewVersion", "Check for New Version", "",
          &TFormMain::MItemHelpNewVersionClick),
    Entry(&TFormMain::MItemHelpBrenvokeWeb, "MItemHelpBrenvokeWeb", "Visit Brenvoke Software Website", "",
          &TFormMain::MItemHelpBrenvokeWebClick),
    Separator(),
    Entry(&TFormMain::MItemHelpAbout, "MItemHelpAbout", "About...", "", &TFormMain::MItemHelpAboutClick),

    // The drop-downs of the print, reset and add-item buttons.
    Popup(&TFormMain::PMenuPrint, "PMenuPrint"),
    Entry(&TFormMain::PItemPrintShoppingList, "PItemPrintShoppingList", "Print Shopping List...", "",
          &TFormMain::MItemFilePrintShoppingListClick),
    Entry(&TFormMain::PItemPrintItemList, "PItemPrintItemList", "Print Store's Items...", "",
          &TFormMain::MItemFilePrintItemListClick),
    Separator(),
    Entry(&TFormMain::PItemPreviewShoppingList, "PItemPreviewShoppingList", "Preview Shopping List...", "",
          &TFormMain::MItemFilePreviewShoppingListClick),
    Entry(&TFormMain::PItemPreviewItemList, "PItemPreviewItemList", "Preview Store's Items...", "",
          &TFormMain::MItemFilePreviewItemListClick),

    Popup(&TFormMain::PMenuReset, "PMenuReset"),
    Entry(&TFormMain::PItemResetPurchased, "PItemResetPurchased", "Reset Purchased Items...", "",
          &TFormMain::MItemStoreResetPurchasedClick),
    Separator(),
    Entry(&TFormMain::PItemResetQty, "PItemResetQty", "Reset Quantities...", "",
          &TFormMain::MItemStoreResetQuantitiesClick),
    Entry(&TFormMain::PItemResetCoupons, "PItemResetCoupons", "Reset Coupons...", "",
          &TFormMain::MItemStoreResetCouponsClick),
    Entry(&TFormMain::PItemResetNotes, "PItemResetNotes", "Reset Notes...", "",
          &TFormMain::MItemStoreResetNotesClick),
    Entry(&TFormMain::PItemResetAll, "PItemResetAll", "Reset All...", "",
          &TFormMain::MItemStoreResetAllClick),

    Popup(&TFormMain::PMenuAddItem, "PMenuAddItem"),
    Entry(&TFormMain::PItemAddItem, "PItemAddItem", "Add Item...", "", &TFormMain::MItemItemAddClick),
    Entry(&TFormMain::PItemAddMult, "PItemAddMult", "Add Multiple Items...", "",
          &TFormMain::MItemItemAddMultClick),

    // The item list's context menu; the item and category entries are named after the
    // selection each time it opens.
    Popup(&TFormMain::PMenuItemsContext, "PMenuItemsContext", &TFormMain::PMenuItemsContextPopup),
    SubMenu(&TFormMain::PItemContextItem, "PItemContextItem", "Item Properties"),
    Entry(&TFormMain::PItemContextQtyUp, "PItemContextQtyUp", "Quantity +1", "",
          &TFormMain::MItemItemQtyUpClick),
    Entry(&TFormMain::PItemContextQtyDown, "PItemContextQtyDown", "Quantity -1", "",
          &TFormMain::MItemItemQtyDownClick),
    Entry(&TFormMain::PItemContextCoupon, "PItemContextCoupon", "Coupon...", "",
          &TFormMain::MItemItemCouponClick),
    Entry(&TFormMain::PItemContextNote, "PItemContextNote", "Note...", "", &TFormMain::MItemItemNotesClick),
    EndSubMenu(),
    Entry(&TFormMain::PItemContextEdit, "PItemContextEdit", "Edit Item...", "",
          &TFormMain::MItemItemEditClick),
    Entry(&TFormMain::PItemContextDelete, "PItemContextDelete", "Delete Item...", "",
          &TFormMain::MItemItemDeleteClick),
    Entry(&TFormMain::PItemContextCopyItem, "PItemContextCopyItem", "Copy Item to Another Store...", "",
          &TFormMain::MItemItemCopyClick),
    Entry(&TFormMain::PItemContextAddItem, "PItemContextAddItem", "Add Item...", "",
          &TFormMain::MItemItemAddClick),
    Entry(&TFormMain::PItemContextAddMult, "PItemContextAddMult", "Add Multiple Items...", "",
          &TFormMain::MItemItemAddMultClick),
    Separator(),
    Entry(&TFormMain::PItemContextCut, "PItemContextCut", "Cut", "", &TFormMain::MItemEditCutClick),
    Entry(&TFormMain::PItemContextCopy, "PItemContextCopy", "Copy", "", &TFormMain::MItemEditCopyClick),
    Entry(&TFormMain::PItemContextPaste, "PItemContextPaste", "Paste", "", &TFormMain::MItemEditPasteClick),
    Separator(),
    Entry(&TFormMain::PItemContextCollapseCat, "PItemContextCollapseCat", "Collapse Category", "",
          &TFormMain::MItemCategoryShowHideClick),
    Entry(&TFormMain::PItemContextEditCat, "PItemContextEditCat", "Edit Category...", "",
          &TFormMain::MItemCategoryEditClick),
    Entry(&TFormMain::PItemContextAddCat, "PItemContextAddCat", "Add Category...", "",
          &TFormMain::MItemCategoryAddClick),
    Entry(&TFormMain::PItemContextDeleteCat, "PItemContextDeleteCat", "Delete Category...", "",
          &TFormMain::MItemCategoryDeleteClick),
    Entry(&TFormMain::PItemContextCopyCat, "PItemContextCopyCat", "Copy Category to Another Store...", "",
          &TFormMain::MItemCategoryCopyClick),
};

void TFormMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    std::vector<QMenu*> filling; // the menu the rows fill, under the menus that hold it
    for (const MenuTableEntry& row : MenuTable) {
        switch (row.kind) {
        case MenuTableEntry::BarMenu:
            filling = {bar->addMenu(row.caption)};
            filling.back()->setObjectName(row.name);
            this->*row.menu = filling.back();
            break;
        case MenuTableEntry::Popup:
            filling = {NewPopupMenu(this, row.name)};
            this->*row.menu = filling.back();
            break;
        case MenuTableEntry::SubMenu:
            filling.push_back(AddSubMenu(filling.back(), row.name, row.caption));
            this->*row.menu = filling.back();
            break;
        case MenuTableEntry::EndSubMenu:
            filling.pop_back();
            break;
        case MenuTableEntry::Entry:
        case MenuTableEntry::CheckEntry:
            this->*row.item = AddItem(filling.back(), row.name, row.caption, row.shortcut);
            (this->*row.item)->setCheckable(row.kind == MenuTableEntry::CheckEntry);
            break;
        case MenuTableEntry::Separator:
            filling.back()->addSeparator();
            break;
        }
    }
}

void TFormMain::ConnectMenuHandlers()
{
    for (const MenuTableEntry& row : MenuTable) {
        if (!row.handler)
            continue;
        if (row.item)
            Wire(this->*row.item, row.handler);
        else
            Wire(this->*row.menu, row.handler);
    }
}

void TFormMain::CreateToolBars()
{
    ToolBar = new TToolBar(this);
    ToolBar->setObjectName("ToolBar");
    ToolBar->SetBorderWidth(1);
    ToolBar->SetWrapable(true);
    BtnNewStore = ToolBar->AddButton("BtnNewStore", "New Store", Picture("new_store"), "Create Store...");
    ToolBar->AddSeparator();
    BtnEmailList = ToolBar->AddButton("BtnEmailList", "Email", Picture("email"), "Email Shopping List...");
    BtnPrintList = ToolBar->AddButton("BtnPrintList", "Print", Picture("print"), {}, PMenuPrint);
    ToolBar->AddSeparator();
    BtnCut = ToolBar->AddButton("BtnCut", "Cut", Picture("cut"));
    BtnCopy = ToolBar->AddButton("BtnCopy", "Copy", Picture("copy"));
    BtnPaste = ToolBar->AddButton("BtnPaste", "Paste", Picture("paste"));
    ToolBar->AddSeparator();
    BtnEditAisles = ToolBar->AddButton("BtnEditAisles", "Edit Aisles", Picture("edit_aisles"));
    BtnResetStore = ToolBar->AddButton("BtnResetStore", "Reset", Picture("reset"), {}, PMenuReset);
    BtnErrand = ToolBar->AddButton("BtnErrand", "Errands", Picture("errands"));
    ToolBar->AddSeparator();
    BtnCategoryEdit = ToolBar->AddButton("BtnCategoryEdit", "Edit Cat.", Picture("cat_edit"));
    BtnCategoryAdd = ToolBar->AddButton("BtnCategoryAdd", "Add Cat.", Picture("cat_add"));
    BtnCategoryDelete = ToolBar->AddButton("BtnCategoryDelete", "Delete Cat.", Picture("cat_delete"));
    ToolBar->AddSeparator();
    BtnEditItem = ToolBar->AddButton("BtnEditItem", "Edit Item", Picture("item_edit"));
    BtnAddItem = ToolBar->AddButton("BtnAddItem", "Add Item", Picture("item_add"), {}, PMenuAddItem);
    BtnDeleteItem = ToolBar->AddButton("BtnDeleteItem", "Delete Item", Picture("item_delete"));
    ToolBar->AddSeparator();
    BtnOptions = ToolBar->AddButton("BtnOptions", "Options", Picture("options"), "Options...");
    ToolBar->AddSeparator();
    BtnHelp = ToolBar->AddButton("BtnHelp", "Help", Picture("help"));
}

void TFormMain::CreatePanels()
{
    auto* central = new QWidget(this);
    central->setObjectName("PanelCentral");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(ToolBar);

    SplitterLR = new TSplitter(Qt::Horizontal, central);
    SplitterLR->setObjectName("SplitterLR");
    column->addWidget(SplitterLR, 1);
    setCentralWidget(central);

    CreateItemPanel();
    CreateShoppingListPanel();
    SplitterLR->addWidget(PanelItems);
    SplitterLR->addWidget(PanelList);
    SplitterLR->setStretchFactor(0, 1);
    SplitterLR->setStretchFactor(1, 0);
    SplitterLR->handle(1)->setObjectName("SplitterLRHandle");
}

// The item panel, left: it takes all the width the shopping list leaves.
void TFormMain::CreateItemPanel()
{
    PanelItems = new QWidget(SplitterLR);
    PanelItems->setObjectName("PanelItems");
    PanelItems->setMinimumWidth(50);
    auto* items = new QVBoxLayout(PanelItems);
    items->setContentsMargins(0, 0, 0, 0);
    items->setSpacing(0);

    CreateItemToolBar(items);
    GradientItemList = CaptionBar(PanelItems, "GradientItemList", "Item List");
    items->addWidget(GradientItemList);
    CreateItemListView(items);
    CreateFindBar(items);
}

// The store picker, the quick-find box and the buttons of the selected item.
void TFormMain::CreateItemToolBar(QBoxLayout* column)
{
    ToolBarItem = new TToolBar(PanelItems);
    ToolBarItem->setObjectName("ToolBarItem");
    ComboStores = new QComboBox;
    ComboStores->setObjectName("ComboStores");
    ComboStores->setFixedWidth(200);
    ComboStores->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    QFont storesFont("Arial");
    storesFont.setPixelSize(11);
    ComboStores->setFont(storesFont);
    ToolBarItem->AddControl(ComboStores);
    ComboFind = new QComboBox;
    ComboFind->setObjectName("ComboFind");
    ComboFind->setEditable(true);
    ComboFind->setInsertPolicy(QComboBox::NoInsert);
    ComboFind->setMinimumWidth(0);
    ComboFind->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ToolBarItem->AddControl(ComboFind);
    ToolBarItem->AddSeparator();
    BtnQtyUp = ToolBarItem->AddButton("BtnQtyUp", "Quantity +1", Picture("qty_up"));
    BtnQtyDown = ToolBarItem->AddButton("BtnQtyDown", "Quantity -1", Picture("qty_down"));
    ToolBarItem->AddSeparator();
    BtnCoupon = ToolBarItem->AddButton("BtnCoupon", "Coupon", Picture("coupon"));
    ToolBarItem->AddSeparator();
    BtnEditNote = ToolBarItem->AddButton("BtnEditNote", "Note", Picture("note"));
    column->addWidget(ToolBarItem);
}

// The item list's picture with its column header, and its scroll bar.
void TFormMain::CreateItemListView(QBoxLayout* column)
{
    auto* itemRow = new QHBoxLayout;
    itemRow->setContentsMargins(0, 0, 0, 0);
    itemRow->setSpacing(0);
    ImageItemList = ListImage(PanelItems, "ImageItemList");
    ImageItemList->setMinimumSize(250, 250);
    ImageItemList->setContextMenuPolicy(Qt::CustomContextMenu);
    // The column header is a child of the list, lying over its top 18 pixels.
    ImageItemListHeader = ListImage(ImageItemList, "ImageItemListHeader");
    ImageItemListHeader->setGeometry(0, 0, ImageItemList->width(), 18);
    // The list also changes size without the window doing so (its scroll bar comes and goes):
    // it is drawn again to its new size.
    ImageItemList->OnResize = [this](QObject*) {
        ImageItemListHeader->setGeometry(0, 0, ImageItemList->width(), ImageItemListHeader->height());
        if (!Loading && isVisible())
            Dispatch([this] {
                DrawItemList();
                DrawItemListHeader();
            });
    };
    itemRow->addWidget(ImageItemList, 1);
    ItemListBar = ListBar(PanelItems, "ItemListBar");
    itemRow->addWidget(ItemListBar);
    column->addLayout(itemRow, 1);
}

// The find bar under the item list, hidden until the find command shows it.
void TFormMain::CreateFindBar(QBoxLayout* column)
{
    ToolbarSearch = new TToolBar(PanelItems);
    ToolbarSearch->setObjectName("ToolbarSearch");
    ToolbarSearch->SetBorderWidth(2);
    ToolbarSearch->SetIconSize(16);
    ToolbarSearch->SetButtonSize(23, 22);
    BtnSearchClose = ToolbarSearch->AddButton("BtnSearchClose", "Close", Picture("search_close"));
    ImageSearch = FindBarPicture();
    ToolbarSearch->AddControl(ImageSearch);
    EditSearch = new QLineEdit;
    EditSearch->setObjectName("EditSearch");
    EditSearch->setFixedWidth(180);
    ToolbarSearch->AddControl(EditSearch);
    BtnSearchNext = ToolbarSearch->AddButton("BtnSearchNext", "Find Next", Picture("search_next"));
    BtnSearchLast = ToolbarSearch->AddButton("BtnSearchLast", "Find Previous", Picture("search_prev"));
    BtnSearchNext->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BtnSearchLast->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BtnSearchNext->setFixedSize(BtnSearchNext->sizeHint());
    BtnSearchLast->setFixedSize(BtnSearchLast->sizeHint());
    LabelResults = new QLabel;
    LabelResults->setObjectName("LabelResults");
    ToolbarSearch->AddControl(LabelResults);
    ToolbarSearch->setVisible(false);
    column->addWidget(ToolbarSearch);
}

// The shopping-list panel, right, of the width the splitter gives it.
void TFormMain::CreateShoppingListPanel()
{
    PanelList = new QWidget(SplitterLR);
    PanelList->setObjectName("PanelList");
    auto* list = new QVBoxLayout(PanelList);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);

    CreateSortBar(list);
    GradientShoppingList = CaptionBar(PanelList, "GradientShoppingList", "Shopping List");
    list->addWidget(GradientShoppingList);
    CreateShoppingListView(list);
}

// The two buttons of the shopping list's order, one of them down.
void TFormMain::CreateSortBar(QBoxLayout* column)
{
    ToolBarShopAlign = new TToolBar(PanelList);
    ToolBarShopAlign->setObjectName("ToolBarShopAlign");
    ToolBarShopAlign->SetShowCaptions(true);
    ToolBarShopAlign->SetList(true);
    ToolBarShopAlign->SetIconSize(16);
    ToolBarShopAlign->SetButtonSize(23, 30);
    // At the narrowest splitter position the second button goes onto a row of its own rather
    // than being cut off at the panel's edge.
    ToolBarShopAlign->SetWrapable(true);
    QFont sortFont("Arial");
    sortFont.setPointSize(8);
    ToolBarShopAlign->setFont(sortFont);
    BtnSortByAisle = ToolBarShopAlign->AddButton("BtnSortByAisle", "By Aisle", Picture("sort_aisle"),
                                                 "Sort by Aisle/Dept.");
    BtnSortByCategory = ToolBarShopAlign->AddButton("BtnSortByCategory", " By Category ",
                                                    Picture("sort_category"), "Sort by Category");
    auto* sortGroup = new QButtonGroup(ToolBarShopAlign);
    sortGroup->setExclusive(true);
    for (QToolButton* b : {BtnSortByAisle, BtnSortByCategory}) {
        b->setCheckable(true);
        sortGroup->addButton(b);
    }
    BtnSortByAisle->setChecked(true);
    column->addWidget(ToolBarShopAlign);
}

// The shopping list's picture and its scroll bar.
void TFormMain::CreateShoppingListView(QBoxLayout* column)
{
    auto* listRow = new QHBoxLayout;
    listRow->setContentsMargins(0, 0, 0, 0);
    listRow->setSpacing(0);
    ImageShoppingList = ListImage(PanelList, "ImageShoppingList");
    ImageShoppingList->setMinimumSize(100, 100);
    // Like the item list, the shopping list is drawn again to a new size that the window did
    // not give it directly (the tool bar above changed its height, its scroll bar came or went).
    ImageShoppingList->OnResize = [this](QObject*) {
        if (!Loading && isVisible())
            Dispatch([this] { DrawShoppingList(); });
    };
    listRow->addWidget(ImageShoppingList, 1);
    ShoppingListBar = ListBar(PanelList, "ShoppingListBar");
    listRow->addWidget(ShoppingListBar);
    column->addLayout(listRow, 1);
}

void TFormMain::Wire(QAction* item, void (TFormMain::*handler)())
{
    connect(item, &QAction::triggered, this,
            [this, handler] { Dispatch([this, handler] { (this->*handler)(); }); });
}

void TFormMain::Wire(QToolButton* button, void (TFormMain::*handler)())
{
    connect(button, &QToolButton::clicked, this,
            [this, handler] { Dispatch([this, handler] { (this->*handler)(); }); });
}

// A menu's handler runs while the menu opens: what it fails with is shown once it is open.
void TFormMain::Wire(QMenu* menu, void (TFormMain::*handler)())
{
    connect(menu, &QMenu::aboutToShow, this,
            [this, handler] { Dispatch([this, handler] { (this->*handler)(); }, Report::Later); });
}

void TFormMain::ConnectHandlers()
{
    ConnectMenuHandlers();
    connect(TimerTip, &QTimer::timeout, this, [this] { Dispatch([this] { TimerTipTimer(); }); });
    SplitterLR->CanResize = [this](int newSize) { return SplitterLRCanResize(newSize); };
    connect(SplitterLR, &QSplitter::splitterMoved, this, [this] { Dispatch([this] { SplitterLRMoved(); }); });
    // The menu's own handlers run as it opens, each dispatched for itself.
    connect(ImageItemList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        Dispatch([this, pos] { PMenuItemsContext->popup(ImageItemList->mapToGlobal(pos)); });
    });
    ConnectItemListHandlers();
    ConnectShopListHandlers();
    ConnectCommandHandlers();
    ConnectItemDialogHandlers();
    ConnectWizardHandlers();
    ConnectFileHandlers();
    ConnectClipboardHandlers();
    ConnectFindHandlers();
    ConnectHelpHandlers();
    ConnectPrintHandlers();
    ConnectExportHandlers();
}

} // namespace qm
