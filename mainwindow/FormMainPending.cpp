// Routines of the main window that start-up and resizing already call and whose own parts of
// the program complete them: the list drawing, the Category menu, and the dialogs and the
// network check that start-up may run. Each one here does nothing yet; the work that builds it
// replaces its body and moves it to the source of its concern.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

// Sets the Category menu's captions and enabled states.
void TFormMain::MMenuCategoryClick() {}

// The new-store wizard.
void TFormMain::MItemFileNewStoreClick() {}

// The tip of the day.
void TFormMain::MItemHelpTipClick() {}

// The check for a newer release over the network.
void TFormMain::CheckForNewVersion(bool) {}

// Item and category commands of the item list, with their dialogs.
void TFormMain::MItemItemEditClick() {}
void TFormMain::MItemItemAddClick() {}
void TFormMain::MItemItemAddMultClick() {}
void TFormMain::MItemItemDeleteClick() {}
void TFormMain::MItemItemCouponClick() {}
void TFormMain::MItemItemNotesClick() {}
void TFormMain::MItemCategoryEditClick() {}
void TFormMain::MItemCategoryAddClick() {}

// The errand editor.
void TFormMain::MItemStoreEditErrandsClick() {}

} // namespace qm
