#include "platform/Dialogs.h"

#include <QString>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include "platform/Exception.h"
#include "platform/Shell.h"

namespace qm {

namespace {
// Until a window program or a test installs a handler, boxes answer as if dismissed.
class SilentDialogs : public DialogHandler {
public:
    int messageDlg(const AnsiString&, TMsgDlgType, TMsgDlgButtons buttons, int) override
    {
        return (buttons & mbOK) ? mrOk : (buttons & mbNo) ? mrNo : mrCancel;
    }
    int messageBox(const AnsiString&, const AnsiString&, TMsgDlgButtons buttons, TMsgDlgType) override
    {
        return (buttons & mbNo) ? mrNo : mrOk;
    }
    bool inputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
    bool fileDialog(const FileDialogRequest&, std::string&) override { return false; }
};

std::shared_ptr<DialogHandler>& Handler()
{
    static std::shared_ptr<DialogHandler> handler = std::make_shared<SilentDialogs>();
    return handler;
}
} // namespace

std::shared_ptr<DialogHandler> SetDialogHandler(std::shared_ptr<DialogHandler> handler)
{
    auto previous = Handler();
    Handler() = handler ? std::move(handler) : std::make_shared<SilentDialogs>();
    return previous;
}

DialogHandler& Dialogs()
{
    return *Handler();
}

bool DialogHandler::inputQueryText(const AnsiString& caption, const AnsiString& prompt, QString& value)
{
    AnsiString text = FromQString(value);
    if (!inputQuery(caption, prompt, text))
        return false;
    value = ToQString(text);
    return true;
}

int MessageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext)
{
    // Hold a reference: a handler may be swapped while its box is up.
    auto handler = Handler();
    const int result = handler->messageDlg(msg, type, buttons, helpContext);
    if (result == mrHelp)
        Shell().showHelp(helpContext);
    return result;
}

void ShowMessage(const AnsiString& msg)
{
    MessageDlg(msg, mtCustom, mbOK, 0);
}

int MessageBoxQ(const AnsiString& text, TMsgDlgButtons buttons, TMsgDlgType icon)
{
    auto handler = Handler();
    return handler->messageBox(text, "Quillmart", buttons, icon);
}

bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value)
{
    auto handler = Handler();
    return handler->inputQuery(caption, prompt, value);
}

bool InputQuery(const AnsiString& caption, const AnsiString& prompt, QString& value)
{
    auto handler = Handler();
    return handler->inputQueryText(caption, prompt, value);
}

bool PromptForFile(const FileDialogRequest& request, std::string& path)
{
    auto handler = Handler();
    return handler->fileDialog(request, path);
}

bool PromptForFile(const FileDialogRequest& request, std::string& path, int& filterIndex)
{
    auto handler = Handler();
    return handler->fileDialogWithFilter(request, path, filterIndex);
}

bool PromptForPrint(PrintDialogRequest& request)
{
    auto handler = Handler();
    return handler->printDialog(request);
}

bool PromptForFiles(const FileDialogRequest& request, std::vector<std::string>& paths)
{
    auto handler = Handler();
    return handler->fileDialogMulti(request, paths);
}

std::string HomeFolder()
{
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty() || home.back() != '/')
        home += '/';
    return home;
}

