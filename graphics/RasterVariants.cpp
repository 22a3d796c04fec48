#include "graphics/RasterVariants.h"

#include <cstring>

namespace qm::variants {

bool ProcessorRuns(const TWideRoutines* table)
{
    if (!table)
        return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (std::strcmp(table->Name, "avx2") == 0)
        return __builtin_cpu_supports("avx2");
    if (std::strcmp(table->Name, "sse2") == 0)
        return __builtin_cpu_supports("sse2");
#endif
    return false;
}

const TWideRoutines* WidestRoutines()
{
    for (const TWideRoutines* table : {Avx2Routines(), Sse2Routines()})
        if (ProcessorRuns(table))
            return table;
    return nullptr;
}

} // namespace qm::variants
