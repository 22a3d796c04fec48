#pragma once
// Private-profile files (the store files): section and key names match without regard to
// case, file order is kept, a new section goes to the end of the file and a new key to the
// end of its section, an existing key is rewritten in place keeping its spelling.
//
// Values and name lists are read whole (no 2,047-character or 16,384-byte cut). A line ends at
// LF, CR LF or a lone CR. A file is parsed once per version (size, modification time, inode)
// and parsed again when another program changes it. A file larger than kMaxIniFileBytes is
// not read (EInOutError naming the file, also when it grows past the limit while being read),
// and no change makes a file grow past it.
//
// Every write rewrites the whole file through an AtomicFileWriter (platform/AtomicFile.h:
// temporary file beside it, synced, put in place, folder synced, links written through) under an
// advisory lock on ".~qm<hash of the file name>.lock" in the file's folder, so a crash never
// leaves a half-written file, two program windows never lose each other's writes, and the
// lock's name fits wherever the file's name fits. The folder is opened once when the rewrite
// begins, and the lock file, the temporary file, the replacing and the removals all happen in
// it, so a rewrite leaves nothing behind when another folder takes its folder's name meanwhile.
// The lock file is removed when the rewrite is
// done, and any user who may write the file can take its lock. A failed write raises EInOutError naming
// the file and the system's reason, and leaves the original as it was; a folder, pipe or
// device under the file's name is refused before any file is made. A name or value that could
// not be read back as written (a line break in it; "=" in a key, a key beginning with ";", or
// with "[" on a line holding "]") is refused with EStoreError before anything is touched.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

// The blanks trimmed around section names, keys and values: the C white-space bytes and the
// DOS end-of-file mark that old editors leave behind.
inline bool IsIniBlank(char c)
{
    // One bit for each: tab, LF, VT, FF, CR (9 to 13), the end-of-file mark (26) and space (32).
    const unsigned u = static_cast<unsigned char>(c);
    return u <= 32 && ((0x104003E00ull >> u) & 1) != 0;
}

// The largest file read or written: sixteen times a store of 254 categories of 254 items.
inline constexpr size_t kMaxIniFileBytes = size_t(64) << 20;

class IniFile {
public:
    // fileName: a UTF-8 file-system path.
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // A missing file, section or key gives the default, and so does a file this user may not
    // read; any other failure to read the file (a read error) raises EInOutError naming it.
    AnsiString ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const;
    bool SectionExists(const AnsiString& section) const;
    bool ValueExists(const AnsiString& section, const AnsiString& key) const;
    // Section names, and the key names of one section, in file order.
    std::vector<AnsiString> ReadSections() const;
    std::vector<AnsiString> ReadSection(const AnsiString& section) const;
    // The key=value pairs of one section, in file order.
    std::vector<std::pair<AnsiString, AnsiString>> ReadSectionValues(const AnsiString& section) const;

    // The file as one look at it found it, for reading only: the readers above on that one
    // parse, and the pairs of a section without copies of them.
    class View {
    public:
        virtual ~View() = default;
        virtual AnsiString ReadString(const AnsiString& section, const AnsiString& key,
                                      const AnsiString& def) const = 0;
        virtual bool SectionExists(const AnsiString& section) const = 0;
        virtual bool ValueExists(const AnsiString& section, const AnsiString& key) const = 0;
        virtual std::vector<AnsiString> ReadSections() const = 0;
        virtual std::vector<AnsiString> ReadSection(const AnsiString& section) const = 0;
        virtual std::vector<std::pair<AnsiString, AnsiString>>
        ReadSectionValues(const AnsiString& section) const = 0;
        // Calls f(key, value) for each pair of the section in file order, as ReadSectionValues
        // gives them; the views are valid as long as the View.
        virtual void
        ForEachValue(const AnsiString& section,
                     const std::function<void(std::string_view key, std::string_view value)>& f) const = 0;
    };
    class Watch;
    // Reads the whole file from one look at it, so that a change made meanwhile by another
    // program is either all in what is read or not in it at all: calls read with the View of
    // the parse that look found, under the lock of the parses kept, and returns true. When the
    // file reads as missing (as for the readers above) read is not called: false. A read error
    // raises EInOutError as the readers do. With watch, the same look starts it (Watch::Start):
    // it knows the file in the version read, or in none. read must neither read nor change
    // this file through another IniFile meanwhile: the View is of the parse kept for it.
    bool Read(const std::function<void(const View&)>& read, Watch* watch = nullptr) const;

