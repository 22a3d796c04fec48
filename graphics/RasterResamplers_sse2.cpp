// The MMX-family block averages, written with SSE2: each row is summed in 16-bit lanes and
// added into 32-bit totals. A lane holds at most 256 pixels of 255, so rows are summed in
// runs of 256 pixels and the result is exactly the plain variant's for every block size.
// The 3DNow! variant computes the same and fetches the next row ahead; no processor this
// program runs on executes 3DNow!, so it is written with SSE2 as well.
#include <emmintrin.h>
#include <xmmintrin.h>

#include "graphics/RasterResamplers.h"

namespace qm::resample_variants {

namespace {

template <bool Prefetch>
TColor32 BlockAverageSse2(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride)
{
    if (W == 0 || H == 0)
        return 0;
    const __m128i zero = _mm_setzero_si128();
    __m128i total = zero; // four 32-bit lanes: b, g, r, a
    const auto* row = reinterpret_cast<const uint8_t*>(Src);
    for (uint32_t y = 0; y < H; ++y, row += Stride) {
        if constexpr (Prefetch)
            if (y + 1 < H)
                _mm_prefetch(reinterpret_cast<const char*>(row + Stride), _MM_HINT_T0);
        const auto* p = reinterpret_cast<const TColor32*>(row);
        uint32_t x = 0;
        while (x < W) {
            const uint32_t runEnd = x + 256 < W ? x + 256 : W;
            __m128i lanes = zero; // two pixels' channels in 16-bit lanes
            for (; x + 2 <= runEnd; x += 2) {
                const __m128i px = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + x));
                lanes = _mm_add_epi16(lanes, _mm_unpacklo_epi8(px, zero));
            }
            if (x < runEnd) {
                const __m128i px = _mm_cvtsi32_si128(int(p[x]));
                lanes = _mm_add_epi16(lanes, _mm_unpacklo_epi8(px, zero));
                ++x;
            }
            // Fold the two pixels' lanes together and widen to 32 bits.
            const __m128i lo = _mm_unpacklo_epi16(lanes, zero);
            const __m128i hi = _mm_unpackhi_epi16(lanes, zero);
            total = _mm_add_epi32(total, _mm_add_epi32(lo, hi));
        }
    }
    alignas(16) uint32_t sums[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), total);
    const uint64_t scale = 0x1000000ull / (uint64_t(W) * H);
    auto ch = [scale](uint64_t sum) { return TColor32(((sum * scale) >> 24) & 0xFF); };
    return ch(sums[3]) << 24 | ch(sums[2]) << 16 | ch(sums[1]) << 8 | ch(sums[0]);
}

} // namespace

TColor32 BlockAverage_MMX(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride)
{
    return BlockAverageSse2<false>(W, H, Src, Stride);
}

TColor32 BlockAverage_3DNow(uint32_t W, uint32_t H, const TColor32* Src, int32_t Stride)
{
    return BlockAverageSse2<true>(W, H, Src, Stride);
}

} // namespace qm::resample_variants
