#pragma once
// Processor tests that decide which variant of each pixel routine a run uses, the binding
// features every unit binds its routine pointers by, the performance timer, the tick count,
// and the themed-visuals service (no theme library exists on this platform, so it stays off).
#include <cstdint>
#include <string>

namespace qm {

enum TInstructionSet : uint8_t { isMMX, isEMMX, isStreamingSIMD, isStreamingSIMD2, is3DNow, is3DNowExt };

// The EDX bit of each set; isEMMX and the 3DNow! sets are read from leaf $80000001.
extern const uint32_t InstructionSetMasks[6];

// What CPUID reported; a test can fill one by hand to check the rules below.
struct TCpuidReport {
    bool HasCPUID = false;
    uint32_t Leaf1Eax = 0; // family in bits 8..11
    uint32_t Leaf1Edx = 0;
    uint32_t MaxExtendedLeaf = 0; // EAX of leaf $80000000
    uint32_t Extended1Edx = 0;    // EDX of leaf $80000001
};
TCpuidReport ReadCpuid();

// True when the ID bit (21) of the flags register can be toggled.
bool HasCPUID();
bool HasExtendedCPUID();
bool HasExtendedCPUID(const TCpuidReport& report);
bool HasInstructionSet(TInstructionSet set);
bool HasInstructionSet(TInstructionSet set, const TCpuidReport& report);
bool HasMMX();
bool HasEMMX();
bool Has3DNow();

// The features the units bind their routine pointers by. At start-up these are the
// processor's, unless the environment variable QM_RASTER_FAMILY says otherwise:
//   plain  - every unit binds its plain routines;
//   mmx    - the MMX and extended-MMX variants, 3DNow! as the processor has it;
//   3dnow  - every variant family.
struct TBindingFeatures {
    bool MMX = false;
    bool EMMX = false;
    bool ThreeDNow = false;
};
const TBindingFeatures& BindingFeatures();
// Features from a QM_RASTER_FAMILY value; an unknown or empty value gives the processor's.
TBindingFeatures FeaturesForFamily(const std::string& family);

// Each unit with routine pointers registers how it binds them; RebindRasterRoutines runs
// every registered binder again with the given features. Tests use it to check both
// families in one run; the program itself binds once, at start-up.
using TRoutineBinder = void (*)(const TBindingFeatures&);
void RegisterRoutineBinder(TRoutineBinder binder);
void RebindRasterRoutines(const TBindingFeatures& features);

// The system tick count in milliseconds (wraps after 49.7 days).
uint32_t GetTickCount();

class TPerfTimer {
public:
    virtual ~TPerfTimer() = default;
    int64_t Frequency = 0;
    int64_t StartCount = 0;
    int64_t StopCount = 0;

    void Start();
    // Elapsed time since Start, rounded to the nearest microsecond (halves to even).
    int64_t ReadMicroseconds();

protected:
    // The performance counter and its ticks per second.
    virtual int64_t QueryCounter();
    virtual int64_t QueryFrequency();
};

// Keeps the theme handles current. The theme library is looked up at run time; without it
// UseThemes stays false and both handles 0.
class TThemeNexus {
public:
    static constexpr uint32_t WM_THEMECHANGED = 0x031A;

    TThemeNexus();
    ~TThemeNexus();
    TThemeNexus(const TThemeNexus&) = delete;
    TThemeNexus& operator=(const TThemeNexus&) = delete;

    void OpenVisuals();
    void FreeVisuals();
    // Re-opens the visuals on WM_THEMECHANGED; the result is the default handling's (0).
    intptr_t WndProc(uint32_t Msg, uintptr_t WParam, intptr_t LParam);

    uintptr_t Handle = 0; // the hidden utility window; none exists on this platform
};

using HTHEME = uintptr_t;
extern bool UseThemes;
extern HTHEME ScrollBarTheme;
extern HTHEME GlobalsTheme;
// The name of the theme library looked for at run time.
extern const char* const ThemeLibraryName;

// Created at start-up, freed at shutdown.
TPerfTimer& GlobalPerfTimer();
TThemeNexus& GlobalThemeNexus();

} // namespace qm
