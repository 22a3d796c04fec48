#pragma once
// TFormMain, the program's main window: the item list of the open store beside its shopping
// list and the menus and tool bars of every command. It implements TMainShared, the members
// and operations that the dialogs it opens read and write.
//
// The class is split by concern over several sources:
//   FormMainLayout.cpp    the components: menus, tool bars, panels, lists, status bar
//   FormMainStartup.cpp   start-up, showing, resizing, the splitter, closing and settings
//   FormMainStore.cpp     the store picker, loading and re-reading a store, the shopping list
//   FormMainItemList.cpp  the item list: glyphs, drawing and layout
//   FormMainKeyboard.cpp  the item list: selection, mouse, keyboard and quantities
//   FormMainShopList.cpp  the shopping list's drawing and clicks
//   FormMainScroll.cpp    the store picker's entries, the mouse wheel and the scroll bars
//   FormMainCommands.cpp     store, category and item commands; the coupon and note dialogs
//   FormMainItemDialogs.cpp  the commands that open the item and category dialogs
//   FormMainWizard.cpp       the new-store wizard, the aisle and errand editors
//   FormMainFiles.cpp        the store-file commands and the storage folder
//   FormMainClipboard.cpp    the item clipboard
//   FormMainFind.cpp         the find bar, the quick-find box and the status-bar hints
//   FormMainHelp.cpp         options, help, the version check, tip of the day, about
//   FormMainPrint.cpp        printing and print preview commands
//   FormMainExport.cpp       the shopping list's export and e-mail
#include <QMainWindow>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/MainShared.h"
#include "graphics/RasterTypes.h"
#include "graphics/widgets/GradPanel32.h"
#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ListLayout.h"
#include "platform/AnsiString.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "store/QMStore.h"
#include "store/ShopList.h"
#include "store/StoreFiles.h"

class QAction;
class QBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QPoint;
class QRect;
class QScrollBar;
class QTimer;
class QToolButton;

namespace qm {

class TFolderBrowser;
struct MenuTableEntry;
class TSplitter;
class TStatusBar;
class TToolBar;

class TFormMain : public QMainWindow, public TMainShared, private ItemListColumnLayout {
    Q_OBJECT
public:
    // The window's public surface. Everything else of it is private: its controls, its command
    // handlers and its state. Other code uses the shared members and operations of TMainShared
    // (the dialogs are handed those alone) and the few operations below. Tests drive the window
    // as a person does, finding its controls by their object names, which are the member
    // names ("MItemFileExplore", "BtnPaste", "ComboStores"), through the helpers of
    // tests/support/WindowControls.h; they use the operations below only for what no control
    // offers: where the lists put their rows and buttons, the silent version check, the
    // coupon hint for any clock.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // ---- Life of the window (FormMainStartup.cpp) ----
    // The start-up sequence: run once, right after construction, before the window is shown.
    // The store file it opens is the program's first argument (ApplicationArguments), when it
    // names one. Showing the window then runs FormShow, closing it FormClose.
    void FormCreate();

    // ---- TMainShared: the store picker, the open store and the two lists ----
    // (FormMainStore.cpp, FormMainItemList.cpp, FormMainShopList.cpp, FormMainKeyboard.cpp)
    // The picker's entries and its selection.
    std::vector<AnsiString> StoreNames() const override;
    AnsiString GetCurrentStoreName() const override;
    void SetCurrentStoreName(const AnsiString& name) override;
    void FillStoreList() override;
    // Reads the named store into Store and updates the picker (at start-up), the status bar,
    // the caption and the buttons; reports expired coupons. A missing file is reported, its
    // picker entry removed, and Store keeps the previous store.
    void LoadStore(const AnsiString& name) override;
    // LoadStore, then both lists drawn anew, the shopping list rebuilt: the window after a
    // write to the store's file.
    void ReloadStore(const AnsiString& name) override;
    // Rebuilds ShopList from Store and writes its totals into status-bar panel 2.
    void BuildShoppingList() override;
    void SetPasteEnabled(bool enabled) override;
    void DrawItemList() override;
    void DrawItemListHeader() override;
    // Lays out and paints ShopList into ImageShoppingList and records every row's position
    // and height (ShopListRows); sizes and shows or hides ShoppingListBar.
    void DrawShoppingList() override;
    void SelectRow(int32_t cat, int32_t item) override;
    QImage ItemGlyph(int index) override;

