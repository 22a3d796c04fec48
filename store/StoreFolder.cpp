#include "store/StoreFolder.h"

#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "platform/Exception.h"
#include "platform/IniFile.h"

namespace qm {

AnsiString ExistingStoreName(const std::string& storesFolder, const AnsiString& name)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != AnsiString::npos ||
        name.find('\0') != AnsiString::npos)
        return {};
    std::string folder = storesFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const std::string wanted = ToFileName(name) + ".store";
    struct stat st {};
    if (::lstat((folder + wanted).c_str(), &st) == 0)
        return name;

    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    AnsiString found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string file = entry->d_name;
        if (file.size() == wanted.size() && SameName(file, wanted)) {
            found = FromFileName(file.substr(0, file.size() - 6));
            break;
        }
    }
    ::closedir(dir);
    return found;
}

void RenameStoreFile(const std::string& storesFolder, const AnsiString& oldName, const AnsiString& newName)
{
    StoreContext ctx;
    ctx.StoresFolder = storesFolder;
    const std::string from = StoreFilePath(ctx, oldName); // both names checked
    const std::string to = StoreFilePath(ctx, newName);
    if (oldName.empty() || newName.empty())
        throw EStoreError("A store name must not be empty.");
    // Under the rewrite locks of both names: no other window's write of the store is under way
    // meanwhile, and one that waited for the store's lock finds its file gone.
    if (const int err = IniFile(from).RenameTo(to))
        throw EInOutError(Format("The store \"%s\" cannot be renamed to \"%s\": %s.", oldName.c_str(),
                                 newName.c_str(), std::strerror(err)));
}

bool CreateStoreFile(const StoreContext& ctx, const AnsiString& store, const StoreBatch& batch)
{
    if (store.empty())
        throw EStoreError("No store is named for this change: a store name must not be empty.");
    for (const auto& step : batch.Steps()) {
        // A new store's file is made of sections and values; nothing is there to take away.
        if (step.op != StoreBatch::Op::Write && step.op != StoreBatch::Op::AddSection)
            throw EInvalidOperation("A new store's file is made only of added sections and written values.");
        CheckStoreSectionName(step.Section);
    }
    IniFile file(StoreFilePath(ctx, store)); // checks the store name
    bool existed = false;
    file.Edit([&](IniFile::Editor& e) {
        // Decided under the file's lock: another window that made the store meanwhile has
        // finished writing it by now.
        existed = !ExistingStoreName(ctx.StoresFolder, store).empty();
        if (existed)
            return;
        for (const auto& step : batch.Steps()) {
            if (step.op == StoreBatch::Op::Write)
                e.WriteString(step.Section, step.Key, step.Value);
            else // AddSection, the only other step allowed above
                EnsureStoreSection(e, step.Section);
        }
    });
    return !existed;
}

} // namespace qm
