#include "dialogs/ListEdits.h"

#include "app/MainShared.h"

#include <unordered_map>
#include <unordered_set>

namespace qm {

namespace {

bool SameLists(const std::vector<TListEntry>& a, const std::vector<TListEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Name != b[i].Name || a[i].Checked != b[i].Checked)
            return false;
    return true;
}

// For each entry of from, the place in to of the entry it is: the n-th of its name (a-z folded)
// in from is the n-th of that name in to; -1 when to has fewer.
std::vector<int> MatchEntries(const std::vector<TListEntry>& from, const std::vector<TListEntry>& to)
{
    std::unordered_map<AnsiString, std::vector<int>> places;
    for (size_t j = 0; j < to.size(); ++j)
        places[UpperName(to[j].Name)].push_back(int(j));
    std::unordered_map<AnsiString, size_t> seen;
    std::vector<int> match(from.size(), -1);
    for (size_t i = 0; i < from.size(); ++i) {
        const AnsiString key = UpperName(from[i].Name);
        const size_t n = seen[key]++;
        if (const auto it = places.find(key); it != places.end() && n < it->second.size())
            match[i] = it->second[n];
    }
    return match;
}

} // namespace

std::optional<std::vector<TListEntry>> MergeListEdits(const std::vector<TListEntry>& opened,
                                                      const std::vector<TListEntry>& edited,
                                                      const std::vector<TListEntry>& now, AnsiString& lost)
{
    if (SameLists(opened, now))
        return edited;
    const std::vector<int> inNow = MatchEntries(opened, now);
    std::vector<int> fromOpened(now.size(), -1);
    for (size_t o = 0; o < opened.size(); ++o)
        if (inNow[o] >= 0)
            fromOpened[size_t(inNow[o])] = int(o);

    // The editor's entries in its order, each as now has it where the editor left it alone.
    std::vector<TListEntry> merged;
    std::vector<int> placeOf(opened.size(), -1); // where the entry from opened[o] is in merged
    std::unordered_set<AnsiString> addedHere;
    for (const TListEntry& e : edited) {
        if (e.Origin < 0 || size_t(e.Origin) >= opened.size()) {
            merged.push_back({e.Name, e.Checked});
            addedHere.insert(UpperName(e.Name));
            continue;
        }
        const TListEntry& was = opened[size_t(e.Origin)];
        const bool renamed = e.Name != was.Name, ticked = e.Checked != was.Checked;
        const int n = inNow[size_t(e.Origin)];
        if (n < 0) {
            if (renamed || ticked) {
                lost = was.Name;
                return std::nullopt;
            }
            continue; // removed meanwhile, and left alone here
        }
        placeOf[size_t(e.Origin)] = int(merged.size());
        const TListEntry& there = now[size_t(n)];
        merged.push_back({renamed ? e.Name : there.Name, ticked ? e.Checked : there.Checked});
    }

    // The entries added meanwhile, each after the entry it follows in now.
    int after = -1;
    for (size_t j = 0; j < now.size(); ++j) {
        if (const int o = fromOpened[j]; o >= 0) {
            if (placeOf[size_t(o)] >= 0)
                after = placeOf[size_t(o)];
            continue;
        }
        if (addedHere.count(UpperName(now[j].Name)))
            continue; // added here too: the same entry
        const int at = after + 1;
        merged.insert(merged.begin() + at, {now[j].Name, now[j].Checked});
        for (int& place : placeOf)
            if (place >= at)
                ++place;
        after = at;
    }
    return merged;
}

bool WriteListEdits(TMainShared& main, std::vector<TListEntry>& opened, const std::vector<TListEntry>& edited,
                    const std::function<std::vector<TListEntry>()>& now,
                    const std::function<void(const std::vector<TListEntry>&, StoreBatch&)>& write,
                    AnsiString& lost)
{
    lost.clear();
    const bool written = main.ChangeStoreFile([&](bool, TMainShared::Undo&) {
        if (main.RefreshStore() == TMainShared::Refresh::Failed)
            return TMainShared::Try::Stop;
        const std::optional<std::vector<TListEntry>> merged = MergeListEdits(opened, edited, now(), lost);
        if (!merged)
            return TMainShared::Try::Stop;
        StoreBatch batch;
        write(*merged, batch);
        return main.WriteBatch(batch);
    });
    if (!lost.empty())
        opened = now();
    return written;
}

} // namespace qm
