// The new-store wizard and the aisle and errand editors.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectWizardHandlers() {}

void TFormMain::MItemFileNewStoreClick() {}
void TFormMain::MItemStoreEditErrandsClick() {}

} // namespace qm