    // ---- Where the last drawing of each list put its rows, columns and buttons; the hit
    //      tests and row walkers over them are the layouts' (ListLayout.h) ----
    const ItemListLayout& ItemListRows() const { return ItemRows; }
    const ShopListLayout& ShopListRows() const { return ShopRows; }
    const ItemListColumnLayout& ItemListColumns() const { return *this; }

    // ---- What no control shows or reaches with these arguments ----
    // The version check (FormMainHelp.cpp): verbose as the Help menu runs it, saying what it
    // found; silent as start-up runs it, saying only that a newer version is out.
    virtual void CheckForNewVersion(bool verbose);
    // The coupon tooltip of an item: how long its coupon is still valid (FormMainFind.cpp).
    static AnsiString CouponHint(const QMItem& item, TDateTime today);

protected:
    // Commands that open a dialog or window of their own, and the system's wheel setting: a
    // test's subclass may replace them to count the commands without the dialogs. Each
    // command runs its dialog modally and frees it; the dialog writes, reloads and redraws.
    // The edit-item dialog opens only while an item is selected, the three on one category
    // only while a category is, the add-item ones only while the open store has a category;
    // the aisle and errand editors need an open store.
    virtual void MItemFileNewStoreClick();        // the new-store wizard (FormMainWizard.cpp)
    virtual void MItemHelpTipClick();             // the tip of the day (FormMainHelp.cpp)
    virtual void MItemItemEditClick();            // FormMainItemDialogs.cpp
    virtual void MItemItemAddClick();             // FormMainItemDialogs.cpp
    virtual void MItemItemAddMultClick();         // FormMainItemDialogs.cpp
    virtual void MItemCategoryEditClick();        // FormMainItemDialogs.cpp
    virtual void MItemCategoryAddClick();         // FormMainItemDialogs.cpp
    virtual void MItemCategoryCopyClick();        // FormMainItemDialogs.cpp
    virtual void MItemCategoryChangeAisleClick(); // FormMainItemDialogs.cpp
    virtual void MItemItemDeleteClick();          // FormMainCommands.cpp
    virtual void MItemItemCouponClick();          // FormMainCommands.cpp
    virtual void MItemItemNotesClick();           // FormMainCommands.cpp
    virtual void MItemStoreEditAislesClick();     // the aisle editor (FormMainWizard.cpp)
    virtual void MItemStoreEditErrandsClick();    // the errand editor (FormMainWizard.cpp)
    // The system's lines per wheel notch; negative means a page per notch (FormMainScroll.cpp).
    virtual int WheelScrollLines() const;

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Tab and Shift+Tab out of the quick-find box give the keys back to the item list.
    bool focusNextPrevChild(bool next) override;

private:
    // ---- The find bar's results ----
    std::vector<std::pair<int32_t, int32_t>> FindHits; // (category, item) of each find match

    // ---- Components ----
    // Menus and their items.
    QMenu* MMenuFile = nullptr;
    QAction* MItemFileNewStore = nullptr;
    QAction* MItemFileNewWindow = nullptr;
    QAction* MItemFileImportStore = nullptr;
    QAction* MItemFileSaveStoreAs = nullptr;
    QAction* MItemFileRenameStore = nullptr;
    QAction* MItemFileExplore = nullptr;
    QAction* MItemFileSaveList = nullptr;
    QAction* MItemFileEmailList = nullptr;
    QMenu* MItemFilePrint = nullptr;
    QAction* MItemFilePrintShoppingList = nullptr;
    QAction* MItemFilePrintItemList = nullptr;
    QMenu* MItemFilePreview = nullptr;
    QAction* MItemFilePreviewShoppingList = nullptr;
    QAction* MItemFilePreviewItemList = nullptr;
    QAction* MItemFileExit = nullptr;

    QMenu* MMenuEdit = nullptr;
    QAction* MItemEditCut = nullptr;
    QAction* MItemEditCopy = nullptr;
    QAction* MItemEditPaste = nullptr;
    QAction* MItemEditViewClipboard = nullptr;
    QAction* MItemEditFind = nullptr;
    QAction* MItemEditFindNext = nullptr;
    QAction* MItemEditFindPrevious = nullptr;

