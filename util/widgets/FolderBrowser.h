#pragma once
// TFolderBrowser: the browse-for-folder dialog as a component. Execute shows a folder picker
// through the Dialogs seam (a Qt folder dialog in the program; tests answer it) starting at
// Folder, and on OK leaves the chosen folder's path in Folder. Folders are paths: the system's
// bytes.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/AnsiString.h"

namespace qm {

enum TBrowseFlag : uint32_t {
    bfComputersOnly = 0x1000, // browse for a computer
    bfPrintersOnly = 0x2000,  // browse for a printer
    bfDirsOnly = 0x0001,      // file-system folders only
    bfStatusText = 0x0004,    // a status line under the folder list
};
// A set of TBrowseFlag. The picker of this platform lists file-system folders only, so
// bfDirsOnly always holds and there are no computers or printers to browse for.
using TBrowseFlags = uint32_t;

// Called whenever the selection in the dialog changes. EnabledOK comes in as -1 (leave the OK
// button alone); 0 or 1 disables or enables it. StatusText comes in empty; text put there is
// shown as the dialog's status line.
using TFolderChangeEvent =
    std::function<void(const std::string& Folder, int32_t& EnabledOK, AnsiString& StatusText)>;

class TFolderBrowser : public QObject {
    Q_OBJECT
public:
    // The owner must be a widget (the dialog is shown over its window); anything else raises
    // EInvalidOperation "I need WinControl!!!".
    explicit TFolderBrowser(QObject* owner);

    AnsiString Title = "Select folder"; // shown as the dialog's caption
    TBrowseFlags BrowseFlags = 0;
    TFolderChangeEvent OnChangeFolder;

    // The start folder before Execute, the chosen folder after it.
    const std::string& Folder() const { return folder_; }
    void SetFolder(const std::string& folder) { folder_ = folder; }

    // Shows the dialog modally: true with Folder set to the chosen folder's path when the person
    // confirms a choice, false with Folder unchanged when the dialog is cancelled. A start
    // folder that does not exist leaves the dialog at the folder last chosen in it, or at the
    // home folder when none has been (or that one is gone too).
    bool Execute();

    QWidget* OwnerWindow() const { return owner_; }

private:
    QPointer<QWidget> owner_;
    std::string folder_;
    std::string lastUsed_; // the folder last chosen, for this run
};

} // namespace qm
