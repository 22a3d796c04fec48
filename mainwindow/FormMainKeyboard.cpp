// The item list's selection and its mouse and keyboard: SelectRow and the keyboard steps, the
// clickable areas of a row, the window's key preview with the numeric-keypad shortcuts, the
// type-ahead into the quick-find box, and the quantity commands.
#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <limits>

#include "graphics/RasterLayers.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"

namespace qm {

namespace {

// Virtual-key codes of the keys the item list answers.
enum : uint16_t {
    VK_RETURN = 13,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_MULTIPLY = 106,
    VK_ADD = 107,
    VK_SUBTRACT = 109,
    VK_DIVIDE = 111
};

// The virtual-key code of a key event; 0 for keys nobody here answers. The keypad's
// operator keys have codes of their own, apart from the main keyboard's.
uint16_t VirtualKey(const QKeyEvent& e)
{
    const bool keypad = e.modifiers() & Qt::KeypadModifier;
    switch (e.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Asterisk:
        return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus:
        return keypad ? VK_ADD : 0;
    case Qt::Key_Minus:
        return keypad ? VK_SUBTRACT : 0;
    case Qt::Key_Slash:
        return keypad ? VK_DIVIDE : 0;
    default:
        return 0;
    }
}

// The character a key press types, false when it types none. The Delete key types no
// character, nor does a key held with Ctrl or Alt beyond the control characters, though the
// windowing system reports their text (DEL, or the plain letter or digit).
bool TypedChar(const QKeyEvent& e, char& ch)
{
    const AnsiString text = FromQString(e.text());
    if (text.size() != 1 || e.key() == Qt::Key_Delete)
        return false;
    ch = text[0];
    const auto code = static_cast<unsigned char>(ch);
    if (code == 0x7F)
        return false;
    return code < 32 || !(e.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

// The window sees every key before the control that has the focus, as a form with key
// preview does: key presses go to FormKeyDown and then, when they carry a character, to
// FormKeyPress; releases go to FormKeyUp.
class TFormMain::KeyPreview : public QObject {
public:
    explicit KeyPreview(TFormMain* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType())
            return false;
        // A key travels from the focused control up its parents; the window sees it once,
        // when it reaches its first receiver.
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* first = form_->focusWidget() ? form_->focusWidget() : form_;
        if (widget != first || widget->window() != form_)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        uint16_t vk = VirtualKey(*key);
        const TShiftState shift = ShiftStateOf(key->modifiers());
        if (type == QEvent::KeyPress) {
            if (vk != 0)
                Dispatch([&] { form_->FormKeyDown(form_, vk, shift); });
            char ch;
            if (TypedChar(*key, ch))
                Dispatch([&] { form_->FormKeyPress(form_, ch); });
        } else if (vk != 0 && !key->isAutoRepeat()) {
            Dispatch([&] { form_->FormKeyUp(form_, vk, shift); });
        }
        return false;
    }

private:
    TFormMain* form_;
};

void TFormMain::ConnectItemListHandlers()
{
    qApp->installEventFilter(new KeyPreview(this));
    ImageItemList->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int32_t x,
                                        int32_t y, TCustomLayer* layer) {
        Dispatch([&] { ImageItemListMouseDown(sender, button, shift, x, y, layer); });
    };
    Wire(BtnQtyUp, &TFormMain::MItemItemQtyUpClick);
    Wire(BtnQtyDown, &TFormMain::MItemItemQtyDownClick);
    // The quick-find list drops down under the box while the typing goes on in the box.
    if (QCompleter* completer = ComboFind->completer())
        completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    LoadItemListGlyphs();
}

bool TFormMain::ItemListIsActive() const
{
    return focusWidget() == ImageItemList;
}

void TFormMain::SelectRow(int32_t cat, int32_t item)
{
    if (GetCurrentStoreName().empty() || Store.CategoryCount() == 0)
        return;
    // Only rows of the open store can be selected: an index past the end (a find hit of an
    // earlier store, say) is brought back to the nearest row that exists.
    cat = std::clamp(cat, 0, Store.CategoryCount() - 1);
    QMCategory& category = Store.Categories[size_t(cat)];
    item = std::clamp(item, -1, category.ItemCount() - 1);
    Store.SelCategory = cat;
    Store.SelItem = item;
    // An item of a collapsed category is shown by opening the category (in memory only). Its
    // rows have no place in the last drawing, so the list is laid out afresh before scrolling.
    if (item >= 0 && !category.Expanded) {
        category.Expanded = true;
        DrawItemList();
    }

    // Scroll the row into view, by its position in the last drawing. DrawItemList follows, so
    // the bar's own change handler need not draw as well.
    const int32_t top = ItemRows.RowTop(cat, item);
    const int32_t rowHeight = item >= 0 ? ItemRows.ItemRowHeight : ItemRows.CatRowHeight;
    const int32_t headerHeight = ImageItemListHeader->height();
    const int32_t imageHeight = ImageItemList->height();
    {
        const QSignalBlocker blocker(ItemListBar);
        const int64_t position = ItemListBar->value();
        int64_t target = position;
        if (top > headerHeight && top >= imageHeight)
            target = position + top - imageHeight + rowHeight;
        else if (top <= headerHeight)
            target = position + top - headerHeight;
        target = std::clamp<int64_t>(target, ItemListBar->minimum(), ItemListBar->maximum());
        ItemListBar->setValue(int(target));
    }

    DrawItemList();

    if (!ComboFind->hasFocus() && !ComboFind->isAncestorOf(focusWidget()) && focusWidget() != ComboFind)
        ComboFind->setEditText(ToQString(item >= 0 ? Store.GetSelectedItemName() : category.Name));

    const bool itemSelected = item >= 0;
    for (QToolButton* b : {BtnEditItem, BtnDeleteItem, BtnQtyUp, BtnQtyDown, BtnEditNote})
        b->setEnabled(itemSelected);
    BtnCoupon->setEnabled(itemSelected && Store.AcceptsCoupons);

    if (Store.Categories[size_t(cat)].Expanded) {
        MItemCategoryShowHide->setText("Collapse This Category");
        MItemCategoryShowHide->setShortcut(QKeySequence("Ctrl+Left"));
    } else {
        MItemCategoryShowHide->setText("Expand This Category");
        MItemCategoryShowHide->setShortcut(QKeySequence("Ctrl+Right"));
    }

    SaveLastItemSelected();
}

// ---- Keyboard steps -----------------------------------------------------------------------

int32_t TFormMain::LastItemOf(int32_t cat) const
{
    return Store.Categories[size_t(cat)].ItemCount() - 1;
}

void TFormMain::StepUp(int32_t& cat, int32_t& item) const
{
    if (item >= 0) {
        --item;
        return;
    }
    --cat;
    if (cat < 0) {
        cat = 0;
        item = -1;
        return;
    }
    item = Store.Categories[size_t(cat)].Expanded ? LastItemOf(cat) : -1;
}

void TFormMain::StepDown(int32_t& cat, int32_t& item) const
{
    if (item < LastItemOf(cat) && Store.Categories[size_t(cat)].Expanded) {
        ++item;
        return;
    }
    ++cat;
    item = -1;
    if (cat >= Store.CategoryCount()) {
        cat = Store.CategoryCount() - 1;
        item = Store.Categories[size_t(cat)].Expanded ? LastItemOf(cat) : -1;
    }
}

namespace {

// The selection a keyboard step starts from: the first category's row when there is none, and
// never a row the open store does not have.
void StartOfStep(const QMStore& store, int32_t& cat, int32_t& item)
{
    cat = store.SelCategory;
    item = store.SelItem;
    if (cat < 0 || cat >= store.CategoryCount()) {
        cat = 0;
        item = -1;
    }
    item = std::clamp(item, -1, store.Categories[size_t(cat)].ItemCount() - 1);
}

} // namespace

void TFormMain::SelectBySteps(bool up, int32_t count)
{
    if (Store.CategoryCount() == 0)
        return;
    int32_t cat, item;
    StartOfStep(Store, cat, item);
    for (int32_t n = 0; n < count; ++n)
        up ? StepUp(cat, item) : StepDown(cat, item);
    SelectRow(cat, item);
}

int32_t TFormMain::PageRows() const
{
    return ItemRows.ItemRowHeight > 0
               ? (ImageItemList->height() - ImageItemListHeader->height()) / ItemRows.ItemRowHeight
               : 0;
}

void TFormMain::SelectPreviousRow()
{
    SelectBySteps(true, 1);
}

void TFormMain::SelectNextRow()
{
    SelectBySteps(false, 1);
}

void TFormMain::SelectPageUp()
{
    SelectBySteps(true, PageRows());
}

void TFormMain::SelectPageDown()
{
    SelectBySteps(false, PageRows());
}

void TFormMain::SelectFirstRow()
{
    if (Store.CategoryCount() > 0)
        SelectRow(0, -1);
}

void TFormMain::SelectLastRow()
{
    if (Store.CategoryCount() == 0)
        return;
    const int32_t last = Store.CategoryCount() - 1;
    SelectRow(last, LastItemOf(last));
}

void TFormMain::SelectCategoryRow()
{
    if (Store.CategoryCount() == 0)
        return;
    int32_t cat, item;
    StartOfStep(Store, cat, item);
    SelectRow(cat, -1);
}

void TFormMain::SelectCategoryLastRow()
{
    if (Store.CategoryCount() == 0)
        return;
    int32_t cat, item;
    StartOfStep(Store, cat, item);
    SelectRow(cat, LastItemOf(cat));
}

// ---- Mouse --------------------------------------------------------------------------------

void TFormMain::ImageItemListMouseDown(QObject*, TMouseButton button, TShiftState, int32_t x, int32_t y,
                                       TCustomLayer*)
{
    // A click gives the item list the keyboard, whatever had it before (the quick-find box
    // after a message box, a list that was dropped down).
    if (!ImageItemList->hasFocus())
        ImageItemList->setFocus(Qt::MouseFocusReason);
    int32_t c, i;
    ItemRows.ItemListHitTest(Store, y, c, i);

    // An empty store answers only its "here" link.
    if (Store.CategoryCount() == 0) {
        if (x >= LinkRect.Left && x < LinkRect.Right && y >= LinkRect.Top && y < LinkRect.Bottom)
            MItemCategoryAddClick();
        return;
    }
    if (button == mbLeft &&
        (ClickExpandMarker(c, i, x, y) || ClickBuyColumn(c, i, x) || ClickSelectedRowButton(c, i, x, y)))
        return;
    // Else a plain selection; a right click selects the row before the context menu opens.
    if (c >= 0)
        SelectRow(c, i);
}

// The expand/collapse marker of a category row.
bool TFormMain::ClickExpandMarker(int32_t c, int32_t i, int32_t x, int32_t y)
{
    if (c < 0 || i != -1)
        return false;
    const int32_t gw = ExpandGlyphW;
    const int32_t gt = ItemRows.CategoryTop(c) + ItemRows.TextMarginY + (ItemRows.ItemRowHeight - gw) / 2;
    if (x < ExpandGlyphX - 2 || x > ExpandGlyphX + gw + 2 || y < gt - 2 || y > gt + 2 * gw + 2)
        return false;
    FlipCategory(c);
    return true;
}

// The Buy column switches an item on or off the list, selected or not.
bool TFormMain::ClickBuyColumn(int32_t c, int32_t i, int32_t x)
{
    if (c < 0 || i < 0 || x < ColBuyX || x > ColQtyX)
        return false;
    ChangeItem(
        c, i, [](QMItem& item) { item.Qty = item.Qty < 1 ? 1 : 0; }, true);
    BuildShoppingList();
    DrawShoppingList();
    return true;
}

// The buttons of the selected row: the quantity arrows (the upper half adds, the lower
// subtracts), the edit, coupon and note buttons of an item, the edit button of a category.
bool TFormMain::ClickSelectedRowButton(int32_t c, int32_t i, int32_t x, int32_t y)
{
    if (Store.SelItem >= 0 && c == Store.SelCategory && i == Store.SelItem) {
        const int32_t top = ItemRows.ItemTop(c, i);
        if (x >= QtyArrowX && x <= QtyArrowX + QtyArrowW) {
            ChangeSelectedQty(y <= top + ItemRows.ItemRowHeight / 2 ? 1 : -1);
            return true;
        }
        if (y < top || y > top + ItemRows.ItemRowHeight)
            return false;
        if (x >= EditBtnX && x <= EditBtnX + EditBtnW)
            MItemItemEditClick();
        else if (Store.AcceptsCoupons && x >= CouponBtnX && x <= CouponBtnX + CouponBtnW)
            MItemItemCouponClick();
        else if (x >= NoteBtnX && x <= NoteBtnX + NoteBtnW)
            MItemItemNotesClick();
        else
            return false;
        return true;
    }
    if (c < 0 || i != -1 || c != Store.SelCategory || Store.SelItem != -1)
        return false;
    const int32_t top = ItemRows.CategoryTop(c);
    if (x < CatEditBtnX || x > CatEditBtnX + CatEditBtnW || y < top || y > top + ItemRows.CatRowHeight)
        return false;
    MItemCategoryEditClick();
    return true;
}

// ---- Keyboard -----------------------------------------------------------------------------

void TFormMain::FormKeyDown(QObject*, uint16_t& key, TShiftState shift)
{
    if (!ItemListIsActive())
        return;
    const bool ctrl = shift & ssCtrl;
    switch (key) {
    case VK_PRIOR:
        SelectPageUp();
        break;
    case VK_NEXT:
        SelectPageDown();
        break;
    case VK_END:
        ctrl ? SelectLastRow() : SelectCategoryLastRow();
        break;
    case VK_HOME:
        ctrl ? SelectFirstRow() : SelectCategoryRow();
        break;
    case VK_UP:
        SelectPreviousRow();
        break;
    case VK_DOWN:
        SelectNextRow();
        break;
    default:
        break;
    }
}

// The shortcuts act when the key is released, and only on the item list.
void TFormMain::FormKeyUp(QObject*, uint16_t& key, TShiftState shift)
{
    if (!ItemListIsActive())
        return;
    switch (key) {
    case VK_ADD:
        MItemItemQtyUpClick();
        break;
    case VK_SUBTRACT:
        MItemItemQtyDownClick();
        break;
    case VK_DIVIDE:
        MItemItemNotesClick();
        break;
    case VK_MULTIPLY:
        if (Store.AcceptsCoupons)
            MItemItemCouponClick();
        break;
    case VK_SPACE:
        MItemItemEditClick();
        break;
    case VK_INSERT:
        (shift & ssShift) ? MItemItemAddMultClick() : MItemItemAddClick();
        break;
    case VK_DELETE:
        MItemItemDeleteClick();
        break;
    default:
        break;
    }
}

// Typing goes to the quick-find box: Enter opens its list, a printable character (other than
// the keypad operators' characters) starts a new search text there.
void TFormMain::FormKeyPress(QObject*, char& key)
{
    QWidget* active = focusWidget();
    if (active && (active == ComboFind || ComboFind->isAncestorOf(active) || active == EditSearch))
        return;
    const auto code = static_cast<unsigned char>(key);
    const bool enter = code == 13;
    const bool typed = code >= 33 && key != '+' && key != '-' && key != '*' && key != '/';
    if (!enter && !typed)
        return;
    if (!ComboFind->isEnabled())
        return;
    ComboFind->setFocus(Qt::OtherFocusReason);
    if (typed) {
        ComboFind->setEditText(ToQString(AnsiString(1, key)));
        if (QLineEdit* edit = ComboFind->lineEdit()) {
            edit->deselect();
            edit->setCursorPosition(1);
        }
    }
    // The list drops down as a completion list, which leaves the keyboard with the box (the
    // combo box's own list would take the typing away from it).
    QCompleter* completer = ComboFind->completer();
    if (completer && ComboFind->count() > 0) {
        completer->setCompletionPrefix(ComboFind->currentText());
        completer->complete();
    }
}

// ---- Quantity -----------------------------------------------------------------------------

void TFormMain::ChangeSelectedQty(int32_t delta)
{
    const int32_t c = Store.SelCategory, i = Store.SelItem;
    if (i < 0 || c < 0 || c >= Store.CategoryCount() || i >= Store.Categories[size_t(c)].ItemCount())
        return;
    ChangeItem(c, i, [delta](QMItem& item) {
        if (delta > 0)
            item.Qty = item.Qty < std::numeric_limits<int32_t>::max() ? item.Qty + 1 : item.Qty;
        else
            item.Qty = std::max(item.Qty - 1, 0);
    });
    DrawItemList();
    BuildShoppingList();
    DrawShoppingList();
}

void TFormMain::MItemItemQtyUpClick()
{
    ChangeSelectedQty(1);
}

void TFormMain::MItemItemQtyDownClick()
{
    ChangeSelectedQty(-1);
}

} // namespace qm
