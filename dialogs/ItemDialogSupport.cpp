#include "dialogs/ItemDialogSupport.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>

#include "graphics/Raster.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dialogs.h"
#include "store/QMStore.h"
#include "store/StoreFiles.h"

namespace qm {

namespace {

// Glyphs of the item list shown in the header: the open basket of a category row and the
// pencils of the edit buttons.
constexpr int32_t kCategoryGlyph = 3;
constexpr int32_t kItemGlyph = 14;
constexpr int32_t kCategoryEditGlyph = 15;
constexpr int kHeaderPicture = 16;

QLabel* HeaderPicture(QWidget* parent, int32_t glyph)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(kHeaderPicture, kHeaderPicture);
    if (FormMain && glyph < FormMain->ImageListItemList.Bitmaps().Count()) {
        QImage image;
        FormMain->ImageListItemList.GetBitmap(glyph).AssignToTarget(image);
        if (!image.isNull())
            label->setPixmap(QPixmap::fromImage(
                image.scaled(kHeaderPicture, kHeaderPicture, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    return label;
}

} // namespace

int32_t FindCategoryIndex(const QMStore& store, const AnsiString& name)
{
    for (int32_t c = 0; c < store.CategoryCount(); ++c)
        if (store.Categories[size_t(c)].Name == name)
            return c;
    for (int32_t c = 0; c < store.CategoryCount(); ++c)
        if (SameName(store.Categories[size_t(c)].Name, name))
            return c;
    return -1;
}

const QMCategory* FindCategory(const QMStore& store, const AnsiString& name)
{
    const int32_t c = FindCategoryIndex(store, name);
    return c >= 0 ? &store.Categories[size_t(c)] : nullptr;
}

QComboBox* MakeDropDownList(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(false);
    combo->setMaxVisibleItems(16);
    return combo;
}

void FillCategoryCombo(QComboBox* combo, const QMStore& store)
{
    std::vector<AnsiString> names;
    names.reserve(store.Categories.size());
    for (const QMCategory& c : store.Categories)
        names.push_back(c.Name);
    std::stable_sort(names.begin(), names.end(),
                     [](const AnsiString& a, const AnsiString& b) { return CompareNames(a, b) < 0; });
    QStringList entries;
    for (const AnsiString& n : names)
        entries << ToQString(n);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
}

void FillAisleCombo(QComboBox* combo, const QMStore& store)
{
    QStringList entries{QString()};
    for (const AnsiString& a : store.Aisles)
        entries << ToQString(a);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
}

void FillOtherStoresCombo(QComboBox* combo)
{
    combo->clear();
    if (!FormMain)
        return;
    const int current = FormMain->ComboStores->currentIndex();
    for (int i = 0; i < FormMain->ComboStores->count(); ++i)
        if (i != current)
            combo->addItem(FormMain->ComboStores->itemText(i));
    combo->setCurrentIndex(-1);
}

void SelectComboEntry(QComboBox* combo, const AnsiString& text)
{
    for (int i = 0; i < combo->count(); ++i) {
        if (SameName(FromQString(combo->itemText(i)), text)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    combo->setCurrentIndex(-1);
}

AnsiString ComboText(const QComboBox* combo)
{
    return combo->currentIndex() >= 0 ? FromQString(combo->currentText()) : AnsiString();
}

QWidget* MakeItemHeader(QWidget* parent, QLabel*& labelCatName, QLabel*& labelItemName)
{
    auto* header = new QWidget(parent);
    header->setObjectName("PanelHeader");
    QFont bold("Arial");
    bold.setPointSize(10);
    bold.setBold(true);

    labelCatName = new QLabel(header);
    labelCatName->setObjectName("LabelCatName");
    labelCatName->setFont(bold);
    labelItemName = new QLabel(header);
    labelItemName->setObjectName("LabelItemName");
    labelItemName->setFont(bold);

    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(2);
    auto* first = new QHBoxLayout;
    first->addWidget(HeaderPicture(header, kCategoryGlyph));
    first->addWidget(labelCatName, 1);
    auto* second = new QHBoxLayout;
    second->addSpacing(kHeaderPicture);
    second->addWidget(HeaderPicture(header, kCategoryEditGlyph));
    second->addWidget(HeaderPicture(header, kItemGlyph));
    second->addWidget(labelItemName, 1);
    grid->addLayout(first, 0, 0);
    grid->addLayout(second, 1, 0);
    return header;
}

bool CheckTypedName(NameKind kind, const QString& typed)
{
    if (typed.isEmpty()) {
        MessageDlg("You must input a name.", mtError, mbOK, 0);
        return false;
    }
    return AcceptName(kind, typed);
}

bool CheckCategoryChosen(const AnsiString& category)
{
    if (!category.empty())
        return true;
    MessageDlg("You must choose a category.", mtError, mbOK, 0);
    return false;
}

int32_t TypedQuantity(const QSpinBox* spin)
{
    bool ok = false;
    const qlonglong typed = spin->cleanText().toLongLong(&ok);
    if (!ok)
        return spin->minimum();
    return int32_t(std::clamp<qlonglong>(typed, spin->minimum(), spin->maximum()));
}

AnsiString NewItemLine(const AnsiString& aisle)
{
    return aisle + ",-,,-,0,-,0,-,";
}

AnsiString NewItemLine(const StoreContext& ctx, const AnsiString& store, const AnsiString& category,
                       const AnsiString& name, const AnsiString& aisle)
{
    for (const AnsiString& other : ctx.PickerStores) {
        if (other == store)
            continue;
        const AnsiString line = ReadStoreString(ctx, other, category, name);
        const std::vector<std::string_view> fields = SplitFields(kFieldSeparator, line, 6);
        if (line.empty() || (fields.size() >= 6 && fields[5] == "1"))
            continue;
        // Fields 4 to 6 as they stand there, so that carrying the new line back leaves them so.
        const auto field = [&fields](size_t n) { return AnsiString(n < fields.size() ? fields[n] : ""); };
        return aisle + ",-,,-,0,-," + field(3) + ",-," + field(4) + ",-," + field(5) + ",-,";
    }
    return NewItemLine(aisle);
}

} // namespace qm
