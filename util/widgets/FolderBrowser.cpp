#include "util/widgets/FolderBrowser.h"

#include <QWidget>

#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace qm {

namespace {

QObject* CheckedOwner(QObject* owner)
{
    if (!qobject_cast<QWidget*>(owner))
        throw EInvalidOperation("I need WinControl!!!");
    return owner;
}

} // namespace

TFolderBrowser::TFolderBrowser(QObject* owner)
    : QObject(CheckedOwner(owner)), owner_(qobject_cast<QWidget*>(owner))
{
}

bool TFolderBrowser::Execute()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Folder;
    request.title = Title;
    request.initialDir = folder_;
    request.statusLine = (BrowseFlags & bfStatusText) != 0;
    if (OnChangeFolder) {
        // The handler is called for every non-empty selection; what it leaves in its two answers
        // goes back to the dialog.
        const TFolderChangeEvent handler = OnChangeFolder;
        request.onFolderChange = [handler](const std::string& folder, int& enabledOK, AnsiString& status) {
            if (folder.empty())
                return;
            int32_t enabled = -1;
            AnsiString text;
            handler(folder, enabled, text);
            enabledOK = enabled;
            status = text;
        };
    }
    std::string chosen;
    if (!PromptForFile(request, chosen))
        return false;
    folder_ = chosen;
    return true;
}

} // namespace qm
