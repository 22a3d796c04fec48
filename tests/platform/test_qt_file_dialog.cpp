// The Qt save dialog behind the Dialogs seam, answered by finding the open dialog and acting on
// it as a user would: the chosen filter comes back, a name typed without an extension gets
// that filter's extension, and the question before a file is replaced is about that name.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "platform/gui/QtDialogs.h"

using namespace qm;

namespace {

// Once the dialog is open, act on it.
void OnNextDialog(std::function<void(QFileDialog&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

// Once the dialog is open: choose the filter, type the name, press Save.
void AnswerNextDialog(const QString& filter, const QString& name)
{
    OnNextDialog([=](QFileDialog& dialog) {
        dialog.selectNameFilter(filter);
        dialog.selectFile(name);
        static_cast<QDialog&>(dialog).accept(); // the Save button
    });
}

// The Import (Open) or Export (Save) dialog of a store file, opening in folder.
FileDialogRequest StoreRequest(FileDialogRequest::Kind kind, const char* filter, const std::string& folder,
                               const std::string& name = "")
{
    return {kind,   kind == FileDialogRequest::Open ? "Import Store" : "Export Store", filter, folder, name,
            "store"};
}

} // namespace

// The export dialog of the shopping list, opening in folder.
FileDialogRequest ListRequest(const std::string& folder)
{
    return {FileDialogRequest::Save,
            "Export Shopping List",
            "Adobe PDF|*.pdf|Text File|*.txt",
            folder,
            "",
            "txt",
            1};
}

// Types the name into the open dialog and presses Save; a question that comes then is
// answered (its text kept in asked), and a dialog still open afterwards is cancelled.
void AnswerWithQuestion(const QString& name, QMessageBox::StandardButton answer, QString& asked,
                        const QString& filter = {})
{
    asked.clear();
    OnNextDialog([=, &asked](QFileDialog& dialog) {
        if (!filter.isEmpty())
            dialog.selectNameFilter(filter);
        dialog.selectFile(name);
        QTimer::singleShot(0, [=, &asked] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = box->text();
                box->button(answer)->click();
            }
        });
        static_cast<QDialog&>(dialog).accept(); // the Save button
        if (dialog.isVisible())
            dialog.reject();
    });
}

TEST(QtFileDialog, TheChosenFilterAndItsExtensionComeBack)
{
    qmtest::TempDir dir;
    QtDialogs dialogs;
    const FileDialogRequest request = ListRequest(dir.path() + "/");
    AnsiString path;
    int filter = 0;

    AnswerNextDialog("Text File (*.txt)", QString::fromStdString(dir.file("list")));
    ASSERT_TRUE(dialogs.fileDialogWithFilter(request, path, filter));
    EXPECT_EQ(filter, 2);
    EXPECT_EQ(path, dir.file("list.txt"));

    AnswerNextDialog("Adobe PDF (*.pdf)", QString::fromStdString(dir.file("list")));
    ASSERT_TRUE(dialogs.fileDialogWithFilter(request, path, filter));
    EXPECT_EQ(filter, 1);
    EXPECT_EQ(path, dir.file("list.pdf"));

    // A name with an extension of its own keeps it.
    AnswerNextDialog("Adobe PDF (*.pdf)", QString::fromStdString(dir.file("list.text")));
    ASSERT_TRUE(dialogs.fileDialogWithFilter(request, path, filter));
    EXPECT_EQ(path, dir.file("list.text"));
}

// The Import picker: its filters read as written once each, and several files come back in
// the order they were chosen.
TEST(QtFileDialog, AnOpenPickerOfSeveralFiles)
{
    qmtest::TempDir dir;
    qmtest::WriteFile(dir.file("b.store"), "[B]\r\n");
    qmtest::WriteFile(dir.file("a.store"), "[A]\r\n");
    FileDialogRequest request = StoreRequest(
        FileDialogRequest::Open, "Quillmart Store (*.store)|*.store|All Files (*.*)|*.*", dir.path() + "/");
    request.multiSelect = true;
    QStringList filters;
    OnNextDialog([&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("\"b.store\" \"a.store\"");
        static_cast<QDialog&>(dialog).accept(); // the Open button
    });
    QtDialogs dialogs;
    std::vector<AnsiString> paths;
    ASSERT_TRUE(dialogs.fileDialogMulti(request, paths));
    EXPECT_EQ(filters.join(" | ").toStdString(), "Quillmart Store (*.store) | All Files (*.*)");
    EXPECT_EQ(paths, (std::vector<AnsiString>{dir.file("b.store"), dir.file("a.store")}));
}

