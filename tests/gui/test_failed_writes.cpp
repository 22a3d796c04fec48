// Store writes that fail while the window is used by keys, clicks and menus: the storage folder
// taken away, a full disk, a read-only folder. Every error box runs a modal event loop of its
// own, as on the screen, so a box opened in the middle of the toolkit's work (a menu opening, a
// focus change, a list closing) shows here as it does there.
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

const std::string kShop = "[--Info--]\r\nAisles=A1,,A2,,\r\nLastItemSelected=Milk&-&Dairy\r\n"
                          "[Dairy]\r\nButter=A1,-,salted,-,0\r\nEggs=A2,-,,-,0\r\nMilk=A1,-,low fat,-,2\r\n"
                          "[Fruit]\r\nKiwi=A2,-,ripe,-,3\r\n";

// The boxes as the screen shows them: each one modal, with its own event loop, closed once it
// is up, with the script's answer to a question. Each box notes whether it came while the test was still
// handing an input to the toolkit (inside a key press, a click) or only afterwards, from the
// event loop.
class ModalBoxes : public DialogHandler {
public:
    struct Box {
        std::string text;
        bool duringInput;
    };
    explicit ModalBoxes(std::shared_ptr<ScriptedDialogs> script) : script_(std::move(script)) {}

    int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int help) override
    {
        shown.push_back({msg, inInput > 0});
        QWidget* parent = QApplication::activeWindow();
        QMessageBox box(parent);
        box.setText(ToQString(msg));
        // Answered from its own loop once it is the box on top: a box that another box opens
        // while it comes up is answered first.
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
        // Error boxes have OK alone, and the test reads them from shown; questions are scripted.
        return type == mtError && buttons == mbOK ? int(mrOk) : script_->messageDlg(msg, type, buttons, help);
    }
    int messageBox(const AnsiString& text, const AnsiString& caption, TMsgDlgButtons buttons,
                   TMsgDlgType icon) override
    {
        return script_->messageBox(text, caption, buttons, icon);
    }
    bool inputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override
    {
        return script_->inputQuery(caption, prompt, value);
    }
    bool fileDialog(const FileDialogRequest& request, std::string& path) override
    {
        return script_->fileDialog(request, path);
    }

    std::vector<Box> shown;
    int inInput = 0;
    QWidget* window = nullptr; // the program's window

private:
    std::shared_ptr<ScriptedDialogs> script_;
};

