#pragma once
// TFormOptions, "Options": the fonts and sizes of the two lists, the errands group's caption
// and place, the periodic version check, and the association of ".store" files with the
// program. OK updates the main window, redraws both lists and stores the seven settings.
#include "dialogs/DialogForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace qm {

class TMainShared;

class TFormOptions : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormOptions(TMainShared& main, QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboGridFont = nullptr;
    QSpinBox* SpinGridFont = nullptr;
    QComboBox* ComboListFont = nullptr;
    QSpinBox* SpinListFont = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* EditErrandName = nullptr;
    QRadioButton* RadioErrandTop = nullptr;
    QRadioButton* RadioErrandBottom = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QPushButton* BtnAssociate = nullptr;
    QCheckBox* CheckCheckNewVer = nullptr;

    void FormCreate(); // the installed font names into both combos
    void FormShow();   // the main window's settings into the controls
    void BtnOKClick();
    void BtnAssociateClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
};

} // namespace qm
