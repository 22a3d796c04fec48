// The store-file commands: import, export, rename, new window, and the storage folder.
#include <QComboBox>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Settings.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/IniFile.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/Shell.h"
#include "store/NameRules.h"
#include "store/StoreFolder.h"
#include "store/StoreLoader.h"
#include "util/ExtraWinUtils.h"
#include "util/widgets/FolderBrowser.h"

namespace qm {

namespace {

// Whether two paths name the same file (also through other spellings or links).
bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// Why a chosen file cannot be copied in as a store; empty when it can. It is looked at before
// it is opened: opening a pipe for reading would wait for a writer.
AnsiString ImportProblem(const std::string& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return "it is a folder";
    if (!S_ISREG(st.st_mode))
        return "it is not a regular file";
    // A file the store loader would refuse is not copied in first.
    if (uint64_t(st.st_size) > kMaxIniFileBytes)
        return "it is larger than 64 MB, more than a store file can be";
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    return {};
}

} // namespace

void TFormMain::ConnectFileHandlers()
{
    DialogOpen.multiSelect = true;
    DialogFolder = new TFolderBrowser(this);
    DialogFolder->setObjectName("DialogFolder");
    DialogFolder->BrowseFlags = bfDirsOnly;
    DialogFolder->Title = "Select folder";
}

void TFormMain::MItemFileNewWindowClick()
{
    // The path is handed over as one argument, as it is: no shell reads it.
    const AnsiString name = GetCurrentStoreName();
    std::vector<std::string> args;
    if (!name.empty())
        args.push_back(StoreFolderFile(StoresFolder, name, ".store"));
    Shell().startProcess(ApplicationExeName(), args);
}

void TFormMain::MItemFileImportStoreClick()
{
    std::vector<std::string> files;
    DialogOpen.initialDir = StoresFolder;
    if (!PromptForFiles(DialogOpen, files))
        return;
    const AnsiString open = GetCurrentStoreName();
    int32_t imported = 0;
    bool replacedOpen = false;
    AnsiString failure;
    for (const std::string& file : files) {
        // The store's name is the file's name read as program text; the file name it gets in
        // the storage folder is that name's (the same bytes whenever the name can be a store's).
        const QString typed = PathToQString(ExtractFileNameNoExt(file));
        const AnsiString name = FromQString(typed);
        const AnsiString shown = FromFileName(file);
        std::string target = StoreFolderFile(StoresFolder, name, ".store");
        if (SameFile(file, target)) {
            MessageDlg("This file already exists.", mtInformation, mbOK, 0);
            continue;
        }
        // The store's name comes from the file's name: it must be one the folder can hold, and
        // it must keep the copy inside the storage folder.
        if (name.empty()) {
            MessageDlg("The file \"" + shown + "\" cannot be imported: its name gives no store name.",
                       mtError, mbOK, 0);
            continue;
        }
        if (const AnsiString problem = NameProblem(NameKind::Store, typed); !problem.empty()) {
            MessageDlg("The file \"" + shown + "\" cannot be imported. " + problem, mtError, mbOK, 0);
            continue;
        }
        if (const AnsiString problem = ImportProblem(file); !problem.empty()) {
            MessageDlg("The file \"" + shown + "\" cannot be imported: " + problem + ".", mtError, mbOK, 0);
            continue;
        }
        // A store whose name differs only in letter case is the same store to the picker: it is
        // the one replaced, under its own spelling.
        const AnsiString existing = ExistingStoreName(StoresFolder, name);
        if (!existing.empty()) {
            if (MessageDlg("Do you want to overwrite the store \"" + existing + "\"?", mtConfirmation,
                           mbYes | mbNo, 0) != mrYes)
                continue;
            target = StoreFolderFile(StoresFolder, existing, ".store");
        }
        const bool intoOpen = !open.empty() && (existing.empty() ? name : existing) == open;
        // A copy that fails ends the import; what was copied before it stays, and is listed.
        try {
            CopyFileByStream(file, target);
        } catch (const Exception& e) {
            failure = e.what();
            break;
        }
        ++imported;
        replacedOpen = replacedOpen || intoOpen;
    }

    FillStoreList();
    int keep = -1;
    for (int i = 0; i < ComboStores->count() && keep < 0; ++i)
        if (FromQString(ComboStores->itemText(i)) == open)
            keep = i;
    ComboStores->setCurrentIndex(keep);
    // The open store's file was replaced: what the window shows, and what its next change
    // would write back item by item, is the imported store from now on, not a mix of both.
    if (replacedOpen && keep >= 0)
        ReloadStore(open);
    if (!failure.empty())
        MessageDlg(failure, mtError, mbOK, 0);
    MessageDlg(std::to_string(imported) + " files imported.", mtInformation, mbOK, 0);
}

void TFormMain::MItemFileSaveStoreAsClick()
{
    const AnsiString name = GetCurrentStoreName();
    if (name.empty())
        return;
    DialogSaveStore.initialDir = StoresFolder;
    DialogSaveStore.fileName = ToFileName(name) + ".store";
    std::string path;
    if (!PromptForFile(DialogSaveStore, path))
        return;
    CopyFileByStream(StoreFolderFile(StoresFolder, name, ".store"), path);
}

void TFormMain::MItemFileRenameStoreClick()
{
    const AnsiString old = GetCurrentStoreName();
    if (old.empty())
        return;
    QString typed = ToQString(old);
    if (!InputQuery("Rename Store", "New Name:", typed) || typed == ToQString(old))
        return;
    if (!AcceptName(NameKind::Store, typed))
        return;
    const AnsiString name = FromQString(typed);
    // Onto another store (letter case aside, as the picker tells stores apart) nothing happens,
    // and the person is told why, as the wizard tells; a new spelling of this store's own name
    // renames it.
    const AnsiString existing = ExistingStoreName(StoresFolder, name);
    if (!existing.empty() && !(existing == old && SameName(name, old))) {
        MessageBoxQ("That store already exists", mbOK, mtError);
        return;
    }
    // A refused rename raises before anything here changes, so the file, the open store, the
    // picker and the caption keep agreeing on the old name.
    RenameStoreFile(StoresFolder, old, name);

    Store.Name = name;
    std::vector<AnsiString> entries;
    for (int i = 0; i < ComboStores->count(); ++i)
        entries.push_back(i == ComboStores->currentIndex() ? name : FromQString(ComboStores->itemText(i)));
    std::stable_sort(entries.begin(), entries.end(), StorePickerLess);
    QStringList items;
    int selected = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        items << ToQString(entries[i]);
        if (selected < 0 && entries[i] == name)
            selected = int(i);
    }
    ComboStores->clear();
    ComboStores->addItems(items);
    ComboStores->setCurrentIndex(selected);

    const AnsiString title = name + " - " + kAppTitle;
    setWindowTitle(ToQString(title));
    SetApplicationTitle(title);
}

void TFormMain::MItemFileExploreClick()
{
    if (DirectoryExists(StoresFolder)) {
        Shell().openFolder(StoresFolder);
        return;
    }
    if (MessageDlg("It appears the store folder doesn't exist.  Would you like to place the store folder in "
                   "another location?",
                   mtError, mbYes | mbNo, 0) != mrYes)
        return;
    DialogFolder->SetFolder(StoresFolder);
    if (!DialogFolder->Execute())
        return;
    std::string folder = DialogFolder->Folder();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    // The new folder is used from the next start. Until then the window keeps to the folder
    // its store and picker came from: in the new one, the open store's next change would make
    // a store file holding only that change.
    WriteSetting(kStorageDir, folder);
    MessageDlg("Store folder changed.  Please restart the program.", mtInformation, mbOK, 0);
}

} // namespace qm
