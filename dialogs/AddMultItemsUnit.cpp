#include "dialogs/AddMultItemsUnit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <unordered_set>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"

namespace qm {

TFormAddMultItems::TFormAddMultItems(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormAddMultItems", "Add Multiple Items", "items"), main_(main)
{
    auto* grid = new QGridLayout(Body);
    grid->setContentsMargins(0, 0, 0, 8);
    MemoItemNames = new QPlainTextEdit(Body);
    MemoItemNames->setObjectName("MemoItemNames");
    MemoItemNames->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoItemNames->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoItemNames->setMinimumSize(240, 160);
    MemoItemNames->setTabChangesFocus(true); // names hold no tab; Tab goes on to the category
    ComboCategory = MakeDropDownList(Body, "ComboCategory");
    ComboAisle = MakeDropDownList(Body, "ComboAisle");
    AddCaptioned(grid, 0, "Item Names:  (One item for each line)", MemoItemNames);
    AddCaptioned(grid, 1, "Category:", ComboCategory);
    AddCaptioned(grid, 2, "Aisle/Dept.:", ComboAisle);
    grid->setRowStretch(1, 1);
    AddOkCancelHelp(HelpContextOf("Adding several items at once"), [this] { BtnOKClick(); });
    connect(ComboCategory, &QComboBox::currentIndexChanged, this,
            [this] { Dispatch([this] { ComboCategorySelect(); }, Report::Later); });
    FormCreate();
}

void TFormAddMultItems::FormCreate()
{
    FillCategoryCombo(ComboCategory, main_.Store);
    FillAisleCombo(ComboAisle, main_.Store);
}

void TFormAddMultItems::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

void TFormAddMultItems::FormShow()
{
    ChooseSelectedCategory(main_.Store, ComboCategory, ComboAisle);
    MemoItemNames->setFocus();
}

void TFormAddMultItems::ComboCategorySelect()
{
    FollowAisleGuess(main_.Store, ComboCategory, ComboAisle);
}

void TFormAddMultItems::BtnOKClick()
{
    // Every name is checked before anything is written, so a refused line leaves the file as
    // it was. Lines of blanks only count as empty lines; other names are taken as typed.
    std::vector<QString> lines;
    for (const QString& line : MemoItemNames->toPlainText().split(QRegularExpression("\r\n|\r|\n")))
        if (!line.trimmed().isEmpty())
            lines.push_back(line);
    if (lines.empty()) {
        MessageDlg("You must input at least one name.", mtError, mbOK, 0);
        ModalResult = mrNone;
        return;
    }
    const AnsiString category = ComboText(ComboCategory);
    if (!CheckCategoryChosen(category)) {
        ModalResult = mrNone;
        return;
    }
    std::vector<AnsiString> names;
    for (const QString& line : lines) {
        if (!AcceptName(NameKind::Item, line)) {
            ModalResult = mrNone;
            return;
        }
        names.push_back(FromQString(line));
    }

    // A name is skipped when its line in the category already reads as a value, which also
    // holds for a name met earlier in the memo (the file matches names without regard to case).
    // The items go into the category as the store's file holds it: one another program took
    // out since the dialog opened is said so, and the categories offered are those it holds now.
    const AnsiString store = main_.Store.Name;
    const AnsiString aisle = ComboText(ComboAisle);
    CarryOverFailures failures;
    const bool added = main_.ChangeStoreFile([&](bool, TMainShared::Undo&) {
        if (!ChosenCategoryInFile(main_, ComboCategory))
            return TMainShared::Try::Stop;
        const StoreContext ctx = main_.StoreFilesContext();
        std::unordered_set<AnsiString> added;
        StoreBatch batch;
        for (const AnsiString& name : names) {
            const AnsiString key = UpperName(name);
            if (added.count(key) || !ReadStoreString(ctx, store, category, name).empty())
                continue;
            added.insert(key);
            batch.Write(category, name, NewItemLine(ctx, store, category, name, aisle));
        }
        return main_.WriteBatch(batch, &failures);
    });
    if (!added)
        return;
    ReportCarryOverFailures(failures);
    ReloadAndSelect(main_, store, category); // the category's own row
}

} // namespace qm