    // Creates the file, the section and the key as needed.
    void WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value);
    void DeleteKey(const AnsiString& section, const AnsiString& key);
    void EraseSection(const AnsiString& section);

    // Several changes as one atomic rewrite: under the lock, the file's current content is
    // read afresh, the function applies its changes to it, and the result is written once.
    // (Used where one command changes many keys, e.g. moving every key of a section.)
    class Editor {
    public:
        virtual ~Editor() = default;
        virtual AnsiString ReadString(const AnsiString& section, const AnsiString& key,
                                      const AnsiString& def) const = 0;
        virtual std::vector<AnsiString> ReadSections() const = 0;
        virtual std::vector<AnsiString> ReadSection(const AnsiString& section) const = 0;
        virtual void WriteString(const AnsiString& section, const AnsiString& key,
                                 std::string_view value) = 0;
        // ReadString and then WriteString of the same key with one lookup: when the key is
        // there, change sees its value (valid during the call) and returns true to have the
        // value it put into out written. A missing key is left missing.
        virtual void
        UpdateString(const AnsiString& section, const AnsiString& key,
                     const std::function<bool(std::string_view value, AnsiString& out)>& change) = 0;
        virtual void DeleteKey(const AnsiString& section, const AnsiString& key) = 0;
        virtual void EraseSection(const AnsiString& section) = 0;
    };
    void Edit(const std::function<void(Editor&)>& change);

    // What a change made on terms came to: made (Done); not made because the file is not there
    // while its folder is (Missing: such a change never makes the file); not made because the
    // file is not as a watch knows it (Changed). Nothing is done in the last two.
    enum class EditResult { Done, Missing, Changed };
    // Edit for a file that must be there: one that went away (deleted, renamed, its folder
    // replaced) is not made again, also when it goes while the change is being written: the
    // new content takes the file's place only if the file is still there at that moment, and
    // nothing of the write stays (Missing; the parse kept of the file is dropped and no watch
    // moves on). A folder that is gone fails as Edit does.
    EditResult EditExisting(const std::function<void(Editor&)>& change);

    // What one holder of a file's content in memory (a program window and its open store)
    // knows of the file: the version it last read, or last wrote itself. Every change this
    // program makes to the file through Edit and the writes built on it keeps its watches up to
    // date under the file's lock: a watch that knew the file before the change knows it after;
    // one that did not (another program had changed the file since) still does not. The program
    // holds a file in one place at most (its window's open store), so every watch that knew the
    // file is the holder that made the change. UpdateKeysIfPresent, which writes the files the
    // window does not hold (the coupon carry-over), advances no watch. A version is told apart
    // as the parses are (size, times and inode, and the bytes while those are too recent to
    // tell), so a rewrite with the same bytes is no change.
    class Watch {
    public:
        enum class State { Unchanged, Changed, Missing, Unreadable };
        Watch();
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

        // Watches the file from the version it has now, which the holder reads next (Read with
        // a watch does both in one look). A file that cannot be read now is known in no version.
        void Start(const std::string& fileName);
        // Takes over what other knows; other then knows nothing.
        void TakeFrom(Watch& other);
        // The named file against what the watch knows: Missing when there is no such file in
        // a folder that is there (EditResult::Missing); Unreadable when it otherwise reads as
        // missing (as the readers take it: its folder gone, say) or cannot be read; Unchanged
        // when it is the watched file in the version known; Changed otherwise, also for a file
        // the watch does not watch.
        State Look(const std::string& fileName) const;

        struct WatchList; // every watch of the program, known to the file's writers only

    private:
        std::string fileName_;
        uint64_t version_ = 0; // the parse known; 0 for none
    };
    // EditExisting, made only when the file is as watch knows it.
    EditResult EditIfUnchanged(const Watch& watch, const std::function<void(Editor&)>& change);

    // The sections and keys of many updates, looked up without regard to case and kept for
    // passes over several files. The strings must outlive the list.
    class KeyList {
    public:
        KeyList();
        ~KeyList();
        KeyList(const KeyList&) = delete;
        KeyList& operator=(const KeyList&) = delete;
        void Reserve(size_t n);
        void Add(const AnsiString& section, const AnsiString& key);

        struct Table;                // the lookup table, known to the file's parser only
        const Table& Lookup() const; // made complete at its first use

    private:
        std::unique_ptr<Table> table_;
    };
    // A new value given as the first Keep bytes of the old one followed by Append, so that a
    // change keeping the start of a value neither copies it nor has it looked at again. Append
    // must stay valid until the change is asked again.
    struct Splice {
        size_t Keep = 0;
        std::string_view Append;
    };
    // Edit with UpdateString(section n, key n, change for n) for every n of the list in order,
    // made in one pass over the file's text instead of through a parse of it: change(n, value,
    // out) returns true to have the value of out written. The lines are visited in file order,
    // and the updates of one line in list order, so change must depend on nothing but its
    // arguments. The parse kept for the file is dropped when the file is rewritten.
    //
    // For a file that may be absent: when it reads as missing (no such file, none this user
    // may read, or no regular file) nothing is done, no file and no lock file made, as a read
    // would find nothing to change, and a file that goes while it is being written (its folder
    // too) is left gone, as EditExisting leaves it, without a failure; when its lock cannot be
    // taken, the failure is raised only if the updates would have changed the file.
    //
    // Updates that would change nothing take no lock while no rewrite of the file is under way
    // (its lock file is not there): they are found out from a parse kept of the file that it
    // has not changed since, or else, for a few updates, from the file read, whose parse is then
    // kept when it holds lines of the list, so that the next look at it is a lookup. Otherwise
    // they are decided under the lock, where such a parse spares reading the file when they
    // change nothing.
    void
    UpdateKeysIfPresent(const KeyList& keys,
                        const std::function<bool(size_t n, std::string_view value, Splice& out)>& change);

    // Renames the file (a link itself, not the file it names) to newName, in the same folder,
    // never over another file: a name taken meanwhile stays as it is. A name that differs only
    // in letter case renames the file also on a file system that takes it for the same file.
    // Made under the rewrite locks of the file (with links followed) and of newName, taken in
    // a fixed order so that two renames never wait for each other: a rewrite of either name
    // that is under way ends first, and one that was waiting finds the file gone. Returns 0, or
    // the system's reason why the file was not renamed (EEXIST when newName is taken).
    int RenameTo(const std::string& newName);

    // The lock file of a file with links followed: "<folder>/.~qm<16 hex digits>.lock", the
    // digits a hash of the file's name, so that the lock's name fits wherever the name fits.
    static std::string LockFileFor(const std::string& target);

    // Forgets every parsed file, so the next read of each parses it afresh.
    static void DropCache();

    // For tests only: hook is called with the file's name at the start of every look at a
    // file that a read or a watch makes, so that a test can change the file at that moment.
    // Empty in the program.
    static void SetLookHookForTests(std::function<void(const std::string& fileName)> hook);

private:
    std::string fileName_;
};

} // namespace qm
