// The commands that open the item and category dialogs.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectItemDialogHandlers() {}

void TFormMain::MItemItemEditClick() {}
void TFormMain::MItemItemAddClick() {}
void TFormMain::MItemItemAddMultClick() {}
void TFormMain::MItemCategoryEditClick() {}
void TFormMain::MItemCategoryAddClick() {}

} // namespace qm
