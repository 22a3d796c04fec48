// The life of the main window: start-up (FormCreate), showing, the one-shot tip timer,
// resizing and the splitter, and closing, which writes the window and display settings.
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "app/Settings.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Application.h"
#include "platform/AtomicFile.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "platform/gui/Placement.h"
#include "platform/gui/Splitter.h"
#include "platform/gui/StatusBar.h"
#include "platform/gui/ToolBar.h"
#include "store/NameRules.h"
#include "util/ExtraWinUtils.h"

namespace qm {

TFormMain* FormMain = nullptr;

namespace {

// The folder part of a path, with its trailing "/" ("" when the path names no folder).
std::string ExtractFilePath(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Whether a file lies in the given folder: its folder is that path, or the same directory
// reached by another path (relative, through "..", or through a link).
bool LiesInFolder(const std::string& file, const std::string& folder)
{
    const std::string dir = ExtractFilePath(file);
    if (dir == folder)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(dir.empty() ? std::string(".") : dir, folder, ec);
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    CreateComponents();
    const std::vector<std::string> args = ApplicationArguments();
    if (!args.empty())
        CommandLineArg = args[0];
}

TFormMain::~TFormMain()
{
    // Taking the window down sends focus, hide and editing signals to its controls after the
    // members their handlers use are gone; from here on no handler runs.
    Closing = true;
    for (QObject* child : findChildren<QObject*>())
        child->blockSignals(true);
    // The window's event filters are plain QObjects of its own. They go now, while this is
    // still a TFormMain: the events of its controls' going come after this destructor, when
    // the object is no TFormMain any more and a filter could not look at it.
    const QObjectList own = children();
    for (QObject* child : own)
        if (!child->isWidgetType() && child->metaObject() == &QObject::staticMetaObject)
            delete child;
    if (FormMain == this)
        FormMain = nullptr;
}

void TFormMain::FormCreate()
{
    // Qt paints every widget through a back buffer, so the tool bars, scroll bars and
    // status bar are double-buffered already.
    Loading = true;

    ReadWindowPlacement();

    // The item list scrolls from above its first row, from under the column header.
    ItemListBar->setMinimum(-ImageItemListHeader->height());
    ItemListBar->setValue(-ImageItemListHeader->height());

    SetApplicationHelpFile(ApplicationFolder() + "Quillmart.hlp");

    ReadDisplaySettings();
    ApplyFonts();

    // Colours and the coupon day counts.
    LineColor = 0xFF000000;
    GridColor = 0xFFBFBFBF;
    BackColor = palette().color(QPalette::Base);
    TextColor = palette().color(QPalette::Text);
    SelColor = palette().color(QPalette::Highlight);
    SelTextColor = palette().color(QPalette::HighlightedText);
    CouponUrgentDays = 3.0;
    CouponSoonDays = 10.0;

    PrepareStoresFolder();

    // The picker's stores and the store to open. A store that cannot be listed or opened is
    // reported, and start-up goes on with the settings below.
    Dispatch([this] {
        FillStoreList();
        OpenFirstStore();
    });

    RunVersionCheckSchedule();
    CheckForLatest = ReadSetting(kDoCheckForLatest);

    // The item list takes the arrow keys and the focus when clicked; the shopping list
    // takes the focus when clicked only.
    ImageItemList->Options |= pboWantArrowKeys;
    ImageItemList->setFocusPolicy(Qt::ClickFocus);
    ImageShoppingList->Options &= TPaintBoxOptions(~pboWantArrowKeys);
    ImageShoppingList->setFocusPolicy(Qt::ClickFocus);
    // The keyboard starts with the item list, not with the first box of the tool bars.
    ImageItemList->setFocus(Qt::OtherFocusReason);
    const TColor back = TColor(BackColor.red() | BackColor.green() << 8 | BackColor.blue() << 16);
    ImageItemList->SetColor(back);
    ImageShoppingList->SetColor(back);
}

// The placement of the last close; each value only when it was stored.
void TFormMain::ReadWindowPlacement()
{
    setWindowState(Qt::WindowNoState);
    QPoint pos = this->pos();
    QSize size = this->size();
    // No size beyond the whole desktop (and never less than the window's own first size): the
    // lists' pictures follow the window, and a damaged value of millions of pixels would ask
    // for more memory than there is.
    QSize limit = size;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        limit = limit.expandedTo(screen->virtualSize());
    const TPlacementSettings& stored = kWindowPlacement;
    if (SettingExists(stored.Left))
        pos.setX(ReadSetting(stored.Left));
    if (SettingExists(stored.Top))
        pos.setY(ReadSetting(stored.Top));
    if (SettingExists(stored.Width))
        size.setWidth(std::min(ReadSetting(stored.Width), limit.width()));
    if (SettingExists(stored.Height))
        size.setHeight(std::min(ReadSetting(stored.Height), limit.height()));
    if (SettingExists(stored.Left) || SettingExists(stored.Top))
        move(PositionOnScreen(pos, size));
    resize(size);
    if (SettingExists(stored.IsMaximized) && ReadSetting(stored.IsMaximized))
        setWindowState(Qt::WindowMaximized);
    SetPanelListWidth(std::min(ReadSetting(kSplitLR), limit.width()));
}

// Display settings.
void TFormMain::ReadDisplaySettings()
{
    ToolBar->SetShowCaptions(ReadSetting(kToolbarShowCaptions));
    ToolbarSearch->setVisible(ReadSetting(kShowFind));
    ErrandsOnTop = ReadSetting(kErrandsOnTop);
    ErrandsCaption = ReadSetting(kErrandsString);
    const bool byAisle = ReadSetting(kSortByAisle);
    BtnSortByAisle->setChecked(byAisle);
    BtnSortByCategory->setChecked(!byAisle);
    GridFontName = ReadSetting(kGridFontName);
    // A size outside what the options dialog offers (a damaged or hand-edited setting) would
    // break every drawing of the list.
    GridFontSize = ReadSetting(kGridFontSize, 8, 24);
    ListFontName = ReadSetting(kListFontName);
    ListFontSize = ReadSetting(kListFontSize, 6, 32);
}

// The list fonts on the list pictures and the caption bars.
void TFormMain::ApplyFonts()
{
    ImageItemList->Bitmap().Font().SetName(GridFontName);
    TFont& header = ImageItemListHeader->Bitmap().Font();
    header.SetName(GridFontName);
    header.SetSize(11);
    header.SetStyle(header.Style() | fsBold);
    GradientItemList->Font().SetName(GridFontName);
    GradientShoppingList->Font().SetName(ListFontName);
}

// The storage folder, made when it is missing: a chosen folder one level only, since a folder
// whose parent is gone most likely lies on a drive that is not there; the default folder with
// its parents, since a new account need not have a data folder yet. A failure is not reported
// here; the Explore command reports a missing folder. The folder is the system's bytes, from
// the environment or the setting (RegReadPathDef), whatever script its names are in.
void TFormMain::PrepareStoresFolder()
{
    const std::string fallback = GetShellFolder("AppData") + "/" + "Quillmart" + "/";
    std::string folder = ReadSetting(kStorageDir, fallback);
    // Every store path is the folder followed by a name, so the folder must end with "/";
    // an empty setting would put the stores into whatever the current folder is.
    if (folder.empty())
        folder = fallback;
    if (folder.back() != '/')
        folder += '/';
    StoresFolder = folder;
    if (!DirectoryExists(StoresFolder)) {
        std::error_code ec;
        if (StoresFolder == fallback)
            std::filesystem::create_directories(GetShellFolder("AppData"), ec);
        ::mkdir(StoresFolder.c_str(), 0777);
    }
    // Copies of stores that a killed or crashed window was writing are of no use to anyone,
    // nor are the locks of its stores.
    RemoveStaleTempFiles(StoresFolder, true);
}

// The store named on the command line, else the last store, else (first run) the wizard.
void TFormMain::OpenFirstStore()
{
    if (OpenStoreFromCommandLine())
        return;

    if (SettingExists(kLastStore)) {
        const AnsiString last = ReadSetting(kLastStore);
        if (last.empty()) {
            DisableFindAndAdd();
        } else if (FileExists(StoreFolderFile(StoresFolder, last, ".store"))) {
            OpenStoreAndList(last);
        } else if (ComboStores->count() > 0) {
            OpenStoreAndList(FromQString(ComboStores->itemText(0)));
        }
        return;
    }

    MessageDlg("Thanks for using the program.  Please create a new store.", mtInformation, mbOK, 0);
    MItemFileNewStoreClick();
    // The store the wizard made stays open; without one, the first store listed opens.
    const AnsiString made = GetCurrentStoreName();
    FillStoreList();
    if (!made.empty())
        OpenStoreAndList(made);
    else if (ComboStores->count() > 0)
        OpenStoreAndList(FromQString(ComboStores->itemText(0)));
    else
        DisableFindAndAdd();
}

// A store file named on the command line: opened where it lies when it lies in the storage
// folder, else copied in first (after a question when a store of its name exists). Answers
// false when the argument names no existing file, so that start-up goes on with the last store.
bool TFormMain::OpenStoreFromCommandLine()
{
    const std::string& arg = CommandLineArg;
    if (arg.empty() || !FileExists(arg))
        return false;
    const std::string fileName = ExtractFileNameNoExt(arg);
    const QString typed = PathToQString(fileName);
    const AnsiString name = FromQString(typed);
    // A file named only ".store" gives no store name to open or import it under.
    if (name.empty())
        return false;
    // Nor does a name the program's text cannot spell (another script): it is said why, and
    // start-up goes on with the last store.
    if (ToFileName(name) != fileName) {
        MessageDlg("The file \"" + FromFileName(arg) + "\" cannot be opened. " +
                       NameProblem(NameKind::Store, typed),
                   mtError, mbOK, 0);
        return false;
    }
    const std::string target = StoreFolderFile(StoresFolder, name, ".store");

    // A file of the storage folder is opened where it lies, however its path was written: a
    // copy onto itself would only ask to overwrite the store with itself.
    if (LiesInFolder(arg, StoresFolder)) {
        OpenStoreAndList(name);
        return true;
    }
    if (FileExists(target) && MessageDlg("Do you want to overwrite the store \"" + name + "\"?",
                                         mtConfirmation, mbYes | mbNo, 0) != mrYes)
        return true;
    CopyFileByStream(arg, target);
    FillStoreList();
    OpenStoreAndList(name);
    MessageDlg("Store imported.", mtInformation, mbOK, 0);
    return true;
}

void TFormMain::OpenStoreAndList(const AnsiString& name)
{
    LoadStore(name);
    BuildShoppingList();
}

void TFormMain::DisableFindAndAdd()
{
    ComboFind->setEnabled(false);
    BtnAddItem->setEnabled(false);
}

// The silent version check runs when it is switched on and the last one is more than 14
// days old, and whenever the last one lies in the future (a clock that was set back). The
// first run only records that no check is wanted yet.
void TFormMain::RunVersionCheckSchedule()
{
    if (!SettingExists(kDoCheckForLatest) || !SettingExists(kLastCheckDT)) {
        WriteSetting(kDoCheckForLatest, false);
        WriteSetting(kLastCheckDT, Now());
        return;
    }
    const double age = Now() - ReadSetting(kLastCheckDT, Date());
    const bool wanted = ReadSetting(kDoCheckForLatest);
    if ((wanted && age > 14.0) || age < 0.0) {
        CheckForNewVersion(false);
        WriteSetting(kLastCheckDT, Now());
    }
}

void TFormMain::FormShow()
{
    BtnPaste->setEnabled(ClipboardHasData() && StoreHasCategories());
    TimerTip->start();
    Loading = false;
}

// Fires once, a second after the window first shows; while a version check waits for its
// server, it tries again a second later instead of opening the tip in the middle of it.
void TFormMain::TimerTipTimer()
{
    if (VersionCheckWaiting)
        return;
    TimerTip->stop();
    if (ReadSetting(kShowTOTD))
        MItemHelpTipClick();
}

void TFormMain::FormResize()
{
    // The status bar's last panel lies under the shopping list; the first takes the rest.
    StatusBar->SetPanelWidth(2, PanelListWidth());
    StatusBar->SetPanelWidth(0, StatusBar->width() - StatusBar->PanelWidth(1) - StatusBar->PanelWidth(2));

    // The find box fills the item tool bar up to the four item buttons at its right end.
    ToolBarItem->layout()->activate();
    const int buttons = BtnEditNote->width() + BtnCoupon->width() + BtnQtyDown->width() + BtnQtyUp->width();
    const int findWidth = ToolBarItem->width() - ToolBarItem->Indent() - ComboFind->x() - buttons -
                          3 * TToolBar::kSeparatorWidth - 2 * ToolBarItem->BorderWidth();
    ComboFind->setFixedWidth(std::max(0, findWidth));

    // The two sort buttons centred in their bar.
    ToolBarShopAlign->SetIndent((ToolBarShopAlign->width() - 2 * ToolBarShopAlign->ButtonWidth()) / 2);

    if (Loading)
        return;
    DrawItemList();
    DrawItemListHeader();
    // Selecting the row again also remembers it in the store file. A store that cannot be
    // written (read-only, say) is still laid out and drawn in full, and a window being resized
    // shows no box for it: the next row the person selects reports the failure.
    try {
        SelectRow(Store.SelCategory, Store.SelItem);
    } catch (const EInOutError&) {
    } catch (const EStoreError&) {
    }
    ShoppingListBar->setSingleStep(20);
    ShoppingListBar->setPageStep(20);
    DrawShoppingList();
    MMenuCategoryClick();
}

bool TFormMain::SplitterLRCanResize(int newSize) const
{
    return newSize > 150;
}

void TFormMain::SplitterLRMoved()
{
    FormResize();
}

void TFormMain::FormClose()
{
    WriteSetting(kLastStore, FromQString(ComboStores->currentText()));
    WriteSetting(kSortByAisle, BtnSortByAisle->isChecked());
    WriteSetting(kToolbarShowCaptions, ToolBar->ShowCaptions());
    WriteSetting(kShowFind, !ToolbarSearch->isHidden());

    const TPlacementSettings& stored = kWindowPlacement;
    const bool maximized = isMaximized();
    WriteSetting(stored.IsMaximized, maximized);
    if (!maximized) {
        WriteSetting(stored.Left, x());
        WriteSetting(stored.Top, y());
        WriteSetting(stored.Width, width());
        WriteSetting(stored.Height, height());
    }
    WriteSetting(kSplitLR, PanelListWidth());
}

void TFormMain::MItemFileExitClick()
{
    close();
}

int TFormMain::PanelListWidth() const
{
    return SplitterLR->LastPanelSize();
}

void TFormMain::SetPanelListWidth(int width)
{
    SplitterLR->SetLastPanelSize(width);
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    // The window's first size change comes before its panels have taken their sizes; by the
    // time it shows they have, so the layout arithmetic runs again here, once start-up is over
    // and the lists may be drawn.
    Dispatch([this] { FormShow(); });
    Dispatch([this] { FormResize(); });
}

void TFormMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Dispatch([this] { FormResize(); });
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    Dispatch([this] { FormClose(); });
    event->accept();
}

} // namespace qm
