// Start-up, layout arithmetic and closing of the main window, against a real registry file and
// real folders. The wizard, the tip of the day and the network check are the person's and the
// network's part, so a test window counts them instead of running them.
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "app/Settings.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/gui/Splitter.h"
#include "platform/gui/StatusBar.h"
#include "platform/gui/ToolBar.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

const char* const kSettings = "Settings";
const char* const kWindow = "Settings\\Window";
const TDateTime kNow = 46000.5; // midday, 9 December 2025

class TestForm : public TFormMain {
public:
    int wizardRuns = 0;
    int tipRuns = 0;
    std::vector<bool> checks; // the verbose flag of each version check
    std::function<void()> wizard;

    void MItemFileNewStoreClick() override
    {
        ++wizardRuns;
        if (wizard)
            wizard();
    }
    void MItemHelpTipClick() override { ++tipRuns; }
    void CheckForNewVersion(bool verbose) override { checks.push_back(verbose); }
};

// Each test starts with settings that hold the storage folder alone, as on a first run.
class StartupTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetTestNow(kNow);
        RegDeleteKey(kCompany, kProduct, "Settings");
        WriteString("StorageDir", stores);
    }
    void TearDown() override
    {
        SetCommandLine(""); // later windows start without this test's argument
        MainWindowTest::TearDown();
    }

    // A start that is not the first: the last store was closed with nothing selected.
    void NotFirstRun()
    {
        SetLastStore("");
        RegWriteBool(kCompany, kProduct, kSettings, false, "DoCheckForLatest");
        RegWriteDateTime(kCompany, kProduct, kSettings, kNow - 1, "LastCheckDT");
    }

    std::unique_ptr<TestForm> Start(const AnsiString& arg = {})
    {
        SetCommandLine(arg);
        auto form = std::make_unique<TestForm>();
        form->FormCreate();
        return form;
    }

    static void WriteString(const char* name, const AnsiString& value)
    {
        RegWriteString(kCompany, kProduct, kSettings, value, name);
    }
    static bool Has(const char* section, const char* name)
    {
        return RegValueExists(kCompany, kProduct, section, name);
    }
    static int Int(const char* name) { return RegReadInteger(kCompany, kProduct, kWindow, name); }
};

TEST_F(StartupTest, FirstRunWelcomesRunsWizardAndSwitchesVersionCheckOff)
{
    dialogs->expectBox("Thanks for using the program.  Please create a new store.");
    auto form = Start();

    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].type, mtInformation);
    EXPECT_EQ(form->wizardRuns, 1);
    EXPECT_TRUE(form->checks.empty());
    EXPECT_TRUE(Has(kSettings, "DoCheckForLatest"));
    EXPECT_FALSE(RegReadBool(kCompany, kProduct, kSettings, "DoCheckForLatest"));
    EXPECT_EQ(RegReadDateTime(kCompany, kProduct, kSettings, "LastCheckDT"), kNow);
    EXPECT_FALSE(form->CheckForLatest);
    // The wizard made no store, so there is nothing to find or add to.
    EXPECT_FALSE(Enabled(*form, "ComboFind"));
    EXPECT_FALSE(Enabled(*form, "BtnAddItem"));
    EXPECT_TRUE(form->Loading);
}