// The storage folder made read-only for the object's life. The super-user writes anywhere, so
// a test run as root takes another user's effective identity meanwhile; the folder stays
// readable, and its parent open, to that user.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder) : folder_(folder)
    {
        chmod(fs::path(folder).parent_path().parent_path().c_str(), 0755);
        chmod(folder.c_str(), 0555);
        if (geteuid() == 0)
            switched_ = setegid(65534) == 0 && seteuid(65534) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (switched_ && (seteuid(0) != 0 || setegid(0) != 0))
            ADD_FAILURE() << "cannot take back the super-user's identity";
        chmod(folder_.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

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
        boxes = std::make_shared<ModalBoxes>(dialogs);
        SetDialogHandler(boxes);
        // No dialog of the program's own (a keystroke gone astray into a menu, say) holds a test.
        SetModalHook([](QDialog& dialog) {
            ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString();
            return int(mrCancel);
        });
    }
    void TearDown() override
    {
        QApplication::processEvents(); // no report may wait for the next test
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
        form->FormResize();
        boxes->window = form.get();
        find = &Control<QComboBox>(*form, "ComboFind");
        find->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    // What an input brought: the texts of the boxes, and whether one of them came while the
    // toolkit was still handling the input rather than from the event loop afterwards.
    struct Outcome {
        std::vector<std::string> boxes;
        bool inside = false;
    };
    Outcome Input(const std::function<void()>& input)
    {
        const size_t from = boxes->shown.size();
        ++boxes->inInput;
        input();
        --boxes->inInput;
        // What the input left to the event loop, then the window system's answers to that (the
        // window made active again once a box closed).
        QApplication::processEvents();
        QApplication::processEvents();
        Outcome out;
        for (size_t n = from; n < boxes->shown.size(); ++n) {
            out.boxes.push_back(boxes->shown[n].text);
            out.inside = out.inside || boxes->shown[n].duringInput;
        }
        return out;
    }
    // A key as a person types it: an open pop-up (a menu, a list) takes it, else the control
    // with the focus.
    Outcome Type(int key, Qt::KeyboardModifiers modifiers = {})
    {
        return Input([&] {
            QWidget* target = QApplication::activePopupWidget();
            if (!target)
                target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
            QTest::keyClick(target, Qt::Key(key), modifiers);
        });
    }
    // A click at a point of a control, through the window system's way in, so that an open
    // pop-up closes first.
    Outcome ClickOn(QWidget& control, QPoint at)
    {
        return Input([&] { QTest::mouseClick(&control, Qt::LeftButton, {}, at); });
    }
    Outcome ClickRow(int cat, int item)
    {
        auto& list = Control(*form, "ImageItemList");
        return ClickOn(list,
                       {form->ItemListColumns().ColNameX + 10, form->ItemListRows().RowTop(cat, item) + 4});
    }
    // Opens a menu of the menu bar with the mouse.
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
    // Types a name into the quick-find box, as the start of a search.
    void TypeIntoFind(const QString& text)
    {
        find->setFocus(Qt::MouseFocusReason);
        find->lineEdit()->selectAll();
        QTest::keyClicks(find->lineEdit(), text);
        QApplication::processEvents();
    }
    bool MenuOpen(const QString& name) const { return Control<QMenu>(*form, name).isVisible(); }

    std::string CannotWrite(const std::string& why) const
    {
        return "Cannot write to the file \"" + stores + "Shop.store\": " + why + ".";
    }
    std::string Line(const std::string& section, const std::string& key) const
    {
        return ReadStoreString(form->StoreFilesContext(), "Shop", section, key);
    }
    const QMItem& Item(int cat, int item) const
    {
        return form->Store.Categories[size_t(cat)].Items[size_t(item)];
    }

    std::shared_ptr<ModalBoxes> boxes;
    QComboBox* find = nullptr;
};

using Said = std::vector<std::string>;
const char* const kQuestion = "It appears the store folder doesn't exist.  Would you like to place the store "
                              "folder in another location?";

// The storage folder moved away with the window open (a removed stick), then the keys, clicks
// and menus of a person who goes on working: each action shows one box for the file, a menu
// opened from the quick-find box opens and writes nothing, the Explore command asks its
// question, and the window keeps running.
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

    const Outcome opened = ClickMenu("MMenuFile");
    EXPECT_EQ(opened.boxes, Said{});
    EXPECT_TRUE(MenuOpen("MMenuFile"));
    dialogs->expectBox(kQuestion, mrNo);
    EXPECT_EQ(ClickEntry("MMenuFile", "MItemFileExplore").boxes, Said{kQuestion});
    EXPECT_EQ(Type(Qt::Key_Return).boxes, Said{gone}); // the box's Enter chooses the row again

    EXPECT_EQ(Type(Qt::Key_F, Qt::AltModifier).boxes, Said{});
    EXPECT_TRUE(MenuOpen("MMenuFile"));
    dialogs->expectBox(kQuestion, mrNo);
    EXPECT_EQ(Type(Qt::Key_F).boxes, Said{kQuestion});
    EXPECT_EQ(Type(Qt::Key_Return).boxes, Said{gone});

    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    EXPECT_FALSE(fs::exists(stores));
}

// Alt+F while the quick-find box holds the keyboard, the storage folder gone: the File menu
// opens, which takes the focus from the box, and nothing is chosen or written for it. Its
// Explore entry then asks the folder question.
TEST_F(FailedWriteTest, AMenuOpenedFromTheQuickFindBoxOpensAndWritesNothing)
{
    Start();
    fs::rename(stores, temp.path() + "/away");
    EXPECT_EQ(Type(Qt::Key_F, Qt::AltModifier).boxes, Said{});
    EXPECT_TRUE(MenuOpen("MMenuFile"));
    dialogs->expectBox(kQuestion, mrNo);
    EXPECT_EQ(Type(Qt::Key_F).boxes, Said{kQuestion});
    EXPECT_TRUE(form->isVisible());
}

// A name typed into the quick-find box, its list closed with Escape: the list's closing
// selects the row again, which fails, and the box comes once the list is closed.
TEST_F(FailedWriteTest, AFailureWhileTheQuickFindListClosesIsShownOnceItIsClosed)
{
    Start();
    TypeIntoFind("Kiwi");
    ASSERT_TRUE(find->completer()->popup()->isVisible());
    fs::rename(stores, temp.path() + "/away");
    const Outcome closed = Type(Qt::Key_Escape);
    EXPECT_EQ(closed.boxes, Said{CannotWrite("No such file or directory")});
    EXPECT_FALSE(closed.inside);
}

