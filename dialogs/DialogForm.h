#pragma once
// The frame the editing dialogs share: an optional picture along the left edge, the dialog's
// own controls beside it (Body), and a row of buttons at the bottom.
//
// A button made with AddButton carries a modal result. Clicking it runs its click handler
// first; unless the handler set ModalResult to mrNone (to keep the dialog open, e.g. after an
// error box), the dialog then closes with the button's result. F1 opens the help at the
// context of the focused control (SetHelpContext), or of the form when the control has none.
#include <QDialog>
#include <functional>

class QBoxLayout;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace qm {

class TDialogForm : public QDialog {
    Q_OBJECT
public:
    // name: the object name ("FormAddItem"); picture: a JPEG of resources/dialogs/ named
    // without extension ("items"), or nullptr for none. A picture that cannot be decoded is
    // reported ("JPEG error #n") and the form opens without it.
    TDialogForm(QWidget* parent, const char* name, const QString& caption, const char* picture);

    // The modal result the form closes with: mrNone while it runs; a click handler may set it.
    int ModalResult = 0;
    // The help context of the form (F1 without a control's own).
    int HelpContext = 0;

    QWidget* Body = nullptr;          // the dialog's own controls go here
    QHBoxLayout* ButtonRow = nullptr; // buttons, right-aligned
    QLabel* Picture = nullptr;        // null without a picture

    // A button in the bottom row; onClick runs before the form closes with modalResult
    // (mrNone: the button does not close the form).
    QPushButton* AddButton(const char* name, const QString& caption, int modalResult,
                           std::function<void()> onClick = {});
    // The usual three: "&OK" (default, mrOk), "&Cancel" (mrCancel) and "&Help" (opens the help
    // at helpContext). Any of the handlers may be empty.
    void AddOkCancelHelp(int helpContext, std::function<void()> onOk = {});
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnHelp = nullptr;

    // The help context F1 opens while the control (or a child of it) has the focus.
    static void SetHelpContext(QWidget* control, int context);

    // Closes the form with the given modal result (mrNone does nothing).
    void CloseWith(int modalResult);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override; // Escape and the close box: mrCancel
};

// A button of a dialog's button column, named and captioned; Enter presses the dialog's
// default button, never this one.
QPushButton* AddColumnButton(QWidget* parent, QBoxLayout* column, const char* name, const char* caption);
// Runs handler through Dispatch on each click of the button.
void ConnectClick(QPushButton* button, QObject* context, std::function<void()> handler);

// Loads a picture of resources/dialogs/ (name without ".jpg") through the JPEG decoder. An
// empty image when the resource is missing; EJPEG when it cannot be decoded.
QImage LoadDialogPicture(const char* name);

} // namespace qm
