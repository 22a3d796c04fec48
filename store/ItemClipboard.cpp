#include "store/ItemClipboard.h"

#include <set>

#include "platform/Exception.h"
#include "platform/Registry.h"
#include "store/StoreFiles.h"
#include "util/RegUtils.h"

namespace qm {

namespace {

constexpr const char* kNameValue = "Name";

AnsiString ClipboardPath(const AnsiString& company, const AnsiString& product)
{
    return "\\Software\\" + company + "\\" + product + "\\" + kClipboardSection;
}

bool NameFitsKey(const AnsiString& name)
{
    return !name.empty() && name.find('\\') == AnsiString::npos && name.find(",,,") == AnsiString::npos &&
           name.front() != ',' && name.back() != ',';
}

AnsiString StandInKey(const AnsiString& name)
{
    AnsiString key = name.empty() ? AnsiString("(no name)") : name;
    for (char& c : key) {
        if (c == '\\')
            c = '/';
        else if (c == ',')
            c = ';';
    }
    return key;
}

} // namespace

bool ClipboardHasEntries(const AnsiString& company, const AnsiString& product)
{
    return RegKeyExists(company, product, kClipboardSection);
}

std::vector<ClipboardEntry> ClipboardEntriesFor(const std::vector<QMItem>& items)
{
    std::vector<ClipboardEntry> entries;
    entries.reserve(items.size());
    // Keys match without regard to case; names that are their own key are reserved first so
    // that no stand-in takes one of them.
    std::set<AnsiString> used;
    for (const QMItem& it : items)
        if (NameFitsKey(it.Name))
            used.insert(UpperName(it.Name));
    for (const QMItem& it : items) {
        ClipboardEntry e;
        e.Name = it.Name;
        if (NameFitsKey(it.Name)) {
            e.Key = it.Name;
        } else {
            const AnsiString base = StandInKey(it.Name);
            e.Key = base;
            for (int n = 2; used.count(UpperName(e.Key)); ++n)
                e.Key = base + " (" + std::to_string(n) + ")";
            used.insert(UpperName(e.Key));
        }
        e.Qty = it.Qty;
        e.Aisle = it.Aisle;
        e.Note = it.Note;
        e.HasCoupon = it.HasCoupon;
        e.CouponExpire = it.CouponExpire;
        e.IsStoreCoupon = it.IsStoreCoupon;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<ClipboardEntry> WriteClipboard(const AnsiString& company, const AnsiString& product,
                                           const std::vector<QMItem>& items)
{
    const AnsiString path = ClipboardPath(company, product);
    std::vector<ClipboardEntry> entries = ClipboardEntriesFor(items);
    // One transaction: another window reads the previous copy or this one, never a part of
    // this one or a mix with a copy of its own made at the same moment.
    TRegistryTransaction transaction(TRegistryTransaction::ForWriting);
    TRegistry reg(HKEY_CURRENT_USER);
    reg.DeleteKey(path); // the clipboard holds only the last copy
    for (const ClipboardEntry& e : entries) {
        if (!reg.OpenKey(path + "\\" + e.Key, true))
            throw ERegistryException(Format("Failed to create key '%s'", e.Key.c_str()));
        reg.WriteInteger("Qty", e.Qty);
        reg.WriteString("Aisle", e.Aisle);
        reg.WriteString("Note", e.Note);
        reg.WriteBool("Coupon", e.HasCoupon);
        reg.WriteFloat("CouponExpire", e.CouponExpire);
        reg.WriteBool("IsStoreCoupon", e.IsStoreCoupon);
        if (e.Key != e.Name)
            reg.WriteString(kNameValue, e.Name);
    }
    transaction.Commit();
    return entries;
}

std::vector<AnsiString> ClipboardKeys(const AnsiString& company, const AnsiString& product)
{
    TRegistry reg(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(ClipboardPath(company, product)))
        return {};
    return reg.GetKeyNames();
}

ClipboardEntry ReadClipboardEntry(const AnsiString& company, const AnsiString& product, const AnsiString& key)
{
    ClipboardEntry e;
    e.Key = key;
    e.Name = key;
    TRegistry reg(HKEY_CURRENT_USER);
    if (key.empty() || key.find('\\') != AnsiString::npos ||
        !reg.OpenKeyReadOnly(ClipboardPath(company, product) + "\\" + key))
        return e;
    e.Qty = reg.TryReadInteger("Qty").value_or(0);
    e.Aisle = reg.TryReadString("Aisle").value_or(AnsiString());
    e.Note = reg.TryReadString("Note").value_or(AnsiString());
    e.HasCoupon = reg.TryReadBool("Coupon").value_or(false);
    e.CouponExpire = reg.TryReadFloat("CouponExpire").value_or(0.0);
    e.IsStoreCoupon = reg.TryReadBool("IsStoreCoupon").value_or(false);
    if (AnsiString name = reg.TryReadString(kNameValue).value_or(AnsiString()); !name.empty())
        e.Name = std::move(name);
    return e;
}

std::vector<ClipboardEntry> ReadClipboard(const AnsiString& company, const AnsiString& product)
{
    std::vector<ClipboardEntry> entries;
    // The names and every entry as of one moment, whatever other windows copy meanwhile.
    TRegistryTransaction snapshot(TRegistryTransaction::ForReading);
    for (const AnsiString& key : ClipboardKeys(company, product))
        entries.push_back(ReadClipboardEntry(company, product, key));
    return entries;
}

void ClearClipboard(const AnsiString& company, const AnsiString& product)
{
    RegDeleteKey(company, product, kClipboardSection);
}

void DeleteClipboardEntry(const AnsiString& company, const AnsiString& product, const AnsiString& key)
{
    // A key name with "\" would name a key further down; no entry is named so.
    if (key.empty() || key.find('\\') != AnsiString::npos)
        return;
    RegDeleteSubKey(company, product, kClipboardSection, key);
}

AnsiString FormatClipboardLine(const ClipboardEntry& entry)
{
    AnsiString line = entry.Aisle;
    line += kFieldSeparator;
    line += entry.Note;
    line += kFieldSeparator;
    line += std::to_string(entry.Qty);
    line += kFieldSeparator;
    line += entry.HasCoupon ? "1" : "0";
    line += kFieldSeparator;
    line += FormatExpiry(entry.CouponExpire);
    line += kFieldSeparator;
    line += entry.IsStoreCoupon ? "1" : "0";
    return line;
}

} // namespace qm
