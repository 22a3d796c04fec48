#pragma once
// Typed access to the program's settings under the current user's
// "Software\<company>\<product>\<section>" key, and the association of a file extension with
// the program. Each call opens the key, does one read, write or delete and closes it again:
// nothing is cached, so another program process sees each completed write at its next read.
//
// Encodings: booleans and integers are 32-bit values (a boolean reads true when not 0),
// floats and date-times the 8 bytes of a double, strings text. Readers give the default when
// the key or the value is missing; a value of another type raises ERegistryException
// "Invalid data type for '<name>'", and a failed write "Failed to set data for '<name>'".
#include <string>

#include "platform/AnsiString.h"
#include "platform/Clock.h"

namespace qm {

// Readers: company, product, section, [default,] value name.
bool RegReadBoolDef(const AnsiString& company, const AnsiString& product, const AnsiString& section, bool def,
                    const AnsiString& name);
bool RegReadBool(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                 const AnsiString& name);
int RegReadIntegerDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                      int def, const AnsiString& name);
int RegReadInteger(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                   const AnsiString& name);
double RegReadFloatDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                       double def, const AnsiString& name);
TDateTime RegReadDateTimeDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                             TDateTime def, const AnsiString& name);
TDateTime RegReadDateTime(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                          const AnsiString& name);
AnsiString RegReadStringDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                            const AnsiString& def, const AnsiString& name);
AnsiString RegReadString(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                         const AnsiString& name);
bool RegValueExists(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    const AnsiString& name);

// The names of the section's subkeys, each followed by separator, in the registry's order
// (sorted without regard to case), and their number; empty and 0 when the section is missing.
void RegGetKeyNames(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    AnsiString& names, int& count, const AnsiString& separator);

// Writers: company, product, section, value, value name. The key is created, with any
// missing parents, when it does not exist.
void RegWriteBool(const AnsiString& company, const AnsiString& product, const AnsiString& section, bool value,
                  const AnsiString& name);
void RegWriteInteger(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                     int value, const AnsiString& name);
void RegWriteFloat(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                   double value, const AnsiString& name);
void RegWriteDateTime(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                      TDateTime value, const AnsiString& name);
void RegWriteString(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    const AnsiString& value, const AnsiString& name);
// With expand set the value is stored as an expandable string.
void RegWriteString(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    bool expand, const AnsiString& value, const AnsiString& name);

// A file-system path kept as a setting (the storage folder). A path whose bytes the program's
// text can spell as a file name (UTF-8 of Windows-1252 characters, ToFileName) is stored as a
// string value holding that text, as earlier versions stored every path, so either version reads
// it; any other path (another script, bytes that are no UTF-8) as a binary value holding its
// bytes unchanged. The reader takes both: a string value is program text, turned into the file
// system's spelling; a binary value is the path's bytes. A value of another type raises
// "Invalid data type for '<name>'".
std::string RegReadPathDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                           const std::string& def, const AnsiString& name);
void RegWritePath(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                  const std::string& path, const AnsiString& name);

// Whether "Software\<company>\<product>\<key>" exists.
bool RegKeyExists(const AnsiString& company, const AnsiString& product, const AnsiString& key);
// Deletes "Software\<company>\<product>\<key>" with all its subkeys; nothing when missing.
void RegDeleteKey(const AnsiString& company, const AnsiString& product, const AnsiString& key);
// Deletes "Software\<company>\<product>\<section>\<key>" with all its subkeys.
void RegDeleteSubKey(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                     const AnsiString& key);

// Associates "*.<extension>" with the program. Under the classes root: the key
// ".<extension>" naming the ProgID (description with blanks turned into "_", then "Ref"),
// the ProgID with the description and EditFlags, its DefaultIcon (icon) and its
// Shell\Open\Command (command, a quoted program path followed by "%1" in quotes). On the
// desktop: a MIME type "application/x-<description in lower case, blanks as ->" matching the
// extension in $XDG_DATA_HOME/mime/packages, a desktop entry for the program in
// $XDG_DATA_HOME/applications that opens such files, made the default through xdg-mime and
// the MIME cache refreshed through update-mime-database when those tools are installed.
// Registry failures raise ERegistryException, file failures EInOutError; an empty or
// unusable extension or a command without a program raises ERegistryException before
// anything is written.
void RegisterFileType(const AnsiString& extension, const AnsiString& description, const AnsiString& icon,
                      const AnsiString& command);

} // namespace qm
