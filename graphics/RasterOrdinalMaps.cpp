#include "graphics/RasterOrdinalMaps.h"

#include <new>

#include "platform/Exception.h"

namespace qm {

void TIntegerMap::ChangeSize(int32_t& AWidth, int32_t& AHeight, int32_t NewWidth, int32_t NewHeight)
{
    const int64_t cells = int64_t(NewWidth < 0 ? 0 : NewWidth) * int64_t(NewHeight < 0 ? 0 : NewHeight);
    try {
        if (uint64_t(cells) > Bits.max_size())
            throw std::bad_alloc();
        Bits.resize(size_t(cells));
        if (cells == 0)
            std::vector<int32_t>().swap(Bits);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources(Format("Can't allocate a %d x %d integer map", NewWidth, NewHeight));
    } catch (const std::length_error&) {
        throw EOutOfResources(Format("Can't allocate a %d x %d integer map", NewWidth, NewHeight));
    }
    TCustomMap::ChangeSize(AWidth, AHeight, NewWidth, NewHeight);
}

} // namespace qm
