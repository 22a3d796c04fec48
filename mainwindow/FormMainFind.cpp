// The find bar, the quick-find box and the status-bar hints.
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStringListModel>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"
#include "platform/gui/StatusBar.h"
#include "platform/ByteScan.h"
#include "platform/gui/ToolBar.h"

namespace qm {

namespace {

// Upper-casing of the search: a-z only.
AnsiString Upper(const AnsiString& s)
{
    return UpperName(s);
}

inline char Fold(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// Whether the upper-cased pattern occurs in text with its a-z upper-cased, without making an
// upper-cased copy of every text searched.
bool ContainsFolded(const AnsiString& text, const AnsiString& pattern)
{
    const size_t n = text.size(), m = pattern.size();
    if (m == 0 || m > n)
        return false;
    // Places where the first letter stands, in either case, found eight bytes at a time.
    const char first = pattern[0];
    const char other = first >= 'A' && first <= 'Z' ? char(first + 32) : first;
    for (size_t i = 0; i + m <= n; ++i) {
        i = FindAnyByte(std::string_view(text), i, first, other);
        if (i == std::string_view::npos || i + m > n)
            return false;
        size_t k = 1;
        while (k < m && Fold(text[i + k]) == pattern[k])
            ++k;
        if (k == m)
            return true;
    }
    return false;
}

AnsiString Quoted(const AnsiString& name)
{
    return "\"" + name + "\"";
}

} // namespace

// Hands the events the find controls and the hints need to the window. Focus changes and the
// lists' hides come in the middle of the toolkit's work (a menu opening takes the focus, a click
// elsewhere closes a list): what fails there is shown once that work is done.
class TFormMain::FindEvents : public QObject {
public:
    explicit FindEvents(TFormMain* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (form_->Closing)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            // Not when the box takes the focus back from its own list: refilling it then would
            // drop the entry just chosen there.
            if (watched == form_->ComboFind &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                Dispatch([this] { form_->ComboFindEnter(); }, Report::Later);
            break;
        case QEvent::KeyPress:
            if (watched == form_->ComboFind) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    // Enter chooses what the box holds and closes its list.
                    Dispatch([this] {
                        form_->ComboFindSelect();
                        form_->ComboFindCloseUp();
                    });
                    return true;
                }
                if (key == Qt::Key_Escape) {
                    // Escape leaves the box as closing its list does (an open list takes the
                    // key itself and closes).
                    Dispatch([this] { form_->ComboFindCloseUp(); });
                    return true;
                }
            }
            break;
        case QEvent::Hide:
            // The completion list or the box's own list closes.
            if (watched == popup_ || watched == list_)
                Dispatch([this] { form_->ComboFindCloseUp(); }, Report::Later);
            break;
        case QEvent::MouseMove:
            if (auto* bar = qobject_cast<TToolBar*>(watched)) {
                // A move over a button that the button left unhandled reaches its bar too.
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                if (!qobject_cast<QToolButton*>(bar->childAt(at)))
                    Dispatch([this] { form_->ToolBarMouseMove(); });
            } else
                Dispatch([this, watched] {
                    form_->StatusBar->SetPanelText(0, ToQString(form_->ToolButtonHint(watched)));
                });
            break;
        default:
            break;
        }
        return false;
    }

    QObject* popup_ = nullptr;
    QObject* list_ = nullptr;

private:
    TFormMain* form_;
};

// ---- Find bar ------------------------------------------------------------------------------

void TFormMain::MItemEditFindClick()
{
    if (ToolbarSearch->isHidden()) {
        ToolbarSearch->setVisible(true);
        FormResize(); // the item list gives the bar its room
    }
    EditSearch->setFocus(Qt::ShortcutFocusReason);
    EditSearch->selectAll();
}

void TFormMain::EditSearchChange()
{
    FindItems();
    MItemEditFindNextClick();
}

void TFormMain::FindItems()
{
    FindHits.clear();
    FindHitIndex = -1;
    const AnsiString pattern = Upper(FromQString(EditSearch->text()));
    if (!pattern.empty()) {
        for (int32_t c = 0; c < Store.CategoryCount(); ++c) {
            const QMCategory& category = Store.Categories[size_t(c)];
            for (int32_t i = 0; i < category.ItemCount(); ++i) {
                const QMItem& item = category.Items[size_t(i)];
                if (ContainsFolded(item.Name, pattern) || ContainsFolded(item.Note, pattern) ||
                    ContainsFolded(item.Aisle, pattern))
                    FindHits.emplace_back(c, i);
            }
        }
    }
    LabelResults->setText(QString("     Items Found: %1").arg(FindHits.size()));
}