TEST_F(StartupTest, SecondStartRestoresWhatTheFirstClosedWith)
{
    NotFirstRun();
    {
        auto form = Start();
        form->show();
        EXPECT_FALSE(form->Loading);
        form->move(40, 30);
        form->resize(900, 640);
        Control<TSplitter>(*form, "SplitterLR").SetLastPanelSize(260);
        Trigger(*form, "MItemOptionsLargeButtons");
        Trigger(*form, "MItemEditFind");
        Click(*form, "BtnSortByCategory");
        form->close();
    }
    EXPECT_EQ(Int("Left"), 40);
    EXPECT_EQ(Int("Top"), 30);
    EXPECT_EQ(Int("Width"), 900);
    EXPECT_EQ(Int("Height"), 640);
    EXPECT_EQ(Int("SplitLR"), 260);
    EXPECT_EQ(RegReadString(kCompany, kProduct, kSettings, "Last Store"), "");

    auto form = Start();
    form->show();
    EXPECT_EQ(form->pos(), QPoint(40, 30));
    EXPECT_EQ(form->size(), QSize(900, 640));
    EXPECT_EQ(Control<TSplitter>(*form, "SplitterLR").LastPanelSize(), 260);
    EXPECT_TRUE(Control<TToolBar>(*form, "ToolBar").ShowCaptions());
    EXPECT_TRUE(Control(*form, "ToolbarSearch").isVisible());
    EXPECT_FALSE(Checked(*form, "BtnSortByAisle"));
    EXPECT_TRUE(Checked(*form, "BtnSortByCategory"));
    // An empty last store opens nothing and leaves nothing to find or add to.
    EXPECT_FALSE(Enabled(*form, "ComboFind"));
    EXPECT_FALSE(Enabled(*form, "BtnAddItem"));
}

TEST_F(StartupTest, APositionOffEveryScreenBringsTheWindowBackOnScreen)
{
    // Stored while a second monitor was attached, which is gone now.
    NotFirstRun();
    RegWriteInteger(kCompany, kProduct, kWindow, 5000, "Left");
    RegWriteInteger(kCompany, kProduct, kWindow, -3000, "Top");
    RegWriteInteger(kCompany, kProduct, kWindow, 300, "Width");
    RegWriteInteger(kCompany, kProduct, kWindow, 200, "Height");
    auto form = Start();
    form->show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(form->pos(), QSize(300, 200))))
        << form->pos().x() << "," << form->pos().y();

    // A window partly off screen but with its title bar in reach stays where it was put.
    RegWriteInteger(kCompany, kProduct, kWindow, screen.right() - 100, "Left");
    RegWriteInteger(kCompany, kProduct, kWindow, 10, "Top");
    auto again = Start();
    again->show();
    EXPECT_EQ(again->pos(), QPoint(screen.right() - 100, 10));
}

TEST_F(StartupTest, MaximisedCloseKeepsTheStoredBounds)
{
    NotFirstRun();
    {
        auto form = Start();
        // Bounds of an earlier close, other than the window's own.
        RegWriteInteger(kCompany, kProduct, kWindow, 11, "Left");
        RegWriteInteger(kCompany, kProduct, kWindow, 22, "Top");
        RegWriteInteger(kCompany, kProduct, kWindow, 700, "Width");
        RegWriteInteger(kCompany, kProduct, kWindow, 500, "Height");
        form->showMaximized();
        form->close();
    }
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, kWindow, "IsMaximized"));
    EXPECT_EQ(Int("Left"), 11);
    EXPECT_EQ(Int("Top"), 22);
    EXPECT_EQ(Int("Width"), 700);
    EXPECT_EQ(Int("Height"), 500);

    auto form = Start();
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form->size(), QSize(700, 500)); // the size it returns to
}

TEST_F(StartupTest, DamagedPlacementValuesStillGiveAWindowTheDesktopCanShow)
{
    NotFirstRun();
    for (const char* name : {"Width", "Height", "SplitLR"})
        RegWriteInteger(kCompany, kProduct, kWindow, std::numeric_limits<int32_t>::max(), name);
    auto form = Start();
    form->show();
    const QSize limit = QSize(1038, 713).expandedTo(QGuiApplication::primaryScreen()->virtualSize());
    EXPECT_LE(form->width(), limit.width());
    EXPECT_LE(form->height(), limit.height());
    EXPECT_LT(Control<TSplitter>(*form, "SplitterLR").LastPanelSize(), form->width());
}

