// The new-store wizard and the aisle and errand editors.
#include <QAction>
#include <QToolButton>

#include "dialogs/NewStoreUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"
#include "platform/gui/QtDialogs.h"

namespace qm {

void TFormMain::ConnectWizardHandlers()
{
    // F2 is the menu item's shortcut.
    Wire(MItemFileNewStore, &TFormMain::MItemFileNewStoreClick);
    connect(BtnNewStore, &QToolButton::clicked, this, [this] { Dispatch([this] { MItemFileNewStoreClick(); }); });
}

void TFormMain::MItemFileNewStoreClick()
{
    TFormNewStore form(this);
    RunModal(form);
}

void TFormMain::MItemStoreEditErrandsClick() {}

} // namespace qm