    QMenu* MMenuStore = nullptr;
    QAction* MItemStoreEditAisles = nullptr;
    QMenu* MItemStoreReset = nullptr;
    QAction* MItemStoreResetPurchased = nullptr;
    QAction* MItemStoreResetQuantities = nullptr;
    QAction* MItemStoreResetCoupons = nullptr;
    QAction* MItemStoreResetNotes = nullptr;
    QAction* MItemStoreResetAll = nullptr;
    QAction* MItemStoreSortList = nullptr;
    QAction* MItemStoreEditErrands = nullptr;
    QAction* MItemStoreAcceptCoupons = nullptr;
    QAction* MItemStoreWebVisit = nullptr;
    QAction* MItemStoreWebEdit = nullptr;
    QAction* MItemStorePrevious = nullptr;
    QAction* MItemStoreNext = nullptr;

    QMenu* MMenuCategory = nullptr;
    QAction* MItemCategoryEdit = nullptr;
    QAction* MItemCategoryAdd = nullptr;
    QAction* MItemCategoryDelete = nullptr;
    QAction* MItemCategoryCopy = nullptr;
    QAction* MItemCategoryChangeAisle = nullptr;
    QAction* MItemCategoryShowHide = nullptr;
    QAction* MItemCategoryShowAll = nullptr;
    QAction* MItemCategoryHideAll = nullptr;

    QMenu* MMenuItem = nullptr;
    QAction* MItemItemEdit = nullptr;
    QAction* MItemItemAdd = nullptr;
    QAction* MItemItemAddMult = nullptr;
    QAction* MItemItemDelete = nullptr;
    QAction* MItemItemCopy = nullptr;
    QMenu* MItemItemQty = nullptr;
    QAction* MItemItemQtyUp = nullptr;
    QAction* MItemItemQtyDown = nullptr;
    QAction* MItemItemCoupon = nullptr;
    QAction* MItemItemNotes = nullptr;

    QMenu* MMenuOptions = nullptr;
    QAction* MItemOptionsOptions = nullptr;
    QAction* MItemOptionsSmallButtons = nullptr;
    QAction* MItemOptionsLargeButtons = nullptr;

    QMenu* MMenuHelp = nullptr;
    QAction* MItemHelpHelp = nullptr;
    QAction* MItemHelpTutorial = nullptr;
    QAction* MItemHelpTip = nullptr;
    QAction* MItemHelpNewVersion = nullptr;
    QAction* MItemHelpBrenvokeWeb = nullptr;
    QAction* MItemHelpAbout = nullptr;

    // Pop-up menus: the drop-downs of three tool buttons and the item list's context menu.
    QMenu* PMenuPrint = nullptr;
    QAction* PItemPrintShoppingList = nullptr;
    QAction* PItemPrintItemList = nullptr;
    QAction* PItemPreviewShoppingList = nullptr;
    QAction* PItemPreviewItemList = nullptr;
    QMenu* PMenuReset = nullptr;
    QAction* PItemResetPurchased = nullptr;
    QAction* PItemResetQty = nullptr;
    QAction* PItemResetCoupons = nullptr;
    QAction* PItemResetNotes = nullptr;
    QAction* PItemResetAll = nullptr;
    QMenu* PMenuAddItem = nullptr;
    QAction* PItemAddItem = nullptr;
    QAction* PItemAddMult = nullptr;
    QMenu* PMenuItemsContext = nullptr;
    QMenu* PItemContextItem = nullptr;
    QAction* PItemContextQtyUp = nullptr;
    QAction* PItemContextQtyDown = nullptr;
    QAction* PItemContextCoupon = nullptr;
    QAction* PItemContextNote = nullptr;
    QAction* PItemContextEdit = nullptr;
    QAction* PItemContextDelete = nullptr;
    QAction* PItemContextCopyItem = nullptr;
    QAction* PItemContextAddItem = nullptr;
    QAction* PItemContextAddMult = nullptr;
    QAction* PItemContextCut = nullptr;
    QAction* PItemContextCopy = nullptr;
    QAction* PItemContextPaste = nullptr;
    QAction* PItemContextCollapseCat = nullptr;
    QAction* PItemContextEditCat = nullptr;
    QAction* PItemContextAddCat = nullptr;
    QAction* PItemContextDeleteCat = nullptr;
    QAction* PItemContextCopyCat = nullptr;

