// The MMX-family line routines eight pixels at a time with AVX2. Each pixel gets exactly the
// MMX formula: per channel (B * 256 + (F - B) * w + 128) shr 8 in 16-bit words.
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterVariants.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace qm::variants {

namespace {

inline __m256i Mix(__m256i s16, __m256i d16, __m256i w16)
{
    __m256i t = _mm256_mullo_epi16(_mm256_sub_epi16(s16, d16), w16);
    t = _mm256_add_epi16(t, _mm256_slli_epi16(d16, 8));
    t = _mm256_add_epi16(t, _mm256_set1_epi16(128));
    return _mm256_srli_epi16(t, 8);
}

// Byte shuffles that put each pixel's alpha byte into the four words of its unpacked form:
// pixels 0, 1 (and 4, 5) for the low unpack, pixels 2, 3 (and 6, 7) for the high one.
inline __m256i AlphaLowMask()
{
    return _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3, -1, 3, -1, 3,
                            -1, 7, -1, 7, -1, 7, -1, 7, -1);
}

inline __m256i AlphaHighMask()
{
    return _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11, -1,
                            11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
}

inline bool WritesAhead(const TColor32* Src, const TColor32* Dst, int32_t Count)
{
    return Dst > Src && Dst < Src + Count;
}

void FillLongword_AVX2(void* Dest, int32_t Count, uint32_t Value)
{
    if (Count < 1)
        return;
    uint32_t* p = static_cast<uint32_t*>(Dest);
    size_t n = size_t(Count);
    while (n && (reinterpret_cast<uintptr_t>(p) & 31)) {
        *p++ = Value;
        --n;
    }
    const __m256i v = _mm256_set1_epi32(int(Value));
    for (; n >= 32; n -= 32, p += 32) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + 8), v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + 16), v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + 24), v);
    }
    for (; n >= 8; n -= 8, p += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    while (n--)
        *p++ = Value;
}

inline __m256i BlendEight(__m256i s, __m256i d, __m256i zero, __m256i amask, __m256i lowMask,
                          __m256i highMask)
{
    const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
    const __m256i dl = _mm256_unpacklo_epi8(d, zero), dh = _mm256_unpackhi_epi8(d, zero);
    const __m256i wl = _mm256_shuffle_epi8(s, lowMask), wh = _mm256_shuffle_epi8(s, highMask);
    const __m256i r = _mm256_packus_epi16(Mix(sl, dl, wl), Mix(sh, dh, wh));
    // An opaque source pixel is copied as it is (the formula would round it).
    const __m256i opaque = _mm256_cmpeq_epi32(_mm256_and_si256(s, amask), amask);
    return _mm256_blendv_epi8(r, s, opaque);
}

void BlendColorLine_AVX2(const TColor32* Src, TColor32* Dst, int32_t Count)
{
    if (Count < 1)
        return;
    if (WritesAhead(Src, Dst, Count))
        return BlendColorLine_MMXPortable(Src, Dst, Count);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i amask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i lowMask = AlphaLowMask(), highMask = AlphaHighMask();
    int32_t i = 0;
    for (; i + 8 <= Count; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + i));
        const __m256i alpha = _mm256_and_si256(s, amask);
        // Runs of transparent or opaque pixels (glyph edges and interiors) skip the arithmetic.
        if (_mm256_testz_si256(alpha, alpha))
            continue;
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, amask)) == -1) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + i), s);
            continue;
        }
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Dst + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + i),
                            BlendEight(s, d, zero, amask, lowMask, highMask));
    }
    if (i < Count)
        BlendColorLine_MMXPortable(Src + i, Dst + i, Count - i);
}

void BlendColorLineMaster_AVX2(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M)
{
    if (Count < 1)
        return;
    // The weight ((Fa + 1) * M) shr 8 fits a word only while M is at most 255.
    if (M > 255 || WritesAhead(Src, Dst, Count))
        return BlendColorLineMaster_MMXPortable(Src, Dst, Count, M);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i m16 = _mm256_set1_epi16(short(M));
    const __m256i lowMask = AlphaLowMask(), highMask = AlphaHighMask();
    int32_t i = 0;
    for (; i + 8 <= Count; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + i));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Dst + i));
        const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
        const __m256i dl = _mm256_unpacklo_epi8(d, zero), dh = _mm256_unpackhi_epi8(d, zero);
        // Weight 0 (transparent pixels among them) gives the destination exactly.
        const __m256i wl = _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_add_epi16(_mm256_shuffle_epi8(s, lowMask), one), m16), 8);
        const __m256i wh = _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_add_epi16(_mm256_shuffle_epi8(s, highMask), one), m16), 8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + i),
                            _mm256_packus_epi16(Mix(sl, dl, wl), Mix(sh, dh, wh)));
    }
    if (i < Count)
        BlendColorLineMaster_MMXPortable(Src + i, Dst + i, Count - i, M);
}

void CombineColorLine_AVX2(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W)
{
    if (Count < 1 || W == 0 || W >= 255 || WritesAhead(Src, Dst, Count))
        return CombineColorLine_MMXPortable(Src, Dst, Count, W);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i w16 = _mm256_set1_epi16(short(W));
    int32_t i = 0;
    for (; i + 8 <= Count; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + i));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Dst + i));
        const __m256i lo = Mix(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), w16);
        const __m256i hi = Mix(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), w16);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + i), _mm256_packus_epi16(lo, hi));
    }
    if (i < Count)
        CombineColorLine_MMXPortable(Src + i, Dst + i, Count - i, W);
}

const TWideRoutines Avx2Table = {"avx2", FillLongword_AVX2, BlendColorLine_AVX2, BlendColorLineMaster_AVX2,
                                 CombineColorLine_AVX2};

} // namespace

const TWideRoutines* Avx2Routines()
{
    return &Avx2Table;
}

} // namespace qm::variants

#else

namespace qm::variants {
const TWideRoutines* Avx2Routines()
{
    return nullptr;
}
} // namespace qm::variants

#endif
