// Many updates made in one pass over a file's text (UpdateKeysIfPresent) against the same
// updates made one by one through a parse of it (Edit with UpdateString): a file of
// bytes from the input, or of lines drawn from odd shapes, a list of sections and keys, and a
// change that depends on nothing but its arguments. Both must fail alike or end with the same
// bytes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

using qmfuzz::Check;
using qmfuzz::Folder;
using qmfuzz::ReadFile;
using qmfuzz::WriteFile;

namespace {

// Names that differ in the case of a-z, in blanks around them, in bytes of 0x80 and above, or
// after the eighth byte, where names are compared a word at a time.
const char* const kNames[] = {
    "S",  "s", " S ",  "\tS",         "T",           "--Info--",  "",          "k",   "K",       "k ",
    "k2", "x", "[Odd", "Caf\xc3\xa9", "CAF\xc3\xa9", "abcdefghi", "ABCDEFGHi", "\nS", "Item 1-1"};

const char* const kLines[] = {"[S]",
                              "[s]",
                              " [ S ]\t",
                              "[S] x",
                              "[T]",
                              "[--Info--]",
                              "[]",
                              "[Odd",
                              "k=1",
                              "K = 2 ",
                              "  k=",
                              "=v",
                              "k2=a=b",
                              "; c=1",
                              "",
                              "   ",
                              "[Odd=1",
                              "x",
                              "\tk\t=\tv\t",
                              "abcdefghi=1",
                              "ABCDEFGHI=2",
                              "Item 1-1=A,-,n,-,2,-,1,-,46000,-,0,-,",
                              "\xEF\xBB\xBF[S]"};

const char* const kEnds[] = {"\r\n", "\n", "\r", ""};

std::string Text(FuzzedDataProvider& in)
{
    if (in.ConsumeBool())
        return in.ConsumeRandomLengthString(600);
    std::string text;
    for (size_t n = in.ConsumeIntegralInRange<size_t>(0, 40); n > 0; --n) {
        text += in.ConsumeBool() ? kLines[in.ConsumeIntegralInRange<size_t>(0, std::size(kLines) - 1)]
                                 : in.ConsumeRandomLengthString(12);
        text += kEnds[in.ConsumeIntegralInRange<size_t>(0, std::size(kEnds) - 1)];
    }
    return text;
}

std::string Name(FuzzedDataProvider& in)
{
    if (in.ConsumeIntegralInRange(0, 5) == 0)
        return in.ConsumeRandomLengthString(10);
    return kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)];
}

// The list's updates made in one pass over passed and one by one over oneByOne: both must fail
// alike or end with the same bytes.
template <class Change>
void PassAndCompare(const std::string& passed, const std::string& oneByOne, const qm::IniFile::KeyList& list,
                    const std::vector<std::pair<qm::AnsiString, qm::AnsiString>>& names, Change& change)
{
    std::string passedError, oneByOneError;
    try {
        qm::IniFile(passed).UpdateKeysIfPresent(list, change);
    } catch (const std::exception& e) {
        passedError = e.what();
    }
    try {
        qm::IniFile(oneByOne).Edit([&](qm::IniFile::Editor& e) {
            for (size_t n = 0; n < names.size(); ++n)
                e.UpdateString(names[n].first, names[n].second,
                               [&](std::string_view old, qm::AnsiString& out) {
                                   qm::IniFile::Splice splice;
                                   if (!change(n, old, splice))
                                       return false;
                                   out = std::string(old.substr(0, std::min(splice.Keep, old.size()))) +
                                         std::string(splice.Append);
                                   return true;
                               });
        });
    } catch (const std::exception& e) {
        oneByOneError = e.what();
    }
    Check(passedError.empty() == oneByOneError.empty());
    Check(ReadFile(passed) == ReadFile(oneByOne));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string passed = Folder() + "passed.store", oneByOne = Folder() + "one-by-one.store";
    const std::string text = Text(in);
    std::vector<std::pair<qm::AnsiString, qm::AnsiString>> names;
    for (size_t n = in.ConsumeIntegralInRange<size_t>(0, 16); n > 0; --n)
        names.emplace_back(Name(in), Name(in));
    const std::string made = in.ConsumeRandomLengthString(20);
    const unsigned mode = in.ConsumeIntegral<unsigned>();
    // A function of its arguments alone: sometimes nothing, the same value, a value from the
    // input (which may hold a line break or blanks around it), or a part of the old one with
    // the input's text after it.
    std::string fresh;
    auto change = [&](size_t n, std::string_view old, qm::IniFile::Splice& out) {
        switch ((mode >> (2 * (n % 16))) % 4) {
        case 0:
            return false;
        case 1:
            out = {old.size(), {}};
            return true;
        case 2:
            fresh = made + std::to_string(n);
            out = {0, fresh};
            return true;
        default:
            out = {old.size() / 3, made};
            return true;
        }
    };

    const bool present = !text.empty() || in.ConsumeBool();
    // A second file for the same list, whose pass guesses its lines from the order the first
    // pass found.
    const std::string secondText = Text(in);
    qm::IniFile::DropCache();
    qm::IniFile::KeyList list;
    for (const auto& [section, key] : names)
        list.Add(section, key);
    for (const std::string* fileText : {&text, &secondText}) {
        std::remove(passed.c_str());
        std::remove(oneByOne.c_str());
        if (present) {
            WriteFile(passed, *fileText);
            WriteFile(oneByOne, *fileText);
        }
        PassAndCompare(passed, oneByOne, list, names, change);
    }
    return 0;
}
