#include "dialogs/NoteUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "dialogs/ItemHeader.h"
#include "platform/Dialogs.h"
#include "store/NameRules.h"

namespace qm {

TFormNote::TFormNote(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormNote", "Enter Note", "note")
{
    auto* column = new QVBoxLayout(Body);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(MakeItemHeader(main, Body, "LabelCategoryName", LabelCategoryName, "LabelItemName",
                                     LabelItemName, kGlyphNote));
    column->addSpacing(8);
    auto* caption = new QLabel("Note:", Body);
    EditNote = new QLineEdit(Body);
    EditNote->setObjectName("EditNote");
    caption->setBuddy(EditNote);
    column->addWidget(caption);
    column->addWidget(EditNote);
    column->addStretch(1);

    AddOkCancelHelp(HelpContextOf("Notes"), [this] { BtnOKClick(); });
    setMinimumWidth(360);
}

void TFormNote::BtnOKClick()
{
    if (!AcceptName(NameKind::Note, EditNote->text())) {
        ModalResult = mrNone;
        EditNote->setFocus();
    }
}

// The note has the focus with all its text selected, so typing replaces it.
void TFormNote::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    EditNote->setFocus(Qt::OtherFocusReason);
    EditNote->selectAll();
}

} // namespace qm
