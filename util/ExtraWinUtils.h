#pragma once
// File helpers: a file name without folder and extension, whether a file or folder exists, a
// whole-file copy, and the paths of the user's standard folders.
#include "platform/AnsiString.h"

namespace qm {

// The name after the last "/" without its extension (from the last "." of the name on); a
// name without a dot is returned whole. "\" and ":" are ordinary characters of a name here.
AnsiString ExtractFileNameNoExt(const AnsiString& path);

// Whether path names a regular file, or a folder (links followed); false when it cannot be
// looked at.
bool FileExists(const AnsiString& path);
bool DirectoryExists(const AnsiString& path);

// Copies the whole content of source to dest, creating dest or replacing it once the copy is
// whole. Errors raise EInOutError naming the file and the system's reason; a copy that fails
// leaves dest as it was (or absent). Copying a file onto itself leaves it as it is.
void CopyFileByStream(const AnsiString& source, const AnsiString& dest);

// The path of a standard folder, without a trailing "/": "AppData" (in any case) gives
// $XDG_DATA_HOME, or ~/.local/share when that is unset. Any other name gives empty text.
AnsiString GetShellFolder(const AnsiString& folderName);

} // namespace qm
