#pragma once
// The Qt side of the Dialogs seam: real message boxes, input queries and file pickers, and
// RunModal, through which every modal dialog of the program is run (tests replace it).
#include <functional>

#include "platform/Dialogs.h"

class QDialog;
class QString;
class QWidget;

namespace qm {

class QtDialogs : public DialogHandler {
public:
    int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override;
    int messageBox(const AnsiString& text, const AnsiString& caption, TMsgDlgButtons buttons,
                   TMsgDlgType icon) override;
    bool inputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override;
    bool inputQueryText(const AnsiString& caption, const AnsiString& prompt, QString& value) override;
    bool fileDialog(const FileDialogRequest& request, std::string& path) override;
    // A Save picker appends the extension of the chosen filter (or the request's default one
    // when that filter has none of its own) to a name typed without one, before it asks
    // whether an existing file is to be replaced: the question is about the file written.
    bool fileDialogWithFilter(const FileDialogRequest& request, std::string& path, int& filterIndex) override;
    bool printDialog(PrintDialogRequest& request) override;
    bool fileDialogMulti(const FileDialogRequest& request, std::vector<std::string>& paths) override;
};

// A message box's text broken into lines no wider than maxWidth, as width measures a line. A
// line is broken at a blank, which gives way to the break; text in double quotes (a file's
// path, a store's or an item's name) stays on one line where it fits in one, and one that does
// not is broken after a "/" or at a blank inside it. A word wider than a line on its own is
// broken where it must. Lines that fit, and the text's own line breaks, stay as they are.
using MessageTextWidth = std::function<int(const QString& line)>;
QString WrapMessageText(const QString& text, int maxWidth, const MessageTextWidth& width);

// Installs QtDialogs as the handler (called once by the program at start).
void InstallQtDialogs();

// Runs a dialog modally and answers its mr* result (QDialog::Accepted gives mrOk unless the
// dialog set its own result). Tests install a hook that plays the user's part instead.
using ModalHook = std::function<int(QDialog&)>;
int RunModal(QDialog& dialog);
ModalHook SetModalHook(ModalHook hook);

} // namespace qm
