#pragma once
// Searches of short byte strings for one to three given bytes, eight bytes at a time.
//
// The store files are read and written line by line, and every name and value is checked for
// line breaks before it is written: millions of searches in strings of 10 to 60 bytes. The
// standard find_first_of calls memchr over its set once per byte of the text, and memchr
// itself costs more to start than it gains on so short a text; these word-at-a-time loops
// need neither.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

// A match's place within a word is read from its lowest flagged bit, byte 0 being the first
// in memory.
static_assert(std::endian::native == std::endian::little);

namespace bytescan {

inline constexpr uint64_t kOnes = 0x0101010101010101ull;
inline constexpr uint64_t kHighs = 0x8080808080808080ull;

inline uint64_t Load8(const char* p)
{
    uint64_t x;
    std::memcpy(&x, p, 8);
    return x;
}

// The high bit of each byte of x equal to b. Above a true match a byte may be flagged that
// is none (the borrow runs on), so only the lowest flag marks a match for certain.
inline uint64_t Matches(uint64_t x, char b)
{
    const uint64_t y = x ^ (uint64_t(static_cast<unsigned char>(b)) * kOnes);
    return (y - kOnes) & ~y & kHighs;
}

template <class... C> inline uint64_t MatchesAny(uint64_t x, C... bytes)
{
    return (Matches(x, bytes) | ...);
}

// The high bit of each byte of x equal to b, and of no other byte.
inline uint64_t MatchesExactly(uint64_t x, char b)
{
    const uint64_t y = x ^ (uint64_t(static_cast<unsigned char>(b)) * kOnes);
    return ~(((y & ~kHighs) + ~kHighs) | y) & kHighs;
}

} // namespace bytescan

// The position of the first byte at or after from that equals one of bytes, or npos.
template <class... C> inline size_t FindAnyByte(std::string_view s, size_t from, C... bytes)
{
    static_assert(sizeof...(C) >= 1 && sizeof...(C) <= 3);
    const size_t n = s.size();
    const char* p = s.data();
    if (from >= n)
        return std::string_view::npos;
    if (n - from < 8) {
        for (size_t i = from; i < n; ++i)
            if (((p[i] == bytes) || ...))
                return i;
        return std::string_view::npos;
    }
#if defined(__SSE2__)
    // Sixteen bytes at a time, the last block overlapping the one before it.
    if (n - from >= 16) {
        for (size_t i = from;; i += 16) {
            if (i + 16 > n)
                i = n - 16;
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            __m128i eq = _mm_setzero_si128();
            ((eq = _mm_or_si128(eq, _mm_cmpeq_epi8(x, _mm_set1_epi8(bytes)))), ...);
            if (const unsigned m = unsigned(_mm_movemask_epi8(eq)))
                return i + size_t(std::countr_zero(m));
            if (i + 16 == n)
                return std::string_view::npos;
        }
    }
#endif
    // Whole words, the last one overlapping the one before it.
    for (size_t i = from;; i += 8) {
        if (i + 8 > n)
            i = n - 8;
        if (const uint64_t m = bytescan::MatchesAny(bytescan::Load8(p + i), bytes...))
            return i + size_t(std::countr_zero(m)) / 8;
        if (i + 8 == n)
            return std::string_view::npos;
    }
}

// Whether s holds one of bytes. Texts of sixteen bytes and more are looked at whole, sixteen
// at a time with the last block moved back to end with the text, without a branch per block:
// the texts asked about mostly hold none.
template <class... C> [[gnu::always_inline]] inline bool ContainsAnyByte(std::string_view s, C... bytes)
{
#if defined(__SSE2__)
    const size_t n = s.size();
    if (n >= 16) {
        const char* p = s.data();
        __m128i any = _mm_setzero_si128();
        for (size_t i = 0; i < n; i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + std::min(i, n - 16)));
            ((any = _mm_or_si128(any, _mm_cmpeq_epi8(x, _mm_set1_epi8(bytes)))), ...);
        }
        return _mm_movemask_epi8(any) != 0;
    }
#endif
    // Eight to fifteen bytes: two words, the second moved back to end with the text.
    if (s.size() >= 8)
        return (bytescan::MatchesAny(bytescan::Load8(s.data()), bytes...) |
                bytescan::MatchesAny(bytescan::Load8(s.data() + s.size() - 8), bytes...)) != 0;
    for (const char c : s)
        if (((c == bytes) || ...))
            return true;
    return false;
}

// The places i from 0 to 15 where the whole delimiter (one to sixteen bytes) begins at p + i,
// as bits of a mask; all of p[0] to p[15 + delimiter's length - 1] must be readable. The
// plain version, eight places at a time, and the one that takes sixteen at once.
inline unsigned DelimiterStarts16Plain(const char* p, std::string_view delimiter)
{
    unsigned mask = 0;
    for (size_t half = 0; half < 16; half += 8) {
        uint64_t m = ~uint64_t(0);
        for (size_t j = 0; j < delimiter.size() && m; ++j)
            m &= bytescan::MatchesExactly(bytescan::Load8(p + half + j), delimiter[j]);
        for (; m; m &= m - 1)
            mask |= 1u << (half + size_t(std::countr_zero(m)) / 8);
    }
    return mask;
}

inline unsigned DelimiterStarts16(const char* p, std::string_view delimiter)
{
#if defined(__SSE2__)
    __m128i all = _mm_set1_epi8(char(0xFF));
    for (size_t j = 0; j < delimiter.size(); ++j)
        all = _mm_and_si128(all, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j)),
                                                _mm_set1_epi8(delimiter[j])));
    return unsigned(_mm_movemask_epi8(all));
#else
    return DelimiterStarts16Plain(p, delimiter);
#endif
}

// DelimiterStarts16 for a delimiter of three bytes known when compiling, unrolled.
template <char A, char B, char C> inline unsigned DelimiterStarts16(const char* p)
{
#if defined(__SSE2__)
    auto at = [p](size_t j, char b) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j)), _mm_set1_epi8(b));
    };
    return unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_and_si128(at(0, A), at(1, B)), at(2, C))));
#else
    static constexpr char kDelimiter[] = {A, B, C};
    return DelimiterStarts16Plain(p, std::string_view(kDelimiter, 3));
#endif
}

// Whether two short strings (names) hold the same bytes: eight at a time, the last eight
// overlapping, so that no call is made for the few bytes of a name.
inline bool SameBytes(std::string_view a, std::string_view b)
{
    const size_t n = a.size();
    if (n != b.size())
        return false;
    const char* p = a.data();
    const char* q = b.data();
    if (n < 8) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != q[i])
                return false;
        return true;
    }
    for (size_t i = 0; i + 8 < n; i += 8)
        if (bytescan::Load8(p + i) != bytescan::Load8(q + i))
            return false;
    return bytescan::Load8(p + n - 8) == bytescan::Load8(q + n - 8);
}

// "a" to "z" as "A" to "Z" in each of eight bytes; every other byte as it is.
inline uint64_t FoldAsciiLetters(uint64_t x)
{
    using bytescan::kOnes;
    const uint64_t low7 = x & (0x7F * kOnes);
    // Without their high bit, no byte carries into the next: 0x7F + 0x1F < 0x100.
    const uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;
    const uint64_t pastZ = low7 + (0x80 - 'z' - 1) * kOnes;
    const uint64_t lower = atLeastA & ~pastZ & ~x & (0x80 * kOnes);
    return x - (lower >> 2); // 0x80 >> 2 == 0x20, the distance from "a" to "A"
}

} // namespace qm
