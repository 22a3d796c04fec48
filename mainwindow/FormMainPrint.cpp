// The print and print-preview commands.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectPrintHandlers() {}

} // namespace qm
