#pragma once
// TFormTip, "Quillmart Tip of the Day": one of 22 tips at a time, stepped through in a ring,
// with a link into the help at the tip's topic. The last tip shown and whether tips show at
// start-up are kept in the settings.
#include "dialogs/DialogForm.h"

class QCheckBox;
class QLabel;

namespace qm {

struct TipEntry {
    int HelpContext;
    const char* Text; // Windows-1252
};
inline constexpr int kTipCount = 22;
// Tip n (1..22) is kTips[n - 1].
extern const TipEntry kTips[kTipCount];

class TFormTip : public TDialogForm {
    Q_OBJECT
public:
    explicit TFormTip(QWidget* parent = nullptr);

    QLabel* LabelTip = nullptr;
    QPushButton* BtnMoreInfo = nullptr;
    QPushButton* BtnNextTip = nullptr;
    QPushButton* BtnLastTip = nullptr;
    QCheckBox* CheckShowStartup = nullptr;

    int TipNumber = 0; // the tip shown, 1..22

    void FormCreate();
    void BtnNextTipClick();
    void BtnLastTipClick();
    void BtnMoreInfoClick();
    void BtnOKClick();
    void ShowTip(int n);

private:
    int moreInfoContext_ = 0;
};

} // namespace qm
