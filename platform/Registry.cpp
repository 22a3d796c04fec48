#include "platform/Registry.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>
#include <unordered_map>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

// Stored type codes; the numbers of the platform registry types.
enum : int { kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4 };

constexpr sqlite3_int64 kRootIds[] = {1, 2};
constexpr int kBusyTimeoutMs = 5000;
constexpr int kSchemaVersion = 1;

int TypeCode(TRegDataType t)
{
    switch (t) {
    case rdString:
        return kSz;
    case rdExpandString:
        return kExpandSz;
    case rdInteger:
        return kDword;
    case rdBinary:
        return kBinary;
    default:
        return 0;
    }
}

TRegDataType DataType(int code)
{
    switch (code) {
    case kSz:
        return rdString;
    case kExpandSz:
        return rdExpandString;
    case kDword:
        return rdInteger;
    case kBinary:
        return rdBinary;
    default:
        return rdUnknown;
    }
}

// Names compare as the platform registry compares them: letters of either case are equal,
// including the accented letters of Windows-1252.
std::string Fold(std::string_view name)
{
    std::string out(name);
    for (char& ch : out) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            ch = char(c - 0x20);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            ch = char(c - 0x10); // s, oe, z with caron/ligature
        else if (c == 0xFF)
            ch = char(0x9F); // y with diaeresis
    }
    return out;
}

// Internal failures; the public calls turn them into ERegistryException with their message.
struct SqlFailure {
    int code;
    std::string message;
};
struct DamagedDatabase {};

std::string Timestamp()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

class Database {
public:
    static Database& Instance()
    {
        static Database db;
        return db;
    }

    // The last connection to close folds the journal back into the file.
    ~Database() { Close(); }

    // Recursive: a TRegistryTransaction holds it for its whole life, around the calls it groups.
    std::recursive_mutex mutex;
    // The TRegistryTransaction objects open on the connection, and the failure message of the
    // last write made inside them (their Commit raises it when the writes cannot be kept).
    int openTransactions = 0;
    std::string lastWriteFailure;

    // Opens the file when no connection is open; falls back to a fresh or in-memory database.
    void EnsureOpen();
    // Called on a damaged database met in the middle of work: moves it aside and reopens.
    void RecoverDamaged();
    // Closes the connection; Reset also forgets that the user was told about this file.
    void Close();
    void Reset()
    {
        Close();
        told_ = false;
        message_.clear();
    }
    sqlite3* Handle() const { return db_; }
    // A message for the user, taken once it is ready to be shown (outside the lock).
    std::string TakeMessage() { return std::exchange(message_, {}); }

    sqlite3_stmt* Prepare(const char* sql);
    void Exec(const char* sql);
    void Check(int rc);

private:
    enum class OpenResult { Ok, Damaged, Unreadable, ReadOnly, Unavailable, Busy };
    OpenResult TryOpen(const std::string& path, std::string& reason);
    OpenResult TryOpenOnce(const std::string& path, std::string& reason);
    void Setup();
    void OpenInMemory();
    bool CopyIntoMemory(const std::string& path);
    std::string MoveAside(const std::string& path);
    void Tell(std::string message);

    sqlite3* db_ = nullptr;
    std::string path_;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
    std::string message_;
    bool told_ = false;
    bool inMemory_ = false; // the file is left alone: the settings live in memory
};

void Database::Check(int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    const int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        throw DamagedDatabase{};
    throw SqlFailure{rc, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)};
}

sqlite3_stmt* Database::Prepare(const char* sql)
{
    auto it = statements_.find(sql);
    if (it != statements_.end())
        return it->second;
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr));
    statements_.emplace(sql, st);
    return st;
}

void Database::Exec(const char* sql)
{
    Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

void Database::Close()
{
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    statements_.clear();
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
    inMemory_ = false;
    openTransactions = 0;
}

// The tables: keys form a tree under the two root rows; values hang off their key. Names are
// stored as given and, for lookups, folded to one case.
const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name BLOB NOT NULL,
  fold BLOB NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL,
  name BLOB NOT NULL,
  fold BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold)) WITHOUT ROWID;
INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES
  (1, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
  (2, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT');
)";

void Database::Setup()
{
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");

    // A damaged page anywhere shows here rather than in the middle of a later write.
    sqlite3_stmt* check = nullptr;
    Check(sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr));
    int rc = sqlite3_step(check);
    const unsigned char* text = rc == SQLITE_ROW ? sqlite3_column_text(check, 0) : nullptr;
    const bool ok = text && std::strcmp(reinterpret_cast<const char*>(text), "ok") == 0;
    sqlite3_finalize(check);
    if (rc != SQLITE_ROW)
        Check(rc);
    if (!ok)
        throw DamagedDatabase{};

    Exec("BEGIN IMMEDIATE");
    try {
        Exec(kSchema);
        Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    // A database of some other layout under our name fails here.
    for (const char* sql : {"SELECT id FROM keys WHERE parent=?1 AND fold=?2",
                            "SELECT type, data FROM vals WHERE key=?1 AND fold=?2"}) {
        sqlite3_stmt* st = nullptr;
        const int prc = sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
        sqlite3_finalize(st);
        if (prc != SQLITE_OK)
            throw DamagedDatabase{};
    }
}

// Switching a new file to WAL mode and the first schema write need locks that another
// process starting at the same moment may hold; the library does not always wait for those
// itself, so the whole open is tried again until the time-out.
Database::OpenResult Database::TryOpen(const std::string& path, std::string& reason)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        const OpenResult result = TryOpenOnce(path, reason);
        if (result != OpenResult::Busy)
            return result;
        if (std::chrono::steady_clock::now() >= deadline)
            return OpenResult::Unavailable;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

Database::OpenResult Database::TryOpenOnce(const std::string& path, std::string& reason)
{
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty())
        fs::create_directories(parent, ec);

    const bool existed = fs::exists(path, ec);
    // A file this user may not open is not damaged: it stays where it is, untouched.
    if (existed) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno != ENOENT && errno != EISDIR) {
            reason = std::strerror(errno);
            return OpenResult::Unreadable;
        }
        if (fd >= 0)
            ::close(fd);
        // Nor is a file this user may read but not write.
        if (fd >= 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 &&
            (errno == EACCES || errno == EPERM || errno == EROFS)) {
            reason = std::strerror(errno);
            return OpenResult::ReadOnly;
        }
    }
    // A file that is not a database at all goes aside before the database library touches
    // it, since that library may remove a journal it finds beside such a file.
    if (existed && fs::is_regular_file(path, ec) && fs::file_size(path, ec) > 0) {
        char header[16] = {};
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            const size_t n = std::fread(header, 1, sizeof header, f);
            std::fclose(f);
            if (n < sizeof header || std::memcmp(header, "SQLite format 3", 16) != 0) {
                reason = "the file is not a settings database";
                return OpenResult::Damaged;
            }
        }
    }
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    try {
        if (rc != SQLITE_OK)
            Check(rc);
        Setup();
        return OpenResult::Ok;
    } catch (const DamagedDatabase&) {
        reason = "the file is damaged";
    } catch (const SqlFailure& f) {
        reason = f.message;
        const int primary = f.code & 0xff;
        // A database that another process holds past the time-out is not damaged.
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
            Close();
            return OpenResult::Busy;
        }
        // A file in a folder or on a disk this user may not write is not damaged.
        if (primary == SQLITE_READONLY) {
            Close();
            return OpenResult::ReadOnly;
        }
    }
    Close();
    return existed && fs::exists(path, ec) ? OpenResult::Damaged : OpenResult::Unavailable;
}

void Database::OpenInMemory()
{
    Close();
    inMemory_ = true;
    if (sqlite3_open(":memory:", &db_) != SQLITE_OK)
        throw SqlFailure{SQLITE_NOMEM, "out of memory"};
    sqlite3_extended_result_codes(db_, 1);
    Exec(kSchema);
}

