#pragma once
// The shell seam: opening web addresses and folders, starting programs and opening the help
// file. The window program uses the desktop's services; tests install a recorder.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

class ShellHandler {
public:
    virtual ~ShellHandler() = default;
    virtual bool openUrl(const AnsiString& url) = 0;      // a web page or a file
    virtual bool openFolder(const std::string& path) = 0; // the file manager on a folder (a path)
    // Starts a program without waiting, with the arguments as they are (paths are the system's
    // bytes); false when it cannot be started.
    virtual bool startProcess(const std::string& program, const std::vector<std::string>& args) = 0;
    virtual void showHelp(int helpContext) = 0; // 0 opens the contents
};

std::shared_ptr<ShellHandler> SetShellHandler(std::shared_ptr<ShellHandler> handler);
// What the desktop shell does with a help request: the program installs its help window here
// (this layer has no windows of its own); without one a help request does nothing.
void SetHelpViewer(std::function<void(int helpContext)> viewer);
ShellHandler& Shell();

// Whether address is an "http://" or "https://" address (any letter case) naming a host: the
// only kind a store file or a server's reply may have opened, since the shell would open a
// file, a program or a script just as readily.
bool IsWebAddress(const AnsiString& address);

// The program of that name on PATH, as the system's bytes; empty when there is none.
std::string FindExecutable(const std::string& name);

// Records every call and starts nothing (tests).
class RecordingShell : public ShellHandler {
public:
    struct Call {
        std::string what; // "url", "folder", "process", "help"
        std::string target;
        std::vector<std::string> args;
        int helpContext = 0;
    };
    bool openUrl(const AnsiString& url) override;
    bool openFolder(const std::string& path) override;
    bool startProcess(const std::string& program, const std::vector<std::string>& args) override;
    void showHelp(int helpContext) override;
    std::vector<Call> calls;
};

} // namespace qm
