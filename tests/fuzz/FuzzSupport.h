#pragma once
// What the fuzz targets that work on files share: a private folder for the run, reading and
// writing a file's bytes, and a check whose failure is a finding.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace qmfuzz {

// A folder ending in '/', made at the first call and removed at exit; kept on the heap so that
// it outlives the exit handlers.
inline const std::string& Folder()
{
    static const std::string* folder = [] {
        char tmpl[] = "/tmp/qmfuzz-XXXXXX";
        const char* made = mkdtemp(tmpl);
        if (!made)
            std::abort();
        std::atexit([] { std::filesystem::remove_all(*folder); });
        return new std::string(std::string(made) + "/");
    }();
    return *folder;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace qmfuzz
