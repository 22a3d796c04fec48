#pragma once
// The processor-specific line routines of the MMX family, one table per instruction set.
// Each routine gives exactly the results of the MMX formula; a wider set only runs it faster.
// The units bind the widest table the processor runs; tests reach every table here.
#include <cstdint>

#include "graphics/RasterTypes.h"

namespace qm::variants {

struct TWideRoutines {
    const char* Name;
    void (*FillLongword)(void* Dest, int32_t Count, uint32_t Value);
    void (*BlendColorLine)(const TColor32* Src, TColor32* Dst, int32_t Count);
    void (*BlendColorLineMaster)(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M);
    void (*CombineColorLine)(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W);
};

// Null when the set was not built for this target.
const TWideRoutines* Sse2Routines();
const TWideRoutines* Avx2Routines();
// True when the processor (and the system) can run the table's instructions.
bool ProcessorRuns(const TWideRoutines* table);
// The widest table the processor runs, or null (then the portable MMX formula is used).
const TWideRoutines* WidestRoutines();

// The portable forms of the MMX-family line routines; the wide ones fall back to these for
// their last few pixels.
void BlendColorLine_MMXPortable(const TColor32* Src, TColor32* Dst, int32_t Count);
void BlendColorLineMaster_MMXPortable(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 M);
void CombineColorLine_MMXPortable(const TColor32* Src, TColor32* Dst, int32_t Count, TColor32 W);

} // namespace qm::variants