TEST_F(StartupTest, DefaultsFillWhatTheRegistryLacks)
{
    NotFirstRun();
    RegWriteInteger(kCompany, kProduct, kSettings, 0, "GridFontSize"); // damaged: out of range
    RegWriteInteger(kCompany, kProduct, kSettings, 14, "ListFontSize");
    auto form = Start();
    const QScrollBar& bar = Control<QScrollBar>(*form, "ItemListBar");
    EXPECT_EQ(bar.minimum(), -18);
    EXPECT_EQ(bar.value(), -18);
    form->show();
    EXPECT_EQ(form->size(), QSize(1038, 713));
    EXPECT_EQ(Control<TSplitter>(*form, "SplitterLR").LastPanelSize(), 200);
    EXPECT_FALSE(Control<TToolBar>(*form, "ToolBar").ShowCaptions());
    EXPECT_TRUE(Control(*form, "ToolbarSearch").isHidden());
    EXPECT_TRUE(Checked(*form, "BtnSortByAisle"));
    EXPECT_TRUE(form->ErrandsOnTop);
    EXPECT_EQ(form->ErrandsCaption, "Errands");
    EXPECT_EQ(form->GridFontName, "Arial");
    EXPECT_EQ(form->GridFontSize, 10);
    EXPECT_EQ(form->ListFontSize, 14);
    // Shown without a store, the list has nothing to scroll.
    EXPECT_EQ(bar.minimum(), -18);
    EXPECT_EQ(bar.value(), 0);
}

// The version-check schedule: (DoCheckForLatest, days since LastCheckDT, check expected).
struct Schedule {
    bool wanted;
    double age;
    bool checks;
};
class VersionScheduleTest : public StartupTest, public ::testing::WithParamInterface<Schedule> {};

TEST_P(VersionScheduleTest, ChecksOnlyWhenDueOrWhenTheLastCheckLiesAhead)
{
    const Schedule s = GetParam();
    NotFirstRun();
    RegWriteBool(kCompany, kProduct, kSettings, s.wanted, "DoCheckForLatest");
    RegWriteDateTime(kCompany, kProduct, kSettings, kNow - s.age, "LastCheckDT");
    auto form = Start();
    EXPECT_EQ(form->checks, s.checks ? std::vector<bool>{false} : std::vector<bool>{});
    EXPECT_EQ(RegReadDateTime(kCompany, kProduct, kSettings, "LastCheckDT"), s.checks ? kNow : kNow - s.age);
    EXPECT_EQ(RegReadBool(kCompany, kProduct, kSettings, "DoCheckForLatest"), s.wanted);
    EXPECT_EQ(form->CheckForLatest, s.wanted);
}

// A case's name says what it sets and expects, e.g. "On_Age15_Checks", "Off_AgeMinus0_25_Checks";
// the test lists print the case the same way (never its raw bytes, which hold padding).
std::string Describe(const Schedule& s)
{
    std::string age = std::to_string(std::abs(s.age));
    age.erase(age.find_last_not_of('0') + 1);
    if (age.back() == '.')
        age.pop_back();
    std::replace(age.begin(), age.end(), '.', '_');
    return std::string(s.wanted ? "On" : "Off") + "_Age" + (s.age < 0 ? "Minus" : "") + age +
           (s.checks ? "_Checks" : "_Waits");
}
std::string ScheduleName(const ::testing::TestParamInfo<Schedule>& info)
{
    return Describe(info.param);
}
void PrintTo(const Schedule& s, std::ostream* os)
{
    *os << Describe(s);
}

INSTANTIATE_TEST_SUITE_P(Ages, VersionScheduleTest,
                         ::testing::Values(Schedule{true, 15.0, true}, Schedule{true, 14.0, false},
                                           Schedule{true, 3.0, false}, Schedule{false, 30.0, false},
                                           Schedule{false, -0.25, true}, Schedule{true, -2.0, true}),
                         ScheduleName);

TEST_F(StartupTest, AMissingLastCheckDateSwitchesTheCheckOffWithoutChecking)
{
    WriteString("Last Store", "");
    RegWriteBool(kCompany, kProduct, kSettings, true, "DoCheckForLatest");
    auto form = Start();
    EXPECT_TRUE(form->checks.empty());
    EXPECT_FALSE(RegReadBool(kCompany, kProduct, kSettings, "DoCheckForLatest"));
    EXPECT_EQ(RegReadDateTime(kCompany, kProduct, kSettings, "LastCheckDT"), kNow);
}

