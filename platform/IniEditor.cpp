// The editor of private-profile files: every change but the one-pass update. Under the file's
// lock the change is applied to a parse of the file as it is now (the cached one when the file
// still holds its text), the whole file is rewritten once, and the new parse goes back to the
// cache with the watches that knew the file moved on to it; a change that fails or is not
// written leaves the file, the parse and the watches as they were, and one of a file that must
// be there and went away meanwhile makes nothing and keeps nothing of it.
#include "platform/IniRewrite.h"

#include <cerrno>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/IniCache.h"
#include "platform/IniWatch.h"

namespace qm {

using namespace ini_detail;

namespace {

class EditorImpl : public IniFile::Editor {
public:
    EditorImpl(Model& m, const std::string& file) : m_(m), view_(m), file_(file) {}
    bool changed = false;

    AnsiString ReadString(const AnsiString& section, const AnsiString& key,
                          const AnsiString& def) const override
    {
        return view_.ReadString(section, key, def);
    }
    std::vector<AnsiString> ReadSections() const override { return view_.ReadSections(); }
    std::vector<AnsiString> ReadSection(const AnsiString& section) const override
    {
        return view_.ReadSection(section);
    }
    // A key already in the file is rewritten where it was found, its names taken as checked.
    void WriteString(const AnsiString& section, const AnsiString& key, std::string_view value) override
    {
        const std::string_view s = Trim(section), k = Trim(key);
        const Model::KeyAt at = m_.Locate(s, k);
        if (at.section < 0) {
            CheckWritable(file_, section, key, value);
            changed |= m_.Write(s, k, value);
            return;
        }
        CheckWritable(file_, section, key, value, s.size() == section.size() && k.size() == key.size());
        changed |= m_.Replace(at, Trim(value));
    }
    void UpdateString(const AnsiString& section, const AnsiString& key,
                      const std::function<bool(std::string_view, AnsiString&)>& change) override
    {
        const std::string_view s = Trim(section), k = Trim(key);
        const Model::KeyAt at = m_.Locate(s, k);
        if (at.section < 0 || !change(m_.Value(m_.LineAt(at)), value_))
            return;
        CheckWritable(file_, section, key, value_, s.size() == section.size() && k.size() == key.size());
        changed |= m_.Replace(at, Trim(value_));
    }
    void DeleteKey(const AnsiString& section, const AnsiString& key) override
    {
        changed |= m_.Delete(section, key);
    }
    void EraseSection(const AnsiString& section) override { changed |= m_.Erase(section); }

private:
    Model& m_;
    const ModelView view_; // the reads, on the parse as the changes so far left it
    const std::string& file_;
    AnsiString value_; // the new value of UpdateString, its buffer kept from call to call
};

using Change = std::function<void(IniFile::Editor&)>;

// One change of a file under its lock: the parse of the file as it is now is taken out of the
// cache while the change works on it (a read made by the change function sees the file as it is
// on disk), and what the change leaves goes back. Under gMutex.
class FileEdit {
public:
    FileEdit(const std::string& fileName, const std::string& target) : fileName_(fileName), target_(target)
    {
        TakeCurrent();
    }

    bool Exists() const { return exists_; }
    // Whether watch knows the file as it is now.
    bool KnownTo(const IniFile::Watch& watch) const
    {
        return IniFile::Watch::WatchList::Knows(watch, fileName_, before_);
    }
    // Puts the parse of the file as it is back into the cache, unchanged.
    void KeepAsItIs() { KeepBack(std::move(model_)); }
    // Applies the change and rewrites the file when it changed anything; false when the file
    // went away before it could be replaced (only with replaceOnly: otherwise it is made).
    bool Apply(const Change& change, const WriteFolder& folder, bool replaceOnly);

private:
    void TakeCurrent();
    void KeepBack(std::unique_ptr<Model> model);
    bool WriteRewrite(const WriteFolder& folder, bool replaceOnly);

