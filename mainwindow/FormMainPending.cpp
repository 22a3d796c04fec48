// Routines of the main window that start-up and resizing already call and whose own parts of
// the program complete them: store listing and loading, the shopping list, the list drawing,
// and the dialogs that start-up may open. Each one here does nothing yet; the work that
// builds it replaces its body and moves it to the source of its concern.
#include <QScrollBar>

#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

// Lists the *.store files of StoresFolder into ComboStores.
void TFormMain::FillStoreList() {}

// Opens the named store of StoresFolder.
void TFormMain::LoadStore(const AnsiString&) {}

// Builds the shopping list of the open store.
void TFormMain::BuildShoppingList() {}

bool TFormMain::StoreHasCategories() const { return false; }

void TFormMain::RedrawAfterResize()
{
    ShoppingListBar->setSingleStep(20);
    ShoppingListBar->setPageStep(20);
}

// The new-store wizard.
void TFormMain::MItemFileNewStoreClick() {}

// The tip of the day.
void TFormMain::MItemHelpTipClick() {}

// The check for a newer release over the network.
void TFormMain::CheckForNewVersion(bool) {}

} // namespace qm
