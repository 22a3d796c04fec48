// Reads a bitmap from arbitrary "Data" bytes, then stretches and copies it with rectangles
// and a draw mode taken from the bytes that follow. Nothing may crash or touch memory outside
// a pixel array; the exceptions the operations are documented to raise are fine.
#include <QBuffer>
#include <cstdint>
#include <cstring>

#include "graphics/Raster.h"
#include "graphics/RasterResamplers.h"

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    int32_t Next16()
    {
        if (n < 2)
            return 0;
        int16_t v;
        std::memcpy(&v, p, 2);
        p += 2;
        n -= 2;
        return v;
    }
    qm::TRect NextRect() { return {Next16(), Next16(), Next16(), Next16()}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    int32_t w, h;
    std::memcpy(&w, data, 4);
    std::memcpy(&h, data + 4, 4);
    // Keep allocations small; the overflow checks are the unit tests' business.
    if (w > 0 && h > 0 && int64_t(w) * h > 65536)
        return 0;

    QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    qm::TBitmap32 src;
    try {
        src.ReadData(buf);
    } catch (const qm::Exception&) {
    }
    const size_t used = size_t(buf.pos());
    Reader r{data + used, size - used};

    static const char* const names[] = {"TNearestResampler", "TLinearResampler", "TDraftResampler",
                                        "TKernelResampler"};
    const int32_t choice = r.Next16();
    src.SetResamplerClassName(names[uint32_t(choice) % 4]);
    if (auto* kr = dynamic_cast<qm::TKernelResampler*>(src.Resampler()))
        kr->SetKernelClassName(qm::KernelList().Items(int32_t(uint32_t(choice >> 2) % 13))->ClassName);
    const auto mode = qm::TDrawMode(uint32_t(choice >> 6) % 4);
    src.SetMasterAlpha(uint32_t(choice >> 8) & 0xFF);

    qm::TBitmap32 dst;
    dst.SetSize(32, 32);
    const qm::TRect dstRect = r.NextRect(), clip = r.NextRect(), srcRect = r.NextRect();
    const qm::TPixelCombineEvent cb = [](qm::TColor32 F, qm::TColor32& B, qm::TColor32 M) { B ^= F + M; };
    try {
        qm::StretchTransfer(&dst, dstRect, clip, &src, srcRect, src.Resampler(), mode, cb);
    } catch (const qm::Exception&) {
    }
    try {
        qm::BlockTransfer(&dst, dstRect.Left, dstRect.Top, clip, &src, srcRect, mode, cb);
    } catch (const qm::Exception&) {
    }
    src.Resampler()->PrepareSampling();
    (void)src.Resampler()->GetSampleFloat(float(clip.Left) / 7.0f, float(clip.Top) / 5.0f);
    src.Resampler()->FinalizeSampling();
    return 0;
}
