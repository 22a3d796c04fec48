#pragma once
// Names in the private-profile files (platform/IniFile.h): the blanks trimmed around names and
// values, the hash and the test that match names without regard to letter case, and the table
// from names to indexes that a parsed file and a key list look their names up in. Every one of
// them is inline: a parse and a pass call them for each line of a file.
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/ByteScan.h"
#include "platform/IniFile.h"

// What the parts of the private-profile files share and nothing else uses, in the private
// headers platform/Ini*.h. Each of those headers declares its part between "#pragma GCC
// visibility push(hidden)" and "pop": hidden, so that the compiler inlines and specialises these
// functions within each part as it would within one file (in position-independent code it must
// otherwise allow for another library replacing them). A class declared inside one of IniFile's
// classes (KeyList::Table, Watch::WatchList) keeps that class's visibility whatever the pragma
// says (with GCC), and a class may hold no field less visible than itself, so NameIndex, which
// KeyList::Table holds, is left visible; being inline throughout, it loses nothing by it.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

[[gnu::noinline]] inline std::string_view TrimBlanks(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsIniBlank(s[b]))
        ++b;
    while (e > b && IsIniBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// Names and values mostly have no blanks around them: one look at each end tells.
[[gnu::always_inline]] inline std::string_view Trim(std::string_view s)
{
    return s.empty() || (!IsIniBlank(s.front()) && !IsIniBlank(s.back())) ? s : TrimBlanks(s);
}

// Name hashing and matching as the file matches names: a-z and A-Z are the same letter.
inline unsigned char Fold(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Eight bytes at a time, with a-z folded to A-Z, so that a name and its other spellings hash
// alike; the length goes in first, so the zero bytes that pad the last word tell nothing.
inline uint32_t NameHash(std::string_view s)
{
    const char* p = s.data();
    const size_t n = s.size();
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    auto mix = [&](uint64_t w) {
        h = (h ^ FoldAsciiLetters(w)) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    };
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        mix(bytescan::Load8(p + i));
    if (i < n) {
        // The last eight bytes, overlapping the word before, or the short name byte by byte.
        uint64_t w = 0;
        if (n >= 8)
            w = bytescan::Load8(p + n - 8);
        else
            for (size_t k = 0; k < n; ++k)
                w |= uint64_t(static_cast<unsigned char>(p[k])) << (8 * k);
        mix(w);
    }
    // Mixed once more, so that the low bits the table uses depend on every byte.
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 29;
    return uint32_t(h ^ (h >> 32));
}

// Names spelt alike in every byte are the common case; the rest compare letter by letter.
[[gnu::noinline]] inline bool NamesEqualFolded(std::string_view a, std::string_view b)
{
    const size_t n = a.size();
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        if (FoldAsciiLetters(bytescan::Load8(a.data() + i)) !=
            FoldAsciiLetters(bytescan::Load8(b.data() + i)))
            return false;
    for (; i < n; ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

inline bool NamesEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && (SameBytes(a, b) || NamesEqualFolded(a, b));
}

} // namespace qm::ini_detail
#pragma GCC visibility pop

namespace qm::ini_detail {

// A hash table from names to indexes that keeps no copy of the names: each slot holds a name's
// hash and an index (8 bytes), and a lookup checks the candidates through the caller's test.
// Open addressing with linear probing, at most half full.
class NameIndex {
public:
    // The index whose name passes same(index), or -1.
    template <class Same> long Find(uint32_t hash, Same same) const
    {
        if (count_ == 0)
            return -1;
        for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const uint64_t slot = slots_[i];
            if (slot == 0)
                return -1;
            if (uint32_t(slot >> 32) == hash && same(uint32_t(slot) - 1))
                return long(uint32_t(slot) - 1);
        }
    }
    // The index already there under a name that passes same(index), else -1 after adding
    // index under hash: one probe for both.
    template <class Same> long FindOrInsert(uint32_t hash, uint32_t index, Same same)
    {
        if (2 * (count_ + 1) > capacity_)
            Grow();
        size_t i = hash & mask_;
        for (; slots_[i] != 0; i = (i + 1) & mask_)
            if (uint32_t(slots_[i] >> 32) == hash && same(uint32_t(slots_[i]) - 1))
                return long(uint32_t(slots_[i]) - 1);
        slots_[i] = (uint64_t(hash) << 32) | (uint64_t(index) + 1);
        ++count_;
        return -1;
    }
    // Adds the index under hash (the caller has made sure its name is not there yet).
    void Insert(uint32_t hash, uint32_t index)
    {
        if (2 * (count_ + 1) > capacity_)
            Grow();
        size_t i = hash & mask_;
        while (slots_[i] != 0)
            i = (i + 1) & mask_;
        slots_[i] = (uint64_t(hash) << 32) | (uint64_t(index) + 1);
        ++count_;
    }
    // Removes the entry of this index; later entries of the probe run move up into the gap.
    void Erase(uint32_t hash, uint32_t index)
    {
        if (count_ == 0)
            return;
        const uint64_t wanted = (uint64_t(hash) << 32) | (uint64_t(index) + 1);
        size_t i = hash & mask_;
        while (slots_[i] != wanted) {
            if (slots_[i] == 0)
                return;
            i = (i + 1) & mask_;
        }
        for (size_t j = (i + 1) & mask_; slots_[j] != 0; j = (j + 1) & mask_) {
            const size_t home = uint32_t(slots_[j] >> 32) & mask_;
            // The entry at j may fill the gap at i when its home does not lie in (i, j].
            if (((j - home) & mask_) >= ((j - i) & mask_)) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i] = 0;
        --count_;
    }
    void Clear()
    {
        slots_.reset();
        capacity_ = count_ = 0;
        mask_ = 0;
    }
    // Room for n more entries without growing on the way.
    void Reserve(size_t n)
    {
        size_t capacity = capacity_ ? capacity_ : 8;
        while (capacity < 2 * (count_ + n))
            capacity *= 2;
        if (capacity > capacity_)
            Grow(capacity);
    }

private:
    void Grow(size_t capacity = 0)
    {
        if (capacity == 0)
            capacity = capacity_ ? capacity_ * 2 : 8;
        std::unique_ptr<uint64_t[]> old = std::move(slots_);
        const size_t oldCapacity = capacity_;
        slots_ = std::make_unique<uint64_t[]>(capacity); // zeroed
        capacity_ = uint32_t(capacity);
        mask_ = uint32_t(capacity - 1);
        for (size_t i = 0; i < oldCapacity; ++i)
            if (old[i] != 0) {
                size_t j = uint32_t(old[i] >> 32) & mask_;
                while (slots_[j] != 0)
                    j = (j + 1) & mask_;
                slots_[j] = old[i];
            }
    }

    std::unique_ptr<uint64_t[]> slots_;
    uint32_t capacity_ = 0, count_ = 0, mask_ = 0;
};

} // namespace qm::ini_detail
