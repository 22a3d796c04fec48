// The shopping list's export as PDF or text, and its e-mail.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectExportHandlers() {}

} // namespace qm