    // The main tool bar.
    TToolBar* ToolBar = nullptr;
    QToolButton* BtnNewStore = nullptr;
    QToolButton* BtnEmailList = nullptr;
    QToolButton* BtnPrintList = nullptr;
    QToolButton* BtnCut = nullptr;
    QToolButton* BtnCopy = nullptr;
    QToolButton* BtnPaste = nullptr;
    QToolButton* BtnEditAisles = nullptr;
    QToolButton* BtnResetStore = nullptr;
    QToolButton* BtnErrand = nullptr;
    QToolButton* BtnCategoryEdit = nullptr;
    QToolButton* BtnCategoryAdd = nullptr;
    QToolButton* BtnCategoryDelete = nullptr;
    QToolButton* BtnEditItem = nullptr;
    QToolButton* BtnAddItem = nullptr;
    QToolButton* BtnDeleteItem = nullptr;
    QToolButton* BtnOptions = nullptr;
    QToolButton* BtnHelp = nullptr;

    // The item panel: item tool bar, caption bar, header, list, scroll bar and find bar.
    QWidget* PanelItems = nullptr;
    TToolBar* ToolBarItem = nullptr;
    QComboBox* ComboStores = nullptr;
    QComboBox* ComboFind = nullptr;
    QToolButton* BtnQtyUp = nullptr;
    QToolButton* BtnQtyDown = nullptr;
    QToolButton* BtnCoupon = nullptr;
    QToolButton* BtnEditNote = nullptr;
    TGradPanel32* GradientItemList = nullptr;
    TImage32* ImageItemList = nullptr;
    TImage32* ImageItemListHeader = nullptr;
    QScrollBar* ItemListBar = nullptr;
    TToolBar* ToolbarSearch = nullptr;
    QToolButton* BtnSearchClose = nullptr;
    TImage32* ImageSearch = nullptr; // the find bar's picture
    QLineEdit* EditSearch = nullptr;
    QToolButton* BtnSearchNext = nullptr;
    QToolButton* BtnSearchLast = nullptr;
    QLabel* LabelResults = nullptr;

    TSplitter* SplitterLR = nullptr;

    // The shopping-list panel: sort bar, caption bar, list and scroll bar.
    QWidget* PanelList = nullptr;
    TToolBar* ToolBarShopAlign = nullptr;
    QToolButton* BtnSortByAisle = nullptr;
    QToolButton* BtnSortByCategory = nullptr;
    TGradPanel32* GradientShoppingList = nullptr;
    TImage32* ImageShoppingList = nullptr;
    QScrollBar* ShoppingListBar = nullptr;

    TStatusBar* StatusBar = nullptr;
    QTimer* TimerTip = nullptr;

    // The file and folder pickers of the store-file commands.
    FileDialogRequest DialogOpen;
    FileDialogRequest DialogSaveStore;
    TFolderBrowser* DialogFolder = nullptr; // made by ConnectFileHandlers

    // The program's first command-line argument as the system's bytes (empty when there is
    // none); start-up opens the store file it names.
    std::string CommandLineArg;

    // ---- State; the members shared with the dialogs are TMainShared's ----
    bool Closing = false;      // the window is being destroyed: no handler may run
    int32_t FindHitIndex = -1; // the find match selected last

    // ---- Life of the window ----
    void FormShow();
    void FormClose();
    // Lays the window out for its size; resizing and the splitter run it too.
    void FormResize();
    // The width of the shopping-list panel, which is the splitter position.
    int PanelListWidth() const;
    void SetPanelListWidth(int width);
    void SplitterLRMoved();
    void MItemFileExitClick();
    void TimerTipTimer();
    bool SplitterLRCanResize(int newSize) const;

    // ---- The open store (FormMainStore.cpp) ----
    bool StoreHasCategories() const { return Store.CategoryCount() > 0; }

    AnsiString GetSelectedItemFieldText(int n) const; // ERangeError when no item is selected
    void GetSelectedItem(QMItem& out) const;          // out untouched when none is selected
    void GetItem(int32_t category, int32_t item, QMItem& out) const;
    void GetCategory(int32_t category, QMCategory& out) const;
    void SaveLastItemSelected();
    bool ClipboardHasData() const;

