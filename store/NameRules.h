#pragma once
// The one check of a name typed by the user for a store, category, item, aisle or errand:
// whether the store file, and the lists the loader builds from it, carry the name back
// exactly as it was typed. Every dialog, query and command that takes a new name asks here.
// Names already in a file that break these rules still load as the file format implies;
// they are refused only as new input.
#include <QString>

#include "platform/AnsiString.h"

namespace qm {

enum class NameKind { Store, Category, Item, Aisle, Errand };

// Empty when the name can be stored; otherwise one sentence saying what is wrong with it.
AnsiString NameProblem(NameKind kind, const AnsiString& name);
// The same for text as typed, which must also fit the program's 8-bit character set
// (Windows-1252); a character outside it is named in the answer.
AnsiString NameProblem(NameKind kind, const QString& typed);

// Shows the problem in an error box and answers false; true when the name is fine.
bool AcceptName(NameKind kind, const AnsiString& name);
bool AcceptName(NameKind kind, const QString& typed);

// The note of an item, which sits between two ",-," separators in the item's line: empty when
// the line can hold it and give it back unchanged; otherwise one sentence saying why not (a
// line break, or ",-," formed by the note alone or with the commas around it).
AnsiString NoteProblem(const AnsiString& note);
// The same for text as typed, which must also fit Windows-1252.
AnsiString NoteProblem(const QString& typed);
// Shows the problem in an error box and answers false; true when the note is fine.
bool AcceptNote(const QString& typed);

// The longest store file name this file system takes, in bytes of UTF-8 ("<name>.store").
inline constexpr size_t kMaxStoreFileNameBytes = 255;

} // namespace qm
