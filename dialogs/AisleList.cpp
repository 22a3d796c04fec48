#include "dialogs/AisleList.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "dialogs/DialogForm.h"
#include "platform/Dispatch.h"

namespace qm {

TAisleMenu::TAisleMenu(QWidget* owner) : QObject(owner)
{
    PMenuAddAisle = new QMenu(owner);
    PMenuAddAisle->setObjectName("PMenuAddAisle");
    auto entry = [this](const char* name, const char* caption) {
        QAction* a = PMenuAddAisle->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    PItemAisleNextNum = entry("PItemAisleNextNum", "Next Aisle Number");
    PMenuAddAisle->addSeparator();
    PItemAisleBakery = entry("PItemAisleBakery", "Bakery");
    PItemAisleBread = entry("PItemAisleBread", "Bread");
    PItemAisleDairy = entry("PItemAisleDairy", "Dairy");
    PItemAisleDeli = entry("PItemAisleDeli", "Deli");
    PItemAisleFrozen = entry("PItemAisleFrozen", "Frozen");
    PItemAisleMeat = entry("PItemAisleMeat", "Meat and Seafood");
    PItemAislePharmacy = entry("PItemAislePharmacy", "Pharmacy");
    PItemAisleProduce = entry("PItemAisleProduce", "Produce");
    PItemAisleRegister = entry("PItemAisleRegister", "Register");
    PMenuAddAisle->addSeparator();
    PItemAisleCustom = entry("PItemAisleCustom", "Custom...");
}

std::vector<QAction*> TAisleMenu::NamedEntries() const
{
    return {PItemAisleBakery, PItemAisleBread,    PItemAisleDairy,   PItemAisleDeli,    PItemAisleFrozen,
            PItemAisleMeat,   PItemAislePharmacy, PItemAisleProduce, PItemAisleRegister};
}

void TAisleMenu::ConnectEntries(QObject* context, std::function<void()> nextNumber,
                                std::function<void(QAction*)> named, std::function<void()> custom)
{
    QObject::connect(PItemAisleNextNum, &QAction::triggered, context, [nextNumber] { Dispatch(nextNumber); });
    for (QAction* entry : NamedEntries())
        QObject::connect(entry, &QAction::triggered, context,
                         [named, entry] { Dispatch([&] { named(entry); }); });
    QObject::connect(PItemAisleCustom, &QAction::triggered, context, [custom] { Dispatch(custom); });
}

void TAisleMenu::PopupBelow(QWidget* button)
{
    PMenuAddAisle->popup(button->mapToGlobal(QPoint(2, button->height() + 2)));
}

TListEditorFrame BuildListEditorFrame(QWidget* body, const char* listName)
{
    TListEditorFrame f;
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout;
    f.Label = new QLabel(body);
    column->addWidget(f.Label);
    f.List = new QListWidget(body);
    f.List->setObjectName(listName);
    column->addWidget(f.List, 1);
    row->addLayout(column, 1);

    f.Buttons = new QVBoxLayout;
    f.Buttons->addSpacing(18); // level with the list
    f.BtnAdd = AddColumnButton(body, f.Buttons, "BtnAdd", "&Add...");
    f.BtnDelete = AddColumnButton(body, f.Buttons, "BtnDelete", "&Delete...");
    f.BtnRename = AddColumnButton(body, f.Buttons, "BtnRename", "&Rename...");
    f.Buttons->addSpacing(8);
    f.BtnMoveUp = AddColumnButton(body, f.Buttons, "BtnMoveUp", "Move &Up");
    f.BtnMoveDown = AddColumnButton(body, f.Buttons, "BtnMoveDown", "Move D&own");
    row->addLayout(f.Buttons);
    body->setMinimumSize(300, 260);
    return f;
}

int32_t AisleNumber(const AnsiString& entry)
{
    size_t i = 0;
    while (i < entry.size() && (entry[i] == ' ' || entry[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < entry.size() && (entry[i] == '+' || entry[i] == '-'))
        negative = entry[i++] == '-';
    if (i == entry.size())
        return -1;
    int64_t value = 0;
    for (; i < entry.size(); ++i) {
        if (entry[i] < '0' || entry[i] > '9')
            return -1;
        value = value * 10 + (entry[i] - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return -1;
    }
    value = negative ? -value : value;
    return value > std::numeric_limits<int32_t>::max() ? -1 : int32_t(value);
}

int32_t NextAisleNumber(const std::vector<AnsiString>& entries)
{
    int64_t last = 0;
    for (const AnsiString& e : entries) {
        const int32_t v = AisleNumber(e);
        if (v >= 0 && v == last + 1)
            last = v;
    }
    // A run that reached the largest number has no next one; it stays there.
    return int32_t(std::min<int64_t>(last + 1, std::numeric_limits<int32_t>::max()));
}

std::vector<AnsiString> ListEntries(const QListWidget* list)
{
    std::vector<AnsiString> out;
    out.reserve(size_t(list->count()));
    for (int i = 0; i < list->count(); ++i)
        out.push_back(FromQString(list->item(i)->text()));
    return out;
}

void AddListEntry(QListWidget* list, const AnsiString& text, bool checkable, bool checked, int origin)
{
    auto* item = new QListWidgetItem(ToQString(text), list);
    item->setData(Qt::UserRole, origin);
    if (checkable) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<TListEntry> ListEntriesWithOrigins(const QListWidget* list)
{
    std::vector<TListEntry> out;
    out.reserve(size_t(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        const QVariant origin = item->data(Qt::UserRole);
        out.push_back({FromQString(item->text()), item->checkState() == Qt::Checked,
                       origin.isValid() ? origin.toInt() : -1});
    }
    return out;
}

void FillListEntries(QListWidget* list, const std::vector<TListEntry>& entries, bool checkable)
{
    list->clear();
    for (size_t i = 0; i < entries.size(); ++i)
        AddListEntry(list, entries[i].Name, checkable, entries[i].Checked, int(i));
    SelectListRow(list, -1);
}

int SelectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

void SelectListRow(QListWidget* list, int row)
{
    if (row >= 0 && row < list->count()) {
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        return;
    }
    list->clearSelection();
    list->setCurrentRow(-1, QItemSelectionModel::Clear);
}

int FindListEntry(const QListWidget* list, const AnsiString& text)
{
    for (int i = 0; i < list->count(); ++i)
        if (SameName(FromQString(list->item(i)->text()), text))
            return i;
    return -1;
}

void MoveSelectedEntry(QListWidget* list, int direction)
{
    const int row = SelectedRow(list);
    const int other = row + direction;
    if (row < 0 || other < 0 || other >= list->count())
        return;
    // The entry itself moves, with its text, check mark and flags; an entry of a plain list
    // keeps having no check mark at all.
    QListWidgetItem* entry = list->takeItem(row);
    list->insertItem(other, entry);
    SelectListRow(list, other);
}

void SetMoveButtons(const QListWidget* list, QPushButton* up, QPushButton* down)
{
    const int row = SelectedRow(list);
    up->setEnabled(row > 0);
    down->setEnabled(row >= 0 && row < list->count() - 1);
}

} // namespace qm
