#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"

namespace qmtest {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string tmpl = (fs::temp_directory_path() / "qmtest-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Restore write permission that a test took away, so the folder can be removed.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

ChildProcess::ChildProcess(const std::function<std::string()>& body)
{
    int fds[2];
    if (pipe(fds) != 0) {
        out_ = "no pipe";
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        std::string out;
        try {
            out = body();
        } catch (const std::exception& e) {
            out = std::string("thrown: ") + e.what();
        }
        (void)!write(fds[1], out.data(), out.size());
        _exit(0);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        out_ = "no child";
    } else {
        fd_ = fds[0];
    }
}

ChildProcess::~ChildProcess()
{
    Wait();
}

std::string ChildProcess::Wait()
{
    if (pid_ > 0) {
        char buf[4096];
        for (ssize_t n; (n = read(fd_, buf, sizeof buf)) > 0;)
            out_.append(buf, size_t(n));
        close(fd_);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    return out_;
}

std::string InChild(const std::function<std::string()>& body)
{
    return ChildProcess(body).Wait();
}

std::string AsOtherUser(const std::function<std::string()>& body)
{
    return InChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return std::string("cannot drop privileges");
        return body();
    });
}

FileSizeLimit::FileSizeLimit(long long bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    saved_ = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    savedSignal_ = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(saved_);
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, savedSignal_);
}

PrivateRegistry::PrivateRegistry()
{
    if (const char* v = std::getenv("QUILLMART_REGISTRY")) {
        saved_ = v;
        hadValue_ = true;
    }
    setenv("QUILLMART_REGISTRY", path().c_str(), 1);
    qm::CloseRegistryDatabase();
}

PrivateRegistry::~PrivateRegistry()
{
    qm::CloseRegistryDatabase();
    if (hadValue_)
        setenv("QUILLMART_REGISTRY", saved_.c_str(), 1);
    else
        unsetenv("QUILLMART_REGISTRY");
}

HeldFileLock::HeldFileLock(const std::string& file) : path_(qm::IniFile::LockFileFor(file))
{
    fd_ = open(path_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0 || flock(fd_, LOCK_EX) != 0)
        throw std::runtime_error("cannot take the lock of " + file);
}

HeldFileLock::~HeldFileLock()
{
    Release();
}

namespace {

// Returns once a process waits for a lock on the file of st (as /proc/locks shows) or done() is
// true.
void WaitForWaiterOn(const struct stat& st, const std::function<bool()>& done)
{
    // A lock's line names its file as major:minor:inode, the numbers of the device in hex; a
    // writer waiting for it has a line of its own marked "->".
    char file[64];
    std::snprintf(file, sizeof file, " %02x:%02x:%lu ", major(st.st_dev), minor(st.st_dev),
                  (unsigned long)st.st_ino);
    for (;;) {
        if (done())
            return;
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);)
            if (line.find("->") != std::string::npos && line.find(file) != std::string::npos)
                return;
        usleep(1000);
    }
}

} // namespace

void HeldFileLock::WaitForWaiterOr(const std::function<bool()>& done) const
{
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        throw std::runtime_error("the lock file is gone");
    WaitForWaiterOn(st, done);
}

void WaitForLockWaiterOr(const std::string& lockFile, const std::function<bool()>& done)
{
    struct stat st {};
    if (stat(lockFile.c_str(), &st) != 0)
        throw std::runtime_error("no lock file " + lockFile);
    WaitForWaiterOn(st, done);
}

void HeldFileLock::Release()
{
    if (fd_ < 0)
        return;
    unlink(path_.c_str());
    close(fd_);
    fd_ = -1;
}

RenameAtLook::RenameAtLook(std::string file, std::string to, int n)
    : file_(std::move(file)), to_(std::move(to)), n_(n)
{
    qm::IniFile::SetLookHookForTests([this](const std::string& looked) {
        if (looked == file_ && ++looks_ == n_ && std::rename(file_.c_str(), to_.c_str()) != 0)
            ADD_FAILURE() << "cannot rename " << file_;
    });
}

RenameAtLook::~RenameAtLook()
{
    qm::IniFile::SetLookHookForTests({});
}

AtReplacing::AtReplacing(const std::string& file, const std::function<void()>& act)
{
    qm::SetTestBeforeReplace([file, act](const std::string& target) {
        if (target == file)
            act();
    });
}

AtReplacing::~AtReplacing()
{
    qm::SetTestBeforeReplace({});
}

std::string Replaced(std::string text, std::initializer_list<std::pair<std::string, std::string>> changes)
{
    for (const auto& [from, to] : changes) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
    }
    return text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

void DialogFixture::SetUp()
{
    dialogs = std::make_shared<qm::ScriptedDialogs>();
    shell = std::make_shared<qm::RecordingShell>();
    previousDialogs_ = qm::SetDialogHandler(dialogs);
    previousShell_ = qm::SetShellHandler(shell);
}

void DialogFixture::TearDown()
{
    for (const auto& f : dialogs->failures())
        ADD_FAILURE() << f;
    EXPECT_EQ(dialogs->pending(), 0u) << "scripted boxes that never came";
    qm::SetDialogHandler(previousDialogs_);
    qm::SetShellHandler(previousShell_);
}

} // namespace qmtest