// A click on a row while the quick-find box holds a typed name: the box's choice and the
// click's selection fail on the same file, and the click shows one box.
TEST_F(FailedWriteTest, AClickThatAlsoEndsAQuickFindShowsOneBox)
{
    Start();
    TypeIntoFind("Kiwi");
    fs::rename(stores, temp.path() + "/away");
    EXPECT_EQ(ClickRow(0, 0).boxes, Said{CannotWrite("No such file or directory")});
    EXPECT_EQ(Sel(*form), std::make_pair(0, 0)); // Butter
}

// How the store's file refuses its writes: a full disk, or a read-only storage folder.
enum class Refusal { FullDisk, ReadOnlyFolder };

class RefusedWriteTest : public FailedWriteTest, public ::testing::WithParamInterface<Refusal> {
protected:
    // The refusal, for the object's life.
    class Refusing {
    public:
        Refusing(Refusal how, const std::string& folder)
        {
            if (how == Refusal::FullDisk)
                full_.emplace(16); // no store file fits
            else
                readOnly_.emplace(folder);
        }

    private:
        std::optional<FileSizeLimit> full_;
        std::optional<ReadOnlyFolder> readOnly_;
    };
    std::string Refused() const
    {
        return CannotWrite(GetParam() == Refusal::FullDisk ? "File too large" : "Permission denied");
    }
};

// Keys, the item list's clicks and the menus, each refused: one box each naming the file and
// its reason (those met while a list closes or the focus moves come after), a changed
// quantity put back, and the file as it was.
TEST_P(RefusedWriteTest, KeysClicksAndMenusShowOneBoxEachAndLeaveTheFile)
{
    Start();
    EXPECT_EQ(ClickRow(0, 2).boxes, Said{}); // Milk, quantity 2
    const std::string kept = ReadFile(stores + "Shop.store");
    const std::string refused = Refused();
    {
        const Refusing refusing(GetParam(), stores);
        EXPECT_EQ(Type(Qt::Key_Plus, Qt::KeypadModifier).boxes, Said{refused});
        EXPECT_EQ(Item(0, 2).Qty, 2);
        EXPECT_EQ(Type(Qt::Key_Down).boxes, Said{refused}); // the Fruit row
        EXPECT_EQ(Type(Qt::Key_Down).boxes, Said{refused}); // Kiwi, quantity 3
        EXPECT_EQ(Sel(*form), std::make_pair(1, 0));

        EXPECT_EQ(ClickMenu("MMenuItem").boxes, Said{});
        EXPECT_EQ(ClickEntry("MMenuItem", "MItemItemQtyAction").boxes, Said{});
        EXPECT_EQ(ClickEntry("MItemItemQty", "MItemItemQtyUp").boxes, Said{refused});
        EXPECT_EQ(Item(1, 0).Qty, 3);

        const char* const reset = "Are you sure you want to reset all quantities?";
        dialogs->expectBox(reset, mrYes);
        EXPECT_EQ(Type(Qt::Key_F5, Qt::AltModifier).boxes, Said({reset, refused}));
        EXPECT_EQ(Item(1, 0).Qty, 3);

        // The quick-find box: a name typed and its list closed with Escape, which selects the
        // row again; the name is chosen as the box loses the focus to the box on the screen.
        // Then Tab leaves the box, selecting that row again.
        TypeIntoFind("Butter");
        const Outcome closed = Type(Qt::Key_Escape);
        EXPECT_EQ(closed.boxes, Said{refused});
        EXPECT_FALSE(closed.inside);
        EXPECT_EQ(Sel(*form), std::make_pair(0, 0));
        const Outcome left = Type(Qt::Key_Tab);
        EXPECT_EQ(left.boxes, Said{refused});
        EXPECT_FALSE(left.inside);
    }
    EXPECT_EQ(ReadFile(stores + "Shop.store"), kept);
    EXPECT_TRUE(form->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedWriteTest,
                         ::testing::Values(Refusal::FullDisk, Refusal::ReadOnlyFolder),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return info.param == Refusal::FullDisk ? "FullDisk" : "ReadOnlyFolder";
                         });

} // namespace
