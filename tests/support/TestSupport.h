#pragma once
// Shared pieces of the test programs: a temporary folder that removes itself, and a fixture
// that installs scripted dialog answers and fails the test on any box nobody expected.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace qmtest {

// A fresh folder in the temporary folder ($TMPDIR or /tmp); removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; } // ends without "/"
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points the registry at a new, empty database file of its own for the object's life; the
// previous file is used again afterwards.
class PrivateRegistry {
public:
    PrivateRegistry();
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;
    std::string path() const { return dir_.file("registry.db"); }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string saved_;
    bool hadValue_ = false;
};

// Runs body in a forked child process; gives back what it returns, or "thrown: " and the
// message of what it threw. The child touches no window.
std::string InChild(const std::function<std::string()>& body);

// InChild without waiting: the child runs beside this process (and beside other children)
// until Wait, which gives back what InChild would. A child not waited for is waited for when
// the object goes. Close the registry's connection (CloseRegistryDatabase) before starting a
// child that uses the registry, so that the child opens its own.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<std::string()>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    std::string Wait();

private:
    int pid_ = -1;
    int fd_ = -1;
    std::string out_;
};
// InChild as the unprivileged user 65534 when the test runs as the super-user, who writes
// anywhere: for read-only files and folders. Answers "cannot drop privileges" when it cannot.
std::string AsOtherUser(const std::function<std::string()>& body);

// Lowers this process's file-size limit for the object's life (SIGXFSZ ignored), so that every
// write of a file that would grow past the limit fails as on a full disk, whoever runs the test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long saved_ = 0;
    void (*savedSignal_)(int) = nullptr;
};

// Another program rewriting a file: it holds the file's rewrite lock (IniFile::LockFileFor)
// from construction until Release, which removes the lock file and lets go as a rewrite ends.
class HeldFileLock {
public:
    explicit HeldFileLock(const std::string& file);
    ~HeldFileLock();
    HeldFileLock(const HeldFileLock&) = delete;
    HeldFileLock& operator=(const HeldFileLock&) = delete;
    // Returns once a writer waits for the lock (as /proc/locks shows) or done() is true.
    void WaitForWaiterOr(const std::function<bool()>& done) const;
    void Release();

private:
    std::string path_;
    int fd_ = -1;
};

// Another program renaming a file at an exact moment: at the n-th look that this program's
// reads and watches take at file (IniFile::SetLookHookForTests), counted from the object's
// making, file is renamed to to, just before the look. The hook goes with the object.
class RenameAtLook {
public:
    RenameAtLook(std::string file, std::string to, int n);
    ~RenameAtLook();
    RenameAtLook(const RenameAtLook&) = delete;
    RenameAtLook& operator=(const RenameAtLook&) = delete;
    int Looks() const { return looks_; } // the looks at file so far
    bool Renamed() const { return looks_ >= n_; }

private:
    std::string file_, to_;
    int n_ = 0, looks_ = 0;
};

// Runs act at every moment a write of the file (named with links followed) has its new content
// written and synced and is about to put it in place, until the object goes: another program
// renaming or removing the file just then, say.
class AtReplacing {
public:
    AtReplacing(const std::string& file, const std::function<void()>& act);
    ~AtReplacing();
    AtReplacing(const AtReplacing&) = delete;
    AtReplacing& operator=(const AtReplacing&) = delete;
};

// Returns once a writer waits for the lock on lockFile, which another holds, or done() is true.
void WaitForLockWaiterOr(const std::string& lockFile, const std::function<bool()>& done);

// The text with pieces replaced, each (from, to) at its first place; a piece the text lacks
// fails the test.
std::string Replaced(std::string text, std::initializer_list<std::pair<std::string, std::string>> changes);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Installs ScriptedDialogs and a RecordingShell for the test; at the end, every scripted box
// must have come and no other box may have.
class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::shared_ptr<qm::ScriptedDialogs> dialogs;
    std::shared_ptr<qm::RecordingShell> shell;

private:
    std::shared_ptr<qm::DialogHandler> previousDialogs_;
    std::shared_ptr<qm::ShellHandler> previousShell_;
};

} // namespace qmtest
