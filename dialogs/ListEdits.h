#pragma once
// The changes made in a list editor (the aisle and errand editors), applied over the list as
// the store's file holds it when the editor closes: another program window may have changed the
// list while the editor was open, and only what its user changed may replace what it wrote.
#include <functional>
#include <optional>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

// One entry of a list: its name and its check mark (an errand's on-list flag; false for
// aisles). In the editor's list, Origin is the place in the list the editor opened on that the
// entry comes from, -1 for an entry added in the editor; elsewhere it is not used.
struct TListEntry {
    AnsiString Name;
    bool Checked = false;
    int Origin = -1;
};

// The editor's list (edited) made over the list as it is now (now), the editor having opened
// on opened. Names match without regard to case, the n-th entry of a name in one list the n-th
// of that name in the other. What the editor changed goes over now:
// - an entry removed in the editor leaves now (when now still has it);
// - an entry renamed or ticked in the editor takes that name or mark in now;
// - entries added in the editor come at their places, unless now has the same name added
//   meanwhile (then they are the same entry);
// - entries keep the editor's order; an entry now has that the editor did not open on follows
//   the entry it follows in now (first, when none does);
// - an entry the editor left alone keeps now's name and mark, and leaves when now lost it.
// When now is still opened the answer is edited itself. Nothing when a change cannot be made:
// an entry renamed or ticked in the editor that now no longer has; lost then names it (its name
// as the editor opened on it).
std::optional<std::vector<TListEntry>> MergeListEdits(const std::vector<TListEntry>& opened,
                                                      const std::vector<TListEntry>& edited,
                                                      const std::vector<TListEntry>& now, AnsiString& lost);

class TMainShared;
class StoreBatch;

// The editor's list written over the list as the open store's file holds it when the editor
// closes (MergeListEdits), in one change of the file as it is then (TMainShared's
// ChangeStoreFile): now gives the list from the store as read again when another program changed
// its file, write puts the merged list into the batch. True when it was written. When a change
// can no longer be made nothing is written, lost names the entry, and opened becomes the list as
// the file now holds it, for the editor to show.
bool WriteListEdits(TMainShared& main, std::vector<TListEntry>& opened, const std::vector<TListEntry>& edited,
                    const std::function<std::vector<TListEntry>()>& now,
                    const std::function<void(const std::vector<TListEntry>&, StoreBatch&)>& write,
                    AnsiString& lost);

} // namespace qm