TEST_F(StartupTest, StorageFolderIsMadeOneLevelDeepOnly)
{
    NotFirstRun();
    const AnsiString fresh = temp.path() + "/fresh/";
    WriteString("StorageDir", fresh);
    EXPECT_EQ(Start()->StoresFolder, fresh);
    EXPECT_TRUE(fs::is_directory(fresh));

    // A missing parent is neither made nor reported (no box is expected).
    const AnsiString deep = temp.path() + "/gone/stores/";
    WriteString("StorageDir", deep);
    EXPECT_EQ(Start()->StoresFolder, deep);
    EXPECT_FALSE(fs::exists(temp.path() + "/gone"));

    // Paths are built as folder + name, so a folder without its "/" gets one.
    WriteString("StorageDir", temp.path() + "/fresh");
    EXPECT_EQ(Start()->StoresFolder, fresh);
}

TEST_F(StartupTest, EmptyStorageSettingFallsBackToTheDataFolder)
{
    NotFirstRun();
    WriteString("StorageDir", "");
    const char* data = getenv("XDG_DATA_HOME");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Start()->StoresFolder, AnsiString(data) + "/Quillmart/");
}

TEST_F(StartupTest, DefaultFolderIsMadeWithTheDataFolderOfANewAccount)
{
    // A new account has no ~/.local/share yet; the first store must still have a home.
    const char* data = getenv("XDG_DATA_HOME");
    ASSERT_NE(data, nullptr);
    const std::string saved = data;
    const AnsiString fresh = temp.path() + "/new-account/.local/share";
    setenv("XDG_DATA_HOME", fresh.c_str(), 1);
    NotFirstRun();
    WriteString("StorageDir", "");
    const AnsiString folder = Start()->StoresFolder;
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
    EXPECT_EQ(folder, fresh + "/Quillmart/");
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(StartupTest, CommandLineArgumentThatIsNoFileIsIgnored)
{
    NotFirstRun();
    for (const AnsiString& arg : {temp.path() + "/missing.store", temp.path()}) {
        auto form = Start(arg);
        EXPECT_FALSE(Enabled(*form, "ComboFind")) << arg; // went on with the empty last store
        EXPECT_FALSE(fs::exists(stores + "missing.store"));
    }
}

TEST_F(StartupTest, CommandLineStoreFromElsewhereIsImportedAndOverwrittenOnlyAfterYes)
{
    NotFirstRun();
    const AnsiString outside = temp.file("Corner Shop.store");
    qmtest::WriteFile(outside, "[Dairy]\r\nMilk=Aisle 1,-,,-,1,-,0,-,0,-,0,-,\r\n");

    dialogs->expectBox("Store imported.");
    auto form = Start(outside);
    EXPECT_EQ(qmtest::ReadFile(stores + "Corner Shop.store"), qmtest::ReadFile(outside));
    EXPECT_TRUE(Enabled(*form, "ComboFind"));

    qmtest::WriteFile(outside, "[Bakery]\r\n");
    dialogs->expectBox("Do you want to overwrite the store \"Corner Shop\"?", mrNo);
    Start(outside);
    EXPECT_NE(qmtest::ReadFile(stores + "Corner Shop.store"), "[Bakery]\r\n");

    dialogs->expectBox("Do you want to overwrite the store \"Corner Shop\"?", mrYes);
    dialogs->expectBox("Store imported.");
    Start(outside);
    EXPECT_EQ(qmtest::ReadFile(stores + "Corner Shop.store"), "[Bakery]\r\n");
    EXPECT_EQ(dialogs->seen()[1].type, mtConfirmation);
    EXPECT_EQ(dialogs->seen()[1].buttons, TMsgDlgButtons(mbYes | mbNo));

    // A store already in the storage folder opens where it is, without a word, also when its
    // path names the folder in other words.
    for (const AnsiString& path : {stores + "Corner Shop.store", stores + "../stores/Corner Shop.store",
                                   stores + "./Corner Shop.store"}) {
        auto form = Start(path);
        EXPECT_EQ(form->GetCurrentStoreName(), "Corner Shop") << path;
        EXPECT_EQ(qmtest::ReadFile(stores + "Corner Shop.store"), "[Bakery]\r\n");
    }
}

TEST_F(StartupTest, AFailedImportIsReportedAndStartUpGoesOn)
{
    NotFirstRun();
    WriteString("StorageDir", temp.path() + "/gone/stores/");
    const AnsiString outside = temp.file("Deli.store");
    qmtest::WriteFile(outside, "[Cheese]\r\n");
    dialogs->expectBox("Deli.store");
    auto form = Start(outside);
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].type, mtError);
    const TImage32& list = Control<TImage32>(*form, "ImageItemList");
    EXPECT_TRUE(list.Options & pboWantArrowKeys); // the last start-up step still ran
    EXPECT_EQ(list.focusPolicy(), Qt::ClickFocus);
}

