#pragma once
// The settings registry: two roots (the current user's settings and the file-type classes),
// each a tree of keys with typed values, kept in one SQLite database file shared by every
// program process. Key paths use "\" between names; key and value names match without
// regard to case and keep the spelling they were created with. The empty value name is the
// key's default value.
//
// Nothing is cached: every call reads or writes the database, so a second process sees each
// completed write at its next read. The file is opened on first use in WAL mode with a busy
// time-out. A file that cannot be opened or is damaged is renamed aside (never deleted),
// the user is told once in an error box, and the program goes on with a fresh database (in
// memory when no file can be made).
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Clock.h"

namespace qm {

enum class RegRoot { CurrentUser, ClassesRoot };
inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;
inline constexpr RegRoot HKEY_CLASSES_ROOT = RegRoot::ClassesRoot;

// The stored type of a value. rdInteger is a 32-bit value (4 bytes, little-endian); strings
// are stored as their bytes.
enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct RegValue {
    TRegDataType type = rdUnknown;
    std::string data;
};

// A view of one key at a time, like a registry handle: OpenKey chooses the current key, and
// value calls act on it. Paths starting with "\" count from the root, others from the current
// key. The current key is looked up afresh on every call, so a key that another process
// deletes simply has no values any more.
//
// Errors: reading a value stored with another type than the reader expects raises
// ERegistryException "Invalid data type for '<name>'"; a write that fails (a read-only key,
// a full disk, a database held by another process past the time-out) raises "Failed to set
// data for '<name>'"; a read that fails raises "Failed to get data for '<name>'".
class TRegistry {
public:
    explicit TRegistry(RegRoot root = HKEY_CURRENT_USER) : root_(root) {}

    RegRoot RootKey() const { return root_; }
    void SetRootKey(RegRoot root);
    // The open key's path from the root, "" for the root itself.
    AnsiString CurrentPath() const;

    // Opens the key, creating it and any missing parents when canCreate is set. False when
    // the key is missing (and not to be created) or cannot be created; the current key is
    // then unchanged.
    bool OpenKey(const AnsiString& key, bool canCreate);
    bool OpenKeyReadOnly(const AnsiString& key);
    // Returns to the root.
    void CloseKey();

    bool KeyExists(const AnsiString& key) const;
    // Deletes the key with all its subkeys and values; false when it does not exist. The
    // root itself cannot be deleted.
    bool DeleteKey(const AnsiString& key);
    // Names of the current key's subkeys and values, sorted without regard to case.
    std::vector<AnsiString> GetKeyNames() const;
    std::vector<AnsiString> GetValueNames() const;

    bool ValueExists(const AnsiString& name) const;
    TRegDataType GetDataType(const AnsiString& name) const; // rdUnknown when missing
    std::optional<RegValue> ReadValue(const AnsiString& name) const;
    bool DeleteValue(const AnsiString& name);

    // Typed reads: std::nullopt when the value is missing, an exception when it has another
    // type. Integers and booleans need rdInteger; strings rdString or rdExpandString; floats
    // and date-times rdBinary of exactly 8 bytes (an IEEE double, little-endian).
    std::optional<int> TryReadInteger(const AnsiString& name) const;
    std::optional<bool> TryReadBool(const AnsiString& name) const; // true when not 0
    std::optional<AnsiString> TryReadString(const AnsiString& name) const;
    std::optional<double> TryReadFloat(const AnsiString& name) const;
    std::optional<TDateTime> TryReadDateTime(const AnsiString& name) const { return TryReadFloat(name); }
    std::optional<std::string> TryReadBinaryData(const AnsiString& name) const;

    // The same, raising "Failed to get data for '<name>'" for a missing value.
    int ReadInteger(const AnsiString& name) const;
    bool ReadBool(const AnsiString& name) const;
    AnsiString ReadString(const AnsiString& name) const;
    double ReadFloat(const AnsiString& name) const;
    TDateTime ReadDateTime(const AnsiString& name) const { return ReadFloat(name); }
    std::string ReadBinaryData(const AnsiString& name) const;

    // Writes into the current key, re-creating it when another process deleted it.
    void WriteInteger(const AnsiString& name, int value);
    void WriteBool(const AnsiString& name, bool value); // rdInteger 1 or 0
    void WriteString(const AnsiString& name, const AnsiString& value);
    void WriteExpandString(const AnsiString& name, const AnsiString& value);
    void WriteFloat(const AnsiString& name, double value);
    void WriteDateTime(const AnsiString& name, TDateTime value) { WriteFloat(name, value); }
    void WriteBinaryData(const AnsiString& name, std::string_view bytes);

private:
    std::vector<AnsiString> resolve(const AnsiString& key) const;
    void writeValue(const AnsiString& name, TRegDataType type, std::string_view data);

    RegRoot root_;
    std::vector<AnsiString> path_; // the current key's names from the root
    bool writable_ = true;
};

// Makes the registry calls that this thread makes while the object lives one transaction of
// the database. Another process sees all of its writes at once, at Commit, or none of them;
// a reading transaction sees the registry as it stood at its first read, whatever other
// processes write meanwhile. Writes not committed are undone when the object goes, and so are
// those of a single call inside it that fails. Transactions nest.
//
// A writing transaction takes the database's write lock at its start, so other processes'
// writes wait for it (up to the busy time-out); keep it short and show nothing while it is
// open. A reading transaction is for reads: a write inside it fails when another process has
// written since its first read. Other threads' registry calls wait until the object goes.
//
// The constructor raises ERegistryException when the database cannot be used; Commit raises
// the failure of the last write ("Failed to set data for '<name>'" for a value) when the
// writes cannot be kept, and nothing of them is then kept.
class TRegistryTransaction {
public:
    enum TMode { ForReading, ForWriting };
    explicit TRegistryTransaction(TMode mode);
    ~TRegistryTransaction();
    TRegistryTransaction(const TRegistryTransaction&) = delete;
    TRegistryTransaction& operator=(const TRegistryTransaction&) = delete;

    // Keeps the writes; a reading transaction needs no Commit.
    void Commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The database file: $QUILLMART_REGISTRY when set, else
// $XDG_CONFIG_HOME/Brenvoke Software/Quillmart/registry.db (XDG_CONFIG_HOME: ~/.config).
std::string RegistryFilePath();

// Closes the shared database connection; the next registry call opens RegistryFilePath()
// afresh (and may again tell the user about a damaged file).
void CloseRegistryDatabase();

} // namespace qm
