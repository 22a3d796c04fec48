#include "store/NameRules.h"

#include <QList>

#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "store/StoreFiles.h"

namespace qm {

namespace {

const char* KindWord(NameKind kind)
{
    switch (kind) {
    case NameKind::Store:
        return "store";
    case NameKind::Category:
        return "category";
    case NameKind::Item:
        return "item";
    case NameKind::Aisle:
        return "aisle";
    case NameKind::Errand:
        return "errand";
    case NameKind::Note:
        return "note";
    }
    return "name";
}

// "an aisle", "an errand", "an item", "a store", "a category".
const char* Article(const char* word)
{
    return std::string_view("aeiou").find(word[0]) != std::string_view::npos ? "an" : "a";
}

bool Contains(const AnsiString& s, const char* part)
{
    return s.find(part) != AnsiString::npos;
}
bool EndsWith(const AnsiString& s, std::string_view end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}
bool HasLineBreak(const AnsiString& s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != AnsiString::npos;
}

// A note sits between two separators of the item's line, so it must not make one of its own
// nor run into a neighbour (the reader finds overlapping separators): in the line it stands
// as ",-," note ",-,", and no separator may appear there but the two around it.
AnsiString NoteProblem(const AnsiString& note)
{
    auto problem = [&](const char* why) {
        return Format("The note \"%s\" cannot be used: %s", note.c_str(), why);
    };
    if (HasLineBreak(note))
        return problem("it must not contain a line break.");
    if (("," + note + ",").find(kFieldSeparator) != AnsiString::npos)
        return problem("it must not contain \",-,\", which separates the fields of an item, nor begin with "
                       "\"-,\", end with \",-\" or be \"-\" alone.");
    return {};
}

} // namespace

AnsiString StoredNameProblem(NameKind kind, const AnsiString& name)
{
    if (kind == NameKind::Note)
        return NoteProblem(name);
    const char* word = KindWord(kind);
    auto problem = [&](const char* why) {
        return Format("The %s name \"%s\" cannot be used: %s", word, name.c_str(), why);
    };

    bool allBlank = true;
    for (char c : name)
        allBlank = allBlank && IsIniBlank(c);
    if (allBlank)
        return Format("Please enter %s %s name: it must not be empty.", Article(word), word);
    if (HasLineBreak(name))
        return problem("it must not contain a line break.");
    if (IsIniBlank(name.front()) || IsIniBlank(name.back()))
        return problem("it must not begin or end with a blank.");

    switch (kind) {
    case NameKind::Store:
        if (name == "." || name == ".." || Contains(name, "/"))
            return problem("a store name must not contain \"/\" and must not be \".\" or \"..\".");
        // The lock and temporary files have names of their own, so the store file's own name
        // is the one that must fit.
        if (ToFileName(name).size() + 6 > kMaxStoreFileNameBytes)
            return problem("it is too long for a file name.");
        return {};
    case NameKind::Item:
    case NameKind::Errand:
        // Both are keys of an INI section.
        if (Contains(name, "="))
            return problem("it must not contain \"=\".");
        if (name.front() == '[' || name.front() == ';')
            return problem("it must not begin with \"[\" or \";\".");
        break;
    case NameKind::Category:
        if (Contains(name, "]"))
            return problem("it must not contain \"]\".");
        // The name is also a key of "--Hidden Cats--" and "--Aisle Guesses--".
        if (Contains(name, "="))
            return problem("it must not contain \"=\".");
        if (name.compare(0, 2, "--") == 0)
            return problem("it must not begin with \"--\", which marks the store file's own sections.");
        if (name.front() == '[' || name.front() == ';')
            return problem("it must not begin with \"[\" or \";\".");
        break;
    case NameKind::Aisle:
        if (Contains(name, kFieldSeparator) || EndsWith(name, ",-"))
            return problem(
                "it must not contain \",-,\", which separates the fields of an item, nor end with \",-\".");
        break;
    case NameKind::Note:
        break;
    }

    // Categories, items, aisles and errands are read back from lists joined with ",,".
    if (Contains(name, kListSeparator) || name.front() == ',' || name.back() == ',')
        return problem("it must not contain \",,\" nor begin or end with a comma.");
    return {};
}

AnsiString NameProblem(NameKind kind, const AnsiString& name)
{
    if (AnsiString problem = StoredNameProblem(kind, name); !problem.empty())
        return problem;
    // The last selected row is stored as item "&-&" category; such a name only spoils that
    // remembered selection, so names already in a file keep it.
    if ((kind == NameKind::Category || kind == NameKind::Item) && Contains(name, "&-&"))
        return Format("The %s name \"%s\" cannot be used: it must not contain \"&-&\".", KindWord(kind),
                      name.c_str());
    return {};
}

AnsiString NameProblem(NameKind kind, const QString& typed)
{
    for (const char32_t cp : typed.toUcs4()) {
        if (UnicodeToCp1252(cp) < 0)
            return Format("The %s%s cannot be used: the character U+%04X cannot be stored in a store file.",
                          KindWord(kind), kind == NameKind::Note ? "" : " name", unsigned(cp));
    }
    return NameProblem(kind, FromQString(typed));
}

namespace {

bool Report(const AnsiString& problem)
{
    if (problem.empty())
        return true;
    MessageDlg(problem, mtError, mbOK, 0);
    return false;
}

} // namespace

bool AcceptName(NameKind kind, const AnsiString& name)
{
    return Report(NameProblem(kind, name));
}
bool AcceptName(NameKind kind, const QString& typed)
{
    return Report(NameProblem(kind, typed));
}

} // namespace qm
