// The print and print-preview commands.
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/gui/QtDialogs.h"
#include "printing/PrintPreviewUnit.h"

namespace qm {

namespace {

// The window lays the pages out from the stored settings in its show step and prints them;
// it is never shown, so it stores nothing.
void PrintWithoutPreview(TFormMain& Owner, bool ShoppingList)
{
    TFormPrintPreview form(Owner.Store, Owner.ShopList, Owner.GetCurrentStoreName(), &Owner);
    form.PrintShoppingList = ShoppingList;
    form.FormShow();
    form.BtnPrintClick();
}

void ShowPreview(TFormMain& Owner, bool ShoppingList)
{
    TFormPrintPreview form(Owner.Store, Owner.ShopList, Owner.GetCurrentStoreName(), &Owner);
    form.PrintShoppingList = ShoppingList;
    RunModal(form);
}

} // namespace

void TFormMain::ConnectPrintHandlers()
{
    Wire(BtnPrintList, &TFormMain::MItemFilePrintShoppingListClick);
}

void TFormMain::MItemFilePrintShoppingListClick()
{
    PrintWithoutPreview(*this, true);
}

void TFormMain::MItemFilePrintItemListClick()
{
    PrintWithoutPreview(*this, false);
}

void TFormMain::MItemFilePreviewShoppingListClick()
{
    ShowPreview(*this, true);
}

void TFormMain::MItemFilePreviewItemListClick()
{
    ShowPreview(*this, false);
}

} // namespace qm
