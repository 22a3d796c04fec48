// A sequence of edits of one store file, taken from the input, applied twice: once to a file
// whose parse is kept from edit to edit (with its last lookup and key tables), and once to a
// copy parsed afresh before every step. Every read and the final bytes must agree, so a kept
// parse that drifts from what its file holds is found.
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "platform/IniFile.h"

using qmfuzz::Check;
using qmfuzz::Folder;
using qmfuzz::ReadFile;
using qmfuzz::WriteFile;

namespace {

// Names that differ only in the case of a-z, in bytes of 0x80 and above, or after the
// eighth or sixteenth byte, where names are compared a word at a time.
const char* const kNames[] = {"Dairy",
                              "dairy",
                              "DAIRY",
                              "Caf\xc3\xa9",
                              "CAF\xc3\xa9",
                              "caf\xc3\x89",
                              "abcdefgh",
                              "ABCDEFGH",
                              "abcdefghi",
                              "abcdefghI",
                              "abcdefghijklmnopq",
                              "ABCDEFGHIJKLMNOPq",
                              "abcdefghijklmnoPQ",
                              "k\xff",
                              "K\xff",
                              "x",
                              "X",
                              "z@`{",
                              "Z@`{",
                              "Milk",
                              "milk",
                              "Eggs",
                              "--Info--"};

std::string Name(FuzzedDataProvider& in)
{
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
        std::string n = in.ConsumeRandomLengthString(24);
        for (char& c : n)
            if (c == '\r' || c == '\n' || c == '=' || c == '[' || c == ';' || c == ']')
                c = '_';
        return n;
    }
    return kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)];
}

std::string Value(FuzzedDataProvider& in)
{
    std::string v = in.ConsumeRandomLengthString(48);
    for (char& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    if (in.ConsumeIntegralInRange(0, 15) == 0)
        v.append(in.ConsumeIntegralInRange<size_t>(1, 300), 'v');
    return v;
}

// One step, drawn from the input, on the file; every read it makes is appended to log.
void Step(FuzzedDataProvider& in, const std::string& path, std::string& log)
{
    qm::IniFile ini(path);
    const std::string section = Name(in), key = Name(in);
    switch (in.ConsumeIntegralInRange(0, 6)) {
    case 0:
        ini.WriteString(section, key, Value(in));
        break;
    case 1:
        ini.DeleteKey(section, key);
        break;
    case 2:
        ini.EraseSection(section);
        break;
    case 3: {
        // Another program rewrites the file.
        WriteFile(path, in.ConsumeRandomLengthString(200));
        break;
    }
    case 4:
        log += ini.ReadString(section, key, "\x01") + '\n';
        for (const auto& [k, v] : ini.ReadSectionValues(section))
            log += k + '=' + v + '\n';
        break;
    default: {
        // Several changes in one rewrite, read back after each, through a section's keys in
        // file order as item saves go.
        const size_t changes = in.ConsumeIntegralInRange<size_t>(1, 12);
        ini.Edit([&](qm::IniFile::Editor& e) {
            for (size_t i = 0; i < changes; ++i) {
                const std::string s = in.ConsumeBool() ? section : Name(in);
                std::vector<qm::AnsiString> keys = e.ReadSection(s);
                const std::string k =
                    !keys.empty() && in.ConsumeBool()
                        ? std::string(keys[in.ConsumeIntegralInRange<size_t>(0, keys.size() - 1)])
                        : Name(in);
                switch (in.ConsumeIntegralInRange(0, 4)) {
                case 0:
                    e.WriteString(s, k, Value(in));
                    break;
                case 1:
                    e.DeleteKey(s, k);
                    break;
                case 2:
                    e.EraseSection(s);
                    break;
                case 3: {
                    const std::string v = Value(in);
                    const bool write = in.ConsumeBool();
                    e.UpdateString(s, k, [&](std::string_view old, qm::AnsiString& out) {
                        out = write ? v : std::string(old.substr(0, old.size() / 2));
                        return true;
                    });
                    break;
                }
                default:
                    for (const auto& each : keys)
                        e.WriteString(s, each, Value(in));
                    break;
                }
                log += e.ReadString(s, k, "\x01") + '\n';
                for (const auto& each : e.ReadSection(s))
                    log += each + '\n';
            }
        });
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string kept = Folder() + "kept.store", fresh = Folder() + "fresh.store";
    std::string keptLog, freshLog;
    for (int pass = 0; pass < 2; ++pass) {
        const std::string& path = pass ? fresh : kept;
        FuzzedDataProvider in(data, size);
        qm::IniFile::DropCache();
        WriteFile(path, in.ConsumeRandomLengthString(400));
        while (in.remaining_bytes() > 0) {
            if (pass)
                qm::IniFile::DropCache();
            std::string& log = pass ? freshLog : keptLog;
            try {
                Step(in, path, log);
            } catch (const std::exception&) {
                log += "exception\n";
            }
        }
    }
    Check(keptLog == freshLog);
    Check(ReadFile(kept) == ReadFile(fresh));
    return 0;
}
