// The key lists of the one-pass update (IniFile::KeyList): the sections and keys of many
// updates, gathered by section as they are added and indexed at their first use.
#include "platform/IniKeyList.h"

#include <memory>
#include <string_view>

#include "platform/ByteScan.h"
#include "platform/Exception.h"

namespace qm {

using namespace ini_detail;

IniFile::KeyList::KeyList() : table_(std::make_unique<Table>()) {}
IniFile::KeyList::~KeyList() = default;

void IniFile::KeyList::Reserve(size_t n)
{
    table_->entries.reserve(n);
    table_->given.reserve(n);
    table_->names.reserve(n * 16);
}

void IniFile::KeyList::Add(const AnsiString& section, const AnsiString& key)
{
    Table& t = *table_;
    const size_t n = t.entries.size();
    const std::string_view name = Trim(section);
    // Lists mostly name one section many times in a row.
    long group = n > 0 && SameBytes(t.sections[t.entries.back().section].name, name)
                     ? long(t.entries.back().section)
                     : t.FindSection(name);
    if (group < 0) {
        group = long(t.sections.size());
        t.sections.push_back({name, 0, {}});
        t.sectionIndex.Insert(NameHash(name), uint32_t(group));
    }
    ++t.sections[size_t(group)].count;
    const std::string_view k = Trim(key);
    if (t.names.size() + k.size() > UINT32_MAX)
        throw EInOutError("The list of keys has grown past what one pass can hold.");
    Table::Entry& e =
        t.entries.emplace_back(Table::Entry{uint32_t(t.names.size()), uint32_t(k.size()), uint32_t(group)});
    t.names.append(k);
    t.given.push_back({&section, &key});
    e.namesTrimmed = name.size() == section.size() && k.size() == key.size();
    t.indexed = false;
}

const IniFile::KeyList::Table& IniFile::KeyList::Lookup() const
{
    if (!table_->indexed)
        table_->IndexKeys();
    return *table_;
}

} // namespace qm
