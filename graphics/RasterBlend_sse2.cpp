// The MMX-family line routines four pixels at a time with SSE2. Each pixel gets exactly the
// MMX formula: per channel (B * 256 + (F - B) * w + 128) shr 8 in 16-bit words.
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterVariants.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

namespace qm::variants {

namespace {

inline __m128i Mix(__m128i s16, __m128i d16, __m128i w16)
{
    __m128i t = _mm_mullo_epi16(_mm_sub_epi16(s16, d16), w16);
    t = _mm_add_epi16(t, _mm_slli_epi16(d16, 8));
    t = _mm_add_epi16(t, _mm_set1_epi16(128));
    return _mm_srli_epi16(t, 8);
}

// Each pixel's alpha word copied into its four words.
inline __m128i SpreadAlpha(__m128i p16)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p16, 0xFF), 0xFF);
}

// A destination that starts inside the source, ahead of it, sees pixels the line has already
// written; only the pixel-by-pixel order gives that result.
inline bool WritesAhead(const TColor32* Src, const TColor32* Dst, int32_t Count)
{
    return Dst > Src && Dst < Src + Count;
}

void FillLongword_SSE2(void* Dest, int32_t Count, uint32_t Value)
{
    if (Count < 1)
        return;
    uint32_t* p = static_cast<uint32_t*>(Dest);
    size_t n = size_t(Count);
    while (n && (reinterpret_cast<uintptr_t>(p) & 15)) {
        *p++ = Value;
        --n;
    }
    const __m128i v = _mm_set1_epi32(int(Value));
    for (; n >= 16; n -= 16, p += 16) {
        _mm_store_si128(reinterpret_cast<__m128i*>(p), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 4), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 8), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 12), v);
    }
    for (; n >= 4; n -= 4, p += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    while (n--)
        *p++ = Value;
}

void BlendColorLine_SSE2(const TColor32* Src, TColor32* Dst, int32_t Count)
{
    if (Count < 1)
        return;
    if (WritesAhead(Src, Dst, Count))
        return BlendColorLine_MMXPortable(Src, Dst, Count);
    const __m128i zero = _mm_setzero_si128();
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    int32_t i = 0;
    for (; i + 4 <= Count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
        const __m128i alpha = _mm_and_si128(s, amask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF)
            continue; // four transparent pixels leave the destination as it is
        const __m128i opaque = _mm_cmpeq_epi32(alpha, amask);
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), s);
            continue;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
        const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
        const __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
        __m128i r = _mm_packus_epi16(Mix(sl, dl, SpreadAlpha(sl)), Mix(sh, dh, SpreadAlpha(sh)));
        // An opaque source pixel is copied as it is (the formula would round it).
        r = _mm_or_si128(_mm_and_si128(opaque, s), _mm_andnot_si128(opaque, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), r);
    }
    if (i < Count)
        BlendColorLine_MMXPortable(Src + i, Dst + i, Count - i);
}

void BlendColorLineMaster_SSE2(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M)
{
    if (Count < 1)
        return;
    // The weight ((Fa + 1) * M) shr 8 fits a word only while M is at most 255.
    if (M > 255 || WritesAhead(Src, Dst, Count))
        return BlendColorLineMaster_MMXPortable(Src, Dst, Count, M);
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i m16 = _mm_set1_epi16(short(M));
    int32_t i = 0;
    for (; i + 4 <= Count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
        const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
        const __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
        // Weight 0 (transparent pixels among them) gives the destination exactly.
        const __m128i wl = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(sl), one), m16), 8);
        const __m128i wh = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(sh), one), m16), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i),
                         _mm_packus_epi16(Mix(sl, dl, wl), Mix(sh, dh, wh)));
    }
    if (i < Count)
        BlendColorLineMaster_MMXPortable(Src + i, Dst + i, Count - i, M);
}

void CombineColorLine_SSE2(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W)
{
    if (Count < 1 || W == 0 || W >= 255 || WritesAhead(Src, Dst, Count))
        return CombineColorLine_MMXPortable(Src, Dst, Count, W);
    const __m128i zero = _mm_setzero_si128();
    const __m128i w16 = _mm_set1_epi16(short(W));
    int32_t i = 0;
    for (; i + 4 <= Count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
        const __m128i lo = Mix(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), w16);
        const __m128i hi = Mix(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), w16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_packus_epi16(lo, hi));
    }
    if (i < Count)
        CombineColorLine_MMXPortable(Src + i, Dst + i, Count - i, W);
}

const TWideRoutines Sse2Table = {"sse2", FillLongword_SSE2, BlendColorLine_SSE2, BlendColorLineMaster_SSE2,
                                 CombineColorLine_SSE2};

} // namespace

const TWideRoutines* Sse2Routines()
{
    return &Sse2Table;
}

} // namespace qm::variants

#else

namespace qm::variants {
const TWideRoutines* Sse2Routines()
{
    return nullptr;
}
} // namespace qm::variants

#endif
