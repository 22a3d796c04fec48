#include "graphics/RasterSystem.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <mutex>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define QM_X86 1
#endif

namespace qm {

const uint32_t InstructionSetMasks[6] = {
    0x00800000, // isMMX, leaf 1
    0x00400000, // isEMMX, leaf $80000001
    0x02000000, // isStreamingSIMD, leaf 1
    0x04000000, // isStreamingSIMD2, leaf 1
    0x80000000, // is3DNow, leaf $80000001
    0x40000000, // is3DNowExt, leaf $80000001
};

bool HasCPUID()
{
#ifdef QM_X86
    // Flip the ID flag, read the flags back, and restore the value first read.
#if defined(__x86_64__)
    const unsigned long long before = __readeflags();
    __writeeflags(before ^ 0x200000);
    const unsigned long long after = __readeflags();
#else
    const unsigned int before = __readeflags();
    __writeeflags(before ^ 0x200000);
    const unsigned int after = __readeflags();
#endif
    __writeeflags(before);
    return ((before ^ after) & 0x200000) != 0;
#else
    return false;
#endif
}

TCpuidReport ReadCpuid()
{
    TCpuidReport r;
    r.HasCPUID = HasCPUID();
#ifdef QM_X86
    if (!r.HasCPUID)
        return r;
    unsigned a, b, c, d;
    __cpuid(1, a, b, c, d);
    r.Leaf1Eax = a;
    r.Leaf1Edx = d;
    __cpuid(0x80000000u, a, b, c, d);
    r.MaxExtendedLeaf = a;
    if (a >= 0x80000001u) {
        __cpuid(0x80000001u, a, b, c, d);
        r.Extended1Edx = d;
    }
#endif
    return r;
}

static const TCpuidReport& Processor()
{
    static const TCpuidReport report = ReadCpuid();
    return report;
}

bool HasExtendedCPUID(const TCpuidReport& report)
{
    return report.HasCPUID && report.MaxExtendedLeaf >= 0x80000001u;
}

bool HasExtendedCPUID()
{
    return HasExtendedCPUID(Processor());
}

bool HasInstructionSet(TInstructionSet set, const TCpuidReport& report)
{
    if (!report.HasCPUID)
        return false;
    if (((report.Leaf1Eax >> 8) & 0xF) < 5)
        return false;
    const uint32_t mask = InstructionSetMasks[set];
    switch (set) {
    case isEMMX:
        // The SSE integer instructions include the extended MMX ones.
        if (report.Leaf1Edx & InstructionSetMasks[isStreamingSIMD])
            return true;
        return HasExtendedCPUID(report) && (report.Extended1Edx & mask) != 0;
    case is3DNow:
    case is3DNowExt:
        return HasExtendedCPUID(report) && (report.Extended1Edx & mask) != 0;
    default:
        return (report.Leaf1Edx & mask) != 0;
    }
}

bool HasInstructionSet(TInstructionSet set)
{
    return HasInstructionSet(set, Processor());
}

bool HasMMX()
{
    return HasInstructionSet(isMMX);
}
bool HasEMMX()
{
    return HasInstructionSet(isEMMX);
}
bool Has3DNow()
{
    return HasInstructionSet(is3DNow);
}

TBindingFeatures FeaturesForFamily(const std::string& family)
{
    if (family == "plain")
        return {};
    if (family == "mmx")
        return {true, true, Has3DNow()};
    if (family == "3dnow")
        return {true, true, true};
    return {HasMMX(), HasEMMX(), Has3DNow()};
}

static TBindingFeatures& CurrentFeatures()
{
    static TBindingFeatures features = [] {
        const char* env = std::getenv("QM_RASTER_FAMILY");
        return FeaturesForFamily(env ? env : "");
    }();
    return features;
}

const TBindingFeatures& BindingFeatures()
{
    return CurrentFeatures();
}

static std::vector<TRoutineBinder>& Binders()
{
    static std::vector<TRoutineBinder> binders;
    return binders;
}

void RegisterRoutineBinder(TRoutineBinder binder)
{
    binder(BindingFeatures());
    Binders().push_back(binder);
}

void RebindRasterRoutines(const TBindingFeatures& features)
{
    CurrentFeatures() = features;
    for (TRoutineBinder binder : Binders())
        binder(features);
}

uint32_t GetTickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

int64_t TPerfTimer::QueryCounter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t TPerfTimer::QueryFrequency()
{
    return 1000000000;
}

void TPerfTimer::Start()
{
    StartCount = QueryCounter();
}

int64_t TPerfTimer::ReadMicroseconds()
{
    StopCount = QueryCounter();
    Frequency = QueryFrequency();
    if (Frequency <= 0)
        return 0;
    // Product in 64 bits, quotient in floating point, rounded halves to even.
    const int64_t ticks = (StopCount - StartCount) * 1000000;
    return int64_t(std::nearbyint(double(ticks) / double(Frequency)));
}

// Theme library state, kept current by the nexus.
bool UseThemes = false;
HTHEME ScrollBarTheme = 0;
HTHEME GlobalsTheme = 0;
const char* const ThemeLibraryName = "uxtheme.dll";

namespace {

// The program is one executable, never a loaded library; freeing handles is always allowed.
constexpr bool ModuleIsLibrary = false;

enum ThemeEntry {
    OpenThemeData,
    CloseThemeData,
    DrawThemeBackground,
    DrawThemeEdge,
    GetThemeColor,
    GetThemeMetric,
    GetThemeMargins,
    SetWindowTheme,
    IsThemeActive,
    IsAppThemed,
    EnableTheming,
    ThemeEntryCount
};
const char* const ThemeEntryNames[ThemeEntryCount] = {
    "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeEdge",
    "GetThemeColor", "GetThemeMetric", "GetThemeMargins",     "SetWindowTheme",
    "IsThemeActive", "IsAppThemed",    "EnableTheming"};

void* ThemeLibrary = nullptr;
void* ThemeEntries[ThemeEntryCount] = {};

using TOpenThemeData = HTHEME (*)(uintptr_t window, const char16_t* classList);
using TCloseThemeData = int32_t (*)(HTHEME theme);
using TBoolQuery = int32_t (*)();

void UnloadThemeLibrary()
{
    if (ThemeLibrary && !ModuleIsLibrary)
        dlclose(ThemeLibrary);
    ThemeLibrary = nullptr;
    for (void*& entry : ThemeEntries)
        entry = nullptr;
}

bool LoadThemeLibrary()
{
    if (!ThemeLibrary) {
        ThemeLibrary = dlopen(ThemeLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (!ThemeLibrary)
            return false;
        for (int i = 0; i < ThemeEntryCount; ++i)
            ThemeEntries[i] = dlsym(ThemeLibrary, ThemeEntryNames[i]);
        for (int required : {OpenThemeData, CloseThemeData, IsThemeActive, IsAppThemed, EnableTheming})
            if (!ThemeEntries[required]) {
                UnloadThemeLibrary();
                break;
            }
    }
    return ThemeLibrary != nullptr;
}

} // namespace

TThemeNexus::TThemeNexus()
{
    OpenVisuals();
}

TThemeNexus::~TThemeNexus()
{
    FreeVisuals();
}

void TThemeNexus::OpenVisuals()
{
    UseThemes = false;
    if (LoadThemeLibrary()) {
        UseThemes = reinterpret_cast<TBoolQuery>(ThemeEntries[IsAppThemed])() != 0 &&
                    reinterpret_cast<TBoolQuery>(ThemeEntries[IsThemeActive])() != 0;
        if (UseThemes) {
            auto open = reinterpret_cast<TOpenThemeData>(ThemeEntries[OpenThemeData]);
            ScrollBarTheme = open(Handle, u"SCROLLBAR");
            GlobalsTheme = open(Handle, u"GLOBALS");
        }
    }
}

void TThemeNexus::FreeVisuals()
{
    if (!ModuleIsLibrary && UseThemes && ThemeEntries[CloseThemeData]) {
        auto close = reinterpret_cast<TCloseThemeData>(ThemeEntries[CloseThemeData]);
        for (HTHEME* theme : {&ScrollBarTheme, &GlobalsTheme})
            if (*theme) {
                close(*theme);
                *theme = 0;
            }
    }
    UnloadThemeLibrary();
}

intptr_t TThemeNexus::WndProc(uint32_t Msg, uintptr_t, intptr_t)
{
    if (Msg == WM_THEMECHANGED) {
        FreeVisuals();
        OpenVisuals();
    }
    return 0;
}

TPerfTimer& GlobalPerfTimer()
{
    static TPerfTimer timer;
    return timer;
}

TThemeNexus& GlobalThemeNexus()
{
    static TThemeNexus nexus;
    return nexus;
}

namespace {
// Start-up: the timer and the nexus exist before any other raster unit runs.
const bool SystemUnitReady = (GlobalPerfTimer(), GlobalThemeNexus(), true);
} // namespace

} // namespace qm
