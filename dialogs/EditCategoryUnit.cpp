#include "dialogs/EditCategoryUnit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"

namespace qm {

void BuildCategoryNameBody(TDialogForm& form, QLineEdit*& editName, QComboBox*& comboAisle)
{
    auto* column = new QVBoxLayout(form.Body);
    column->setContentsMargins(0, 0, 0, 0);
    editName = new QLineEdit(form.Body);
    editName->setObjectName("EditCategoryName");
    editName->setMinimumWidth(220);
    comboAisle = MakeDropDownList(form.Body, "ComboAisle");
    TDialogForm::SetHelpContext(comboAisle, HelpContextOf("Aisles and departments"));
    auto* nameLabel = new QLabel("Category Name:", form.Body);
    nameLabel->setBuddy(editName);
    auto* aisleLabel = new QLabel("Default Aisle/Dept.:", form.Body);
    aisleLabel->setBuddy(comboAisle);
    column->addWidget(nameLabel);
    column->addWidget(editName);
    column->addSpacing(8);
    column->addWidget(aisleLabel);
    column->addWidget(comboAisle);
    column->addStretch(1);
}

namespace {

// The items of category c that a rename to newName would replace: when newName is another
// category of the store, its items of the same names, as it spells them.
std::vector<AnsiString> ItemsMergedInto(const QMStore& store, int32_t c, const AnsiString& newName)
{
    const int32_t t = FindCategoryIndex(store, newName);
    if (t < 0 || t == c)
        return {};
    std::vector<AnsiString> replaced;
    for (const QMItem& item : store.CategoryAt(c).Items)
        for (const QMItem& there : store.CategoryAt(t).Items)
            if (SameName(item.Name, there.Name)) {
                replaced.push_back(there.Name);
                break;
            }
    return replaced;
}

// The writes that rename the category as the file holds it to newName and give it the aisle
// guess the user chose, in one rewrite. Renamed, the guess goes with it: the file's, unless the
// user chose one, written under the old name first; a name from an older file that cannot be a
// key has no guess of its own and gets it under its new name. A new spelling of the same name
// moves the section and the guess the file holds to it without writing their lines anew.
StoreBatch CategoryBatch(const QMCategory& category, const AnsiString& newName, bool aisleChosen,
                         const AnsiString& aisle)
{
    const AnsiString& oldName = category.Name;
    const AnsiString guess = aisleChosen ? aisle : category.AisleGuess;
    const bool oldIsKey = IsStorableKey(oldName);
    const bool renamed = !SameName(oldName, newName);
    StoreBatch batch;
    if (oldIsKey && (aisleChosen || renamed))
        batch.Write(kAisleGuessesSection, oldName, guess);
    if (renamed) {
        batch.RenameSection(oldName, newName);
        if (oldIsKey)
            batch.RenameKey(kAisleGuessesSection, oldName, newName);
        else
            batch.Write(kAisleGuessesSection, newName, guess);
    } else if (oldName != newName) {
        RespellSection(batch, oldName, newName);
        if (oldIsKey && !guess.empty())
            RespellKey(batch, kAisleGuessesSection, oldName, newName);
    }
    return batch;
}

} // namespace

TFormEditCategory::TFormEditCategory(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormEditCategory", "Edit Category", "category"), main_(main)
{
    BuildCategoryNameBody(*this, EditCategoryName, ComboAisle);
    AddOkCancelHelp(HelpContextOf("Editing a category"), [this] { BtnOKClick(); });
    FormCreate();
}

void TFormEditCategory::FormCreate()
{
    FillAisleCombo(ComboAisle, main_.Store);
}

void TFormEditCategory::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

void TFormEditCategory::FormShow()
{
    EditCategoryName->setFocus();
    QMCategory selected;
    main_.GetSelectedCategory(selected);
    EditCategoryName->setText(ToQString(selected.Name));
    ShowAisle(ComboAisle, selected.AisleGuess);
    shownName_ = selected.Name;
    shownAisleEntry_ = ComboAisle->currentIndex();
}

// What the user changed goes over the category as the store's file holds it at OK: another
// program may have written it meanwhile, or taken it out (said so, and nothing is written).
// The aisle guess is written as the dialog shows it when the user chose it; otherwise the file's
// guess stays, whoever wrote it. A new name of another category merges the two, after a question
// when items of the same names would be replaced (No keeps the dialog open).
void TFormEditCategory::BtnOKClick()
{
    QMStore& store = main_.Store;
    int32_t c = store.SelCategory;
    if (c < 0)
        return;
    const AnsiString shownName = shown_ ? shownName_ : store.CategoryAt(c).Name;
    const QString typed = EditCategoryName->text();
    const AnsiString newName = FromQString(typed);
    const bool renamed = newName != shownName;
    // A name already in the file stays usable; only a new one is checked.
    if (typed.isEmpty() || (renamed && !AcceptName(NameKind::Category, typed))) {
        if (typed.isEmpty())
            MessageDlg("You must input a name.", mtError, mbOK, 0);
        ModalResult = mrNone;
        return;
    }

    const AnsiString aisle = ComboText(ComboAisle);
    const bool aisleChosen = ComboAisle->currentIndex() != shownAisleEntry_;
    TReplaceConsent consent;
    bool declined = false;
    CarryOverFailures failures;
    const bool changed = main_.ChangeStoreFile([&](bool, TMainShared::Undo&) {
        int32_t row = kNoRow;
        if (!main_.CurrentRow(c, row))
            return TMainShared::Try::Stop;
        if (renamed && !consent.Given(ItemsMergedInto(store, c, newName), newName)) {
            declined = true;
            return TMainShared::Try::Stop;
        }
        // A name the user left alone stays as the file spells it now.
        const QMCategory& category = store.CategoryAt(c);
        return main_.WriteBatch(
            CategoryBatch(category, renamed ? newName : category.Name, aisleChosen, aisle), &failures);
    });
    if (declined)
        ModalResult = mrNone;
    if (!changed)
        return;
    ReportCarryOverFailures(failures);
    if (aisleChosen)
        store.CategoryAt(c).AisleGuess = aisle;
    if (renamed)
        main_.LoadStore(store.Name);

    main_.DrawItemList();
    main_.BuildShoppingList();
    main_.DrawShoppingList();
    const auto [fc, fi] = store.FindItemByName(newName);
    if (fc >= 0)
        main_.SelectRow(fc, fi);
}

} // namespace qm
