#include "util/widgets/FolderBrowser.h"

#include <QWidget>

#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "util/ExtraWinUtils.h"

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
    // A start folder that is not there (say, a storage folder that has gone) leaves the picker
    // where it was last used, or in the home folder the first time.
    request.initialDir = DirectoryExists(folder_)     ? folder_
                         : DirectoryExists(lastUsed_) ? lastUsed_
                                                      : HomeFolder();
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
    lastUsed_ = chosen;
    return true;
}

} // namespace qm
