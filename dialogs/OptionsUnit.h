#pragma once
// TFormOptions, "Options": the fonts and sizes of the two lists, the errands group's caption
// and place, the periodic version check, and the association of ".store" files with the
// program. OK stores the settings, takes them into the main window and redraws both lists.
//
// Several windows share the settings. OK stores what the user changed; a setting left as it
// showed is stored again only while the registry holds what this window had when the dialog
// opened, or nothing. One that another window stored meanwhile stays as that window left it,
// and this window keeps its own.
#include <optional>

#include "dialogs/DialogForm.h"
#include "platform/AnsiString.h"

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
    // The seven settings the dialog edits, as the window or the controls hold them.
    struct TValues {
        AnsiString GridFontName;
        int GridFontSize = 0;
        AnsiString ListFontName;
        int ListFontSize = 0;
        AnsiString ErrandsCaption;
        bool ErrandsOnTop = false;
        bool CheckForLatest = false;
    };
    TValues WindowValues() const;
    TValues ControlValues() const; // as OK takes them

    TMainShared& main_;
    // Taken by FormShow: the window's values and the controls' right after filling them.
    std::optional<TValues> atOpen_;
    std::optional<TValues> shown_;
};

} // namespace qm