// The store read again: the matches are those of its items now, and the next one follows the
// selected row when that is one.
void TFormMain::RefreshFindHits()
{
    if (ToolbarSearch->isHidden())
        return;
    FindItems();
    const auto selected = std::pair(Store.SelCategory, Store.SelItem);
    const auto hit = std::find(FindHits.begin(), FindHits.end(), selected);
    if (hit != FindHits.end())
        FindHitIndex = int32_t(hit - FindHits.begin());
}

void TFormMain::MItemEditFindNextClick()
{
    if (FindHits.empty())
        return;
    FindHitIndex = size_t(FindHitIndex + 1) >= FindHits.size() ? 0 : FindHitIndex + 1;
    const auto [c, i] = FindHits[size_t(FindHitIndex)];
    SelectRow(c, i);
}

void TFormMain::MItemEditFindPreviousClick()
{
    if (FindHits.empty())
        return;
    FindHitIndex = FindHitIndex - 1 < 0 ? int32_t(FindHits.size()) - 1 : FindHitIndex - 1;
    const auto [c, i] = FindHits[size_t(FindHitIndex)];
    SelectRow(c, i);
}

void TFormMain::BtnSearchCloseClick()
{
    ToolbarSearch->setVisible(false);
    ImageItemList->setFocus(Qt::OtherFocusReason);
    FormResize(); // the item list takes back the bar's room and is drawn anew
}

void TFormMain::ClearFindHits()
{
    FindHits.clear();
    FindHitIndex = -1;
    LabelResults->clear();
}

// ---- Quick find ----------------------------------------------------------------------------

