#pragma once
// What the benchmark programs share: a private home with a storage folder, the settings that
// let the main window start without asking anything, the run itself, and the process's
// resident memory.
#include <benchmark/benchmark.h>

#include "../tests/support/PrivateHome.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/Settings.h"
#include "platform/Application.h"
#include "util/RegUtils.h"

namespace qmbench {

// A private home (tests/support/PrivateHome.h, which also picks the offscreen platform) with
// an empty storage folder.
class BenchHome : public qmtest::PrivateHome {
public:
    BenchHome() : PrivateHome("qmbench-")
    {
        if (ok())
            std::filesystem::create_directories(Stores());
    }
    // The storage folder, with a trailing "/".
    std::string Stores() const { return root() + "/stores/"; }
};

// The settings of a window opened on the storage folder stores: no version check and no tip
// of the day, and lastStore opened at start-up when given (an empty one opens none; without
// one the start-up is a first run). No store file is named on the command line.
inline void WriteStartupSettings(const std::string& stores, const char* lastStore = nullptr)
{
    using namespace qm;
    char program[] = "quillmart";
    char* arguments[] = {program};
    SetApplicationArguments(1, arguments);
    RegWriteString(kCompany, kProduct, "Settings", stores, "StorageDir");
    if (lastStore)
        RegWriteString(kCompany, kProduct, "Settings", lastStore, "Last Store");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoCheckForLatest");
    RegWriteBool(kCompany, kProduct, "Settings", false, "ShowTOTD");
    RegWriteDateTime(kCompany, kProduct, "Settings", 0, "LastCheckDT");
}

// For the programs without a private home: Qt's offscreen platform unless another is asked for.
inline void UseOffscreenPlatform()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

// Runs the benchmarks the command line selects (all by default).
inline int RunBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Resident memory of the process in MB.
inline double ResidentMB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace qmbench
