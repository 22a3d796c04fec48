// The store-file commands: import, export, rename, new window, and the storage folder.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectFileHandlers() {}

} // namespace qm
