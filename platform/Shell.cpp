#include "platform/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace qm {

namespace {
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
    bool openFolder(const AnsiString& path) override
    {
        return QProcess::startDetached("xdg-open", {QString::fromStdString(ToFileName(path))});
    }
    bool startProcess(const AnsiString& program, const std::vector<AnsiString>& args) override
    {
        QStringList list;
        // The arguments go to the program as they are, without a shell: blanks, quotes and "$"
        // in a store's path need no quoting.
        for (const auto& a : args)
            list << ToQString(a);
        return QProcess::startDetached(ToQString(program), list);
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
bool RecordingShell::openFolder(const AnsiString& path)
{
    calls.push_back({"folder", path, {}, 0});
    return true;
}
bool RecordingShell::startProcess(const AnsiString& program, const std::vector<AnsiString>& args)
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
