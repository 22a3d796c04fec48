#pragma once
// The program's own item clipboard, kept in the settings registry under
// "Software\<company>\<product>\Clipboard" so that every program window shares it and it
// outlives the program. Each copied item is one subkey, named with the item's name, holding
// Qty (32-bit), Aisle, Note, Coupon (32-bit 0/1), CouponExpire (8-byte double) and
// IsStoreCoupon (32-bit 0/1). Nothing records where the items came from.
//
// A name that a registry key cannot carry ("\" separates key names) or that would break the
// ",,,"-joined list of names (",,," inside, or a comma at either end) is not used as the
// key: the key gets a stand-in ("\" as "/", "," as ";", made unique) and the real name is
// stored in the key's value Name. Readers take Name when it is there, else the key's name.
#include <cstdint>
#include <vector>

#include "platform/AnsiString.h"
#include "store/QMStore.h"

namespace qm {

inline constexpr const char* kClipboardSection = "Clipboard";

struct ClipboardEntry {
    AnsiString Key;  // the subkey under Clipboard
    AnsiString Name; // the item's name
    int32_t Qty = 0;
    AnsiString Aisle;
    AnsiString Note;
    bool HasCoupon = false;
    double CouponExpire = 0;
    bool IsStoreCoupon = false;

    bool operator==(const ClipboardEntry&) const = default;
};

// Whether the Clipboard key exists.
bool ClipboardHasEntries(const AnsiString& company, const AnsiString& product);

// The entries the items would be written as: keys chosen as described above.
std::vector<ClipboardEntry> ClipboardEntriesFor(const std::vector<QMItem>& items);

// Replaces the clipboard's whole content with the items, in order; no items leave it empty
// (no Clipboard key). One transaction of the registry: other program windows read the
// previous content or the whole new one, and two copies made at once never mix. When a write
// fails the error is raised and the clipboard keeps its previous content. Answers the entries
// written.
std::vector<ClipboardEntry> WriteClipboard(const AnsiString& company, const AnsiString& product,
                                           const std::vector<QMItem>& items);

// The subkeys of Clipboard in the registry's order (by name without regard to case); empty
// when the clipboard is empty.
std::vector<AnsiString> ClipboardKeys(const AnsiString& company, const AnsiString& product);
// One entry; values that are missing read as 0, empty, false and 0.0. A value stored with
// another type raises ERegistryException.
ClipboardEntry ReadClipboardEntry(const AnsiString& company, const AnsiString& product,
                                  const AnsiString& key);
// Every entry, in the registry's order, read as of one moment (one transaction): a copy that
// another window makes meanwhile is either all there or not at all. There is no limit on
// their number.
std::vector<ClipboardEntry> ReadClipboard(const AnsiString& company, const AnsiString& product);

// Removes the whole clipboard; nothing when it is empty.
void ClearClipboard(const AnsiString& company, const AnsiString& product);
// Removes one entry by its key; nothing when it is not there.
void DeleteClipboardEntry(const AnsiString& company, const AnsiString& product, const AnsiString& key);

// The item line a pasted entry is written as: Aisle, Note, Qty, Coupon, CouponExpire and
// IsStoreCoupon joined with ",-," and no closing separator.
AnsiString FormatClipboardLine(const ClipboardEntry& entry);

} // namespace qm
