// The new-store wizard and the aisle and errand editors.

#include "dialogs/EditAislesUnit.h"
#include "dialogs/EditErrandsUnit.h"
#include "dialogs/NewStoreUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/gui/QtDialogs.h"

namespace qm {

void TFormMain::ConnectWizardHandlers()
{
    Wire(BtnNewStore, &TFormMain::MItemFileNewStoreClick);
    Wire(BtnEditAisles, &TFormMain::MItemStoreEditAislesClick);
    Wire(BtnErrand, &TFormMain::MItemStoreEditErrandsClick);
}

void TFormMain::MItemFileNewStoreClick()
{
    TFormNewStore form(*this, this);
    RunModal(form);
}

void TFormMain::MItemStoreEditAislesClick()
{
    if (GetCurrentStoreName().empty() || RefreshStore() == Refresh::Failed)
        return;
    TFormAisles form(*this, this);
    RunModal(form);
}

// The errand editor opens on the errands as the store's file holds them, as it writes them back
// whole: errands another program changed since the window read the store are read first.
void TFormMain::MItemStoreEditErrandsClick()
{
    if (GetCurrentStoreName().empty() || RefreshStore() == Refresh::Failed)
        return;
    TFormErrands form(*this, this);
    RunModal(form);
}

} // namespace qm
