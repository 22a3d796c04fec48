#pragma once
// TUrlLabel: a label that opens a web address when clicked. It shows its caption in blue,
// underlined, with the hand cursor; while the left button is held the text takes the active
// colour. Its context menu has one entry, "Copy", which puts the caption on the system
// clipboard as text.
#include <QColor>
#include <QLabel>
#include <functional>

#include "platform/AnsiString.h"

class QAction;
class QMenu;

namespace qm {

class TUrlLabel : public QLabel {
    Q_OBJECT
public:
    explicit TUrlLabel(QWidget* parent = nullptr);
    ~TUrlLabel() override;

    // The address opened by a click; when blank (after trimming) the caption is opened.
    AnsiString URL() const { return url_; }
    void SetURL(const AnsiString& url) { url_ = url; }
    // The font colour while the left button is held; purple by default.
    QColor ActiveColor() const { return activeColor_; }
    void SetActiveColor(const QColor& color) { activeColor_ = color; }

    AnsiString Caption() const;
    void SetCaption(const AnsiString& caption);
    QColor FontColor() const;
    void SetFontColor(const QColor& color);

    // Runs OnClick, then opens URL (or the caption) through the shell; a blank target opens
    // nothing.
    virtual void Click();
    // The "Copy" entry: the caption (not the URL) onto the system clipboard.
    void CopyCaption();

    QMenu* PopupMenu() const { return popupMenu_; }
    QAction* CopyItem() const { return copyItem_; }

    std::function<void(QObject* Sender)> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    AnsiString url_;
    QColor normalColor_;
    QColor activeColor_{0x80, 0x00, 0x80};
    QMenu* popupMenu_ = nullptr;
    QAction* copyItem_ = nullptr;
    bool pressed_ = false;
};

} // namespace qm
