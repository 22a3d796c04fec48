// The find bar, the quick-find box and the status-bar hints.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectFindHandlers() {}

} // namespace qm
