#pragma once
// The program's text: Windows-1252 bytes in a std::string. Conversion to Unicode happens only
// at the toolkit boundary (QString) and at the file system (UTF-8 file names).
#include <string>
#include <string_view>

class QString;

namespace qm {

using AnsiString = std::string;

QString ToQString(std::string_view ansi);
// Characters outside Windows-1252 become "?".
AnsiString FromQString(const QString& text);

// A UTF-8 file-system name from program text, and back.
std::string ToFileName(std::string_view ansi);
AnsiString FromFileName(std::string_view utf8);

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
