#pragma once
// The one way the program replaces a file's content: every file it writes (store files, copied
// and exported stores, PDF and text exports) goes through AtomicFileWriter.
//
// What it promises:
// - The file named by path holds either its old content or the whole new content, never a
//   part, whatever happens (a crash, a full disk, a killed process, a power failure after
//   Commit returned: the data and the replacing are synced to disk, the folder included).
// - The new content is written to a temporary file in the same folder, named
//   ".~qm<pid>-<n>.tmp" (its length does not grow with the target's name), and put in place of
//   the target. On every failure the temporary file is removed and the target is untouched.
// - The folder is opened once, when the writer is made: the temporary file, the replacing, the
//   removals and the folder's sync all happen in that folder, also when another folder is
//   given its name meanwhile, so that a write leaves nothing behind in either.
// - A writer that makes files (MakeOrReplace: new stores, exports, copies) makes a target that
//   is not there. One that replaces only (ReplaceOnly: a store being changed) never makes a
//   file: the target is replaced only if it is still there at that moment, in one step nothing
//   can come between (the exchange of the two names, where the file system has it), so a file
//   that went away during the write (deleted, renamed, its folder replaced) does not come back.
// - A symbolic link is written through: the file it names (also when that file does not exist
//   yet, for a writer that makes files) receives the content, and the link stays. A store
//   reached through a link the user placed in the storage folder is therefore written where the
//   link points.
// - An existing target keeps its permission bits, and its owner and group as far as this user
//   may set them; a new one gets 0666 less the umask. A chain of links that ends nowhere (a
//   loop) is refused.
// - An existing target that is not a regular file (a folder, a pipe, a device) or that this
//   user may not write is refused before anything is written.
// - Every failure raises EInOutError "Cannot write to the file "<name>": <reason>." naming
//   the file as the caller gave it. A file-size limit (ulimit -f) makes the write fail with
//   "File too large" like a full disk: SIGXFSZ, which would end the process, is ignored from
//   the first writer on unless the program handles it itself.
// - Every write into a folder first removes the temporary files that processes no longer
//   running left there (RemoveStaleTempFiles): a killed write leaves its file only until the
//   next write into that folder. A writer holds a lock on its temporary
//   file from its creation until after the replacing, and a locked file is never removed, so a
//   file being written is safe also from a process that cannot see its writer (another
//   process namespace, another machine sharing the folder).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace qm {

// The folder of a file about to be written, opened once, so that every step of the write
// happens in the folder the write began in.
class WriteFolder {
public:
    // target: the file, links followed (FollowLinks). A folder that cannot be opened raises
    // nothing here: Error tells why.
    explicit WriteFolder(std::string target);
    ~WriteFolder();
    WriteFolder(const WriteFolder&) = delete;
    WriteFolder& operator=(const WriteFolder&) = delete;

    // 0 when the folder is open, else the system's reason why it is not.
    int Error() const { return error_; }
    int Fd() const { return fd_; }
    // The target, the folder's path (FolderOf) and the target's name within the folder.
    const std::string& Target() const { return target_; }
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    // Whether the folder's path still names this folder (not when another folder has taken
    // its name, or nothing has).
    bool StillNamed() const;
    // Syncs the folder, so that the names made and removed in it reach the disk.
    void Sync() const;

private:
    std::string target_, path_, name_;
    int fd_ = -1;
    int error_ = 0;
};

class AtomicFileWriter {
public:
    // What becomes of a target that is not there when the new content is put in place.
    enum class Mode {
        MakeOrReplace, // it is made
        ReplaceOnly,   // nothing is made (a file that must be there: a store being changed)
    };
    // path: UTF-8 file-system path of the target. Checks the target and creates the temporary
    // file; raises EInOutError when either fails.
    explicit AtomicFileWriter(std::string path, Mode mode = Mode::MakeOrReplace);
    // As above, in a folder already open for the target (path with links followed), which
    // must outlive the writer.
    AtomicFileWriter(std::string path, const WriteFolder& folder, Mode mode);
    // Removes the temporary file unless Commit succeeded.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    // Syncs the new content, puts it in place of the target and syncs the folder. Returns the
    // status of the new file; with ReplaceOnly, nullopt when the target is gone by then (not in
    // the folder, or the folder no longer under its name): nothing is made and the temporary
    // file is removed.
    std::optional<struct stat> Commit();

    // The file that receives the content (the target with links followed).
    const std::string& Target() const { return folder_->Target(); }
    // Raises the EInOutError of this writer for the system error err.
    [[noreturn]] void Fail(int err);

private:
    void Open();
    bool ReplaceExisting();

    std::string path_; // as the caller named it (for messages)
    std::optional<WriteFolder> own_;
    const WriteFolder* folder_;
    Mode mode_;
    std::string temp_; // the temporary file's name in the folder
    int fd_ = -1;
    bool committed_ = false;
    bool exists_ = false;
    struct stat old_ {};
};

// Tests: called by every writer with its target (links followed) once the new content is
// written and synced, just before it is put in place; an empty function for none.
void SetTestBeforeReplace(std::function<void(const std::string& target)> hook);

// Replaces the file's content with bytes through an AtomicFileWriter.
struct stat WriteFileAtomically(const std::string& path, std::string_view bytes);

// The temporary-file name pattern above: true for ".~qm<pid>-<n>.tmp", with pid set.
bool IsAtomicTempName(std::string_view fileName, long& pid);
// The name of a store file's lock (IniFile::LockFileFor): ".~qm<16 hex digits>.lock".
bool IsLockFileName(std::string_view fileName);
// The name pattern earlier versions used for a store being rewritten:
// "<store>.store.tmp<pid>-<n>", with pid set.
bool IsOldStoreTempName(std::string_view fileName, long& pid);

// Removes from folder every temporary file of either pattern whose process no longer runs (a
// write that was killed or crashed): files of this process, of a running one, of one this
// user may not signal, and files whose writer holds their lock stay. With unheldLocks, the
// store-file locks that a killed window left and nobody holds go too; only a process that
// holds no store lock itself (at start-up) may ask for that. Returns the number removed; a
// folder that cannot be read gives 0.
int RemoveStaleTempFiles(const std::string& folder, bool unheldLocks = false);

// The file at the end of a chain of symbolic links (which need not exist yet); path itself
// when it is no link. Every writer resolves links this one way.
std::string FollowLinks(const std::string& path);
// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

} // namespace qm
