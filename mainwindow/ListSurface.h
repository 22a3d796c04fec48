#pragma once
// The surface each list of the main window is shown on: a back-buffer picture the size of the
// control, cleared to the list's background colour, with the font the list is drawn in. The
// lists' own drawing paints into Bitmap() and calls Changed(); the widget only copies the
// picture to the screen. A child can be aligned to the top edge (the item list's column
// header lies over the top of the list this way).
#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

namespace qm {

class ListSurface : public QWidget {
    Q_OBJECT
public:
    explicit ListSurface(QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    QFont& BitmapFont() { return font_; }
    const QFont& BitmapFont() const { return font_; }

    // Whether the arrow keys go to this control; otherwise they move the focus on.
    bool WantsArrowKeys() const { return wantsArrowKeys_; }
    void SetWantsArrowKeys(bool wants) { wantsArrowKeys_ = wants; }

    // Sizes the picture to the control (cleared to the colour when its size changed).
    QImage& Bitmap();
    void Changed() { update(); }

    void SetTopChild(QWidget* child) { topChild_ = child; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QColor color_ = Qt::white;
    QFont font_;
    QImage bitmap_;
    QWidget* topChild_ = nullptr;
    bool wantsArrowKeys_ = false;
};

} // namespace qm