    // ---- Item list: drawing and layout (FormMainItemList.cpp); selection, mouse and keyboard
    //      (FormMainKeyboard.cpp) ----
    TBitmap32List ImageListItemList; // the item list's 16 glyphs

    bool IsSelectedRow(int32_t cat, int32_t item) const;

    // Keyboard steps; each ends in one SelectRow.
    void SelectPreviousRow();
    void SelectNextRow();
    void SelectPageUp();
    void SelectPageDown();
    void SelectFirstRow();
    void SelectLastRow();
    void SelectCategoryRow();
    void SelectCategoryLastRow();

    // Event handlers of the item list and of the window's key preview. Keys are virtual-key
    // codes (VK_*); the key-press character is a Windows-1252 byte.
    void ImageItemListMouseDown(QObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y,
                                TCustomLayer* layer);
    void FormKeyDown(QObject* sender, uint16_t& key, TShiftState shift);
    void FormKeyUp(QObject* sender, uint16_t& key, TShiftState shift);
    void FormKeyPress(QObject* sender, char& key);
    // Quantity commands of the selected item.
    void MItemItemQtyUpClick();
    void MItemItemQtyDownClick();

    // ---- The shopping list on screen, the store picker's entries, wheel and scroll bars ----
    // (FormMainShopList.cpp, FormMainScroll.cpp)
    // A click on the list: the errands open the errand editor, any other place selects its
    // row in the item list; the item list keeps the keyboard.
    void ImageShoppingListMouseDown(int32_t X, int32_t Y);

    // Paints entry Index of the store picker (the store icon and the name) into Rect.
    void ComboStoresDrawItem(QComboBox* Control, QPainter& Canvas, int Index, const QRect& Rect,
                             bool Selected);
    // One wheel notch at the screen position MousePos, while the item list has the focus:
    // scrolls the list under the pointer when its scroll bar shows. Handled stays false.
    void FormMouseWheelUp(const QPoint& MousePos, bool& Handled);
    void FormMouseWheelDown(const QPoint& MousePos, bool& Handled);
    void ItemListBarChange();
    void ShoppingListBarChange();
    // Either scroll bar hands the focus straight back to the item list.
    void ItemListBarEnter();

    // ---- Store, category and item commands; coupon and note dialogs (FormMainCommands.cpp) ----
    // The menus set their captions, check marks and enabled states when they open, and also
    // just before one of their shortcuts is looked up, so a shortcut never meets a stale state.
    void MMenuStoreClick();
    void MMenuCategoryClick();
    void MMenuItemClick();
    void PMenuItemsContextPopup();

    // The five resets: each asks (Yes, No, Help), clears its fields in the items it concerns
    // and writes them as one rewrite of each store file the change reaches.
    void MItemStoreResetPurchasedClick();
    void MItemStoreResetQuantitiesClick();
    void MItemStoreResetCouponsClick();
    void MItemStoreResetNotesClick();
    void MItemStoreResetAllClick();

    // The shopping list's order: by aisle or by category.
    void MItemStoreSortListClick();
    void BtnSortByAisleClick();
    void BtnSortByCategoryClick();

    // Switches the open store's coupons on, or off after a question, and reloads the store.
    void MItemStoreAcceptCouponsClick();
    // The store's web site: Visit opens it (asking for it first when none is set), Edit only
    // changes it. Only http:// and https:// addresses are opened.
    void MItemStoreWebVisitClick();
    void MItemStoreWebEditClick();

    // Store switching: the picker's previous or next entry (wrapping round), or the entry the
    // user picked, is loaded with its remembered row selected.
    void MItemStorePreviousClick();
    void MItemStoreNextClick();

    void MItemCategoryDeleteClick();
    // Expand or collapse the selected category, or all of them, remembered in --Hidden Cats--.
    void MItemCategoryShowHideClick();
    void MItemCategoryShowAllClick();
    void MItemCategoryHideAllClick();
    void MItemItemCopyClick();

    // Run the coupon or note dialog for the item; true when it closed with OK. The out values
    // are set only from what the dialog holds: expiry and storeOnly only when hasCoupon is.
    bool EditCouponDialog(int32_t category, int32_t item, TDateTime& expiry, bool& storeOnly,
                          bool& hasCoupon);
    bool EditNoteDialog(int32_t category, int32_t item, AnsiString& note);
    // The store the user picked is loaded with its remembered row selected.
    void ComboStoresSelect();

