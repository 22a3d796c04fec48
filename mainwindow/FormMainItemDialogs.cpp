// The commands that open the item and category dialogs.

#include "dialogs/AddCategoryUnit.h"
#include "dialogs/AddItemUnit.h"
#include "dialogs/AddMultItemsUnit.h"
#include "dialogs/CopyCategoryUnit.h"
#include "dialogs/EditAisleCatUnit.h"
#include "dialogs/EditCategoryUnit.h"
#include "dialogs/EditItemsUnit.h"
#include "dialogs/ItemHeader.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/gui/QtDialogs.h"

namespace qm {

void TFormMain::ConnectItemDialogHandlers()
{
    Wire(BtnEditItem, &TFormMain::MItemItemEditClick);
    Wire(BtnAddItem, &TFormMain::MItemItemAddClick);
    Wire(BtnCategoryEdit, &TFormMain::MItemCategoryEditClick);
    Wire(BtnCategoryAdd, &TFormMain::MItemCategoryAddClick);
}

namespace {

template <class Form> void RunDialog(TFormMain* owner)
{
    Form form(*owner, owner);
    RunModal(form);
}

} // namespace

QImage TFormMain::ItemGlyph(int index)
{
    return GlyphImage(ImageListItemList, index);
}

// The dialog opens on the item as the store's file holds it.
void TFormMain::MItemItemEditClick()
{
    if (RefreshStore() != Refresh::Failed && Store.SelCategory >= 0 && Store.SelItem >= 0)
        RunDialog<TFormEditItem>(this);
}

void TFormMain::MItemItemAddClick()
{
    if (!GetCurrentStoreName().empty() && StoreHasCategories())
        RunDialog<TFormAddItem>(this);
}

void TFormMain::MItemItemAddMultClick()
{
    if (!GetCurrentStoreName().empty() && StoreHasCategories())
        RunDialog<TFormAddMultItems>(this);
}

void TFormMain::MItemCategoryEditClick()
{
    if (Store.SelCategory >= 0)
        RunDialog<TFormEditCategory>(this);
}

void TFormMain::MItemCategoryAddClick()
{
    if (!GetCurrentStoreName().empty())
        RunDialog<TFormAddCategory>(this);
}

void TFormMain::MItemCategoryCopyClick()
{
    if (Store.SelCategory >= 0)
        RunDialog<TFormCopyCategory>(this);
}

void TFormMain::MItemCategoryChangeAisleClick()
{
    if (Store.SelCategory >= 0)
        RunDialog<TFormEditCatAisle>(this);
}

} // namespace qm
