#include "mainwindow/ListSurface.h"

#include <QKeyEvent>
#include <QPainter>

namespace qm {

ListSurface::ListSurface(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ListSurface::SetColor(const QColor& color)
{
    color_ = color;
    bitmap_.fill(color_);
    update();
}

QImage& ListSurface::Bitmap()
{
    if (bitmap_.size() != size()) {
        bitmap_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        bitmap_.fill(color_);
    }
    return bitmap_;
}

void ListSurface::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), Bitmap());
}

void ListSurface::resizeEvent(QResizeEvent* event)
{
    if (topChild_)
        topChild_->setGeometry(0, 0, width(), topChild_->height());
    QWidget::resizeEvent(event);
}

// A control that does not take the arrow keys passes them to the focus chain, as dialogs do:
// Down and Right move on to the next control, Up and Left back.
bool ListSurface::event(QEvent* event)
{
    if (!wantsArrowKeys_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Left)
            return focusNextPrevChild(false);
        if (key == Qt::Key_Down || key == Qt::Key_Right)
            return focusNextPrevChild(true);
    }
    return QWidget::event(event);
}

} // namespace qm