    // ---- Store-file commands and the storage folder (FormMainFiles.cpp) ----
    // Export, Rename and New Window work on the picker's current store; without one, Export
    // and Rename do nothing and New Window starts the program on no store.
    // A second program process on the current store's file (the path as its one argument).
    void MItemFileNewWindowClick();
    // Copies the chosen .store files into the storage folder, asking before it replaces a store.
    void MItemFileImportStoreClick();
    // Copies the current store's file to a chosen path.
    void MItemFileSaveStoreAsClick();
    // Renames the current store's file; the open store, picker and caption follow.
    void MItemFileRenameStoreClick();
    // Opens the storage folder in the file manager, or offers to move a folder that has gone.
    void MItemFileExploreClick();

    // ---- Item clipboard (FormMainClipboard.cpp) ----
    // The clipboard lives in the registry (store/ItemClipboard.h); every window reads it at the
    // moment of use. Each command acts only while a category is selected.
    // Item -1 copies the whole category (an empty one leaves the clipboard empty).
    void CopyToClipboard(int32_t category, int32_t item);
    // Writes every entry into the category (one rewrite of the store file, coupons carried
    // over), a taken name getting " (Copy)" until it is free; then reloads the store.
    void PasteFromClipboard(int32_t category);
    void MMenuEditClick();
    // Copies, checks that the whole copy is on the clipboard, then deletes the copied items
    // from the store file in one rewrite and reloads the store.
    void CutToClipboard(int32_t category, int32_t item);
    void MItemEditCutClick();
    void MItemEditCopyClick();
    void MItemEditPasteClick();
    void MItemEditViewClipboardClick();

    // ---- Find bar, quick find and status-bar hints (FormMainFind.cpp) ----
    // The find bar: show it and type into it; every change of its text searches the items'
    // names, notes and aisles (a-z in any case) and selects the first match.
    void MItemEditFindClick();
    void EditSearchChange();
    void MItemEditFindNextClick();     // the next match, the first after the last
    void MItemEditFindPreviousClick(); // the previous match, the last before the first
    void BtnSearchCloseClick();
    // Forgets the matches (a store was loaded): they named rows of the store searched.
    void ClearFindHits();
    // The matches of the find bar's text, counted in the bar; none selected.
    void FindItems();
    // The matches found anew in the open store read again, while the find bar is shown.
    void RefreshFindHits();
    // The quick-find box: filled on entry with every category and item name, sorted; choosing
    // an entry selects its row, closing the list selects the current row again.
    void ComboFindEnter();
    void ComboFindSelect();
    void ComboFindCloseUp();
    // Status-bar hints: panel 0 says what a click under the pointer would do.
    void ImageItemListMouseMove(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y,
                                TCustomLayer* Layer);
    void ImageShoppingListMouseMove(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y,
                                    TCustomLayer* Layer);
    void ToolBarMouseMove();
    // The tool button's hint for panel 0 (empty for a control without one).
    AnsiString ToolButtonHint(const QObject* button) const;

    // ---- Options, help, version check, tip of the day, about (FormMainHelp.cpp) ----
    void MMenuOptionsClick(); // check marks of the two button sizes
    void MItemOptionsOptionsClick();
    void MItemOptionsSmallButtonsClick();
    void MItemOptionsLargeButtonsClick();
    void MItemHelpHelpClick(); // the help's contents and index
    void MItemHelpTutorialClick();
    void MItemHelpNewVersionClick(); // the check, verbose, then LastCheckDT := now
    void MItemHelpBrenvokeWebClick();
    void MItemHelpAboutClick();
    // The address of the version script: the maker's server, or QUILLMART_UPDATE_URL's
    // server when that is set, with the path and the build number.
    static AnsiString VersionCheckUrl();
    // How long the version check waits for the server: 10 seconds, or the milliseconds that
    // QUILLMART_UPDATE_TIMEOUT_MS gives (1 to 600000).
    static long VersionCheckTimeoutMs();

    // ---- Printing and print preview (FormMainPrint.cpp) ----
    // Print the shopping list or the store's whole item list from the stored print settings:
    // the print dialog without the preview window; no setting is written.
    void MItemFilePrintShoppingListClick();
    void MItemFilePrintItemListClick();
    // The print-preview window of the shopping list or of the store's items, shown modally.
    void MItemFilePreviewShoppingListClick();
    void MItemFilePreviewItemListClick();

