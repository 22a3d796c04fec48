#pragma once
// Every box and question the program puts to the user goes through this seam. The window
// program installs the Qt implementation (platform/gui/QtDialogs); tests install a
// ScriptedDialogs that answers each box in turn and fails on a box nobody expected.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbHelp = 1u << 4,
};
using TMsgDlgButtons = unsigned;

enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrHelp = 9, // the Help button: opens help, never counts as Yes
};

// What a file or folder picker is asked for. The folder and file name are paths, the system's
// bytes, and so is every path a picker answers; the texts are program text.
struct FileDialogRequest {
    enum Kind { Open, Save, Folder } kind = Open;
    AnsiString title;
    AnsiString filter; // "Store files (*.store)|*.store|All files (*.*)|*.*"
    std::string initialDir;
    std::string fileName;
    AnsiString defaultExt;    // Save: the extension of a name typed without one (see QtDialogs)
    bool multiSelect = false; // Open: several files may be chosen (fileDialogMulti)
    // Folder: called whenever the selection in the picker changes, with its path. enabledOK
    // comes in as -1 (leave the OK button as it is); 0 or 1 disables or enables it. Text put
    // into statusText is shown as the picker's status line.
    std::function<void(const std::string& folder, int& enabledOK, AnsiString& statusText)> onFolderChange =
        {};
    bool statusLine = false; // Folder: the picker shows a status line
    int filterIndex = 1;     // the filter shown first, counted from 1
};

// The print dialog: what it shows and, once confirmed, what the user chose. Pages count from 1;
// the dialog offers FromPage..ToPage within MinPage..MaxPage.
struct PrintDialogRequest {
    enum TPrintRange { prAllPages, prSelection, prPageNums };
    int Copies = 1;
    int FromPage = 1;
    int ToPage = 1;
    int MinPage = 1;
    int MaxPage = 99;
    TPrintRange PrintRange = prAllPages;
    bool Collate = false;
    bool PageNumbers = true; // the page-range choice is offered
    int HelpContext = 0;     // 0: no help button
};

class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    virtual int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpContext) = 0;
    // A plain system box captioned with the given caption; flags are OK or Yes/No. icon is
    // the box's icon: mtError, mtWarning, mtConfirmation (a question), mtInformation, or
    // mtCustom for none.
    virtual int messageBox(const AnsiString& text, const AnsiString& caption, TMsgDlgButtons buttons,
                           TMsgDlgType icon) = 0;
    // Returns false when cancelled; value holds the initial text and receives the answer.
    virtual bool inputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) = 0;
    // The same, with the answer as typed: it may hold characters the program's 8-bit text
    // cannot, which a name check must see rather than their "?". A handler without it
    // answers through inputQuery.
    virtual bool inputQueryText(const AnsiString& caption, const AnsiString& prompt, QString& value);
    // Returns false when cancelled; path receives the chosen file or folder.
    virtual bool fileDialog(const FileDialogRequest& request, std::string& path) = 0;
    // An Open picker that may return several files (request.multiSelect); paths receives them
    // in the picker's order. A handler without one answers its single-file picker's choice.
    virtual bool fileDialogMulti(const FileDialogRequest& request, std::vector<std::string>& paths)
    {
        std::string path;
        if (!fileDialog(request, path))
            return false;
        paths = {path};
        return true;
    }
    // As fileDialog; filterIndex also receives the filter the user chose, counted from 1. A
    // handler that offers no choice answers the request's own filterIndex.
    virtual bool fileDialogWithFilter(const FileDialogRequest& request, std::string& path, int& filterIndex)
    {
        filterIndex = request.filterIndex;
        return fileDialog(request, path);
    }
    // Returns false when cancelled; otherwise request holds the user's copies, range and pages,
    // and the printer chosen is the current printer. A handler that cannot ask answers as
    // cancelled.
    virtual bool printDialog(PrintDialogRequest& request) { return false; }
};

// Installs the handler used from now on and returns the previous one.
std::shared_ptr<DialogHandler> SetDialogHandler(std::shared_ptr<DialogHandler> handler);
DialogHandler& Dialogs();

