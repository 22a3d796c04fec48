#pragma once
// The program's application object: its title (shown by the desktop for the program), the
// path of its help file, and where the program itself lies.
#include "platform/AnsiString.h"

namespace qm {

AnsiString ApplicationTitle();
void SetApplicationTitle(const AnsiString& title);

AnsiString ApplicationHelpFile();
void SetApplicationHelpFile(const AnsiString& path);

// The program's own path, and its folder with a trailing "/".
AnsiString ApplicationExeName();
AnsiString ApplicationFolder();

} // namespace qm
