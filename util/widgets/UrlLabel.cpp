#include "util/widgets/UrlLabel.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>

#include "platform/Dispatch.h"
#include "platform/Shell.h"

namespace qm {

namespace {

bool IsBlank(const AnsiString& text)
{
    return text.find_first_not_of(" \t\r\n\v\f") == AnsiString::npos;
}

} // namespace

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    SetFontColor(QColor(0x00, 0x00, 0xFF));
    normalColor_ = FontColor();

    popupMenu_ = new QMenu(this);
    copyItem_ = popupMenu_->addAction("Copy");
    connect(copyItem_, &QAction::triggered, this, [this] { CopyCaption(); });
}

TUrlLabel::~TUrlLabel() = default; // the menu is a child and goes with the label

AnsiString TUrlLabel::Caption() const
{
    return FromQString(text());
}

void TUrlLabel::SetCaption(const AnsiString& caption)
{
    setText(ToQString(caption));
}

QColor TUrlLabel::FontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TUrlLabel::SetFontColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void TUrlLabel::Click()
{
    if (OnClick)
        OnClick(this);
    const AnsiString target = IsBlank(url_) ? Caption() : url_;
    if (!IsBlank(target))
        Shell().openUrl(target);
}

void TUrlLabel::CopyCaption()
{
    QGuiApplication::clipboard()->setText(text());
}

void TUrlLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        normalColor_ = FontColor();
        SetFontColor(activeColor_);
        pressed_ = true;
    }
    QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        SetFontColor(normalColor_);
        // A click is a press and a release of the left button over the label.
        if (rect().contains(event->position().toPoint()))
            Dispatch([this] { Click(); });
    }
    QLabel::mouseReleaseEvent(event);
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* event)
{
    popupMenu_->popup(event->globalPos());
    event->accept();
}

} // namespace qm
