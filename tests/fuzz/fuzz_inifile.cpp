// Any bytes as a store file: reading must not crash or hang, every listed key must read back,
// and a write must land while keeping every section that was there.
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "platform/IniFile.h"

using qmfuzz::Check;
using qmfuzz::Folder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = Folder() + "fuzz.store";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    qm::IniFile::DropCache();
    qm::IniFile ini(path);

    const auto sections = ini.ReadSections();
    for (const auto& section : sections) {
        Check(ini.SectionExists(section));
        const auto values = ini.ReadSectionValues(section);
        Check(values.size() == ini.ReadSection(section).size());
        for (const auto& [key, value] : values)
            Check(ini.ValueExists(section, key) && ini.ReadString(section, key, "\x01") == value);
    }

    // Write into the first section (or a new one) under a key taken from the input.
    const std::string section = sections.empty() ? "Fuzz" : sections.front();
    std::string key(reinterpret_cast<const char*>(data), size < 8 ? size : 8);
    for (char& c : key)
        if (c == '\r' || c == '\n' || c == '=' || c == ';' || c == '[')
            c = '_';
    try {
        ini.WriteString(section, key, "value");
    } catch (...) {
        __builtin_trap();
    }
    qm::IniFile::DropCache();
    Check(ini.ReadString(section, key, "") == "value");
    const auto after = ini.ReadSections();
    Check(after.size() == sections.size() + (sections.empty() ? 1 : 0));

    // Every key of the first sections rewritten in one edit, each value cut short or made
    // longer by turns (in its line or anew), read back within the edit and after it.
    std::vector<std::pair<std::string, std::string>> written;
    try {
        ini.Edit([&](qm::IniFile::Editor& e) {
            for (size_t s = 0; s < after.size() && s < 4; ++s)
                for (const auto& k : e.ReadSection(after[s])) {
                    if (k.empty() || k[0] == '[')
                        continue;
                    e.UpdateString(after[s], k, [&](std::string_view old, qm::AnsiString& out) {
                        out = written.size() % 2 ? std::string(old.substr(0, old.size() / 2))
                                                 : std::string(old) + "-longer";
                        return true;
                    });
                    written.emplace_back(after[s] + "\n" + k, e.ReadString(after[s], k, "\x01"));
                }
        });
    } catch (...) {
        __builtin_trap();
    }
    qm::IniFile::DropCache();
    for (const auto& [where, value] : written) {
        const size_t cut = where.find('\n');
        Check(ini.ReadString(where.substr(0, cut), where.substr(cut + 1), "\x01") == value);
    }
    return 0;
}