TEST_F(StartupTest, TipOfTheDayComesOnceAndOnlyWhenWanted)
{
    NotFirstRun();
    auto form = Start();
    form->show();
    const QTimer& timer = Control<QTimer>(*form, "TimerTip");
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1000);
    Fire(*form, "TimerTip");
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(form->tipRuns, 1);

    RegWriteBool(kCompany, kProduct, kSettings, false, "ShowTOTD");
    auto quiet = Start();
    quiet->show();
    Fire(*quiet, "TimerTip");
    EXPECT_EQ(quiet->tipRuns, 0);
}

TEST_F(StartupTest, PasteIsOfferedOnlyWithClipboardDataAndACategoryToPasteInto)
{
    NotFirstRun();
    RegWriteInteger(kCompany, kProduct, "Clipboard\\Milk", 2, "Qty");
    auto empty = Start();
    empty->show();
    EXPECT_FALSE(Enabled(*empty, "BtnPaste"));

    auto form = Start();
    form->Store.Categories.push_back(QMCategory{});
    form->show();
    EXPECT_TRUE(Enabled(*form, "BtnPaste"));

    RegDeleteKey(kCompany, kProduct, "Clipboard");
    auto cleared = Start();
    cleared->Store.Categories.push_back(QMCategory{});
    cleared->show();
    EXPECT_FALSE(Enabled(*cleared, "BtnPaste"));
}

TEST_F(StartupTest, ResizeLaysOutStatusBarFindBoxAndSortButtons)
{
    NotFirstRun();
    auto form = Start();
    form->show();
    form->resize(1000, 700);
    Control<TSplitter>(*form, "SplitterLR").SetLastPanelSize(320);
    Relayout(*form);
    QApplication::processEvents();

    const TStatusBar& bar = Control<TStatusBar>(*form, "StatusBar");
    EXPECT_EQ(bar.PanelWidth(1), 120);
    EXPECT_EQ(bar.PanelWidth(2), 320);
    EXPECT_EQ(bar.PanelWidth(0), bar.width() - 120 - 320);

    // The find box ends where the separator before the item buttons begins.
    EXPECT_EQ(Control(*form, "ComboFind").geometry().right() + 1 + TToolBar::kSeparatorWidth,
              Control(*form, "BtnQtyUp").x());
    EXPECT_EQ(Control(*form, "BtnEditNote").geometry().right() + 1, Control(*form, "ToolBarItem").width());

    const TToolBar& sort = Control<TToolBar>(*form, "ToolBarShopAlign");
    EXPECT_EQ(sort.Indent(), (sort.width() - 2 * sort.ButtonWidth()) / 2);
    EXPECT_EQ(Control(*form, "BtnSortByAisle").x(), sort.Indent());
}

TEST_F(StartupTest, SplitterKeepsTheShoppingListWiderThan150)
{
    NotFirstRun();
    auto form = Start();
    form->show();
    TSplitter& splitter = Control<TSplitter>(*form, "SplitterLR");
    EXPECT_FALSE(splitter.CanResize(150));
    EXPECT_TRUE(splitter.CanResize(151));

    QSplitterHandle* handle = splitter.handle(1);
    const QPoint grip = handle->rect().center();
    auto drag = [&](int dx) {
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(dx, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(dx, 0));
    };
    drag(30); // 200 -> 170, and the move ran the resize arithmetic
    EXPECT_EQ(Control<TSplitter>(*form, "SplitterLR").LastPanelSize(), 170);
    EXPECT_EQ(Control<TStatusBar>(*form, "StatusBar").PanelWidth(2), 170);
    drag(20); // would leave 150
    EXPECT_EQ(Control<TSplitter>(*form, "SplitterLR").LastPanelSize(), 170);
    drag(-80);
    EXPECT_EQ(Control<TSplitter>(*form, "SplitterLR").LastPanelSize(), 250);
}

