#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {

std::string FindExecutable(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!name.empty()) {
        const size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        // An empty entry is the current folder.
        const std::string file = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + name;
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0)
            return file;
        if (colon == std::string_view::npos)
            break;
        dirs.remove_prefix(colon + 1);
    }
    return {};
}

namespace {

// Starts program (looked up on PATH when it names no folder) with exactly these argument bytes,
// as a grandchild in a session of its own that this process neither waits for nor keeps as a
// child. False when it cannot be started. Between fork and exec only async-signal-safe calls
// are made.
bool StartDetached(const std::string& program, const std::vector<std::string>& args)
{
    const std::string path = program.find('/') != std::string::npos ? program : FindExecutable(program);
    if (path.empty())
        return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // The exec's error comes back through a pipe that a successful exec closes.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv(path.c_str(), argv.data());
            const int err = errno;
            (void)!::write(report[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(child < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = -1;
    if (middle > 0)
        while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
    int err = 0;
    ssize_t got = 0;
    while ((got = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return middle > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}
std::function<void(int)>& HelpViewer()
{
    static std::function<void(int)> viewer;
    return viewer;
}

// The desktop's own services; help goes to the viewer the program installs.
class DesktopShell : public ShellHandler {
public:
    bool openUrl(const AnsiString& url) override
    {
        const QString u = ToQString(url);
        const QUrl target = u.contains("://") ? QUrl(u) : QUrl::fromLocalFile(u);
        return QDesktopServices::openUrl(target);
    }
    // The desktop's file manager, through xdg-open with the folder as its one argument.
    bool openFolder(const std::string& path) override { return StartDetached("xdg-open", {path}); }
    // The arguments go to the program as they are, without a shell: blanks, quotes and "$" in
    // a store's path need no quoting.
    bool startProcess(const std::string& program, const std::vector<std::string>& args) override
    {
        return StartDetached(program, args);
    }
    void showHelp(int helpContext) override
    {
        if (HelpViewer())
            HelpViewer()(helpContext);
    }
};

std::shared_ptr<ShellHandler>& Handler()
{
    static std::shared_ptr<ShellHandler> handler = std::make_shared<DesktopShell>();
    return handler;
}
} // namespace

std::shared_ptr<ShellHandler> SetShellHandler(std::shared_ptr<ShellHandler> handler)
{
    auto previous = Handler();
    Handler() = handler ? std::move(handler) : std::make_shared<DesktopShell>();
    return previous;
}

ShellHandler& Shell()
{
    return *Handler();
}

void SetHelpViewer(std::function<void(int)> viewer)
{
    HelpViewer() = std::move(viewer);
}

bool RecordingShell::openUrl(const AnsiString& url)
{
    calls.push_back({"url", url, {}, 0});
    return true;
}
bool RecordingShell::openFolder(const std::string& path)
{
    calls.push_back({"folder", path, {}, 0});
    return true;
}
bool RecordingShell::startProcess(const std::string& program, const std::vector<std::string>& args)
{
    calls.push_back({"process", program, args, 0});
    return true;
}
void RecordingShell::showHelp(int helpContext)
{
    calls.push_back({"help", {}, {}, helpContext});
}

bool IsWebAddress(const AnsiString& address)
{
    const QString text = ToQString(address);
    if (!text.startsWith("http://", Qt::CaseInsensitive) && !text.startsWith("https://", Qt::CaseInsensitive))
        return false;
    const QUrl url(text);
    return url.isValid() && !url.host().isEmpty();
}

} // namespace qm
