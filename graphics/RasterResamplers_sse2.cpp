// The MMX-family block averages, written with SSE2: each row is summed in 16-bit lanes and
// added into 32-bit totals. A lane holds at most 256 pixels of 255, so rows are summed in
// runs of 256 pixels and the result is exactly the plain variant's for every block size.
// The 3DNow! variant computes the same and fetches the next row ahead; no processor this
// program runs on executes 3DNow!, so it is written with SSE2 as well.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>

#include "graphics/RasterBlend.h"
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

void StretchLinearRow_SSE2(const TLinearEntry* Cols, size_t Count, const TColor32* Row1, const TColor32* Row2,
                           uint32_t WY, TColor32* Dst, int32_t Master)
{
    // Two destination pixels per step, each channel in a 16-bit lane. Every sum below stays
    // within 0..65408, so the 16-bit products and sums are exact.
    const __m128i zero = _mm_setzero_si128();
    const __m128i c256 = _mm_set1_epi16(256);
    const __m128i bias = _mm_set1_epi16(128);
    const int16_t wy = int16_t(std::min<uint32_t>(WY & 0xFFFF, 256));
    const __m128i wyv = _mm_set1_epi16(wy);
    const __m128i iwyv = _mm_sub_epi16(c256, wyv);
    const __m128i m1 = _mm_set1_epi16(int16_t(Master + 1));
    auto lerp = [](__m128i a, __m128i b, __m128i w, __m128i iw) {
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, w), _mm_mullo_epi16(b, iw)), 8);
    };
    size_t i = 0;
    for (; i + 2 <= Count; i += 2) {
        const TLinearEntry& e0 = Cols[i];
        const TLinearEntry& e1 = Cols[i + 1];
        const __m128i top =
            _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(Row1 + e0.Pos)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(Row1 + e1.Pos)));
        const __m128i bottom =
            _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(Row2 + e0.Pos)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(Row2 + e1.Pos)));
        const int16_t w0 = int16_t(std::min<uint32_t>(e0.Weight & 0xFFFF, 256));
        const int16_t w1 = int16_t(std::min<uint32_t>(e1.Weight & 0xFFFF, 256));
        const __m128i wx = _mm_set_epi16(w1, w1, w1, w1, w0, w0, w0, w0);
        const __m128i iwx = _mm_sub_epi16(c256, wx);
        const __m128i t = lerp(_mm_unpacklo_epi8(top, zero), _mm_unpackhi_epi8(top, zero), wx, iwx);
        const __m128i b = lerp(_mm_unpacklo_epi8(bottom, zero), _mm_unpackhi_epi8(bottom, zero), wx, iwx);
        __m128i c = lerp(t, b, wyv, iwyv);
        if (Master >= 0) {
            // w = ((M + 1) * Fa) shr 8 per pixel, broadcast to its four channels; w = 0 keeps
            // the destination exactly, as the per-pixel blend does.
            const __m128i d =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(Dst + i)), zero);
            const __m128i fa = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xFF), 0xFF);
            const __m128i w = _mm_srli_epi16(_mm_mullo_epi16(fa, m1), 8);
            const __m128i mix = _mm_add_epi16(
                _mm_add_epi16(_mm_mullo_epi16(c, w), _mm_mullo_epi16(d, _mm_sub_epi16(c256, w))), bias);
            c = _mm_srli_epi16(mix, 8);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(Dst + i), _mm_packus_epi16(c, c));
    }
    for (; i < Count; ++i) {
        const TColor32 c = Interpolate2x2_MMX(Cols[i].Weight, WY, Row1 + Cols[i].Pos, Row2 + Cols[i].Pos);
        if (Master >= 0)
            blend_mmx::BlendColorIntoMaster(c, Dst[i], TColor32(Master));
        else
            Dst[i] = c;
    }
}

} // namespace qm::resample_variants
