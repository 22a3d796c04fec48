#pragma once
// A row of tool buttons and controls as the program's windows lay them out: an indent before
// the first item, a border around the row, separators of a fixed width, and buttons that all
// share one size. With captions off the buttons show only their pictures at the set button
// size; with captions on every button shows its caption under the picture and the bar gives
// them all the width of the widest one. Items that do not fit are cut off at the right end,
// or, when the bar wraps, continue on a further row; a wrapping bar too narrow for its even
// row first gives each captioned button only its own width.
#include <QFrame>
#include <QString>
#include <vector>

class QIcon;
class QMenu;
class QToolButton;

namespace qm {

class TToolBar : public QFrame {
    Q_OBJECT
public:
    explicit TToolBar(QWidget* parent = nullptr);

    static constexpr int kSeparatorWidth = 8;

    // A button named name (its objectName) with a caption and a picture; hint is the tooltip
    // (the caption when empty). A drop-down menu turns it into a button with an arrow beside it.
    QToolButton* AddButton(const char* name, const QString& caption, const QIcon& icon,
                           const QString& hint = {}, QMenu* dropDown = nullptr);
    void AddSeparator();
    void AddControl(QWidget* control);

    bool Wrapable() const { return wrapable_; }
    void SetWrapable(bool wrap);

    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool show);
    // With captions on: the caption beside the picture (true) or under it (false).
    bool List() const { return list_; }
    void SetList(bool list);

    int ButtonWidth() const { return buttonWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonSize(int width, int height);

    void SetIconSize(int size); // the pictures' size, for the buttons added from now on

    int Indent() const { return indent_; }
    void SetIndent(int indent);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);

    const std::vector<QToolButton*>& Buttons() const { return buttons_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyButtonSizes();
    // Sets every button's size for the bar's width: the shared size, or in a wrapping bar too
    // narrow for the even row, each captioned button's own width.
    void FitButtons();

    class RowLayout;
    RowLayout* layout_ = nullptr;
    std::vector<QToolButton*> buttons_;
    std::vector<int> ownWidths_; // each button's width for its caption and picture
    std::vector<QFrame*> separators_;
    Qt::ToolButtonStyle ButtonStyle() const;

    bool showCaptions_ = false;
    bool list_ = false;
    bool wrapable_ = false;
    int buttonWidth_ = 31;
    int buttonHeight_ = 30;
    int smallWidth_ = 31; // the size set for buttons without captions
    int smallHeight_ = 30;
    int iconSize_ = 24;
    int indent_ = 0;
    int borderWidth_ = 0;
};

} // namespace qm