std::string FolderOfChoice(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// ScriptedDialogs

ScriptedDialogs& ScriptedDialogs::expectBox(std::string contains, int result)
{
    script_.push_back({Answer::Box, std::move(contains), result, {}, true, 0, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectQuery(std::string contains, AnsiString answer, bool accepted)
{
    script_.push_back({Answer::Query, std::move(contains), mrOk, std::move(answer), accepted, 0, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectQueryTyped(std::string contains, std::string utf8Answer)
{
    Answer a{Answer::Query, std::move(contains), mrOk, std::move(utf8Answer), true, 0, {}};
    a.typed = true;
    script_.push_back(std::move(a));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectFile(std::string path, bool accepted, int filterIndex)
{
    script_.push_back({Answer::File, {}, mrOk, std::move(path), accepted, filterIndex, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectPrint(PrintDialogRequest::TPrintRange range, int fromPage, int toPage,
                                              int copies, bool accepted)
{
    Answer a;
    a.kind = Answer::Print;
    a.accepted = accepted;
    a.print.PrintRange = range;
    a.print.FromPage = fromPage;
    a.print.ToPage = toPage;
    a.print.Copies = copies;
    script_.push_back(std::move(a));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectFiles(std::vector<std::string> paths, bool accepted)
{
    Answer a{Answer::File, {}, mrOk, {}, accepted, 0, {}};
    a.paths = std::move(paths);
    script_.push_back(std::move(a));
    return *this;
}

void ScriptedDialogs::clear()
{
    script_.clear();
    seen_.clear();
    failures_.clear();
}

bool ScriptedDialogs::take(Answer::Kind kind, const AnsiString& text, Answer& out)
{
    static const char* kKinds[] = {"box", "query", "file dialog", "print dialog"};
    if (script_.empty()) {
        failures_.push_back(std::string("unexpected ") + kKinds[kind] + ": " + text);
        return false;
    }
    Answer next = script_.front();
    script_.erase(script_.begin());
    if (next.kind != kind) {
        failures_.push_back(std::string("expected a ") + kKinds[next.kind] + ", got a " + kKinds[kind] +
                            ": " + text);
        return false;
    }
    if (!next.expectContains.empty() && text.find(next.expectContains) == std::string::npos) {
        failures_.push_back("expected a " + std::string(kKinds[kind]) + " containing \"" +
                            next.expectContains + "\", got: " + text);
        return false;
    }
    out = next;
    return true;
}

int ScriptedDialogs::messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                                int helpContext)
{
    seen_.push_back({Answer::Box, msg, type, buttons, helpContext, {}, {}, {}});
    Answer a;
    if (!take(Answer::Box, msg, a))
        return (buttons & mbOK) ? mrOk : (buttons & mbNo) ? mrNo : mrCancel;
    // A scripted answer must be a button the box offers (Cancel is also Escape).
    const TMsgDlgButtons needed = a.result == mrYes    ? TMsgDlgButtons(mbYes)
                                  : a.result == mrNo   ? TMsgDlgButtons(mbNo)
                                  : a.result == mrOk   ? TMsgDlgButtons(mbOK)
                                  : a.result == mrHelp ? TMsgDlgButtons(mbHelp)
                                                       : TMsgDlgButtons(0);
    const TMsgDlgButtons offered = buttons ? buttons : TMsgDlgButtons(mbOK);
    if (needed && !(offered & needed))
        failures_.push_back(Format("answer %d is not a button of the box: ", a.result) + msg);
    return a.result;
}

int ScriptedDialogs::messageBox(const AnsiString& text, const AnsiString&, TMsgDlgButtons buttons,
                                TMsgDlgType icon)
{
    return messageDlg(text, icon, buttons, 0);
}

bool ScriptedDialogs::inputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value)
{
    QString text = ToQString(value);
    if (!inputQueryText(caption, prompt, text))
        return false;
    value = FromQString(text);
    return true;
}

bool ScriptedDialogs::inputQueryText(const AnsiString& caption, const AnsiString& prompt, QString& value)
{
    seen_.push_back(
        {Answer::Query, caption + ": " + prompt, mtInformation, 0, 0, FromQString(value), {}, {}});
    Answer a;
    if (!take(Answer::Query, caption + ": " + prompt, a) || !a.accepted)
        return false;
    value = a.typed ? QString::fromUtf8(a.text.data(), qsizetype(a.text.size())) : ToQString(a.text);
    return true;
}

bool ScriptedDialogs::fileDialog(const FileDialogRequest& request, std::string& path)
{
    int filterIndex = 0;
    return fileDialogWithFilter(request, path, filterIndex);
}

bool ScriptedDialogs::fileDialogWithFilter(const FileDialogRequest& request, std::string& path,
                                           int& filterIndex)
{
    const bool folder = request.kind == FileDialogRequest::Folder;
    seen_.push_back({Answer::File,
                     request.title,
                     mtInformation,
                     0,
                     0,
                     folder ? request.initialDir : request.fileName,
                     {},
                     request});
    filterIndex = request.filterIndex;
    Answer a;
    if (!take(Answer::File, request.title, a) || !a.accepted)
        return false;
    if (folder && request.onFolderChange) {
        int enabledOK = -1;
        AnsiString status;
        request.onFolderChange(a.text, enabledOK, status);
        if (enabledOK == 0) {
            failures_.push_back("the folder picker's OK button is disabled for " + a.text);
            return false;
        }
    }
    path = a.text;
    if (a.filterIndex > 0)
        filterIndex = a.filterIndex;
    return true;
}

bool ScriptedDialogs::printDialog(PrintDialogRequest& request)
{
    Seen seen{Answer::Print, "Print", mtInformation, 0, request.HelpContext, {}, request, {}};
    seen_.push_back(seen);
    Answer a;
    if (!take(Answer::Print, "Print", a) || !a.accepted)
        return false;
    request.PrintRange = a.print.PrintRange;
    request.FromPage = a.print.FromPage;
    request.ToPage = a.print.ToPage;
    request.Copies = a.print.Copies;
    return true;
}

bool ScriptedDialogs::fileDialogMulti(const FileDialogRequest& request, std::vector<std::string>& paths)
{
    seen_.push_back({Answer::File, request.title, mtInformation, 0, 0, request.fileName, {}, request});
    Answer a;
    if (!take(Answer::File, request.title, a) || !a.accepted)
        return false;
    paths = a.paths.empty() ? std::vector<std::string>{a.text} : a.paths;
    return true;
}

} // namespace qm
