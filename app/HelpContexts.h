#pragma once
// The topics of the help file (resources/help/Quillmart.hlp) that the program opens at their
// context numbers: the Help buttons of the dialogs and of the confirmations, the F1 help of
// single controls, the tips' "More Info", and the contents. Code names a topic by its title in
// the help file, through HelpContextOf, so that each number is written here only.
#include <string_view>

namespace qm {

struct THelpContext {
    std::string_view Title;
    int Context;
};

inline constexpr THelpContext kHelpContexts[] = {
    {"Quillmart Help: Contents", 0},
    {"The buttons of the Options dialog", 181},
    {"Item names", 890},
    {"An item's category", 891},
    {"Aisles and departments", 892},
    {"Display fonts: the item list", 910},
    {"Display fonts: the item list's size", 911},
    {"Display fonts: the shopping list", 915},
    {"Display fonts: the shopping list's size", 916},
    {"The example store", 1125},
    {"Putting items on the shopping list quickly", 1140},
    {"Finding a shopping-list item in the item list", 1800},
    {"Creating a new store", 2120},
    {"Working with several stores at once", 2140},
    {"E-mailing the shopping list", 2260},
    {"Printing a checklist of the store's items", 2320},
    {"Printing the shopping list", 2360},
    {"Printing the store's items", 2380},
    {"Copying items with the clipboard", 2520},
    {"Editing aisles and departments", 2720},
    {"Resetting purchased items", 2750},
    {"Resetting quantities", 2760},
    {"Resetting coupons", 2770},
    {"Resetting notes", 2780},
    {"Resetting everything", 2790},
    {"Errands", 2820},
    {"Switching between stores", 2900},
    {"Editing a category", 3020},
    {"Adding a category", 3040},
    {"Deleting a category", 3060},
    {"Copying a category to another store", 3080},
    {"Changing a category's aisle", 3100},
    {"Expanding and collapsing categories", 3120},
    {"Editing an item", 3420},
    {"Adding an item", 3440},
    {"Adding several items at once", 3460},
    {"Deleting an item", 3480},
    {"Copying an item to another store", 3500},
    {"Quantities", 3520},
    {"Coupons", 3540},
    {"Notes", 3560},
    {"Options", 3720},
    {"About Quillmart", 7320},
};

// The context number of the topic with this title; a title the table does not hold does not
// compile.
consteval int HelpContextOf(std::string_view title)
{
    for (const THelpContext& topic : kHelpContexts)
        if (topic.Title == title)
            return topic.Context;
    throw "no help topic has this title";
}

} // namespace qm
