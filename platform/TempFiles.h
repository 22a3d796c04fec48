#pragma once
// Temporary files in the user's temporary folder with names the system makes unique.
#include <string>
#include <string_view>

namespace qm {

// The temporary folder ($TMPDIR when it names a folder, else /tmp), without a trailing "/".
std::string TempFolder();

// Creates a new empty file "<prefix><unique part>.tmp" in the temporary folder, readable and
// writable by the user only, and returns its full file-system (UTF-8) path; the caller opens
// it and deletes it when done. A prefix containing "/" or a failure to create the file raises
// EInOutError.
std::string CreateTempFile(std::string_view prefix);

} // namespace qm
