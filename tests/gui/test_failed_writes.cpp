// Store writes that fail while the window is worked by keys, clicks and menus: the storage
// folder taken away, a full disk, a read-only folder. Error boxes run a modal event loop of
// their own, as on the screen, so that a box opened in the middle of the toolkit's work (a menu
// opening, a focus change, a list closing) acts here as it does there.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;
using Said = std::vector<std::string>;

const std::string kShop = "[--Info--]\r\nAisles=A1,,A2,,\r\nLastItemSelected=Milk&-&Dairy\r\n"
                          "[Dairy]\r\nButter=A1,-,salted,-,0\r\nEggs=A2,-,,-,0\r\nMilk=A1,-,low fat,-,2\r\n"
                          "[Fruit]\r\nKiwi=A2,-,ripe,-,3\r\n";
const char* const kQuestion = "It appears the store folder doesn't exist.  Would you like to place the store "
                              "folder in another location?";

// Boxes shown modal and answered from their own loop once they are the box on top; each notes
// whether it came while the test was still handing an input to the toolkit. Error boxes are
// answered OK, questions by the script.
class ModalBoxes : public ScriptedDialogs {
public:
    int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int help) override
    {
        shown.emplace_back(msg, inInput > 0);
        QWidget* parent = QApplication::activeWindow();
        QMessageBox box(parent);
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, &box, [&box] {
            if (QApplication::activeModalWidget() == &box)
                box.accept();
        });
        answer.start(0);
        box.exec();
        // The window manager gives the window under the box the keyboard back.
        if (QWidget* back = parent ? parent : window)
            back->activateWindow();
        return type == mtError && buttons == mbOK ? int(mrOk)
                                                  : ScriptedDialogs::messageDlg(msg, type, buttons, help);
    }
    std::vector<std::pair<std::string, bool>> shown; // text, came during an input
    int inInput = 0;
    QWidget* window = nullptr;
};

// A read-only storage folder for the object's life. The super-user writes anywhere, so a test
// run as root takes another user's effective identity meanwhile, to whom the files stay
// readable.
class ReadOnlyFolder {
public:
    ReadOnlyFolder(const std::string& parent, const std::string& folder) : folder_(folder)
    {
        chmod(parent.c_str(), 0755);
        chmod(folder.c_str(), 0555);
        switched_ = geteuid() == 0 && setegid(65534) == 0 && seteuid(65534) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (switched_ && (seteuid(0) != 0 || setegid(0) != 0))
            ADD_FAILURE() << "cannot take back the super-user's identity";
        chmod(folder_.c_str(), 0755);
    }

private:
    std::string folder_;
    bool switched_ = false;
};

class FailedWriteTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetLastStore("Shop");
        HideTipOfTheDay();
        WriteFile(stores + "Shop.store", kShop);
        SetDialogHandler(dialogs = boxes = std::make_shared<ModalBoxes>());
        // No dialog of the program's own (a key gone astray into a menu, say) holds a test.
        SetModalHook([](QDialog& dialog) {
            ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString();
            return int(mrCancel);
        });
    }
    void TearDown() override
    {
        QApplication::processEvents(); // no report waits for the next test
        MainWindowTest::TearDown();
    }

    // The window shown and active, the quick-find box holding the keyboard.
    void Start()
    {
        MainWindowTest::Start("Shop");
        form->resize(900, 600);
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        Relayout(*form);
        boxes->window = form.get();
        find = &Control<QComboBox>(*form, "ComboFind");
        find->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    // What an input brought: the boxes' texts, and whether one came while the toolkit was still
    // handling the input rather than from the event loop afterwards.
    struct Outcome {
        Said boxes;
        bool inside = false;
    };
    Outcome Input(const std::function<void()>& input)
    {
        const size_t from = boxes->shown.size();
        ++boxes->inInput;
        input();
        --boxes->inInput;
        // What the input left to the event loop, then the window system's answers to that (the
        // window active again once a box closed).
        QApplication::processEvents();
        QApplication::processEvents();
        Outcome out;
        for (size_t n = from; n < boxes->shown.size(); ++n) {
            out.boxes.push_back(boxes->shown[n].first);
            out.inside = out.inside || boxes->shown[n].second;
        }
        return out;
    }
    // A key as a person types it: an open pop-up (a menu, a list) takes it, else the focus.
    Outcome Type(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::activePopupWidget();
        if (!target)
            target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        return Input([&] { QTest::keyClick(target, Qt::Key(key), modifiers); });
    }
    // A click through the window system's way in, so that an open pop-up closes first.
    Outcome ClickOn(QWidget& control, QPoint at)
    {
        return Input([&] { QTest::mouseClick(&control, Qt::LeftButton, {}, at); });
    }
    Outcome ClickRow(int cat, int item)
    {
        const int y = form->ItemListRows().RowTop(cat, item) + 4;
        return ClickOn(Control(*form, "ImageItemList"), {form->ItemListColumns().ColNameX + 10, y});
    }
    Outcome ClickMenu(const QString& name)
    {
        QMenuBar* bar = form->menuBar();
        return ClickOn(*bar, bar->actionGeometry(Control<QMenu>(*form, name).menuAction()).center());
    }
    Outcome ClickEntry(const QString& menu, const QString& entry)
    {
        QMenu& m = Control<QMenu>(*form, menu);
        return ClickOn(m, m.actionGeometry(&Control<QAction>(m, entry)).center());
    }
    // Types a name into the quick-find box, whose list drops down.
    void TypeIntoFind(const QString& text)
    {
        find->setFocus(Qt::MouseFocusReason);
        find->lineEdit()->selectAll();
        QTest::keyClicks(find->lineEdit(), text);
        QApplication::processEvents();
    }

    std::string CannotWrite(const std::string& why) const
    {
        return "Cannot write to the file \"" + stores + "Shop.store\": " + why + ".";
    }
    const QMItem& Item(int cat, int item) const
    {
        return form->Store.Categories[size_t(cat)].Items[size_t(item)];
    }

    std::shared_ptr<ModalBoxes> boxes;
    QComboBox* find = nullptr;
};

