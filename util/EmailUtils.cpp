#include "util/EmailUtils.h"

#include <QString>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/Shell.h"

namespace qm {

namespace {

int g_timeoutMs = 30000;

long long MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

bool ReadInt(int fd, int& value)
{
    size_t got = 0;
    char* p = reinterpret_cast<char*>(&value);
    while (got < sizeof value) {
        const ssize_t n = ::read(fd, p + got, sizeof value - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

// Runs program with argv as a grandchild of this process, its input from /dev/null, and waits
// for it up to timeoutMs: its exit code when it ends in time; 0 when it still runs then (it
// is left to the user, and the system, not this process, reaps it); -1 when it cannot be
// started or ends by a signal. A process in between waits for it, so this process keeps no
// child and no object behind. Between fork and exec only async-signal-safe calls are made.
int RunHandOff(const std::string& program, const std::vector<std::string>& args, int timeoutMs)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int result[2], execError[2];
    if (::pipe2(result, O_CLOEXEC) != 0)
        return -1;
    if (::pipe2(execError, O_CLOEXEC) != 0) {
        ::close(result[0]);
        ::close(result[1]);
        return -1;
    }
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t middle = ::fork();
    if (middle == 0) {
        const pid_t handOff = ::fork();
        if (handOff == 0) {
            if (devNull >= 0)
                ::dup2(devNull, STDIN_FILENO);
            ::execv(program.c_str(), argv.data());
            const int err = errno;
            (void)!::write(execError[1], &err, sizeof err);
            ::_exit(127);
        }
        ::close(execError[1]);
        int code = -1;
        int err = 0;
        // The pipe closes at a successful exec; a failed one sends its error first.
        if (handOff > 0 && !ReadInt(execError[0], err)) {
            const long long deadline = MonotonicMs() + timeoutMs;
            for (;;) {
                int status = 0;
                const pid_t done = ::waitpid(handOff, &status, WNOHANG);
                if (done == handOff) {
                    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                    break;
                }
                if (done < 0 && errno != EINTR)
                    break;
                if (MonotonicMs() >= deadline) {
                    code = 0;
                    break;
                }
                const timespec step{0, 10 * 1000 * 1000};
                ::nanosleep(&step, nullptr);
            }
        } else if (handOff > 0) {
            ::waitpid(handOff, nullptr, 0);
        }
        (void)!::write(result[1], &code, sizeof code);
        ::_exit(0);
    }
    ::close(result[1]);
    ::close(execError[0]);
    ::close(execError[1]);
    if (devNull >= 0)
        ::close(devNull);
    int code = -1;
    if (middle < 0 || !ReadInt(result[0], code))
        code = -1;
    ::close(result[0]);
    if (middle > 0)
        while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
        }
    return code;
}

} // namespace

int SetMailHandOffTimeoutMs(int ms)
{
    const int previous = g_timeoutMs;
    g_timeoutMs = ms;
    return previous;
}

std::int32_t SendMapiMail(const AnsiString& subject, const AnsiString& body,
                          const std::string& attachmentPath, const AnsiString& recipientAddress,
                          const AnsiString& recipientName, const AnsiString& senderAddress,
                          const AnsiString& senderName)
{
    // Every value follows its option as a separate argument, so no text (a subject starting
    // with "-", an address holding "?attach=") can be read as an option or a mailto query.
    std::vector<std::string> args{"--utf8"};
    if (!subject.empty())
        args.insert(args.end(), {"--subject", ToQString(subject).toStdString()});
    if (!body.empty())
        args.insert(args.end(), {"--body", ToQString(body).toStdString()});
    if (!attachmentPath.empty())
        args.insert(args.end(), {"--attach", attachmentPath});
    if (!recipientAddress.empty())
        args.insert(args.end(), {"--to", ToQString(recipientAddress).toStdString()});

    const std::string program = FindExecutable("xdg-email");
    const std::int32_t result = program.empty() ? -1 : RunHandOff(program, args, g_timeoutMs);
    if (result != 0)
        MessageDlg(Format("Error sending mail (%d).", int(result)), mtError, mbOK, 0);
    return result;
}

} // namespace qm
