// The parsed form of an INI file: the changes a rewrite would write can be taken back to the
// bytes the file holds, whatever they overwrote in place or appended, before or after the
// rewrite laid the lines out.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/IniModel.h"

namespace {

using qm::ini_detail::Model;

std::string RandomFile(std::mt19937& rng)
{
    const char* const lines[] = {"[S]",    "[s]", "[T]", " [ U ] ", "k=1", "K = 22 ", "j=", "long=abcdefghij",
                                 "; note", "",    "  ",  "x=1=2",   "[S]", "k=333"};
    const char* const ends[] = {"\r\n", "\n", "\r"};
    std::string text = rng() % 4 == 0 ? "\xEF\xBB\xBF" : "";
    for (int n = int(rng() % 14); n > 0; --n)
        text += std::string(lines[rng() % std::size(lines)]) + ends[rng() % 3];
    if (rng() % 2)
        text += "k=tail"; // no line end at the end
    return text;
}

void RandomChanges(std::mt19937& rng, Model& m)
{
    const char* const sections[] = {"S", "s", "T", "U", "New"};
    const char* const keys[] = {"k", "K", "j", "long", "x", "new"};
    const char* const values[] = {"", "1", "9", "a much longer value than any before", " 7 "};
    for (int n = int(rng() % 8); n > 0; --n) {
        const char* section = sections[rng() % std::size(sections)];
        const char* key = keys[rng() % std::size(keys)];
        switch (rng() % 5) {
        case 0:
            m.Delete(section, key);
            break;
        case 1:
            m.Erase(section);
            break;
        default:
            if (const Model::KeyAt at = m.Locate(section, key); at.section >= 0 && rng() % 2)
                m.Replace(at, values[rng() % std::size(values)]);
            else
                m.Write(section, key, values[rng() % std::size(values)]);
            break;
        }
    }
}

TEST(IniModelTest, ChangesAreTakenBackToTheFilesBytes)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        const std::string file = RandomFile(rng);
        Model m(file);
        RandomChanges(rng, m);
        ASSERT_EQ(m.Unchanged(m.text), file) << round;
        const std::string before = m.Rewrite();
        ASSERT_EQ(m.Unchanged(before), file) << round;

        // The rewritten text is the file's next content: changes from there go back to it.
        m.StartChanges();
        const std::string next = m.text;
        RandomChanges(rng, m);
        ASSERT_EQ(m.Unchanged(m.text), next) << round;
    }
}

} // namespace