// The storage folder moved away with the window open (a removed stick), then the keys, clicks
// and menus of a person who goes on working: each action shows one box for the file, a failure
// met as a list closes comes once it has closed, a menu opened from the quick-find box opens
// and writes nothing, and Explore asks its question.
TEST_F(FailedWriteTest, TheStorageFolderTakenAwayGivesOneBoxPerActionAndTheMenusStillWork)
{
    Start();
    EXPECT_EQ(Type(Qt::Key_Return).boxes, Said{}); // Milk chosen in the quick-find box, and written
    fs::rename(stores, temp.path() + "/away");
    const std::string gone = CannotWrite("No such file or directory");

    EXPECT_EQ(Type(Qt::Key_Escape).boxes, Said{});
    EXPECT_EQ(ClickRow(0, 1).boxes, Said{gone});   // Eggs
    EXPECT_EQ(Type(Qt::Key_Return).boxes, Said{}); // into the quick-find box, its list down
    const Outcome chosen = Type(Qt::Key_Return);   // the list's entry chosen and the list closed
    EXPECT_EQ(chosen.boxes, Said{gone});
    EXPECT_FALSE(chosen.inside);
    dialogs->expectBox(kQuestion, mrNo);
    EXPECT_EQ(Type(Qt::Key_E, Qt::ControlModifier).boxes, Said{kQuestion});

    EXPECT_EQ(ClickMenu("MMenuFile").boxes, Said{});
    EXPECT_TRUE(Control<QMenu>(*form, "MMenuFile").isVisible());
    dialogs->expectBox(kQuestion, mrNo);
    EXPECT_EQ(ClickEntry("MMenuFile", "MItemFileExplore").boxes, Said{kQuestion});
    EXPECT_EQ(Type(Qt::Key_Return).boxes, Said{gone}); // the box's Enter chooses the row again

    EXPECT_EQ(Type(Qt::Key_F, Qt::AltModifier).boxes, Said{});
    EXPECT_TRUE(Control<QMenu>(*form, "MMenuFile").isVisible());
    dialogs->expectBox(kQuestion, mrNo);
    EXPECT_EQ(Type(Qt::Key_F).boxes, Said{kQuestion});
    EXPECT_EQ(Type(Qt::Key_Return).boxes, Said{gone});
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    EXPECT_TRUE(form->isVisible());
}

