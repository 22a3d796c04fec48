#pragma once
// File helpers: a file name without folder and extension, whether a file or folder exists, a
// whole-file copy, and the paths of the user's standard folders. Paths are the file system's
// bytes (platform/AnsiString.h); messages show them through FromFileName.
#include <string>

#include "platform/AnsiString.h"

namespace qm {

// The name after the last "/" without its extension (from the last "." of the name on); a
// name without a dot is returned whole. "\" and ":" are ordinary characters of a name here.
// Works on bytes: a path's name comes back in the file system's bytes.
std::string ExtractFileNameNoExt(const std::string& path);

// Whether path names a regular file, or a folder (links followed); false when it cannot be
// looked at.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Copies the whole content of source to dest, creating dest or replacing it once the copy is
// whole. Errors raise EInOutError naming the file and the system's reason; a copy that fails
// leaves dest as it was (or absent). Copying a file onto itself leaves it as it is.
void CopyFileByStream(const std::string& source, const std::string& dest);

// The path of a standard folder, without a trailing "/": "AppData" (in any case) gives
// $XDG_DATA_HOME, or ~/.local/share when that is unset, as the environment's bytes. Any other
// name gives empty text.
std::string GetShellFolder(const AnsiString& folderName);

} // namespace qm