    // ---- Shopping-list export and e-mail (FormMainExport.cpp) ----
    // The shopping list as a PDF from the stored print settings in FileName (a path: the
    // system's bytes).
    void WriteShoppingListPdf(const std::string& FileName);
    // Export Shopping List: the save dialog; its PDF filter writes a PDF, its text filter a
    // text file, each under the chosen name.
    void MItemFileSaveListClick();

    // The filters and painters that hand the controls' events to the window's handlers, one
    // class each in the source of the handlers it calls.
    class WindowInput;         // FormMainCommands.cpp: menu states before shortcuts, thumb buttons
    class FindEvents;          // FormMainFind.cpp: the find controls and the hints
    class KeyPreview;          // FormMainKeyboard.cpp: every key of the window first
    class StorePickerDelegate; // FormMainScroll.cpp: the picker's entries
    class StorePickerPainter;  // FormMainScroll.cpp: the closed picker
    class MainWindowEvents;    // FormMainScroll.cpp: the wheel and the scroll bars' focus

    // FormMainLayout.cpp
    void CreateComponents();
    // The menu bar and the pop-up menus with their entries, in order, and the handlers that
    // the entries run (those of the find bar and the quantity keys are connected with them).
    static const MenuTableEntry MenuTable[];
    void CreateMenus();
    void ConnectMenuHandlers();
    void CreateToolBars();
    void CreatePanels();
    void CreateItemPanel();
    void CreateItemToolBar(QBoxLayout* column);
    void CreateItemListView(QBoxLayout* column);
    void CreateFindBar(QBoxLayout* column);
    void CreateShoppingListPanel();
    void CreateSortBar(QBoxLayout* column);
    void CreateShoppingListView(QBoxLayout* column);
    void ConnectHandlers();
    // Runs a handler of this window through the command dispatch: when the menu item is
    // chosen, when the tool button is clicked, when the menu is about to open.
    void Wire(QAction* item, void (TFormMain::*handler)());
    void Wire(QToolButton* button, void (TFormMain::*handler)());
    void Wire(QMenu* menu, void (TFormMain::*handler)());

    // FormMainStartup.cpp
    void ReadWindowPlacement();
    void ReadDisplaySettings();
    void PrepareStoresFolder();
    void OpenFirstStore();
    bool OpenStoreFromCommandLine();
    void OpenStoreAndList(const AnsiString& name);
    void DisableFindAndAdd();
    void RunVersionCheckSchedule();
    // A version check is waiting for its server: the tip timer holds the tip back until then.
    bool VersionCheckWaiting = false;
    void ApplyFonts();

    // FormMainItemList.cpp, FormMainKeyboard.cpp
    ItemListLayout ItemRows; // of the last DrawItemList; a loaded store's rows lie at 0
    // The steps of DrawItemList, and what the rows of one drawing share.
    struct ItemRowPaint;
    void MeasureItemRows(TBitmap32& bmp, int32_t catFontSize);
    int64_t SetItemListScrollRange(); // the rows' height
    void LayOutItemListColumns();
    void DrawEmptyStoreNotice(TBitmap32& bmp, int32_t catFontSize);
    void DrawColumnSeparators(TBitmap32& bmp, int64_t contentHeight);
    void DrawItemListRows(const ItemRowPaint& paint);
    void DrawCategoryRow(const ItemRowPaint& paint, int32_t c, int32_t y);
    void DrawItemRow(const ItemRowPaint& paint, int32_t c, int32_t i, int32_t y);
    void DrawItemQuantity(TBitmap32& bmp, int32_t qty, int32_t y);
    // The clickable areas of ImageItemListMouseDown, each true when it took the left click.
    bool ClickExpandMarker(int32_t c, int32_t i, int32_t x, int32_t y);
    bool ClickBuyColumn(int32_t c, int32_t i, int32_t x);
    bool ClickSelectedRowButton(int32_t c, int32_t i, int32_t x, int32_t y);
    void LoadItemListGlyphs();
    void ConnectItemListHandlers();
    // One step up or down from (cat, item), clamped to the store's rows.
    void StepUp(int32_t& cat, int32_t& item) const;
    void StepDown(int32_t& cat, int32_t& item) const;
    int32_t LastItemOf(int32_t cat) const;
    // Count steps up or down from the selection (or the first category's row), then one
    // SelectRow; nothing in a store without categories.
    void SelectBySteps(bool up, int32_t count);
    // The rows of one page: the image's height under the header in item rows.
    int32_t PageRows() const;
    bool ItemListIsActive() const;
    void ChangeSelectedQty(int32_t delta);

