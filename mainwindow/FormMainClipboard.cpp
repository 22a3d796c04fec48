// The item clipboard: cut, copy, paste and the clipboard viewer.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectClipboardHandlers() {}

} // namespace qm