// At every splitter position both sort buttons show whole: side by side, centred, where they
// fit, one under the other at the narrowest position.
TEST_F(StartupTest, TheSortButtonsShowWholeAtEverySplitterPosition)
{
    NotFirstRun();
    auto form = Start();
    form->show();
    const QWidget& bar = Control(*form, "ToolBarShopAlign");
    const QWidget& aisle = Control(*form, "BtnSortByAisle");
    const QWidget& category = Control(*form, "BtnSortByCategory");
    for (int width : {151, 180, 200, 300}) {
        Control<TSplitter>(*form, "SplitterLR").SetLastPanelSize(width);
        Relayout(*form);
        QApplication::processEvents();
        for (const QWidget* b : {&aisle, &category}) {
            EXPECT_GE(b->x(), 0) << width;
            EXPECT_LE(b->geometry().right(), bar.width() - 1) << width;
            EXPECT_LE(b->geometry().bottom(), bar.height() - 1) << width;
        }
        EXPECT_GE(Control(*form, "GradientShoppingList").y(), bar.geometry().bottom() + 1) << width;
        // One row from the default width on; only the narrowest positions need a second one.
        if (width >= 200) {
            EXPECT_EQ(category.y(), aisle.y()) << width;
        }
    }
    // Where the even row fits, it is centred.
    EXPECT_EQ(aisle.width(), category.width());
    EXPECT_EQ(aisle.x(), bar.width() - category.geometry().right() - 1);
}

TEST_F(StartupTest, ExitClosesTheWindowAndWritesTheSettings)
{
    NotFirstRun();
    auto form = Start();
    form->show();
    Trigger(*form, "MItemEditFind");
    Trigger(*form, "MItemFileExit");
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, kSettings, "ShowFind"));
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, kSettings, "SortByAisle"));
    EXPECT_FALSE(RegReadBool(kCompany, kProduct, kSettings, "ToolbarShowCaptions"));
}

// Two actions of one window sharing a key would make Qt ignore the key for both.
TEST_F(StartupTest, EveryMenuShortcutIsUniqueAndEveryComponentNamed)
{
    NotFirstRun();
    auto form = Start();
    std::map<QString, QString> owners;
    for (QAction* a : form->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty())
            continue;
        const QString key = a->shortcut().toString();
        EXPECT_TRUE(owners.emplace(key, a->objectName()).second)
            << key.toStdString() << " is on " << owners[key].toStdString() << " and "
            << a->objectName().toStdString();
    }
    EXPECT_EQ(owners.size(), 39u);
    EXPECT_EQ(owners["Ctrl+Shift+S"], "MItemFileSaveStoreAs");
    EXPECT_EQ(owners["Alt+Right"], "MItemStoreNext");

    for (const char* name : {"ComboStores",
                             "ComboFind",
                             "BtnAddItem",
                             "BtnPaste",
                             "BtnCoupon",
                             "BtnSortByAisle",
                             "BtnSortByCategory",
                             "StatusBar",
                             "ImageItemList",
                             "ImageItemListHeader",
                             "ImageShoppingList",
                             "ItemListBar",
                             "ShoppingListBar",
                             "GradientItemList",
                             "GradientShoppingList",
                             "ToolBar",
                             "ToolBarItem",
                             "ToolBarShopAlign",
                             "ToolbarSearch",
                             "PanelItems",
                             "PanelList",
                             "TimerTip",
                             "SplitterLR",
                             "EditSearch",
                             "LabelResults",
                             "BtnSearchClose",
                             "BtnSearchNext",
                             "BtnSearchLast",
                             "PMenuItemsContext"})
        EXPECT_NE(form->findChild<QObject*>(name), nullptr) << name;
    EXPECT_EQ(Control(*form, "ImageItemListHeader").parentWidget(), &Control(*form, "ImageItemList"));
}