// A store picked from the picker's list while no store file can be written (a full disk):
// opening a store that has no row remembered writes the row it selects, and that failure is
// shown once the list has closed, not from inside its closing.
TEST_F(FailedWriteTest, AStorePickedFromThePickersListShowsItsFailureOnceTheListHasClosed)
{
    WriteFile(stores + "Other.store", "[--Info--]\r\nAisles=A1,,\r\n[Dairy]\r\nMilk=A1,-,,-,0\r\n");
    Start();
    QComboBox& picker = Control<QComboBox>(*form, "ComboStores");
    ASSERT_EQ(Entries(*form), QStringList({"Other", "Shop"}));
    FileSizeLimit full(16);
    picker.showPopup();
    QApplication::processEvents();
    QTest::keyClick(picker.view(), Qt::Key_Up); // from Shop to Other
    const Outcome picked = Input([&] { QTest::keyClick(picker.view(), Qt::Key_Return); });
    EXPECT_EQ(picked.boxes, Said{"Cannot write to the file \"" + stores + "Other.store\": File too large."});
    EXPECT_FALSE(picked.inside);
    EXPECT_FALSE(picker.view()->isVisible());
    EXPECT_EQ(form->Store.Name, "Other");
}

// How the store's file refuses its writes: a full disk, or a read-only storage folder.
enum class Refusal { FullDisk, ReadOnlyFolder };

class RefusedWriteTest : public FailedWriteTest, public ::testing::WithParamInterface<Refusal> {};

// Keys, clicks and menus, each refused: one box each naming the file and its reason (those met
// as a list closes or the focus moves come afterwards), a changed quantity put back, and the
// file as it was. A refused write is no change by another program: the store is never read
// again for it (what the window holds only in memory stays).
TEST_P(RefusedWriteTest, KeysClicksAndMenusShowOneBoxEachAndLeaveTheFile)
{
    Start();
    EXPECT_EQ(ClickRow(0, 2).boxes, Said{}); // Milk, quantity 2
    const std::string kept = ReadFile(stores + "Shop.store");
    form->Store.Categories[1].AisleGuess = "only in memory";
    const std::string refused =
        CannotWrite(GetParam() == Refusal::FullDisk ? "File too large" : "Permission denied");
    {
        std::optional<FileSizeLimit> full;
        std::optional<ReadOnlyFolder> readOnly;
        if (GetParam() == Refusal::FullDisk)
            full.emplace(16); // no store file fits
        else
            readOnly.emplace(temp.path(), stores);

        EXPECT_EQ(Type(Qt::Key_Plus, Qt::KeypadModifier).boxes, Said{refused});
        EXPECT_EQ(Item(0, 2).Qty, 2);
        EXPECT_EQ(Type(Qt::Key_Down).boxes, Said{refused}); // the Fruit row
        EXPECT_EQ(Type(Qt::Key_Down).boxes, Said{refused}); // Kiwi, quantity 3
        EXPECT_EQ(ClickMenu("MMenuItem").boxes, Said{});
        EXPECT_EQ(ClickEntry("MMenuItem", "MItemItemQtyAction").boxes, Said{});
        EXPECT_EQ(ClickEntry("MItemItemQty", "MItemItemQtyUp").boxes, Said{refused});
        EXPECT_EQ(Item(1, 0).Qty, 3);
        const char* const reset = "Are you sure you want to reset all quantities?";
        dialogs->expectBox(reset, mrYes);
        EXPECT_EQ(Type(Qt::Key_F5, Qt::AltModifier).boxes, Said({reset, refused}));
        EXPECT_EQ(Item(1, 0).Qty, 3);

        // A name typed into the quick-find box: Escape closes its list, which selects Kiwi again,
        // and the name is chosen as the box loses the focus to the box on the screen; Tab then
        // leaves the box; a click on a row while a name is typed also ends the quick find.
        TypeIntoFind("Butter");
        const Outcome closed = Type(Qt::Key_Escape);
        EXPECT_EQ(closed.boxes, Said{refused});
        EXPECT_FALSE(closed.inside);
        EXPECT_EQ(Sel(*form), std::make_pair(0, 0));
        const Outcome left = Type(Qt::Key_Tab);
        EXPECT_EQ(left.boxes, Said{refused});
        EXPECT_FALSE(left.inside);
        TypeIntoFind("Kiwi");
        EXPECT_EQ(ClickRow(0, 1).boxes, Said{refused}); // Eggs
        EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    }
    EXPECT_EQ(ReadFile(stores + "Shop.store"), kept);
    EXPECT_EQ(form->Store.Categories[1].AisleGuess, "only in memory");
    EXPECT_EQ(Type(Qt::Key_Plus, Qt::KeypadModifier).boxes, Said{});
    EXPECT_EQ(form->Store.Categories[1].AisleGuess, "only in memory");
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedWriteTest,
                         ::testing::Values(Refusal::FullDisk, Refusal::ReadOnlyFolder),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return info.param == Refusal::FullDisk ? "FullDisk" : "ReadOnlyFolder";
                         });

} // namespace
