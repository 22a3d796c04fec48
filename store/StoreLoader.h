#pragma once
// Listing the store files of the storage folder, and reading a whole store file into QMStore.
#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "store/QMStore.h"
#include "store/StoreFiles.h"

namespace qm {

// File attributes of a search mask. On this platform a name beginning with "." is hidden;
// read-only, system and archive do not narrow the search.
enum TFileAttr : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};
// The mask the store listing uses: read-only, hidden, system and archive (no directories).
constexpr int kStoreFileAttr = faReadOnly | faHidden | faSysFile | faArchive;

// Every file under the folder of pathMask whose name matches its name part ("*" and "?"
// wildcards), with its full path: depth first, each folder's matches in the order the file
// system gives them, then its subfolders (symbolic links to folders are not followed).
// Directories match only when attributes include faDirectory; hidden names only with
// faHidden. A folder that cannot be read contributes nothing.
std::vector<std::string> FindFiles(const std::string& pathMask, int attributes);

// The store picker's order, wherever it is filled or sorted again: by store name without
// regard to case (CompareNames), and names that differ only in letter case by their bytes, so
// that the order never depends on the order in which the file system lists the files.
bool StorePickerLess(const AnsiString& a, const AnsiString& b);

// The store picker's entries from found store files: each cut to its name without folder and
// extension, in the picker's order (StorePickerLess). Names no store routine could open are
// left out: the empty name of a file called only ".store", "." and "..", and names the
// program's text cannot hold.
std::vector<AnsiString> StoreNamesFromFiles(const std::vector<std::string>& paths);
// FindFiles(storesFolder + "*.store", kStoreFileAttr) turned into picker entries; the folder
// is the file system's bytes, as TFormMain keeps it.
std::vector<AnsiString> ListStoreNames(const std::string& storesFolder);

struct LoadStoreResult {
    bool Found = false; // false: the store was left as it was (no file, or Error says why)
    // Why an existing file was refused: not a regular file (a folder, a pipe), larger than
    // kMaxIniFileBytes, or unreadable. The message names the file.
    AnsiString Error;
    AnsiString ExpiredReport; // "The following coupons have expired:" + lines; empty when none
};

// Reads StoresFolder + name + ".store" into store: name, addresses, coupon acceptance,
// errands, aisles, categories with their items (sorted), the selection of LastItemSelected;
// then clears coupons that expired before today (expiry above 5000), writes those items back
// with carry-over as one batch (one rewrite of each affected store file), and returns the
// report the window shows. Lists of any length load completely. An item whose line the file
// cannot hold is left out of the batch and named in one error box; carry-over failures are
// reported once, at the end.
//
// The store is read from one look at its file (IniFile::Read): another program's change made
// meanwhile is all in it or not at all, and a file that goes away meanwhile is not found, the
// store left as it was. With watch (a window's, IniFile::Watch), the watch knows afterwards the
// version read, and the expired coupons are written back only while the file is still that
// version: when another program changes it in between, it is read again.
LoadStoreResult LoadStoreData(const StoreContext& ctx, QMStore& store, const AnsiString& name,
                              IniFile::Watch* watch = nullptr);

} // namespace qm
