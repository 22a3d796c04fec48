#include "dialogs/EditAisleCatUnit.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"

namespace qm {

TFormEditCatAisle::TFormEditCatAisle(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormEditCatAisle", "Change Aisle/Dept. for Category", "category"), main_(main)
{
    BuildAllItemsBody(main_, Body, LabelCatName, LabelItemName, "Aisle/Dept.:", "ComboAisle", ComboAisle)
        ->addStretch(1);
    AddOkCancelHelp(HelpContextOf("Changing a category's aisle"), [this] { BtnOKClick(); });
    FormCreate();
}

void TFormEditCatAisle::FormCreate()
{
    FillAisleCombo(ComboAisle, main_.Store);
}

void TFormEditCatAisle::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

void TFormEditCatAisle::FormShow()
{
    QMCategory selected;
    main_.GetSelectedCategory(selected);
    LabelCatName->setText(ToQString(selected.Name));
    ShowAisle(ComboAisle, selected.AisleGuess);
}

void TFormEditCatAisle::BtnOKClick()
{
    QMStore& store = main_.Store;
    int32_t c = store.SelCategory;
    if (c < 0)
        return;
    const AnsiString name = store.CategoryAt(c).Name;
    const AnsiString aisle = ComboText(ComboAisle);
    if (MessageDlg("Are you sure you want to put all items in " + name + " into the aisle/dept. \"" + aisle +
                       "\"?",
                   mtConfirmation, mbYes | mbNo, 0) != mrYes)
        return;

    // Each item's line as SaveItem writes it, then the aisle guess: one rewrite, the coupon
    // carry-over of every line included. The lines are those of the items as the store's file
    // holds them: when another program wrote it since the window read it, the store is read
    // again and the lines made anew; a category it took out of the file is reported.
    CarryOverFailures failures;
    const bool changed = main_.ChangeStoreFile([&](bool, TMainShared::Undo& undo) {
        int32_t categoryRow = kNoRow;
        if (!main_.CurrentRow(c, categoryRow))
            return TMainShared::Try::Stop;
        QMCategory& category = store.CategoryAt(c);
        undo.Keep(category);
        StoreBatch batch;
        for (int32_t i = 0; i < category.ItemCount(); ++i) {
            QMItem& item = category.Items[size_t(i)];
            item.Aisle = aisle;
            batch.Write(category.Name, item.Name, store.FormatItemValue(c, i));
        }
        // A category name from an older file that cannot be a key has no aisle guess to keep.
        if (IsStorableKey(category.Name))
            batch.Write(kAisleGuessesSection, category.Name, aisle);
        return main_.WriteBatch(batch, &failures);
    });
    if (!changed)
        return;
    ReportCarryOverFailures(failures);
    main_.ReloadStore(main_.GetCurrentStoreName());
}

} // namespace qm