// Qt connects each menu to the entries it holds; the window's handler is one receiver more.
struct Receivers : QObject {
    static int Triggered(const QAction* a) { return (a->*&Receivers::receivers)(SIGNAL(triggered(bool))); }
};

// One line per entry, indented under its menu: object name, caption (a tab shown as \t),
// shortcut, "check" for a check mark, ">" before a sub-menu's entries, "-" for a separator.
// Every entry that is not a sub-menu runs exactly one handler.
void Outline(const QMenu* menu, int depth, std::string& out)
{
    QMenu probe;
    const int qtOwn = Receivers::Triggered(probe.addAction("probe"));
    for (const QAction* a : menu->actions()) {
        out += std::string(size_t(depth) * 2, ' ');
        if (a->isSeparator()) {
            out += "-\n";
            continue;
        }
        const auto* sub = a->menu<QMenu*>();
        out += (sub ? sub->objectName() : a->objectName()).toStdString() + " \"" +
               a->text().replace('\t', "\\t").toStdString() + '"';
        if (!a->shortcut().isEmpty())
            out += ' ' + a->shortcut().toString().toStdString();
        if (a->isCheckable())
            out += " check";
        out += sub ? " >\n" : "\n";
        if (sub)
            Outline(sub, depth + 1, out);
        else
            EXPECT_EQ(Receivers::Triggered(a), qtOwn + 1) << a->objectName().toStdString();
    }
}

