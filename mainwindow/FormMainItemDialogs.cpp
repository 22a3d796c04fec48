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

// Each dialog opens on the store as its file holds it: read again when another program changed
// it, and a selected category or item it took out said so before anything opens.
void TFormMain::MItemItemEditClick()
{
    int32_t c = Store.SelCategory, i = Store.SelItem;
    if (i >= 0 && CurrentRow(c, i))
        RunDialog<TFormEditItem>(this);
}

// The add dialogs open on the selected category: one another program took out is said so
// rather than the dialogs opening on the category the store read again has at its place.
void TFormMain::MItemItemAddClick()
{
    if (!GetCurrentStoreName().empty() && SelectedCategoryOrNoneNow() && StoreHasCategories())
        RunDialog<TFormAddItem>(this);
}

void TFormMain::MItemItemAddMultClick()
{
    if (!GetCurrentStoreName().empty() && SelectedCategoryOrNoneNow() && StoreHasCategories())
        RunDialog<TFormAddMultItems>(this);
}

bool TFormMain::SelectedCategoryNow()
{
    int32_t c = Store.SelCategory, row = kNoRow;
    return c >= 0 && CurrentRow(c, row);
}

bool TFormMain::SelectedCategoryOrNoneNow()
{
    return Store.SelCategory < 0 ? RefreshStore() != Refresh::Failed : SelectedCategoryNow();
}

void TFormMain::MItemCategoryEditClick()
{
    if (SelectedCategoryNow())
        RunDialog<TFormEditCategory>(this);
}

void TFormMain::MItemCategoryAddClick()
{
    if (!GetCurrentStoreName().empty() && RefreshStore() != Refresh::Failed)
        RunDialog<TFormAddCategory>(this);
}

void TFormMain::MItemCategoryCopyClick()
{
    if (SelectedCategoryNow())
        RunDialog<TFormCopyCategory>(this);
}

void TFormMain::MItemCategoryChangeAisleClick()
{
    if (SelectedCategoryNow())
        RunDialog<TFormEditCatAisle>(this);
}

} // namespace qm
