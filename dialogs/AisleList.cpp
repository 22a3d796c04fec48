#include "dialogs/AisleList.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <limits>

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

void TAisleMenu::PopupBelow(QWidget* button)
{
    PMenuAddAisle->popup(button->mapToGlobal(QPoint(2, button->height() + 2)));
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

void AddListEntry(QListWidget* list, const AnsiString& text, bool checkable, bool checked)
{
    auto* item = new QListWidgetItem(ToQString(text), list);
    if (checkable) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
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
    QListWidgetItem* a = list->item(row);
    QListWidgetItem* b = list->item(other);
    const QString text = a->text();
    const Qt::CheckState check = a->checkState();
    const Qt::ItemFlags flags = a->flags();
    a->setText(b->text());
    a->setFlags(b->flags());
    if (b->flags() & Qt::ItemIsUserCheckable)
        a->setCheckState(b->checkState());
    b->setText(text);
    b->setFlags(flags);
    if (flags & Qt::ItemIsUserCheckable)
        b->setCheckState(check);
    SelectListRow(list, other);
}

void SetMoveButtons(const QListWidget* list, QPushButton* up, QPushButton* down)
{
    const int row = SelectedRow(list);
    up->setEnabled(row > 0);
    down->setEnabled(row >= 0 && row < list->count() - 1);
}

} // namespace qm