// A name typed without its extension names the file with it: that is the file the question
// is about, before anything is replaced, whatever filter gives the extension.
TEST(QtFileDialog, ANameWithoutItsExtensionIsAskedAboutBeforeItsFileIsReplaced)
{
    qmtest::TempDir dir;
    qmtest::WriteFile(dir.file("backup.store"), "old");
    QtDialogs dialogs;
    const FileDialogRequest request =
        StoreRequest(FileDialogRequest::Save, "Quillmart Store|*.store|All Files|*.*", dir.path() + "/");
    const QString question = "backup.store already exists.\nDo you want to replace it?";
    std::string path;
    int filter = 0;
    QString asked;
    for (const QString typed : {"backup", "backup.store"}) {
        AnswerWithQuestion(QString::fromStdString(dir.file(typed.toStdString())), QMessageBox::No, asked);
        EXPECT_FALSE(dialogs.fileDialogWithFilter(request, path, filter)) << typed.toStdString();
        EXPECT_EQ(asked.toStdString(), question.toStdString()) << typed.toStdString();

        AnswerWithQuestion(QString::fromStdString(dir.file(typed.toStdString())), QMessageBox::Yes, asked);
        ASSERT_TRUE(dialogs.fileDialogWithFilter(request, path, filter)) << typed.toStdString();
        EXPECT_EQ(asked.toStdString(), question.toStdString());
        EXPECT_EQ(path, dir.file("backup.store"));
    }
    // "All Files" gives no extension of its own: the default one is added, and asked about.
    AnswerWithQuestion(QString::fromStdString(dir.file("backup")), QMessageBox::No, asked, "All Files (*.*)");
    EXPECT_FALSE(dialogs.fileDialogWithFilter(request, path, filter));
    EXPECT_EQ(asked.toStdString(), question.toStdString());
    EXPECT_EQ(qmtest::ReadFile(dir.file("backup.store")), "old");

    // The export of the list: the chosen type's file is the one asked about, and only that.
    qmtest::WriteFile(dir.file("list.pdf"), "old");
    const FileDialogRequest list = ListRequest(dir.path() + "/");
    AnswerWithQuestion(QString::fromStdString(dir.file("list")), QMessageBox::No, asked, "Adobe PDF (*.pdf)");
    EXPECT_FALSE(dialogs.fileDialogWithFilter(list, path, filter));
    EXPECT_EQ(asked.toStdString(), "list.pdf already exists.\nDo you want to replace it?");
    AnswerWithQuestion(QString::fromStdString(dir.file("list")), QMessageBox::No, asked, "Text File (*.txt)");
    ASSERT_TRUE(dialogs.fileDialogWithFilter(list, path, filter));
    EXPECT_EQ(asked.toStdString(), "");
    EXPECT_EQ(path, dir.file("list.txt"));
    EXPECT_EQ(filter, 2);
}

// Folders in any script come back as the file system's bytes, and the dialog starts in them.
TEST(QtFileDialog, FoldersOfAnyScriptComeBackAsTheirBytes)
{
    qmtest::TempDir temp;
    const std::string dir = temp.file("\xD0\xB4\xD0\xBE\xD0\xBC \xE5\xAE\xB6 \xF0\x9F\x9B\x92");
    std::filesystem::create_directory(dir);
    qmtest::WriteFile(dir + "/a.store", "[A]\r\n");
    QtDialogs dialogs;
    const FileDialogRequest save =
        StoreRequest(FileDialogRequest::Save, "Quillmart Store|*.store", dir + "/", "x.store");
    QString shown;
    OnNextDialog([&](QFileDialog& dialog) {
        shown = dialog.directory().absolutePath();
        dialog.selectFile(dialog.directory().absoluteFilePath("b"));
        static_cast<QDialog&>(dialog).accept();
    });
    std::string path;
    ASSERT_TRUE(dialogs.fileDialog(save, path));
    EXPECT_EQ(shown.toStdString(), dir);
    EXPECT_EQ(path, dir + "/b.store");

    FileDialogRequest open =
        StoreRequest(FileDialogRequest::Open, "Quillmart Store (*.store)|*.store", dir + "/");
    open.multiSelect = true;
    OnNextDialog([&](QFileDialog& dialog) {
        dialog.selectFile("a.store");
        static_cast<QDialog&>(dialog).accept();
    });
    std::vector<std::string> paths;
    ASSERT_TRUE(dialogs.fileDialogMulti(open, paths));
    EXPECT_EQ(paths, std::vector<std::string>{dir + "/a.store"});

    FileDialogRequest folder;
    folder.kind = FileDialogRequest::Folder;
    folder.initialDir = dir;
    OnNextDialog([&](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(dir));
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_TRUE(dialogs.fileDialog(folder, path));
    EXPECT_EQ(path, dir);
}
