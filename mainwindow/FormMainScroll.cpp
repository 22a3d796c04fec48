// Small handlers that tie the two lists to their scroll bars and to the mouse wheel, and the
// drawing of the store picker's entries, each a store icon and the store's name.
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <cmath>

#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"

namespace qm {

namespace {

constexpr int kPickerItemHeight = 16;
constexpr int kWheelNotch = 120; // angle delta of one notch, in eighths of a degree

const QPixmap& StoreIcon()
{
    static const QPixmap icon(":/toolbar/store.png");
    return icon;
}

} // namespace

// The picker's drop-down list: every entry drawn by the main window, 16 pixels high.
class TFormMain::StorePickerDelegate : public QStyledItemDelegate {
public:
    StorePickerDelegate(TFormMain* form, QComboBox* combo)
        : QStyledItemDelegate(combo), form_(form), combo_(combo)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        Dispatch([&] {
            form_->ComboStoresDrawItem(combo_, *painter, index.row(), option.rect,
                                       option.state & QStyle::State_Selected);
        });
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), kPickerItemHeight};
    }

private:
    TFormMain* form_;
    QComboBox* combo_;
};

// The closed picker shows its selected entry drawn the same way, selected while the picker
// has the focus.
class TFormMain::StorePickerPainter : public QObject {
public:
    explicit StorePickerPainter(TFormMain* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (!combo || event->type() != QEvent::Paint)
            return false;
        QStylePainter painter(combo);
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = false;
        option.frame = true;
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        if (combo->currentIndex() >= 0) {
            const QRect entry(field.left(), field.top() + (field.height() - kPickerItemHeight) / 2,
                              field.width(), kPickerItemHeight);
            painter.setClipRect(field);
            Dispatch([&] {
                form_->ComboStoresDrawItem(combo, painter, combo->currentIndex(), entry, combo->hasFocus());
            });
        }
        return true;
    }

private:
    TFormMain* form_;
};

// The window's wheel and scroll-bar focus events. While the item list has the focus the
// wheel belongs to the window wherever the pointer is (no control under it scrolls by
// itself); each whole notch is one call of the wheel handlers.
class TFormMain::MainWindowEvents : public QObject {
public:
    explicit MainWindowEvents(TFormMain* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn &&
            (watched == form_->ItemListBar || watched == form_->ShoppingListBar)) {
            // It only moves the focus on: nothing it does can fail.
            Dispatch([this] { form_->ItemListBarEnter(); });
            return false;
        }
        if (event->type() != QEvent::Wheel)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != form_)
            return false;
        // The lists scroll by the wheel only through the handlers below: a scroll bar under
        // the pointer does not scroll by itself while another control has the keys.
        if (form_->focusWidget() != form_->ImageItemList)
            return widget == form_->ItemListBar || widget == form_->ShoppingListBar;
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint pos = wheel->globalPosition().toPoint();
        accumulated_ += wheel->angleDelta().y();
        while (accumulated_ >= kWheelNotch || accumulated_ <= -kWheelNotch) {
            const bool up = accumulated_ > 0;
            accumulated_ += up ? -kWheelNotch : kWheelNotch;
            bool handled = false;
            Dispatch([&] {
                if (up)
                    form_->FormMouseWheelUp(pos, handled);
                else
                    form_->FormMouseWheelDown(pos, handled);
            });
        }
        return true;
    }

private:
    TFormMain* form_;
    int accumulated_ = 0;
};

namespace {

bool PointerOver(const QWidget* panel, const QPoint& screenPos)
{
    return panel->rect().contains(panel->mapFromGlobal(screenPos));
}

// Lines per notch as a pixel step: a third of the lines' height, since the system's usual
// three lines per notch should move one row; a negative setting means a page per notch.
int32_t WheelStep(int lines, int32_t pageHeight, int32_t rowHeight)
{
    if (lines < 0)
        lines = pageHeight / rowHeight;
    return int32_t(std::lrint(double(lines) / 3.0 * rowHeight));
}

} // namespace

void TFormMain::ConnectShopListHandlers()
{
    ComboStores->setItemDelegate(new StorePickerDelegate(this, ComboStores));
    ComboStores->installEventFilter(new StorePickerPainter(this));
    qApp->installEventFilter(new MainWindowEvents(this));
    connect(ItemListBar, &QScrollBar::valueChanged, this,
            [this] { Dispatch([this] { ItemListBarChange(); }); });
    connect(ShoppingListBar, &QScrollBar::valueChanged, this,
            [this] { Dispatch([this] { ShoppingListBarChange(); }); });
    ImageShoppingList->OnMouseDown = [this](QObject*, TMouseButton, TShiftState, int32_t X, int32_t Y,
                                            TCustomLayer*) {
        Dispatch([=, this] { ImageShoppingListMouseDown(X, Y); });
    };
}

void TFormMain::ComboStoresDrawItem(QComboBox* Control, QPainter& Canvas, int Index, const QRect& Rect,
                                    bool Selected)
{
    const QPalette& colours = Control->palette();
    Canvas.fillRect(Rect, colours.color(Selected ? QPalette::Highlight : QPalette::Base));
    Canvas.setFont(Control->font());
    Canvas.drawPixmap(Rect.left() + 2, Rect.top() - 1, StoreIcon());
    Canvas.setPen(colours.color(QPalette::Text));
    Canvas.drawText(QRect(Rect.left() + 24, Rect.top(), std::max(0, Rect.width() - 24), Rect.height()),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Control->itemText(Index));
    if (Selected) {
        QStyleOptionFocusRect focus;
        focus.initFrom(Control);
        focus.rect = Rect;
        focus.backgroundColor = colours.color(QPalette::Highlight);
        Control->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &Canvas, Control);
    }
}

void TFormMain::FormMouseWheelUp(const QPoint& MousePos, bool&)
{
    MouseWheelNotch(MousePos, -1);
}

void TFormMain::FormMouseWheelDown(const QPoint& MousePos, bool&)
{
    MouseWheelNotch(MousePos, 1);
}

void TFormMain::MouseWheelNotch(const QPoint& MousePos, int Direction)
{
    if (focusWidget() != ImageItemList)
        return;
    const int lines = WheelScrollLines();
    if (PointerOver(PanelItems, MousePos) && !ItemListBar->isHidden()) {
        if (ItemRows.ItemRowHeight > 0)
            ItemListBar->setValue(
                ItemListBar->value() +
                Direction * WheelStep(lines, ImageItemList->height() - ImageItemListHeader->height(),
                                      ItemRows.ItemRowHeight));
    } else if (PointerOver(PanelList, MousePos) && !ShoppingListBar->isHidden()) {
        if (ShopRows.ItemRowHeight > 0)
            ShoppingListBar->setValue(
                ShoppingListBar->value() +
                Direction * WheelStep(lines, ImageShoppingList->height(), ShopRows.ItemRowHeight));
    }
}

int TFormMain::WheelScrollLines() const
{
    return QApplication::wheelScrollLines();
}

// While the window starts up nothing is drawn (as on resizing): the store is not loaded yet,
// and a drawing of the empty store would move the item list off the start position that
// start-up has just given its bar.
void TFormMain::ItemListBarChange()
{
    if (!Loading)
        DrawItemList();
}

void TFormMain::ShoppingListBarChange()
{
    if (!Loading)
        DrawShoppingList();
}

void TFormMain::ItemListBarEnter()
{
    ImageItemList->setFocus(Qt::OtherFocusReason);
}

} // namespace qm
