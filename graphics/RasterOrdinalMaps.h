#pragma once
// A width x height grid of 32-bit integers stored row after row.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/RasterPersistent.h"

namespace qm {

class TIntegerMap : public TCustomMap {
public:
    QM_RASTER_CLASS(TIntegerMap, TCustomMap)

    // Resizes Bits to NewWidth x NewHeight (kept values stay where the flat index puts them,
    // new ones are 0), then stores the size. A size that cannot be held raises
    // EOutOfResources and leaves the map as it was.
    void ChangeSize(int32_t& AWidth, int32_t& AHeight, int32_t NewWidth, int32_t NewHeight) override;
    bool IsEmpty() const override { return Bits.empty(); }
    // No range check.
    int32_t* ValPtr(int32_t X, int32_t Y) { return Bits.data() + (ptrdiff_t(X) + ptrdiff_t(Y) * Width); }

    std::vector<int32_t> Bits;
};

} // namespace qm