    // FormMainShopList.cpp: the steps of DrawShoppingList, and what its rows share.
    ShopListLayout ShopRows; // of the last DrawShoppingList; a rebuilt list's rows read 0
    struct ShopRowPaint;
    void MeasureShopRows(ShopRowPaint& paint);
    int64_t ShopListContentHeight() const;
    void SetShopListScrollRange(int64_t contentHeight);
    void DrawShopListByAisle(const ShopRowPaint& paint, int32_t y);
    void DrawShopListByCategory(const ShopRowPaint& paint, int32_t y);
    int32_t DrawShopGroup(const ShopRowPaint& paint, const QMShopListCat& group, const AnsiString& shownName,
                          int32_t y);
    int32_t DrawShopLine(const ShopRowPaint& paint, const QMShopListItem& line, int32_t y);

    // FormMainScroll.cpp: the picker's drawing, the wheel and the scroll bars' signals.
    void ConnectShopListHandlers();
    void MouseWheelNotch(const QPoint& MousePos, int Direction);

    // Each concern's file connects its own buttons and shortcuts; the menu table names the
    // handlers of the menus' entries.
    void ConnectCommandHandlers(); // FormMainCommands.cpp
    enum class ResetKind { Purchased, Quantities, Coupons, Notes, All };
    void ResetStore(ResetKind kind);
    // Expands or collapses category c, selects its own row and remembers the state in the store
    // file; the menu entry follows. A state the file refuses is not shown. Also the item list's
    // expand marker.
    void FlipCategory(int32_t c);
    // False, with nothing changed, when the states could not be written (reported).
    bool WriteAllCategoryStates(bool expanded);
    // Loads the picker's current entry, selects its remembered row, rebuilds and draws; false
    // when its file could not be opened (reported, and the entry gone from the picker).
    bool OpenPickedStore();
    // LoadStore, answering whether the store was read.
    bool OpenStore(const AnsiString& name);
    // After a store file went away: the picker lists the folder's stores, and once the command
    // is over the first one that opens is opened, as a pick does; with none, no store is shown.
    void StoreGone() override;
    void ReplaceGoneStore();
    // The window as when no store is open: no store, no caption name, the lists empty, and the
    // commands that need a store or a category off.
    void ShowNoStore();
    bool HasSelectedItem() const;
    bool HasSelectedCategory() const;
    // The buttons that need a category, and Paste, which needs the item clipboard too.
    void EnableStoreButtons();
    void StoreReadAgain(const LoadStoreResult& result) override;

    void ConnectItemDialogHandlers(); // FormMainItemDialogs.cpp
    // Whether a category is selected in the store as its file now holds it (CurrentRow).
    bool SelectedCategoryNow();
    // The same, or with no category selected, whether the store could be read as its file now
    // holds it (RefreshStore).
    bool SelectedCategoryOrNoneNow();

    void ConnectWizardHandlers(); // FormMainWizard.cpp

    void ConnectFileHandlers(); // FormMainFiles.cpp

    void ConnectClipboardHandlers(); // FormMainClipboard.cpp

    void ConnectFindHandlers(); // FormMainFind.cpp

    void ConnectHelpHandlers(); // FormMainHelp.cpp

    void ConnectPrintHandlers(); // FormMainPrint.cpp

    void ConnectExportHandlers(); // FormMainExport.cpp
    FileDialogRequest DialogSave{
        FileDialogRequest::Save, "Export Shopping List", "Adobe PDF|*.pdf|Text File|*.txt", "", "", "txt", 1};
    // E-mail Shopping List: writes "<store>.pdf" into the storage folder (where it stays) and
    // hands it to the mail program with the subject "Shopping List for <store>, <date>".
    void MItemFileEmailListClick();
};

// The one main window of the program.
extern TFormMain* FormMain;

} // namespace qm
