// Options, help, the version check, the tip of the day and the about box.
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

void TFormMain::ConnectHelpHandlers() {}

void TFormMain::MItemHelpTipClick() {}
void TFormMain::CheckForNewVersion(bool) {}

} // namespace qm
