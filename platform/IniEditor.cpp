// The editor of private-profile files: every change but the one-pass update. Under the file's
// lock the change is applied to a parse of the file as it is now (the cached one when the file
// still holds its text), the whole file is rewritten once, and the new parse goes back to the
// cache with the watches that knew the file moved on to it; a change that fails or is not
// written leaves the file, the parse and the watches as they were.
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
    EditorImpl(Model& m, const std::string& file) : m_(m), file_(file) {}
    bool changed = false;

    AnsiString ReadString(const AnsiString& section, const AnsiString& key,
                          const AnsiString& def) const override
    {
        const Line* l = m_.FindKey(Trim(section), Trim(key));
        return l ? AnsiString(m_.Value(*l)) : def;
    }
    std::vector<AnsiString> ReadSections() const override { return m_.SectionNames(); }
    std::vector<AnsiString> ReadSection(const AnsiString& section) const override
    {
        std::vector<AnsiString> out;
        m_.ForEachKey(Trim(section), [&](const Line& l) { out.emplace_back(m_.Name(l)); });
        return out;
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
    const std::string& file_;
    AnsiString value_; // the new value of UpdateString, its buffer kept from call to call
};

// Edit; with existing, a file that is not there (its folder is) is not made: Missing. With
// unchangedSince too, only when the file is as that watch knows it: Changed otherwise.
IniFile::EditResult EditFile(const std::string& fileName_,
                             const std::function<void(IniFile::Editor&)>& change, bool existing = false,
                             const IniFile::Watch* unchangedSince = nullptr)
{
    using Result = IniFile::EditResult;
    const std::string target = FollowLinks(fileName_);
    std::optional<RewriteLock> lock;
    PrepareRewrite(fileName_, target, false, lock, {});
    const EditingMark mark(target);

    // The changes apply to the file as it is now, whatever another window wrote before.
    const long long now = FileClockNs();
    std::lock_guard guard(gMutex);
    auto& cache = Cache();
    struct stat st {};
    // The parse leaves the cache while it is changed: a read made by the change function sees
    // the file as it is on disk. A change that is not written puts it back as it was.
    std::unique_ptr<Model> model;
    std::string bytes;
    bool exists = false;
    uint64_t before = 0; // the number of the parse of the file as it is now
    const auto it = cache.find(fileName_);
    if (it != cache.end() && it->second.model && HoldsExactly(target, it->second.model->text, st)) {
        exists = true;
        model = std::move(it->second.model);
        before = it->second.generation;
    } else {
        const int err = ReadWhole(target, bytes, st);
        exists = err == 0;
        if (err != 0 && err != ENOENT)
            FailRead(fileName_, err);
        if (it != cache.end() && it->second.model && it->second.model->text == bytes) {
            model = std::move(it->second.model);
            before = it->second.generation;
        }
    }
    if (it != cache.end())
        cache.erase(it);
    if (!exists && existing)
        return Result::Missing;
    if (!model) {
        model = std::make_unique<Model>(std::move(bytes));
        if (exists)
            before = NextGeneration();
    }

    // The parse of the file as it is goes back to the cache, under its number.
    const auto keep = [&](std::unique_ptr<Model> m) {
        Entry& e = cache[fileName_];
        e.version = VersionOf(st);
        e.trusted = Settled(now, e.version.changeNs());
        e.model = std::move(m);
        e.generation = before;
    };
    if (unchangedSince && exists && !IniFile::Watch::WatchList::Knows(*unchangedSince, fileName_, before)) {
        keep(std::move(model)); // changed by someone else: the file stays as it is
        return Result::Changed;
    }
    model->StartChanges();
    EditorImpl editor(*model, fileName_);
    std::optional<std::string> old; // the text before the rewrite, until the file is written
    try {
        change(editor);
        if (!editor.changed) {
            if (exists)
                keep(std::move(model));
            return Result::Done;
        }
        // Something that replaced the file since the check above is not replaced in turn.
        if (!exists && st.st_mode != 0)
            throw EInOutError(Format("Cannot write to the file \"%s\": it is not a regular file.",
                                     FromFileName(fileName_).c_str()));
        old = model->Rewrite();
        // A file the program could not read back is not written.
        if (model->text.size() > kMaxIniFileBytes)
            throw EInOutError(Format("Cannot write to the file \"%s\": it would grow past %d MB.",
                                     FromFileName(fileName_).c_str(), int(kMaxIniFileBytes >> 20)));
        const Version written = VersionOf(WriteFileAtomically(fileName_, model->text));
        Entry& e = cache[fileName_];
        e.version = written;
        e.trusted = false;
        e.generation = NextGeneration();
        IniFile::Watch::WatchList::Advance(fileName_, before, e.generation);
        model->StartChanges();
        e.model = std::move(model);
    } catch (...) {
        // The file is as it was, and so is what its holders know of it: its parse is kept.
        if (exists && model) {
            try {
                keep(std::make_unique<Model>(
                    model->Unchanged(old ? std::move(*old) : std::move(model->text))));
            } catch (...) {
                cache.erase(fileName_); // read afresh next time
            }
        }
        throw;
    }
    return Result::Done;
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
