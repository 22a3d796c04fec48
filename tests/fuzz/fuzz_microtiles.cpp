// Tile maps of any size fed random rectangles and lines, united, copied and turned into
// rectangles. Nothing may touch memory outside a map's tiles, and every rectangle found must
// lie inside the map's bounds and cover each marked pixel of a small map.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/RasterContainers.h"
#include "graphics/RasterMicroTiles.h"

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t Next8()
    {
        if (n == 0)
            return 0;
        --n;
        return *p++;
    }
    int32_t Next32()
    {
        if (n < 4)
            return int32_t(Next8()) - 128;
        int32_t v;
        std::memcpy(&v, p, 4);
        p += 4;
        n -= 4;
        return v;
    }
    // Mostly near the map, sometimes anywhere.
    int32_t Coord()
    {
        const uint8_t k = Next8();
        if (k < 200)
            return int32_t(k) - 40 + int32_t(Next8() % 64);
        return Next32();
    }
    qm::TRect Rect() { return {Coord(), Coord(), Coord(), Coord()}; }
};

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader r{data, size};
    // Map bounds: small ones (0 x 0 included) at any origin, checked pixel by pixel.
    const int32_t w = r.Next8() % 200, h = r.Next8() % 160;
    const int32_t ox = (r.Next8() % 5) * 13 - 20, oy = (r.Next8() % 5) * 7 - 10;
    const qm::TRect bounds{ox, oy, ox + w, oy + h};
    qm::TMicroTiles a, b, c;
    qm::MicroTilesCreate(a);
    qm::MicroTilesCreate(b);
    qm::MicroTilesSetSize(a, bounds);
    qm::MicroTilesSetSize(b, bounds);
    std::vector<uint8_t> marked(size_t(w) * size_t(h));

    for (int op = 0; op < 64 && r.n > 0; ++op) {
        const uint8_t kind = r.Next8();
        qm::TMicroTiles& t = kind & 1 ? a : b;
        const bool round = (kind & 2) != 0;
        switch ((kind >> 2) % 6) {
        case 0:
        case 1: {
            const qm::TRect rc = r.Rect();
            qm::MicroTilesAddRect(t, rc, round);
            if (&t == &a) {
                const int64_t l = std::max<int64_t>(std::min(rc.Left, rc.Right), ox) - ox;
                const int64_t rr = std::min<int64_t>(std::max(rc.Left, rc.Right), int64_t(ox) + w) - ox;
                const int64_t tp = std::max<int64_t>(std::min(rc.Top, rc.Bottom), oy) - oy;
                const int64_t bt = std::min<int64_t>(std::max(rc.Top, rc.Bottom), int64_t(oy) + h) - oy;
                for (int64_t y = tp; y < bt; ++y)
                    for (int64_t x = l; x < rr; ++x)
                        marked[size_t(y) * size_t(w) + size_t(x)] = 1;
            }
            break;
        }
        case 2:
            qm::MicroTilesAddLine(t, r.Coord(), r.Coord(), r.Coord(), r.Coord(), r.Next8() % 8, round);
            break;
        case 3:
            qm::MicroTilesUnion_Plain(a, b, round);
            break;
        case 4:
            qm::MicroTilesUnion_Vector(b, a, round);
            break;
        case 5:
            qm::MicroTilesCopy(c, kind & 16 ? a : b);
            qm::MicroTilesClearUsed(kind & 32 ? c : b);
            break;
        }
    }

    qm::TRectList found;
    const int32_t count = qm::MicroTilesCalcRects(a, &found, false, (size & 1) != 0);
    Check(count == found.Count());
    Check(qm::MicroTilesCalcRects(a, nullptr, true, false) >= 0);
    std::vector<uint8_t> covered(marked.size());
    for (int32_t i = 0; i < found.Count(); ++i) {
        const qm::TRect& f = *found.Items(i);
        Check(f.Left >= bounds.Left && f.Top >= bounds.Top && f.Right <= bounds.Right &&
              f.Bottom <= bounds.Bottom);
        Check(f.Left < f.Right && f.Top < f.Bottom);
        for (int32_t y = f.Top; y < f.Bottom; ++y)
            for (int32_t x = f.Left; x < f.Right; ++x)
                covered[size_t(y - oy) * size_t(w) + size_t(x - ox)] = 1;
    }
    // Whatever else went into a (whole tiles, lines, b's tiles), every marked pixel is found.
    for (size_t i = 0; i < marked.size(); ++i)
        Check(!marked[i] || covered[i]);
    (void)qm::MicroTilesRects(b, true);
    return 0;
}
