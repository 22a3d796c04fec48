#include "platform/Application.h"

#include <QCoreApplication>
#include <QStringList>
#include <climits>
#include <optional>
#include <unistd.h>

namespace qm {

namespace {
// The title is kept here rather than in Qt's display name, which Qt would append to the
// caption of every window of the program.
AnsiString& Title()
{
    static AnsiString title;
    return title;
}
std::string& HelpFile()
{
    static std::string path;
    return path;
}
std::optional<std::vector<std::string>>& Arguments()
{
    static std::optional<std::vector<std::string>> args;
    return args;
}
} // namespace

AnsiString ApplicationTitle()
{
    return Title();
}
void SetApplicationTitle(const AnsiString& title)
{
    Title() = title;
}

std::string ApplicationHelpFile()
{
    return HelpFile();
}
void SetApplicationHelpFile(const std::string& path)
{
    HelpFile() = path;
}

std::string ApplicationExeName()
{
    // The link the system keeps holds the path's own bytes, which the toolkit's text would not
    // keep for a folder whose name is no UTF-8.
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0 && size_t(n) < sizeof buffer && buffer[0] == '/') {
        std::string path(buffer, size_t(n));
        // A program file replaced since the start is named "<path> (deleted)" there.
        if (::access(path.c_str(), F_OK) == 0)
            return path;
    }
    return PathFromQString(QCoreApplication::applicationFilePath());
}

std::string ApplicationFolder()
{
    std::string dir = ApplicationExeName();
    const size_t slash = dir.rfind('/');
    dir.erase(slash == std::string::npos ? 0 : slash + 1);
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

void SetApplicationArguments(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i] ? argv[i] : "");
    Arguments() = std::move(args);
}

std::vector<std::string> ApplicationArguments()
{
    if (Arguments())
        return *Arguments();
    std::vector<std::string> args;
    const QStringList list = QCoreApplication::arguments();
    for (qsizetype i = 1; i < list.size(); ++i)
        args.push_back(PathFromQString(list[i]));
    return args;
}

} // namespace qm
