// The folder browse dialog: the component's properties and Execute through the Dialogs seam,
// and the Qt folder picker that stands behind it in the program.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/gui/QtDialogs.h"
#include "util/widgets/FolderBrowser.h"

namespace {

using namespace qm;

class FolderBrowserTest : public qmtest::DialogFixture {
protected:
    QWidget owner;
    qmtest::TempDir dir;
};

TEST_F(FolderBrowserTest, NeedsAWidgetForItsOwner)
{
    QObject notAWindow;
    try {
        TFolderBrowser browser(&notAWindow);
        FAIL() << "a plain object was taken as the owner";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "I need WinControl!!!");
    }
    TFolderBrowser browser(&owner);
    EXPECT_EQ(browser.Title, "Select folder");
    EXPECT_EQ(browser.BrowseFlags, 0u);
    EXPECT_EQ(browser.Folder(), "");
    EXPECT_EQ(browser.OwnerWindow(), &owner);
    EXPECT_EQ(browser.parent(), &owner);
}

TEST_F(FolderBrowserTest, ExecuteStartsAtFolderAndLeavesTheChoiceThere)
{
    TFolderBrowser browser(&owner);
    browser.Title = "Where to?";
    const std::string start = dir.file("start");
    std::filesystem::create_directory(start);
    browser.SetFolder(start);
    dialogs->expectFile(dir.path());
    EXPECT_TRUE(browser.Execute());
    EXPECT_EQ(browser.Folder(), dir.path());
    EXPECT_EQ(dialogs->seen().back().text, "Where to?");
    EXPECT_EQ(dialogs->seen().back().initial, start);

    // Cancel keeps the folder as it was.
    dialogs->expectFile("/elsewhere", false);
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(browser.Folder(), dir.path());
}

// A start folder that is not there leaves the picker in the home folder, and once a folder
// has been chosen, there; never in the folder the program was started from.
TEST_F(FolderBrowserTest, AStartFolderThatIsGoneGivesWayToTheLastChoiceOrTheHomeFolder)
{
    TFolderBrowser browser(&owner);
    browser.SetFolder(dir.file("gone"));
    dialogs->expectFile("", false);
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(dialogs->seen().back().initial, std::string(std::getenv("HOME")) + "/");
    EXPECT_EQ(browser.Folder(), dir.file("gone"));

    const std::string chosen = dir.file("chosen");
    std::filesystem::create_directory(chosen);
    dialogs->expectFile(chosen);
    EXPECT_TRUE(browser.Execute());
    browser.SetFolder(dir.file("gone"));
    dialogs->expectFile("", false);
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(dialogs->seen().back().initial, chosen);

    // The last choice gone too: the home folder again.
    std::filesystem::remove(chosen);
    dialogs->expectFile("", false);
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(dialogs->seen().back().initial, std::string(std::getenv("HOME")) + "/");
}

TEST_F(FolderBrowserTest, TheChangeEventCanRefuseAFolder)
{
    TFolderBrowser browser(&owner);
    std::vector<AnsiString> changes;
    browser.OnChangeFolder = [&](const AnsiString& folder, int32_t& enabledOK, AnsiString& status) {
        EXPECT_EQ(enabledOK, -1);
        EXPECT_EQ(status, "");
        changes.push_back(folder);
        enabledOK = folder.find("locked") == AnsiString::npos ? 1 : 0;
    };
    dialogs->expectFile("/data/open");
    EXPECT_TRUE(browser.Execute());
    dialogs->expectFile("/data/locked");
    EXPECT_FALSE(browser.Execute()); // its OK button cannot be clicked
    EXPECT_EQ(browser.Folder(), "/data/open");
    EXPECT_EQ(changes, (std::vector<AnsiString>{"/data/open", "/data/locked"}));
    ASSERT_EQ(dialogs->failures().size(), 1u);
    EXPECT_NE(dialogs->failures()[0].find("disabled"), std::string::npos);
    dialogs->clear();
}

// The program's own picker: the handler switches its OK button and fills its status line.
TEST_F(FolderBrowserTest, TheQtPickerFollowsTheChangeEvent)
{
    namespace fs = std::filesystem;
    fs::create_directories(dir.file("good"));
    fs::create_directories(dir.file("locked"));
    FileDialogRequest request;
    request.kind = FileDialogRequest::Folder;
    request.title = "Select folder";
    request.initialDir = dir.path();
    request.statusLine = true;
    request.onFolderChange = [](const AnsiString& folder, int& enabledOK, AnsiString& status) {
        const bool locked = folder.find("locked") != AnsiString::npos;
        enabledOK = locked ? 0 : 1;
        status = locked ? "That folder is locked." : "";
    };

    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->windowTitle(), "Select folder");
        auto* status = picker->findChild<QLabel*>("StatusText");
        QPushButton* ok = picker->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        ASSERT_NE(status, nullptr);
        emit picker->currentChanged(QString::fromStdString(dir.file("locked")));
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_EQ(status->text(), "That folder is locked.");
        emit picker->currentChanged(QString::fromStdString(dir.file("good")));
        EXPECT_TRUE(ok->isEnabled());
        picker->setDirectory(QString::fromStdString(dir.file("good")));
        checked = true;
        ok->click();
    });
    QtDialogs qt;
    AnsiString path;
    EXPECT_TRUE(qt.fileDialog(request, path));
    EXPECT_TRUE(checked);
    EXPECT_EQ(path, dir.file("good"));
}

} // namespace