    const std::string& fileName_;
    const std::string& target_;
    const long long now_ = FileClockNs();
    struct stat st_ {};
    std::unique_ptr<Model> model_;
    bool exists_ = false;
    uint64_t before_ = 0;            // the number of the parse of the file as it is now
    std::optional<std::string> old_; // the text before the rewrite, until the file is written
};

// The cached parse when the file still holds its text, else a parse of the file read afresh
// (of no text when there is no file); the cache's entry goes either way.
void FileEdit::TakeCurrent()
{
    auto& cache = Cache();
    std::string bytes;
    const auto it = cache.find(fileName_);
    if (it != cache.end() && it->second.model && HoldsExactly(target_, it->second.model->text, st_)) {
        exists_ = true;
        model_ = std::move(it->second.model);
        before_ = it->second.generation;
    } else {
        const int err = ReadWhole(target_, bytes, st_);
        exists_ = err == 0;
        if (err != 0 && err != ENOENT)
            FailRead(fileName_, err);
        if (it != cache.end() && it->second.model && it->second.model->text == bytes) {
            model_ = std::move(it->second.model);
            before_ = it->second.generation;
        }
    }
    if (it != cache.end())
        cache.erase(it);
    if (!model_) {
        model_ = std::make_unique<Model>(std::move(bytes));
        if (exists_)
            before_ = NextGeneration();
    }
}

// The parse of the file as it is goes back to the cache, under its number.
void FileEdit::KeepBack(std::unique_ptr<Model> model)
{
    Entry& e = Cache()[fileName_];
    e.version = VersionOf(st_);
    e.trusted = Settled(now_, e.version.changeNs());
    e.model = std::move(model);
    e.generation = before_;
}

bool FileEdit::Apply(const Change& change, const WriteFolder& folder, bool replaceOnly)
{
    model_->StartChanges();
    EditorImpl editor(*model_, fileName_);
    try {
        change(editor);
        if (!editor.changed) {
            if (exists_)
                KeepAsItIs();
            return true;
        }
        return WriteRewrite(folder, replaceOnly);
    } catch (...) {
        // The file is as it was, and so is what its holders know of it: its parse is kept.
        if (exists_ && model_) {
            try {
                KeepBack(std::make_unique<Model>(
                    model_->Unchanged(old_ ? std::move(*old_) : std::move(model_->text))));
            } catch (...) {
                Cache().erase(fileName_); // read afresh next time
            }
        }
        throw;
    }
}

// The changed parse is written over the file and kept as the file's, and the watches that knew
// the file move on to it. A file that went away meanwhile is not made again by a write that
// only replaces: nothing is kept of it, and its watches stay where they were.
bool FileEdit::WriteRewrite(const WriteFolder& folder, bool replaceOnly)
{
    // Something that replaced the file since it was read is not replaced in turn.
    if (!exists_ && st_.st_mode != 0)
        throw EInOutError(Format("Cannot write to the file \"%s\": it is not a regular file.",
                                 FromFileName(fileName_).c_str()));
    old_ = model_->Rewrite();
    // A file the program could not read back is not written.
    if (model_->text.size() > kMaxIniFileBytes)
        throw EInOutError(Format("Cannot write to the file \"%s\": it would grow past %d MB.",
                                 FromFileName(fileName_).c_str(), int(kMaxIniFileBytes >> 20)));
    AtomicFileWriter writer(fileName_, folder,
                            replaceOnly ? AtomicFileWriter::Mode::ReplaceOnly
                                        : AtomicFileWriter::Mode::MakeOrReplace);
    writer.Write(model_->text);
    const std::optional<struct stat> written = writer.Commit();
    if (!written)
        return false;
    Entry& e = Cache()[fileName_];
    e.version = VersionOf(*written);
    e.trusted = false;
    e.generation = NextGeneration();
    IniFile::Watch::WatchList::Advance(fileName_, before_, e.generation);
    model_->StartChanges();
    e.model = std::move(model_);
    return true;
}

// Edit; with existing, a file that is not there (its folder is) is not made: Missing, also when
// it goes while the change is written (its folder gone, the change fails). With unchangedSince too, only when
// the file is as that watch knows it: Changed otherwise.
IniFile::EditResult EditFile(const std::string& fileName, const Change& change, bool existing = false,
                             const IniFile::Watch* unchangedSince = nullptr)
{
    using Result = IniFile::EditResult;
    const std::string target = FollowLinks(fileName);
    Rewrite rewrite(fileName, target);
    rewrite.Prepare(false);
    // The changes apply to the file as it is now, whatever another window wrote before.
    std::lock_guard guard(gMutex);
    FileEdit edit(fileName, target);
    if (!edit.Exists() && existing)
        return Result::Missing;
    if (unchangedSince && edit.Exists() && !edit.KnownTo(*unchangedSince)) {
        edit.KeepAsItIs(); // changed by someone else: the file stays as it is
        return Result::Changed;
    }
    if (edit.Apply(change, rewrite.Folder(), existing))
        return Result::Done;
    // Gone with its folder: the change fails as a write into a folder that is not there does.
    struct stat st {};
    if (::stat(FolderOf(target).c_str(), &st) != 0)
        Fail(fileName, errno);
    return Result::Missing;
}

} // namespace

void IniFile::WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value)
{
    CheckWritable(fileName_, section, key, value);
    Edit([&](Editor& e) { e.WriteString(section, key, value); });
}

// Removing from a file that is not there changes nothing, and makes no lock file either.
static bool Missing(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
}

void IniFile::DeleteKey(const AnsiString& section, const AnsiString& key)
{
    if (Missing(fileName_))
        return;
    Edit([&](Editor& e) { e.DeleteKey(section, key); });
}

void IniFile::EraseSection(const AnsiString& section)
{
    if (Missing(fileName_))
        return;
    Edit([&](Editor& e) { e.EraseSection(section); });
}

void IniFile::Edit(const std::function<void(Editor&)>& change)
{
    EditFile(fileName_, change);
}

IniFile::EditResult IniFile::EditExisting(const std::function<void(Editor&)>& change)
{
    return EditFile(fileName_, change, true);
}

IniFile::EditResult IniFile::EditIfUnchanged(const Watch& watch, const std::function<void(Editor&)>& change)
{
    return EditFile(fileName_, change, true, &watch);
}

} // namespace qm
