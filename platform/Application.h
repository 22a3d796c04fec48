#pragma once
// The program's application object: its title (shown by the desktop for the program), the
// path of its help file, where the program itself lies, and its command line. Paths and
// arguments are the system's bytes.
#include <string>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

AnsiString ApplicationTitle();
void SetApplicationTitle(const AnsiString& title);

std::string ApplicationHelpFile();
void SetApplicationHelpFile(const std::string& path);

// The program's own path, and its folder with a trailing "/".
std::string ApplicationExeName();
std::string ApplicationFolder();

// The program's arguments after its own path, once the toolkit has taken the options that are
// its own: the program sets them from argv after the application object is made. Until then
// (a test program) they are the toolkit's list of arguments.
void SetApplicationArguments(int argc, char** argv);
std::vector<std::string> ApplicationArguments();

} // namespace qm
