#pragma once
// TFloatSpinEdit: an edit box for a decimal value with up and down arrows beside it. The
// value is the edit's text, read with the user's decimal separator; MinValue and MaxValue
// clamp it only when they differ. The arrows, and the Up and Down keys, add or take away
// Increment. Only digits, signs and the decimal separator can be typed (none at all when
// EditorEnabled is off); Enter and leaving the box clamp and reformat the text.
#include <QLineEdit>
#include <functional>

class QToolButton;

namespace qm {

// The pair of arrow buttons of a spin edit; clicks are reported through OnUpClick and
// OnDownClick, repeating while a button is held. Clicking it puts the focus on FocusControl.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

    std::function<void()> OnUpClick;
    std::function<void()> OnDownClick;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void clicked(const std::function<void()>& handler);
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QWidget* focusControl_ = nullptr;
};

class TFloatSpinEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFloatSpinEdit(QWidget* parent = nullptr);

    double MinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }
    double Increment() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }

    // The text as a number with the user's decimal separator; MinValue when it is not one.
    double Value() const;
    // The text becomes the value, clamped by CheckValue, in its shortest general form (up to
    // 15 significant digits). A value that is not finite is written as MinValue.
    void SetValue(double value);
    // Clamps to MinValue..MaxValue when the two differ; otherwise returns the value as it is.
    double CheckValue(double value) const;

    virtual bool IsValidChar(QChar key) const;
    virtual void UpClick();   // a beep when read-only, else Value + Increment
    virtual void DownClick(); // a beep when read-only, else Value - Increment

    TSpinButton* Button() const { return button_; }
    // The smallest height the box keeps for its font.
    int MinHeight() const;

    // Events; Sender is the edit. Key events carry the Qt key code or the typed character.
    std::function<void(QObject* Sender)> OnChange;
    std::function<void(QObject* Sender)> OnClick;
    std::function<void(QObject* Sender)> OnDblClick;
    std::function<void(QObject* Sender)> OnEnter;
    std::function<void(QObject* Sender)> OnExit;
    std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    std::function<void(QObject* Sender, QChar& Key)> OnKeyPress;
    std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyUp;
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseDown;
    std::function<void(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y)> OnMouseMove;
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseUp;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool canPaste() const { return editorEnabled_ && !isReadOnly(); }
    void setEditRect();
    void placeButton();

    double minValue_ = 0;
    double maxValue_ = 0;
    double increment_ = 1.0;
    TSpinButton* button_ = nullptr;
    bool editorEnabled_ = true;
    bool autoSelect_ = true;
    bool clickPending_ = false;
};

} // namespace qm
