#pragma once
// The program's text: Windows-1252 bytes in a std::string. Conversion to Unicode happens only
// at the toolkit boundary (QString) and at the file system (UTF-8 file names).
//
// A path is not program text: it is the file system's bytes, in a std::string, as the system
// gives them (HOME, the XDG folders, a chosen file), in any script and also when they are no
// valid UTF-8. Only a store name becomes part of a path, through ToFileName.
#include <string>
#include <string_view>

class QString;

namespace qm {

using AnsiString = std::string;

QString ToQString(std::string_view ansi);
// Characters outside Windows-1252 become "?".
AnsiString FromQString(const QString& text);

// A UTF-8 file-system name from program text, and back. FromFileName also makes a path
// readable in a message: characters program text cannot hold, and bytes that are no UTF-8,
// are shown as "?" (for display only; such text never names a file again).
std::string ToFileName(std::string_view ansi);
AnsiString FromFileName(std::string_view utf8);

// A path for the toolkit (file dialogs, the print dialog, processes) and a path the toolkit
// gives back, as the system encodes file names. Bytes that are no UTF-8 do not survive the
// toolkit's strings; every other path does.
QString PathToQString(std::string_view path);
std::string PathFromQString(const QString& path);

// Name upper-casing: a-z become A-Z, every other byte stays as it is.
AnsiString UpperName(std::string_view s);
// Byte-wise comparison of two texts: <0, 0 or >0.
int CompareBytes(std::string_view a, std::string_view b);
// Compares the upper-cased names byte by byte.
int CompareNames(std::string_view a, std::string_view b);
inline bool SameName(std::string_view a, std::string_view b)
{
    return CompareNames(a, b) == 0;
}

// The Unicode code point of one Windows-1252 byte, and the byte of a code point (-1: none).
char32_t Cp1252ToUnicode(unsigned char byte);
int UnicodeToCp1252(char32_t cp);

} // namespace qm
