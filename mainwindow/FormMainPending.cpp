// Routines of the main window that start-up and resizing already call and whose own parts of
// the program complete them: the list drawing, the Category menu, and the dialogs and the
// network check that start-up may run. Each one here does nothing yet; the work that builds it
// replaces its body and moves it to the source of its concern.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::DrawItemList() {}
void TFormMain::DrawItemListHeader() {}
void TFormMain::SelectRow(int32_t, int32_t) {}

// Sets the Category menu's captions and enabled states.
void TFormMain::MMenuCategoryClick() {}

// The new-store wizard.
void TFormMain::MItemFileNewStoreClick() {}

// The tip of the day.
void TFormMain::MItemHelpTipClick() {}

// The check for a newer release over the network.
void TFormMain::CheckForNewVersion(bool) {}

// The errand editor.
void TFormMain::MItemStoreEditErrandsClick() {}

} // namespace qm