TEST_F(StartupTest, MenusHoldTheirEntriesInOrder)
{
    NotFirstRun();
    auto form = Start();
    std::string outline;
    for (const QAction* a : form->menuBar()->actions()) {
        outline += a->menu<QMenu*>()->objectName().toStdString() + " \"" + a->text().toStdString() + "\"\n";
        Outline(a->menu<QMenu*>(), 1, outline);
    }
    for (const char* popup : {"PMenuPrint", "PMenuReset", "PMenuAddItem", "PMenuItemsContext"}) {
        outline += popup + std::string("\n");
        Outline(form->findChild<QMenu*>(popup), 1, outline);
    }
    EXPECT_EQ(outline, R"(MMenuFile "&File"
  MItemFileNewStore "&New Store Wizard..." F2
  MItemFileNewWindow "New &Window" Ctrl+N
  -
  MItemFileImportStore "Imp&ort Store..." Ctrl+O
  MItemFileSaveStoreAs "&Export Store As..." Ctrl+Shift+S
  MItemFileRenameStore "Rename Store..." Ctrl+R
  MItemFileExplore "Explore Store &Folder" Ctrl+E
  -
  MItemFileSaveList "Export &Shopping List..." Ctrl+S
  MItemFileEmailList "E-&mail Shopping List" Ctrl+M
  -
  MItemFilePrint "Print" >
    MItemFilePrintShoppingList "Shopping List..." Ctrl+P
    MItemFilePrintItemList "Store's &Items..." Ctrl+Shift+P
  MItemFilePreview "Print Preview" >
    MItemFilePreviewShoppingList "Shopping List..." Alt+P
    MItemFilePreviewItemList "Store's Items..." Alt+Shift+P
  -
  MItemFileExit "E&xit"
MMenuEdit "&Edit"
  MItemEditCut "Cu&t" Ctrl+X
  MItemEditCopy "&Copy" Ctrl+C
  MItemEditPaste "&Paste" Ctrl+V
  -
  MItemEditViewClipboard "&View Clipboard" Ctrl+Shift+V
  -
  MItemEditFind "Find" Ctrl+F
  MItemEditFindNext "Find Next" Ctrl+Shift+F
  MItemEditFindPrevious "Find Previous"
MMenuStore "&Store"
  MItemStoreEditAisles "Edit &Aisles/Depts..." F4
  MItemStoreReset "&Reset Store" >
    MItemStoreResetPurchased "Purchased Items..." F5
    -
    MItemStoreResetQuantities "&Quantities..." Alt+F5
    MItemStoreResetCoupons "&Coupons..." Shift+F5
    MItemStoreResetNotes "&Notes..." Ctrl+F5
    MItemStoreResetAll "&All..." F6
  -
  MItemStoreSortList "S&ort Shopping List" F7
  MItemStoreEditErrands "Edit Errands..." F3
  MItemStoreAcceptCoupons "Store Accepts Coupons" check
  -
  MItemStoreWebVisit "Visit Store &Website" Ctrl+W
  MItemStoreWebEdit "&Edit Store Website..."
  -
  MItemStorePrevious "&Previous Store" Alt+Left
  MItemStoreNext "&Next Store" Alt+Right
MMenuCategory "Category"
  MItemCategoryEdit "Edit Category..." Ctrl+Space
  MItemCategoryAdd "Add Category..." Ctrl+Ins
  MItemCategoryDelete "Delete Category..." Ctrl+Del
  MItemCategoryCopy "&Copy Category to Another Store..." Ctrl+Shift+T
  MItemCategoryChangeAisle "Change Aisle/Dept. for Category..." F8
  -
  MItemCategoryShowHide "Expand/Collapse This Category"
  MItemCategoryShowAll "E&xpand All Categories" Ctrl+Shift+Right
  MItemCategoryHideAll "&Collapse All Categories" Ctrl+Shift+Left
MMenuItem "&Item"
  MItemItemEdit "Edit Item...\tSpace"
  MItemItemAdd "Add Item...\tIns"
  MItemItemAddMult "Add Multiple Items...\tShift+Ins"
  MItemItemDelete "Delete Item...\tDel"
  MItemItemCopy "Copy Item To Another Store..." Ctrl+T
  -
  MItemItemQty "Quantity" >
    MItemItemQtyUp "Increase\t+"
    MItemItemQtyDown "Decrease\t-"
  MItemItemCoupon "Coupon...\t*" check
  MItemItemNotes "Notes...\t/"
MMenuOptions "&Options"
  MItemOptionsOptions "Options..." F12
  -
  MItemOptionsSmallButtons "Small Buttons" check
  MItemOptionsLargeButtons "Large Buttons" check
MMenuHelp "&Help"
  MItemHelpHelp "Help" F1
  MItemHelpTutorial "Tutorials"
  MItemHelpTip "Tip of the Day"
  -
  MItemHelpNewVersion "Check for New Version"
  MItemHelpBrenvokeWeb "Visit Brenvoke Software Website"
  -
  MItemHelpAbout "About..."
PMenuPrint
  PItemPrintShoppingList "Print Shopping List..."
  PItemPrintItemList "Print Store's Items..."
  -
  PItemPreviewShoppingList "Preview Shopping List..."
  PItemPreviewItemList "Preview Store's Items..."
PMenuReset
  PItemResetPurchased "Reset Purchased Items..."
  -
  PItemResetQty "Reset Quantities..."
  PItemResetCoupons "Reset Coupons..."
  PItemResetNotes "Reset Notes..."
  PItemResetAll "Reset All..."
PMenuAddItem
  PItemAddItem "Add Item..."
  PItemAddMult "Add Multiple Items..."
PMenuItemsContext
  PItemContextItem "Item Properties" >
    PItemContextQtyUp "Quantity +1"
    PItemContextQtyDown "Quantity -1"
    PItemContextCoupon "Coupon..."
    PItemContextNote "Note..."
  PItemContextEdit "Edit Item..."
  PItemContextDelete "Delete Item..."
  PItemContextCopyItem "Copy Item to Another Store..."
  PItemContextAddItem "Add Item..."
  PItemContextAddMult "Add Multiple Items..."
  -
  PItemContextCut "Cut"
  PItemContextCopy "Copy"
  PItemContextPaste "Paste"
  -
  PItemContextCollapseCat "Collapse Category"
  PItemContextEditCat "Edit Category..."
  PItemContextAddCat "Add Category..."
  PItemContextDeleteCat "Delete Category..."
  PItemContextCopyCat "Copy Category to Another Store..."
)");
}

} // namespace
