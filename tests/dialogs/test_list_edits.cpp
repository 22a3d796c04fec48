// The changes of a list editor made over the list as another window left it.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "dialogs/ListEdits.h"

namespace {

using qm::TListEntry;
using List = std::vector<TListEntry>;

// "Bank* Post" is Bank ticked and Post not; "Bank<0" in an edited list comes from entry 0 of
// the list opened on ("Bank<0*" ticked), "New" alone was added in the editor.
List Parse(const std::string& text)
{
    List list;
    std::istringstream words(text);
    for (std::string w; words >> w;) {
        TListEntry e;
        if (!w.empty() && w.back() == '*') {
            e.Checked = true;
            w.pop_back();
        }
        if (const size_t lt = w.find('<'); lt != std::string::npos) {
            e.Origin = std::stoi(w.substr(lt + 1));
            w.resize(lt);
        }
        for (char& c : w)
            if (c == '_')
                c = ' ';
        e.Name = w;
        list.push_back(e);
    }
    return list;
}

std::string Show(const List& list)
{
    std::string out;
    for (const TListEntry& e : list) {
        std::string name = e.Name;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        out += (out.empty() ? "" : " ") + name + (e.Checked ? "*" : "");
    }
    return out;
}

struct Case {
    const char* what;
    const char* opened;
    const char* edited;
    const char* now;
    const char* merged; // or the entry lost, behind "lost "
};

class MergeListEditsTest : public ::testing::TestWithParam<Case> {};

TEST_P(MergeListEditsTest, EndsAsTheUserAndTheOtherWindowLeftIt)
{
    const Case& c = GetParam();
    qm::AnsiString lost;
    const auto merged = qm::MergeListEdits(Parse(c.opened), Parse(c.edited), Parse(c.now), lost);
    EXPECT_EQ(merged ? Show(*merged) : "lost " + lost, c.merged) << c.what;
}

const Case kCases[] = {
    // Nobody else wrote: the editor's list as it stands, duplicates and all.
    {"unchanged", "A B C", "C<2 A<0* New B<1 New", "A B C", "C A* New B New"},
    // Another window added Pharmacy and ticked Gym; here Bank was ticked and Post removed.
    {"added and ticked there", "Bank Post Gym", "Bank<0* Gym<2", "Bank Post Gym* Pharmacy*",
     "Bank* Gym* Pharmacy*"},
    {"added there at the start", "A B", "A<0 B<1", "Z A B", "Z A B"},
    {"added there follows its entry, after a move here", "A B C", "C<2 A<0 B<1", "A A2 B C", "C A A2 B"},
    {"added on both sides", "A", "A<0 X", "A Y", "A Y X"},
    {"the same name added on both sides is one", "A", "A<0 Pharmacy", "A pharmacy*", "A Pharmacy"},
    {"renamed here", "A B", "A<0 Bee<1", "A B C", "A Bee C"},
    {"renamed there and left alone here", "A B", "B<1 A<0", "A Bee", "A Bee"},
    {"removed there, left alone here", "A B", "A<0* B<1", "A", "A*"},
    {"removed on both sides", "A B", "A<0", "A", "A"},
    {"removed here, kept there", "A B", "A<0", "A B C", "A C"},
    {"renamed here, removed there", "A Bank", "A<0 Bank_and_cash<1", "A", "lost Bank"},
    {"ticked here, removed there", "A Bank", "A<0 Bank<1*", "A", "lost Bank"},
    {"names matched without regard to case", "Bakery", "Bakery<0*", "BAKERY Deli", "BAKERY* Deli"},
    {"the nth of a name is the nth", "A A", "A<0 A<1*", "A A B", "A A* B"},
};

// Each case is named after its what, in words run together: "removed there, left alone here"
// is RemovedThereLeftAloneHere.
std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string name;
    bool wordStart = true;
    for (const char* c = info.param.what; *c; ++c) {
        const bool alnum = std::isalnum(static_cast<unsigned char>(*c));
        if (alnum)
            name += wordStart ? char(std::toupper(static_cast<unsigned char>(*c))) : *c;
        wordStart = !alnum;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, MergeListEditsTest, ::testing::ValuesIn(kCases), CaseName);

} // namespace
