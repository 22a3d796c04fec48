#pragma once
// What every rewrite of a private-profile file takes first, shared by the editor (IniFile::Edit
// and the writes built on it) and the one-pass update (IniFile::UpdateKeysIfPresent): the
// checks and the file's lock before anything is written, and the mark that refuses a nested
// change of a file this thread is rewriting.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/IniFileSystem.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

// Files this thread is rewriting under their lock; a nested write of one of them would wait
// for itself.
extern thread_local std::vector<std::string> tEditing;

// What comes before every rewrite: a nested change of the file is refused, a folder, pipe or
// device under its name is refused before anything is made, and its lock is taken, so that
// other program windows wait until the rewrite is complete. False when there is nothing to do,
// only with ifPresent: for a file that reads as missing, and for one whose lock cannot be
// taken when wouldChange says the change would leave it as it is.
bool PrepareRewrite(const std::string& fileName, const std::string& target, bool ifPresent,
                    std::optional<RewriteLock>& lock, const std::function<bool()>& wouldChange);

// Marks the file as being changed by this thread for the object's life.
class EditingMark {
public:
    explicit EditingMark(const std::string& target) { tEditing.push_back(target); }
    ~EditingMark() { tEditing.pop_back(); }
    EditingMark(const EditingMark&) = delete;
    EditingMark& operator=(const EditingMark&) = delete;
};

} // namespace qm::ini_detail
#pragma GCC visibility pop