void TFormMain::ComboFindEnter()
{
    // Every category name and then its item names, sorted as the box keeps its list: by the
    // names with a-z folded, equal names in the order given.
    std::vector<const AnsiString*> names;
    names.reserve(size_t(Store.ItemCount() + Store.CategoryCount()));
    for (const QMCategory& category : Store.Categories) {
        names.push_back(&category.Name);
        for (const QMItem& item : category.Items)
            names.push_back(&item.Name);
    }
    std::vector<AnsiString> keys;
    keys.reserve(names.size());
    for (const AnsiString* n : names)
        keys.push_back(UpperName(*n));
    std::vector<uint32_t> order(names.size());
    for (uint32_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    QStringList list;
    list.reserve(qsizetype(order.size()));
    for (uint32_t k : order)
        list.append(ToQString(*names[k]));

    // One model swap instead of an insertion per entry; the text in the box stays. The entry
    // of that text becomes the current one: the box's editor takes a text other than the
    // current entry's as chosen when it loses the focus, and opening a menu or clicking another
    // control would then select the row shown (and write it) again.
    const QString text = ComboFind->currentText();
    auto* model = qobject_cast<QStringListModel*>(ComboFind->model());
    if (!model) {
        model = new QStringListModel(ComboFind);
        ComboFind->setModel(model);
        if (QCompleter* completer = ComboFind->completer())
            completer->setModel(model);
    }
    {
        const QSignalBlocker blocker(ComboFind);
        model->setStringList(list);
        ComboFind->setCurrentIndex(ComboFind->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        ComboFind->setEditText(text);
    }
}

void TFormMain::ComboFindSelect()
{
    const auto [c, i] = Store.FindItemByName(FromQString(ComboFind->currentText()));
    if (c >= 0)
        SelectRow(c, i);
}

void TFormMain::ComboFindCloseUp()
{
    if (Store.SelCategory >= 0)
        SelectRow(Store.SelCategory, Store.SelItem);
    ImageItemList->setFocus(Qt::OtherFocusReason);
}

// The window has no tab stop besides the quick-find box (and the find bar's box while it
// shows): Tab and Shift+Tab leave the quick-find box for the item list, as its list closing
// does, rather than finding nowhere to go. Any other control moves on as usual.
bool TFormMain::focusNextPrevChild(bool next)
{
    QWidget* focus = focusWidget();
    if (focus && (focus == ComboFind || ComboFind->isAncestorOf(focus))) {
        Dispatch([this] { ComboFindCloseUp(); }, Report::Later);
        return true;
    }
    return QMainWindow::focusNextPrevChild(next);
}

// ---- Status-bar hints ----------------------------------------------------------------------

AnsiString TFormMain::ToolButtonHint(const QObject* button) const
{
    static const std::pair<const char*, const char*> fixed[] = {
        {"BtnQtyUp", "Click to increase the quantity."},
        {"BtnQtyDown", "Click to decrease the quantity."},
        {"BtnCoupon", "Click to specify that you have a coupon."},
        {"BtnEditNote", "Click to add a note about this item (i.e. size, 2 for 1, BOGO, etc.)."},
        {"BtnNewStore", "Create a new store."},
        {"BtnEmailList", "E-mail this shopping list to someone (i.e. spouse, roomate, etc.)."},
        {"BtnPrintList",
         "Print this shopping list.  Click the arrow to print this store's items as a checklist "
         "(i.e. to post on the fridge)."},
        {"BtnPaste", "Paste all items in the clipboard to this category."},
        {"BtnEditAisles", "Edit this store's aisles and departments."},
        {"BtnResetStore", "Reset the quantities, coupons, and/or notes for your next shopping trip."},
        {"BtnErrand", "Add errands to your shopping list."},
        {"BtnCategoryEdit", "Edit the selected category."},
        {"BtnCategoryAdd", "Add a new category."},
        {"BtnCategoryDelete", "Delete this category."},
        {"BtnEditItem", "Edit the selected item."},
        {"BtnAddItem", "Add a new item."},
        {"BtnDeleteItem", "Delete this item."},
        {"BtnOptions", "Change options."},
        {"BtnHelp", "Get help."},
        {"BtnSortByAisle", "Resort the shopping list by aisle/department."},
        {"BtnSortByCategory", "Resort the shopping list by item category."},
        {"BtnSaveListAs", "Save this shopping list to a file on your hard drive."},
    };
    const QString name = button ? button->objectName() : QString();
    const bool itemRow = Store.SelItem != -1;
    if (name == "BtnCut")
        return itemRow ? "Cut this item to the clipboard."
                       : "Cut all items in this category to the clipboard.";
    if (name == "BtnCopy")
        return itemRow ? "Copy this item to the clipboard."
                       : "Copy all items in this category to the clipboard.";
    for (const auto& [btn, text] : fixed)
        if (name == btn)
            return text;
    return {};
}

void TFormMain::ToolBarMouseMove()
{
    StatusBar->SetPanelText(0, QString());
}

AnsiString TFormMain::CouponHint(const QMItem& item, TDateTime today)
{
    AnsiString hint;
    if (item.CouponExpire <= 100.0) {
        hint = "Never Expires";
    } else {
        const double left = std::trunc(item.CouponExpire - std::floor(today));
        // A date far beyond any calendar is still shown as months, never as a wrapped number.
        const long long d = std::isfinite(left) ? (long long)std::clamp(left, -1e15, 1e15) : 0;
        if (d > 60)
            hint = std::to_string(d / 30) + " months left";
        else if (d > 14)
            hint = std::to_string(d / 7) + " weeks left";
        else if (d == 1)
            hint = "1 day left";
        else
            hint = std::to_string(d) + " days left";
    }
    if (item.IsStoreCoupon)
        hint += "\rThis Store Only";
    return hint;
}

void TFormMain::ImageItemListMouseMove(QObject*, TShiftState, int32_t X, int32_t Y, TCustomLayer*)
{
    ImageItemList->setToolTip(QString());
    int32_t c = -1, i = -1;
    ItemRows.ItemListHitTest(Store, Y, c, i);

    AnsiString text;
    if (c >= 0 && c < Store.CategoryCount()) {
        const QMCategory& category = Store.Categories[size_t(c)];
        const QMItem* item = i >= 0 && i < category.ItemCount() ? &category.Items[size_t(i)] : nullptr;
        const AnsiString name = Quoted(item ? item->Name : category.Name);
        if (item && X >= ColBuyX && X <= ColQtyX) {
            text = item->Qty < 1 ? "Click to add " + name + " to your shopping list."
                                 : "Click to remove " + name + " from your shopping list.";
        } else if (IsSelectedRow(c, i)) {
            if (item && X >= QtyArrowX && X <= QtyArrowX + QtyArrowW)
                text = Y <= ItemRows.ItemTop(c, i) + ItemRows.ItemRowHeight / 2
                           ? "Click to increase quantity of " + name + " in your shopping list."
                           : "Click to decrease quantity of " + name + " in your shopping list.";
            else if (item && X >= EditBtnX && X <= EditBtnX + EditBtnW)
                text = "Click to edit " + name + ".";
            else if (item && X >= CouponBtnX && X <= CouponBtnX + CouponBtnW)
                text = "Click to enter a coupon for " + name + ".";
            else if (item && X >= NoteBtnX && X <= NoteBtnX + NoteBtnW)
                text = "Click to enter a note for " + name + ".";
            else if (!item && X >= ExpandGlyphX && X <= ExpandGlyphX + ExpandGlyphW)
                text = (category.Expanded ? "Click to collapse " : "Click to expand ") + name + ".";
            else if (!item && X >= CatEditBtnX && X <= CatEditBtnX + CatEditBtnW)
                text = "Click to edit " + name + ".";
        }
        if (item && X >= CouponBtnX && X <= CouponBtnX + CouponBtnW && Store.AcceptsCoupons &&
            item->HasCoupon)
            ImageItemList->setToolTip(ToQString(CouponHint(*item, Date())).replace('\r', '\n'));
    }
    // Off the coupon the tooltip shown goes at once, rather than standing beside another row.
    if (ImageItemList->toolTip().isEmpty() && QToolTip::isVisible())
        QToolTip::hideText();
    StatusBar->SetPanelText(0, ToQString(text));

    const bool overLink = Store.CategoryCount() == 0 && X >= LinkRect.Left && X < LinkRect.Right &&
                          Y >= LinkRect.Top && Y < LinkRect.Bottom;
    ImageItemList->setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TFormMain::ImageShoppingListMouseMove(QObject*, TShiftState, int32_t, int32_t Y, TCustomLayer*)
{
    int32_t c = -1, i = -1;
    ShopRows.ShoppingListHitTest(ShopList, Y, c, i);
    AnsiString text;
    if (c == kErrandRow)
        text = "Click to edit the errands in your shopping list.";
    else if (c >= 0 && c < Store.CategoryCount()) {
        const QMCategory& category = Store.Categories[size_t(c)];
        const AnsiString& name =
            i >= 0 && i < category.ItemCount() ? category.Items[size_t(i)].Name : category.Name;
        text = "Click to select " + Quoted(name) + " in the Item List.";
    }
    StatusBar->SetPanelText(0, ToQString(text));
}

// ---- Wiring ---------------------------------------------------------------------------------

void TFormMain::ConnectFindHandlers()
{
    Wire(BtnSearchNext, &TFormMain::MItemEditFindNextClick);
    Wire(BtnSearchLast, &TFormMain::MItemEditFindPreviousClick);
    Wire(BtnSearchClose, &TFormMain::BtnSearchCloseClick);
    connect(EditSearch, &QLineEdit::textChanged, this, [this] { Dispatch([this] { EditSearchChange(); }); });

    auto* events = new FindEvents(this);
    ComboFind->installEventFilter(events);
    // The box's list, its completion list and its editor losing the focus report a choice from
    // inside their handling, as the hides and focus changes above come.
    connect(ComboFind, qOverload<int>(&QComboBox::activated), this,
            [this] { Dispatch([this] { ComboFindSelect(); }, Report::Later); });
    if (QCompleter* completer = ComboFind->completer()) {
        connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
                [this](const QString& text) {
                    Dispatch(
                        [this, text] {
                            ComboFind->setEditText(text);
                            ComboFindSelect();
                        },
                        Report::Later);
                });
        events->popup_ = completer->popup();
        completer->popup()->installEventFilter(events);
    }
    events->list_ = ComboFind->view()->window();
    events->list_->installEventFilter(events);

    // Hints: every tool button and the three tool bars, and the two lists.
    for (TToolBar* bar : {ToolBar, ToolBarItem, ToolBarShopAlign}) {
        bar->setMouseTracking(true);
        bar->installEventFilter(events);
        for (QToolButton* b : bar->Buttons()) {
            b->setMouseTracking(true);
            b->installEventFilter(events);
        }
    }
    ImageItemList->OnMouseMove = [this](QObject* sender, TShiftState shift, int32_t x, int32_t y,
                                        TCustomLayer* layer) {
        Dispatch([&] { ImageItemListMouseMove(sender, shift, x, y, layer); });
    };
    ImageShoppingList->OnMouseMove = [this](QObject* sender, TShiftState shift, int32_t x, int32_t y,
                                            TCustomLayer* layer) {
        Dispatch([&] { ImageShoppingListMouseMove(sender, shift, x, y, layer); });
    };
}

} // namespace qm
