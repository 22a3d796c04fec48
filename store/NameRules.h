#pragma once
// The one check of a name typed by the user for a store, category, item, aisle or errand:
// whether the store file, and the lists the loader builds from it, carry the name back
// exactly as it was typed. Every dialog, query and command that takes a new name asks here.
// Names already in a file that break these rules still load as the file format implies;
// they are refused only as new input.
//
// The rules (each kind also refuses a character outside Windows-1252, see the QString form):
//   every name: not empty nor blanks only; no blank at either end (the file trims them); no
//     line break;
//   store: no "/", not "." or "..", and "<name>.store" fits a file name;
//   item, errand (keys of a section): no "="; not beginning with "[" or ";";
//   category (a section, and a key of "--Hidden Cats--" and "--Aisle Guesses--"): no "]" and
//     no "="; not beginning with "--" (the file's own sections), "[" or ";";
//   aisle (field 1 of an item's line): no ",-,", not ending with ",-" (the separator after it
//     would be found one place early);
//   category, item, aisle, errand (read back from lists joined with ",,"): no ",,", not
//     beginning or ending with a comma;
//   category, item (the last selected row is item "&-&" category): no "&-&".
// A note is no name but shares the item's line, so it is checked here too: it may be empty or
// carry blanks, but holds no line break and no ",-,", and neither begins with "-," nor ends
// with ",-" nor is "-" alone.
#include <QString>

#include "platform/AnsiString.h"

namespace qm {

enum class NameKind { Store, Category, Item, Aisle, Errand, Note };

// Empty when the name can be stored; otherwise one sentence saying what is wrong with it.
AnsiString NameProblem(NameKind kind, const AnsiString& name);
// Only the rules of what a store file and the loader's lists carry back unchanged, without
// the rules for new names alone: for names that come from a store, such as pasted items.
AnsiString StoredNameProblem(NameKind kind, const AnsiString& name);
// The same for text as typed, which must also fit the program's 8-bit character set
// (Windows-1252); a character outside it is named in the answer.
AnsiString NameProblem(NameKind kind, const QString& typed);

// Shows the problem in an error box and answers false; true when the name is fine.
bool AcceptName(NameKind kind, const AnsiString& name);
bool AcceptName(NameKind kind, const QString& typed);

// The longest store file name this file system takes, in bytes of UTF-8 ("<name>.store").
inline constexpr size_t kMaxStoreFileNameBytes = 255;

} // namespace qm
