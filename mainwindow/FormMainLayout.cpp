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

#include "app/Settings.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"
#include "platform/gui/Splitter.h"
#include "platform/gui/StatusBar.h"
#include "platform/gui/ToolBar.h"

namespace qm {

namespace {

QIcon Picture(const char* name)
{
    return QIcon(QString(":/toolbar/%1.png").arg(name));
}

QAction* Item(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key = {})
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    return a;
}

QMenu* SubMenu(QMenu* menu, const char* name, const QString& caption)
{
    QMenu* m = menu->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(QString(name) + "Action");
    return m;
}

QMenu* PopupMenu(QWidget* owner, const char* name)
{
    auto* m = new QMenu(owner);
    m->setObjectName(name);
    return m;
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

void TFormMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");

    MMenuFile = bar->addMenu("&File");
    MMenuFile->setObjectName("MMenuFile");
    MItemFileNewStore = Item(MMenuFile, "MItemFileNewStore", "&New Store Wizard...", Qt::Key_F2);
    MItemFileNewWindow = Item(MMenuFile, "MItemFileNewWindow", "New &Window", QKeySequence("Ctrl+N"));
    MMenuFile->addSeparator();
    MItemFileImportStore =
        Item(MMenuFile, "MItemFileImportStore", "Imp&ort Store...", QKeySequence("Ctrl+O"));
    MItemFileSaveStoreAs =
        Item(MMenuFile, "MItemFileSaveStoreAs", "&Export Store As...", QKeySequence("Ctrl+Shift+S"));
    MItemFileRenameStore = Item(MMenuFile, "MItemFileRenameStore", "Rename Store...", QKeySequence("Ctrl+R"));
    MItemFileExplore = Item(MMenuFile, "MItemFileExplore", "Explore Store &Folder", QKeySequence("Ctrl+E"));
    MMenuFile->addSeparator();
    MItemFileSaveList =
        Item(MMenuFile, "MItemFileSaveList", "Export &Shopping List...", QKeySequence("Ctrl+S"));
    MItemFileEmailList =
        Item(MMenuFile, "MItemFileEmailList", "E-&mail Shopping List", QKeySequence("Ctrl+M"));
    MMenuFile->addSeparator();
    MItemFilePrint = SubMenu(MMenuFile, "MItemFilePrint", "Print");
    MItemFilePrintShoppingList =
        Item(MItemFilePrint, "MItemFilePrintShoppingList", "Shopping List...", QKeySequence("Ctrl+P"));
    MItemFilePrintItemList =
        Item(MItemFilePrint, "MItemFilePrintItemList", "Store's &Items...", QKeySequence("Ctrl+Shift+P"));
    MItemFilePreview = SubMenu(MMenuFile, "MItemFilePreview", "Print Preview");
    MItemFilePreviewShoppingList =
        Item(MItemFilePreview, "MItemFilePreviewShoppingList", "Shopping List...", QKeySequence("Alt+P"));
    MItemFilePreviewItemList =
        Item(MItemFilePreview, "MItemFilePreviewItemList", "Store's Items...", QKeySequence("Alt+Shift+P"));
    MMenuFile->addSeparator();
    MItemFileExit = Item(MMenuFile, "MItemFileExit", "E&xit");

    MMenuEdit = bar->addMenu("&Edit");
    MMenuEdit->setObjectName("MMenuEdit");
    MItemEditCut = Item(MMenuEdit, "MItemEditCut", "Cu&t", QKeySequence("Ctrl+X"));
    MItemEditCopy = Item(MMenuEdit, "MItemEditCopy", "&Copy", QKeySequence("Ctrl+C"));
    MItemEditPaste = Item(MMenuEdit, "MItemEditPaste", "&Paste", QKeySequence("Ctrl+V"));
    MMenuEdit->addSeparator();
    MItemEditViewClipboard =
        Item(MMenuEdit, "MItemEditViewClipboard", "&View Clipboard", QKeySequence("Ctrl+Shift+V"));
    MMenuEdit->addSeparator();
    MItemEditFind = Item(MMenuEdit, "MItemEditFind", "Find", QKeySequence("Ctrl+F"));
    MItemEditFindNext = Item(MMenuEdit, "MItemEditFindNext", "Find Next", QKeySequence("Ctrl+Shift+F"));
    MItemEditFindPrevious = Item(MMenuEdit, "MItemEditFindPrevious", "Find Previous");

    MMenuStore = bar->addMenu("&Store");
    MMenuStore->setObjectName("MMenuStore");
    MItemStoreEditAisles = Item(MMenuStore, "MItemStoreEditAisles", "Edit &Aisles/Depts...", Qt::Key_F4);
    MItemStoreReset = SubMenu(MMenuStore, "MItemStoreReset", "&Reset Store");
    MItemStoreResetPurchased =
        Item(MItemStoreReset, "MItemStoreResetPurchased", "Purchased Items...", Qt::Key_F5);
    MItemStoreReset->addSeparator();
    MItemStoreResetQuantities =
        Item(MItemStoreReset, "MItemStoreResetQuantities", "&Quantities...", QKeySequence("Alt+F5"));
    MItemStoreResetCoupons =
        Item(MItemStoreReset, "MItemStoreResetCoupons", "&Coupons...", QKeySequence("Shift+F5"));
    MItemStoreResetNotes =
        Item(MItemStoreReset, "MItemStoreResetNotes", "&Notes...", QKeySequence("Ctrl+F5"));
    MItemStoreResetAll = Item(MItemStoreReset, "MItemStoreResetAll", "&All...", Qt::Key_F6);
    MMenuStore->addSeparator();
    MItemStoreSortList = Item(MMenuStore, "MItemStoreSortList", "S&ort Shopping List", Qt::Key_F7);
    MItemStoreEditErrands = Item(MMenuStore, "MItemStoreEditErrands", "Edit Errands...", Qt::Key_F3);
    MItemStoreAcceptCoupons = Item(MMenuStore, "MItemStoreAcceptCoupons", "Store Accepts Coupons");
    MItemStoreAcceptCoupons->setCheckable(true);
    MMenuStore->addSeparator();
    MItemStoreWebVisit =
        Item(MMenuStore, "MItemStoreWebVisit", "Visit Store &Website", QKeySequence("Ctrl+W"));
    MItemStoreWebEdit = Item(MMenuStore, "MItemStoreWebEdit", "&Edit Store Website...");
    MMenuStore->addSeparator();
    MItemStorePrevious = Item(MMenuStore, "MItemStorePrevious", "&Previous Store", QKeySequence("Alt+Left"));
    MItemStoreNext = Item(MMenuStore, "MItemStoreNext", "&Next Store", QKeySequence("Alt+Right"));

    MMenuCategory = bar->addMenu("Category");
    MMenuCategory->setObjectName("MMenuCategory");
    MItemCategoryEdit =
        Item(MMenuCategory, "MItemCategoryEdit", "Edit Category...", QKeySequence("Ctrl+Space"));
    MItemCategoryAdd = Item(MMenuCategory, "MItemCategoryAdd", "Add Category...", QKeySequence("Ctrl+Ins"));
    MItemCategoryDelete =
        Item(MMenuCategory, "MItemCategoryDelete", "Delete Category...", QKeySequence("Ctrl+Del"));
    MItemCategoryCopy = Item(MMenuCategory, "MItemCategoryCopy", "&Copy Category to Another Store...",
                             QKeySequence("Ctrl+Shift+T"));
    MItemCategoryChangeAisle =
        Item(MMenuCategory, "MItemCategoryChangeAisle", "Change Aisle/Dept. for Category...", Qt::Key_F8);
    MMenuCategory->addSeparator();
    // Its caption and shortcut (Ctrl+Left or Ctrl+Right) follow the selected category.
    MItemCategoryShowHide = Item(MMenuCategory, "MItemCategoryShowHide", "Expand/Collapse This Category");
    MItemCategoryShowAll = Item(MMenuCategory, "MItemCategoryShowAll", "E&xpand All Categories",
                                QKeySequence("Ctrl+Shift+Right"));
    MItemCategoryHideAll = Item(MMenuCategory, "MItemCategoryHideAll", "&Collapse All Categories",
                                QKeySequence("Ctrl+Shift+Left"));

    // The item commands' keys act on the item list alone, so the menu only names them.
    MMenuItem = bar->addMenu("&Item");
    MMenuItem->setObjectName("MMenuItem");
    MItemItemEdit = Item(MMenuItem, "MItemItemEdit", "Edit Item...\tSpace");
    MItemItemAdd = Item(MMenuItem, "MItemItemAdd", "Add Item...\tIns");
    MItemItemAddMult = Item(MMenuItem, "MItemItemAddMult", "Add Multiple Items...\tShift+Ins");
    MItemItemDelete = Item(MMenuItem, "MItemItemDelete", "Delete Item...\tDel");
    MItemItemCopy = Item(MMenuItem, "MItemItemCopy", "Copy Item To Another Store...", QKeySequence("Ctrl+T"));
    MMenuItem->addSeparator();
    MItemItemQty = SubMenu(MMenuItem, "MItemItemQty", "Quantity");
    MItemItemQtyUp = Item(MItemItemQty, "MItemItemQtyUp", "Increase\t+");
    MItemItemQtyDown = Item(MItemItemQty, "MItemItemQtyDown", "Decrease\t-");
    MItemItemCoupon = Item(MMenuItem, "MItemItemCoupon", "Coupon...\t*");
    MItemItemCoupon->setCheckable(true);
    MItemItemNotes = Item(MMenuItem, "MItemItemNotes", "Notes...\t/");

    MMenuOptions = bar->addMenu("&Options");
    MMenuOptions->setObjectName("MMenuOptions");
    MItemOptionsOptions = Item(MMenuOptions, "MItemOptionsOptions", "Options...", Qt::Key_F12);
    MMenuOptions->addSeparator();
    MItemOptionsSmallButtons = Item(MMenuOptions, "MItemOptionsSmallButtons", "Small Buttons");
    MItemOptionsSmallButtons->setCheckable(true);
    MItemOptionsLargeButtons = Item(MMenuOptions, "MItemOptionsLargeButtons", "Large Buttons");
    MItemOptionsLargeButtons->setCheckable(true);

    MMenuHelp = bar->addMenu("&Help");
    MMenuHelp->setObjectName("MMenuHelp");
    MItemHelpHelp = Item(MMenuHelp, "MItemHelpHelp", "Help", Qt::Key_F1);
    MItemHelpTutorial = Item(MMenuHelp, "MItemHelpTutorial", "Tutorials");
    MItemHelpTip = Item(MMenuHelp, "MItemHelpTip", "Tip of the Day");
    MMenuHelp->addSeparator();
    MItemHelpNewVersion = Item(MMenuHelp, "MItemHelpNewVersion", "Check for New Version");
    MItemHelpBrenvokeWeb = Item(MMenuHelp, "MItemHelpBrenvokeWeb", "Visit Brenvoke Software Website");
    MMenuHelp->addSeparator();
    MItemHelpAbout = Item(MMenuHelp, "MItemHelpAbout", "About...");

    // The drop-downs of the print, reset and add-item buttons.
    PMenuPrint = PopupMenu(this, "PMenuPrint");
    PItemPrintShoppingList = Item(PMenuPrint, "PItemPrintShoppingList", "Print Shopping List...");
    PItemPrintItemList = Item(PMenuPrint, "PItemPrintItemList", "Print Store's Items...");
    PMenuPrint->addSeparator();
    PItemPreviewShoppingList = Item(PMenuPrint, "PItemPreviewShoppingList", "Preview Shopping List...");
    PItemPreviewItemList = Item(PMenuPrint, "PItemPreviewItemList", "Preview Store's Items...");

    PMenuReset = PopupMenu(this, "PMenuReset");
    PItemResetPurchased = Item(PMenuReset, "PItemResetPurchased", "Reset Purchased Items...");
    PMenuReset->addSeparator();
    PItemResetQty = Item(PMenuReset, "PItemResetQty", "Reset Quantities...");
    PItemResetCoupons = Item(PMenuReset, "PItemResetCoupons", "Reset Coupons...");
    PItemResetNotes = Item(PMenuReset, "PItemResetNotes", "Reset Notes...");
    PItemResetAll = Item(PMenuReset, "PItemResetAll", "Reset All...");

    PMenuAddItem = PopupMenu(this, "PMenuAddItem");
    PItemAddItem = Item(PMenuAddItem, "PItemAddItem", "Add Item...");
    PItemAddMult = Item(PMenuAddItem, "PItemAddMult", "Add Multiple Items...");

    // The item list's context menu; the item and category entries are named after the
    // selection each time it opens.
    PMenuItemsContext = PopupMenu(this, "PMenuItemsContext");
    PItemContextItem = SubMenu(PMenuItemsContext, "PItemContextItem", "Item Properties");
    PItemContextQtyUp = Item(PItemContextItem, "PItemContextQtyUp", "Quantity +1");
    PItemContextQtyDown = Item(PItemContextItem, "PItemContextQtyDown", "Quantity -1");
    PItemContextCoupon = Item(PItemContextItem, "PItemContextCoupon", "Coupon...");
    PItemContextNote = Item(PItemContextItem, "PItemContextNote", "Note...");
    PItemContextEdit = Item(PMenuItemsContext, "PItemContextEdit", "Edit Item...");
    PItemContextDelete = Item(PMenuItemsContext, "PItemContextDelete", "Delete Item...");
    PItemContextCopyItem = Item(PMenuItemsContext, "PItemContextCopyItem", "Copy Item to Another Store...");
    PItemContextAddItem = Item(PMenuItemsContext, "PItemContextAddItem", "Add Item...");
    PItemContextAddMult = Item(PMenuItemsContext, "PItemContextAddMult", "Add Multiple Items...");
    PMenuItemsContext->addSeparator();
    PItemContextCut = Item(PMenuItemsContext, "PItemContextCut", "Cut");
    PItemContextCopy = Item(PMenuItemsContext, "PItemContextCopy", "Copy");
    PItemContextPaste = Item(PMenuItemsContext, "PItemContextPaste", "Paste");
    PMenuItemsContext->addSeparator();
    PItemContextCollapseCat = Item(PMenuItemsContext, "PItemContextCollapseCat", "Collapse Category");
    PItemContextEditCat = Item(PMenuItemsContext, "PItemContextEditCat", "Edit Category...");
    PItemContextAddCat = Item(PMenuItemsContext, "PItemContextAddCat", "Add Category...");
    PItemContextDeleteCat = Item(PMenuItemsContext, "PItemContextDeleteCat", "Delete Category...");
    PItemContextCopyCat = Item(PMenuItemsContext, "PItemContextCopyCat", "Copy Category to Another Store...");
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

    // The item panel, left: it takes all the width the shopping list leaves.
    PanelItems = new QWidget(SplitterLR);
    PanelItems->setObjectName("PanelItems");
    PanelItems->setMinimumWidth(50);
    auto* items = new QVBoxLayout(PanelItems);
    items->setContentsMargins(0, 0, 0, 0);
    items->setSpacing(0);

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
    items->addWidget(ToolBarItem);

    GradientItemList = CaptionBar(PanelItems, "GradientItemList", "Item List");
    items->addWidget(GradientItemList);

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
    items->addLayout(itemRow, 1);

    ToolbarSearch = new TToolBar(PanelItems);
    ToolbarSearch->setObjectName("ToolbarSearch");
    ToolbarSearch->SetBorderWidth(2);
    ToolbarSearch->SetIconSize(16);
    ToolbarSearch->SetButtonSize(23, 22);
    BtnSearchClose = ToolbarSearch->AddButton("BtnSearchClose", "Close", Picture("search_close"));
    // The find bar's picture: a 36 x 36 bitmap resized into its 22 x 22 image, blended over the
    // bar's colour with the bilinear resampler.
    ImageSearch = new TImage32;
    ImageSearch->setObjectName("ImageSearch");
    ImageSearch->setFixedSize(22, 22);
    ImageSearch->SetParentColor(true);
    ImageSearch->SetBitmapAlign(baTopLeft);
    ImageSearch->SetScale(1);
    ImageSearch->SetScaleMode(smResize);
    ImageSearch->SetRepaintMode(rmDirect);
    TBitmap32& searchPicture = ImageSearch->Bitmap();
    searchPicture.AssignFromSource(QImage(":/toolbar/search_large.png"));
    searchPicture.SetDrawMode(dmBlend);
    searchPicture.SetResamplerClassName("TLinearResampler");
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
    items->addWidget(ToolbarSearch);

    // The shopping-list panel, right, of the width the splitter gives it.
    PanelList = new QWidget(SplitterLR);
    PanelList->setObjectName("PanelList");
    auto* list = new QVBoxLayout(PanelList);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);

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
    list->addWidget(ToolBarShopAlign);

    GradientShoppingList = CaptionBar(PanelList, "GradientShoppingList", "Shopping List");
    list->addWidget(GradientShoppingList);

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
    list->addLayout(listRow, 1);

    SplitterLR->addWidget(PanelItems);
    SplitterLR->addWidget(PanelList);
    SplitterLR->setStretchFactor(0, 1);
    SplitterLR->setStretchFactor(1, 0);
    SplitterLR->handle(1)->setObjectName("SplitterLRHandle");
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

void TFormMain::Wire(QMenu* menu, void (TFormMain::*handler)())
{
    connect(menu, &QMenu::aboutToShow, this,
            [this, handler] { Dispatch([this, handler] { (this->*handler)(); }); });
}

void TFormMain::ConnectHandlers()
{
    Wire(MItemFileExit, &TFormMain::MItemFileExitClick);
    connect(TimerTip, &QTimer::timeout, this, [this] { Dispatch([this] { TimerTipTimer(); }); });
    SplitterLR->CanResize = [this](int newSize) { return SplitterLRCanResize(newSize); };
    connect(SplitterLR, &QSplitter::splitterMoved, this, [this] { Dispatch([this] { SplitterLRMoved(); }); });
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
