// The commands that open the item and category dialogs.
#include <QAction>

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
    // Space, Ins and Shift+Ins reach the item commands through the item list's keys.
    for (QAction* a : {MItemItemEdit, PItemContextEdit})
        Wire(a, &TFormMain::MItemItemEditClick);
    Wire(BtnEditItem, &TFormMain::MItemItemEditClick);
    for (QAction* a : {MItemItemAdd, PItemContextAddItem, PItemAddItem})
        Wire(a, &TFormMain::MItemItemAddClick);
    Wire(BtnAddItem, &TFormMain::MItemItemAddClick);
    for (QAction* a : {MItemItemAddMult, PItemContextAddMult, PItemAddMult})
        Wire(a, &TFormMain::MItemItemAddMultClick);
    for (QAction* a : {MItemCategoryEdit, PItemContextEditCat})
        Wire(a, &TFormMain::MItemCategoryEditClick);
    Wire(BtnCategoryEdit, &TFormMain::MItemCategoryEditClick);
    for (QAction* a : {MItemCategoryAdd, PItemContextAddCat})
        Wire(a, &TFormMain::MItemCategoryAddClick);
    Wire(BtnCategoryAdd, &TFormMain::MItemCategoryAddClick);
    for (QAction* a : {MItemCategoryCopy, PItemContextCopyCat})
        Wire(a, &TFormMain::MItemCategoryCopyClick);
    Wire(MItemCategoryChangeAisle, &TFormMain::MItemCategoryChangeAisleClick);
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

void TFormMain::MItemItemEditClick()
{
    if (Store.SelCategory >= 0 && Store.SelItem >= 0)
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