// A path as the path part of a file: URI.
std::string Percent(const std::string& path)
{
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// A copy in memory of the settings of a file this user may only read; false, with empty
// settings in memory, when the file cannot be copied or holds no settings database.
bool Database::CopyIntoMemory(const std::string& path)
{
    OpenInMemory();
    // In a folder this user may not write, the database library cannot make the files it
    // shares with other readers; the file is then read as one nobody changes meanwhile.
    bool copied = false;
    for (const bool shared : {true, false}) {
        sqlite3* file = nullptr;
        const std::string name = shared ? path : "file:" + Percent(path) + "?immutable=1";
        if (sqlite3_open_v2(name.c_str(), &file, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) ==
            SQLITE_OK) {
            sqlite3_backup* backup = sqlite3_backup_init(db_, "main", file, "main");
            copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            sqlite3_backup_finish(backup);
        }
        sqlite3_close_v2(file);
        if (copied)
            break;
    }
    try {
        if (copied) {
            Setup();
            return true;
        }
    } catch (...) {
    }
    OpenInMemory();
    return false;
}

// Renames the file and its journal files to "<file>.damaged-<date>-<time>[-n]"; returns the
// new name, or empty when the file could not be renamed.
std::string Database::MoveAside(const std::string& path)
{
    std::string aside = path + ".damaged-" + Timestamp();
    std::error_code ec;
    for (int n = 2; fs::exists(aside, ec) || fs::exists(aside + "-wal", ec); ++n)
        aside = path + ".damaged-" + Timestamp() + "-" + std::to_string(n);
    if (std::rename(path.c_str(), aside.c_str()) != 0)
        return {};
    // A journal left beside a new database would be replayed into it.
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (fs::exists(path + suffix, ec))
            std::rename((path + suffix).c_str(), (aside + suffix).c_str());
    return aside;
}

void Database::Tell(std::string message)
{
    if (told_)
        return;
    told_ = true;
    std::fprintf(stderr, "quillmart: %s\n", message.c_str());
    message_ = std::move(message);
}

void Database::EnsureOpen()
{
    if (db_)
        return;
    path_ = RegistryFilePath();
    const AnsiString shown = FromFileName(path_);
    std::string reason;
    const OpenResult result = TryOpen(path_, reason);
    if (result == OpenResult::Ok)
        return;
    if (result == OpenResult::ReadOnly) {
        const bool copied = CopyIntoMemory(path_);
        Tell(
            Format("The settings file \"%s\" cannot be written: %s. Quillmart leaves it as it is and goes on "
                   "with %s; changes to them will not be kept.",
                   shown.c_str(), reason.c_str(), copied ? "the settings it holds" : "default settings"));
        return;
    }
    if (result == OpenResult::Unreadable) {
        OpenInMemory();
        Tell(Format("The settings file \"%s\" cannot be read: %s. Quillmart leaves it as it is and goes on "
                    "with default settings; changes to them will not be kept.",
                    shown.c_str(), reason.c_str()));
        return;
    }
    if (result == OpenResult::Damaged) {
        const std::string aside = MoveAside(path_);
        std::string again;
        if (!aside.empty() && TryOpen(path_, again) == OpenResult::Ok) {
            Tell(Format("The settings file \"%s\" could not be read (%s). It has been renamed to \"%s\", "
                        "and Quillmart goes on with default settings.",
                        shown.c_str(), reason.c_str(), FromFileName(aside).c_str()));
            return;
        }
        if (!aside.empty())
            reason += Format("; it has been renamed to \"%s\"", FromFileName(aside).c_str());
    }
    OpenInMemory();
    Tell(Format("The settings file \"%s\" could not be opened (%s). Quillmart goes on with default "
                "settings, and changes to them will not be kept.",
                shown.c_str(), reason.c_str()));
}

void Database::RecoverDamaged()
{
    // Settings kept in memory beside a file that is left alone never touch the file.
    if (inMemory_) {
        OpenInMemory();
        return;
    }
    Close();
    const std::string aside = MoveAside(path_);
    std::string reason;
    if (!aside.empty() && TryOpen(path_, reason) == OpenResult::Ok) {
        Tell(Format("The settings file \"%s\" is damaged. It has been renamed to \"%s\", and Quillmart "
                    "goes on with default settings.",
                    FromFileName(path_).c_str(), FromFileName(aside).c_str()));
        return;
    }
    OpenInMemory();
    Tell(Format("The settings file \"%s\" is damaged. Quillmart goes on with default settings, and "
                "changes to them will not be kept.",
                FromFileName(path_).c_str()));
}

// One statement use: binds, steps, and resets the cached statement when done.
class Stmt {
public:
    Stmt(Database& db, const char* sql) : db_(db), st_(db.Prepare(sql)) {}
    ~Stmt()
    {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    Stmt& Bind(int i, sqlite3_int64 v)
    {
        db_.Check(sqlite3_bind_int64(st_, i, v));
        return *this;
    }
    Stmt& Bind(int i, std::string_view bytes)
    {
        db_.Check(sqlite3_bind_blob64(st_, i, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
        return *this;
    }
    bool Step()
    {
        const int rc = sqlite3_step(st_);
        db_.Check(rc);
        return rc == SQLITE_ROW;
    }
    sqlite3_int64 Int(int col) { return sqlite3_column_int64(st_, col); }
    std::string Blob(int col)
    {
        const void* p = sqlite3_column_blob(st_, col);
        const int n = sqlite3_column_bytes(st_, col);
        return p ? std::string(static_cast<const char*>(p), size_t(n)) : std::string();
    }

private:
    Database& db_;
    sqlite3_stmt* st_;
};

// A transaction that rolls back unless committed. Writers take the write lock at the start,
// so two processes never both read and then both try to write. Inside a transaction already
// open (a TRegistryTransaction's) it is a savepoint of that one.
class Transaction {
public:
    Transaction(Database& db, bool write) : db_(db), nested_(!sqlite3_get_autocommit(db.Handle()))
    {
        db_.Exec(nested_ ? "SAVEPOINT reg" : write ? "BEGIN IMMEDIATE" : "BEGIN");
    }
    ~Transaction()
    {
        if (!done_)
            sqlite3_exec(db_.Handle(), nested_ ? "ROLLBACK TO reg; RELEASE reg" : "ROLLBACK", nullptr,
                         nullptr, nullptr);
    }
    void Commit()
    {
        db_.Exec(nested_ ? "RELEASE reg" : "COMMIT");
        done_ = true;
    }

private:
    Database& db_;
    bool nested_;
    bool done_ = false;
};

// Runs one registry operation under the lock, reopening once after finding the database
// damaged; the user's box, if any, is shown after the lock is released.
template <class F> auto Run(F&& op) -> decltype(op(std::declval<Database&>()))
{
    Database& db = Database::Instance();
    struct ShowAfterUnlock {
        std::string message;
        ~ShowAfterUnlock()
        {
            if (!message.empty()) {
                try {
                    MessageDlg(message, mtError, mbOK, 0);
                } catch (...) {
                }
            }
        }
    } show;
    std::lock_guard lock(db.mutex);
    struct Take {
        Database& db;
        std::string& into;
        ~Take() { into = db.TakeMessage(); }
    } take{db, show.message};
    for (int attempt = 0;; ++attempt) {
        try {
            db.EnsureOpen();
            // A failure that ended an open TRegistryTransaction's transaction ends the rest of
            // its calls too: they would otherwise be written one by one.
            if (db.openTransactions > 0 && sqlite3_get_autocommit(db.Handle()))
                throw SqlFailure{SQLITE_ABORT, "the settings transaction was ended by a failure"};
            return op(db);
        } catch (const DamagedDatabase&) {
            // A new connection would lose an open TRegistryTransaction: that one fails instead.
            if (attempt > 0 || db.openTransactions > 0)
                throw SqlFailure{SQLITE_CORRUPT, "the settings file is damaged"};
            db.RecoverDamaged();
        }
    }
}

sqlite3_int64 RootId(RegRoot root)
{
    return kRootIds[root == RegRoot::ClassesRoot ? 1 : 0];
}

std::optional<sqlite3_int64> FindKey(Database& db, RegRoot root, const std::vector<AnsiString>& path)
{
    sqlite3_int64 id = RootId(root);
    for (const auto& name : path) {
        Stmt st(db, "SELECT id FROM keys WHERE parent=?1 AND fold=?2");
        st.Bind(1, id).Bind(2, Fold(name));
        if (!st.Step())
            return std::nullopt;
        id = st.Int(0);
    }
    return id;
}

// Inside a write transaction: the key's id, creating it and its missing parents.
sqlite3_int64 CreateKey(Database& db, RegRoot root, const std::vector<AnsiString>& path)
{
    sqlite3_int64 id = RootId(root);
    for (const auto& name : path) {
        const std::string fold = Fold(name);
        Stmt find(db, "SELECT id FROM keys WHERE parent=?1 AND fold=?2");
        find.Bind(1, id).Bind(2, fold);
        if (find.Step()) {
            id = find.Int(0);
            continue;
        }
        Stmt insert(db, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
        insert.Bind(1, id).Bind(2, name).Bind(3, fold);
        insert.Step();
        id = sqlite3_last_insert_rowid(db.Handle());
    }
    return id;
}

std::vector<AnsiString> SplitPath(const AnsiString& key)
{
    std::vector<AnsiString> out;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == AnsiString::npos)
            end = key.size();
        if (end > start)
            out.push_back(key.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

AnsiString JoinPath(const std::vector<AnsiString>& path)
{
    AnsiString out;
    for (const auto& name : path)
        out += (out.empty() ? "" : "\\") + name;
    return out;
}

[[noreturn]] void RaiseInvalidType(const AnsiString& name)
{
    throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
}

[[noreturn]] void RaiseGetFailed(const AnsiString& name)
{
    throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
}

[[noreturn]] void RaiseSetFailed(const AnsiString& name)
{
    throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

// The names that sql (with the key's id as ?1) lists under the key at path; none when the
// key is missing.
std::vector<AnsiString> ListNames(RegRoot root, const std::vector<AnsiString>& path, const char* sql,
                                  const AnsiString& shownPath)
{
    try {
        return Run([&](Database& db) {
            std::vector<AnsiString> names;
            Transaction tx(db, false);
            if (const auto id = FindKey(db, root, path)) {
                Stmt st(db, sql);
                st.Bind(1, *id);
                while (st.Step())
                    names.push_back(st.Blob(0));
            }
            tx.Commit();
            return names;
        });
    } catch (const SqlFailure& f) {
        throw ERegistryException(Format("Failed to open key '%s': %s", shownPath.c_str(), f.message.c_str()));
    }
}

} // namespace

struct TRegistryTransaction::State {
    std::unique_lock<std::recursive_mutex> lock;
    bool nested = false;
    bool done = false;
};

TRegistryTransaction::TRegistryTransaction(TMode mode) : state_(std::make_unique<State>())
{
    Database& db = Database::Instance();
    try {
        // Opening the file may tell the user about it; that box comes before the lock is taken.
        Run([](Database&) { return 0; });
        state_->lock = std::unique_lock(db.mutex);
        Run([&](Database& d) {
            state_->nested = !sqlite3_get_autocommit(d.Handle());
            if (!state_->nested)
                d.lastWriteFailure.clear();
            d.Exec(state_->nested ? "SAVEPOINT reg" : mode == ForWriting ? "BEGIN IMMEDIATE" : "BEGIN");
            ++d.openTransactions;
            return 0;
        });
    } catch (const SqlFailure& f) {
        throw ERegistryException(Format("The settings cannot be used: %s", f.message.c_str()));
    }
}

TRegistryTransaction::~TRegistryTransaction()
{
    Database& db = Database::Instance();
    if (!state_->lock.owns_lock() || !db.Handle())
        return;
    if (!state_->done)
        sqlite3_exec(db.Handle(), state_->nested ? "ROLLBACK TO reg; RELEASE reg" : "ROLLBACK", nullptr,
                     nullptr, nullptr);
    if (db.openTransactions > 0)
        --db.openTransactions;
}

void TRegistryTransaction::Commit()
{
    if (state_->done)
        return;
    Database& db = Database::Instance();
    try {
        Run([&](Database& d) {
            d.Exec(state_->nested ? "RELEASE reg" : "COMMIT");
            return 0;
        });
    } catch (const SqlFailure& f) {
        throw ERegistryException(db.lastWriteFailure.empty()
                                     ? Format("Failed to save the settings: %s", f.message.c_str())
                                     : db.lastWriteFailure);
    }
    state_->done = true;
}

std::string RegistryFilePath()
{
    if (const char* env = std::getenv("QUILLMART_REGISTRY"); env && *env)
        return env;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        config = std::string(home) + "/.config";
    }
    return config + "/Brenvoke Software/Quillmart/registry.db";
}

void CloseRegistryDatabase()
{
    Database& db = Database::Instance();
    std::lock_guard lock(db.mutex);
    db.Reset();
}

// TRegistry

std::vector<AnsiString> TRegistry::resolve(const AnsiString& key) const
{
    std::vector<AnsiString> path;
    if (key.empty() || key[0] != '\\')
        path = path_;
    for (auto& name : SplitPath(key))
        path.push_back(std::move(name));
    return path;
}

void TRegistry::SetRootKey(RegRoot root)
{
    root_ = root;
    CloseKey();
}

AnsiString TRegistry::CurrentPath() const
{
    return JoinPath(path_);
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate)
{
    auto path = resolve(key);
    try {
        const bool found = Run([&](Database& db) {
            if (!canCreate)
                return FindKey(db, root_, path).has_value();
            db.lastWriteFailure = Format("Failed to create key '%s'", key.c_str());
            Transaction tx(db, true);
            CreateKey(db, root_, path);
            tx.Commit();
            return true;
        });
        if (!found)
            return false;
    } catch (const SqlFailure&) {
        return false;
    }
    path_ = std::move(path);
    writable_ = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key)
{
    auto path = resolve(key);
    try {
        if (!Run([&](Database& db) { return FindKey(db, root_, path).has_value(); }))
            return false;
    } catch (const SqlFailure&) {
        return false;
    }
    path_ = std::move(path);
    writable_ = false;
    return true;
}

void TRegistry::CloseKey()
{
    path_.clear();
    writable_ = true;
}

bool TRegistry::KeyExists(const AnsiString& key) const
{
    const auto path = resolve(key);
    try {
        return Run([&](Database& db) { return FindKey(db, root_, path).has_value(); });
    } catch (const SqlFailure& f) {
        throw ERegistryException(Format("Failed to open key '%s': %s", key.c_str(), f.message.c_str()));
    }
}

bool TRegistry::DeleteKey(const AnsiString& key)
{
    const auto path = resolve(key);
    if (path.empty())
        return false;
    try {
        return Run([&](Database& db) {
            db.lastWriteFailure = Format("Failed to delete key '%s'", key.c_str());
            Transaction tx(db, true);
            const auto id = FindKey(db, root_, path);
            if (!id)
                return false;
            Stmt vals(db, "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
                          "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) "
                          "DELETE FROM vals WHERE key IN sub");
            vals.Bind(1, *id).Step();
            Stmt keys(db, "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
                          "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) "
                          "DELETE FROM keys WHERE id IN sub");
            keys.Bind(1, *id).Step();
            tx.Commit();
            return true;
        });
    } catch (const SqlFailure& f) {
        throw ERegistryException(Format("Failed to delete key '%s': %s", key.c_str(), f.message.c_str()));
    }
}

std::vector<AnsiString> TRegistry::GetKeyNames() const
{
    return ListNames(root_, path_, "SELECT name FROM keys WHERE parent=?1 ORDER BY fold", CurrentPath());
}

std::vector<AnsiString> TRegistry::GetValueNames() const
{
    return ListNames(root_, path_, "SELECT name FROM vals WHERE key=?1 ORDER BY fold", CurrentPath());
}

std::optional<RegValue> TRegistry::ReadValue(const AnsiString& name) const
{
    try {
        return Run([&](Database& db) -> std::optional<RegValue> {
            Transaction tx(db, false);
            std::optional<RegValue> value;
            if (const auto id = FindKey(db, root_, path_)) {
                Stmt st(db, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2");
                st.Bind(1, *id).Bind(2, Fold(name));
                if (st.Step())
                    value = RegValue{DataType(int(st.Int(0))), st.Blob(1)};
            }
            tx.Commit();
            return value;
        });
    } catch (const SqlFailure&) {
        RaiseGetFailed(name);
    }
}

bool TRegistry::ValueExists(const AnsiString& name) const
{
    return ReadValue(name).has_value();
}

TRegDataType TRegistry::GetDataType(const AnsiString& name) const
{
    const auto v = ReadValue(name);
    return v ? v->type : rdUnknown;
}

bool TRegistry::DeleteValue(const AnsiString& name)
{
    if (!writable_)
        return false;
    try {
        return Run([&](Database& db) {
            db.lastWriteFailure = Format("Failed to delete value '%s'", name.c_str());
            Transaction tx(db, true);
            bool deleted = false;
            if (const auto id = FindKey(db, root_, path_)) {
                Stmt st(db, "DELETE FROM vals WHERE key=?1 AND fold=?2");
                st.Bind(1, *id).Bind(2, Fold(name)).Step();
                deleted = sqlite3_changes(db.Handle()) > 0;
            }
            tx.Commit();
            return deleted;
        });
    } catch (const SqlFailure&) {
        return false;
    }
}

std::optional<int> TRegistry::TryReadInteger(const AnsiString& name) const
{
    const auto v = ReadValue(name);
    if (!v)
        return std::nullopt;
    if (v->type != rdInteger || v->data.size() != 4)
        RaiseInvalidType(name);
    const auto* b = reinterpret_cast<const unsigned char*>(v->data.data());
    return int(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

std::optional<bool> TRegistry::TryReadBool(const AnsiString& name) const
{
    const auto v = TryReadInteger(name);
    return v ? std::optional<bool>(*v != 0) : std::nullopt;
}

std::optional<AnsiString> TRegistry::TryReadString(const AnsiString& name) const
{
    auto v = ReadValue(name);
    if (!v)
        return std::nullopt;
    if (v->type != rdString && v->type != rdExpandString)
        RaiseInvalidType(name);
    return std::move(v->data);
}

std::optional<double> TRegistry::TryReadFloat(const AnsiString& name) const
{
    const auto v = ReadValue(name);
    if (!v)
        return std::nullopt;
    if (v->type != rdBinary || v->data.size() != 8)
        RaiseInvalidType(name);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | static_cast<unsigned char>(v->data[size_t(i)]);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

std::optional<std::string> TRegistry::TryReadBinaryData(const AnsiString& name) const
{
    auto v = ReadValue(name);
    if (!v)
        return std::nullopt;
    if (v->type != rdBinary)
        RaiseInvalidType(name);
    return std::move(v->data);
}

int TRegistry::ReadInteger(const AnsiString& name) const
{
    if (auto v = TryReadInteger(name))
        return *v;
    RaiseGetFailed(name);
}

bool TRegistry::ReadBool(const AnsiString& name) const
{
    return ReadInteger(name) != 0;
}

AnsiString TRegistry::ReadString(const AnsiString& name) const
{
    if (auto v = TryReadString(name))
        return std::move(*v);
    RaiseGetFailed(name);
}

double TRegistry::ReadFloat(const AnsiString& name) const
{
    if (auto v = TryReadFloat(name))
        return *v;
    RaiseGetFailed(name);
}

std::string TRegistry::ReadBinaryData(const AnsiString& name) const
{
    if (auto v = TryReadBinaryData(name))
        return std::move(*v);
    RaiseGetFailed(name);
}

void TRegistry::writeValue(const AnsiString& name, TRegDataType type, std::string_view data)
{
    if (!writable_)
        RaiseSetFailed(name);
    try {
        Run([&](Database& db) {
            db.lastWriteFailure = Format("Failed to set data for '%s'", name.c_str());
            Transaction tx(db, true);
            const sqlite3_int64 id = CreateKey(db, root_, path_);
            // An existing value keeps the spelling of its name.
            Stmt st(db, "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                        "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
            st.Bind(1, id).Bind(2, name).Bind(3, Fold(name)).Bind(4, TypeCode(type)).Bind(5, data).Step();
            tx.Commit();
        });
    } catch (const SqlFailure&) {
        RaiseSetFailed(name);
    }
}

void TRegistry::WriteInteger(const AnsiString& name, int value)
{
    const uint32_t u = uint32_t(value);
    const char bytes[4] = {char(u & 0xff), char(u >> 8 & 0xff), char(u >> 16 & 0xff), char(u >> 24 & 0xff)};
    writeValue(name, rdInteger, std::string_view(bytes, 4));
}

void TRegistry::WriteBool(const AnsiString& name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value)
{
    writeValue(name, rdString, value);
}

void TRegistry::WriteExpandString(const AnsiString& name, const AnsiString& value)
{
    writeValue(name, rdExpandString, value);
}

void TRegistry::WriteFloat(const AnsiString& name, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = char(bits >> (8 * i) & 0xff);
    writeValue(name, rdBinary, std::string_view(bytes, 8));
}

void TRegistry::WriteBinaryData(const AnsiString& name, std::string_view bytes)
{
    writeValue(name, rdBinary, bytes);
}

} // namespace qm