// A box with a message, a kind and buttons; answers an mr* value. A Help answer opens the
// help at helpContext and is returned as mrHelp.
int MessageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
void ShowMessage(const AnsiString& msg);
// A plain system box captioned "Quillmart", with the icon of the given kind.
int MessageBoxQ(const AnsiString& text, TMsgDlgButtons buttons, TMsgDlgType icon);
bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value);
// A query whose answer is checked as typed (names go through NameProblem's QString form).
bool InputQuery(const AnsiString& caption, const AnsiString& prompt, QString& value);
bool PromptForFile(const FileDialogRequest& request, std::string& path);
// The same, telling which of the request's filters the user chose (counted from 1).
bool PromptForFile(const FileDialogRequest& request, std::string& path, int& filterIndex);
// The print dialog; false when cancelled.
bool PromptForPrint(PrintDialogRequest& request);
// The files chosen in an Open picker that allows several (request.multiSelect).
bool PromptForFiles(const FileDialogRequest& request, std::vector<std::string>& paths);

// Where a picker starts that has no folder of its own yet: the user's home folder ($HOME, else
// the user's entry in the password file), with a trailing "/". Never the working folder, which
// is wherever the program happened to be started from.
std::string HomeFolder();
// The folder of a file a picker answered, with its trailing "/" ("/a/b.pdf" gives "/a/"); empty
// for a bare name. A picker that remembers where it was used starts there next time.
std::string FolderOfChoice(const std::string& path);

// The answering machine for tests: each expected box is matched in order; a box that comes
// when none is expected, or that does not match, is recorded as a failure.
class ScriptedDialogs : public DialogHandler {
public:
    struct Answer {
        enum Kind { Box, Query, File, Print } kind = Box;
        std::string expectContains; // the box text must contain this (empty: any)
        int result = mrOk;
        std::string text; // the answer of a query (program text) or a file picker (a path)
        bool accepted = true;
        int filterIndex = 0;                 // the filter a file picker's user chose; 0: the one shown
        PrintDialogRequest print;            // a print dialog's answer: range, pages and copies
        std::vector<std::string> paths = {}; // the answer of a picker of several files
        bool typed = false;                  // a query's text is UTF-8 as typed, not program text
    };
    struct Seen {
        Answer::Kind kind;
        AnsiString text;
        TMsgDlgType type = mtInformation;
        TMsgDlgButtons buttons = 0;
        int helpContext = 0;
        AnsiString initial;       // a query's initial text, a file dialog's preset file name (a
                                  // folder picker's preset folder)
        PrintDialogRequest print; // a print dialog's request as it came
        FileDialogRequest file;   // a file or folder picker's request as it came
    };

    ScriptedDialogs& expectBox(std::string contains, int result = mrOk);
    ScriptedDialogs& expectQuery(std::string contains, AnsiString answer, bool accepted = true);
    // A query answered with text typed in UTF-8, which may hold characters outside the
    // program's 8-bit text (a query read as program text gets "?" for them).
    ScriptedDialogs& expectQueryTyped(std::string contains, std::string utf8Answer);
    // A folder picker's answer first passes its request's onFolderChange, as the selection
    // the person made; an OK button that it disables cannot be clicked, which is a failure.
    ScriptedDialogs& expectFile(std::string path, bool accepted = true, int filterIndex = 0);
    // A print dialog answered with the given range, pages and copies; not accepted: cancelled.
    ScriptedDialogs& expectPrint(PrintDialogRequest::TPrintRange range, int fromPage = 1, int toPage = 1,
                                 int copies = 1, bool accepted = true);
    ScriptedDialogs& expectFiles(std::vector<std::string> paths, bool accepted = true);

    const std::vector<Seen>& seen() const { return seen_; }
    const std::vector<std::string>& failures() const { return failures_; }
    size_t pending() const { return script_.size(); }
    void clear();

    int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override;
    int messageBox(const AnsiString& text, const AnsiString& caption, TMsgDlgButtons buttons,
                   TMsgDlgType icon) override;
    bool inputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override;
    bool inputQueryText(const AnsiString& caption, const AnsiString& prompt, QString& value) override;
    bool fileDialog(const FileDialogRequest& request, std::string& path) override;
    bool fileDialogMulti(const FileDialogRequest& request, std::vector<std::string>& paths) override;
    bool fileDialogWithFilter(const FileDialogRequest& request, std::string& path, int& filterIndex) override;
    bool printDialog(PrintDialogRequest& request) override;

private:
    bool take(Answer::Kind kind, const AnsiString& text, Answer& out);
    std::vector<Answer> script_;
    std::vector<Seen> seen_;
    std::vector<std::string> failures_;
};

} // namespace qm
