#include "platform/gui/Splitter.h"

#include <QList>
#include <QMouseEvent>
#include <QSplitterHandle>

namespace qm {

namespace {
class Handle : public QSplitterHandle {
public:
    Handle(Qt::Orientation o, TSplitter* parent) : QSplitterHandle(o, parent), owner_(parent) {}

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            offset_ = Pick(e->position().toPoint());
        QSplitterHandle::mousePressEvent(e);
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (!(e->buttons() & Qt::LeftButton))
            return;
        const int pos = Pick(parentWidget()->mapFromGlobal(e->globalPosition().toPoint())) - offset_;
        if (owner_->CanResize && !owner_->CanResize(owner_->LastPanelSizeAt(pos)))
            return;
        moveSplitter(pos);
    }

private:
    int Pick(const QPoint& p) const { return orientation() == Qt::Horizontal ? p.x() : p.y(); }
    TSplitter* owner_;
    int offset_ = 0;
};
} // namespace

TSplitter::TSplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent)
{
    setChildrenCollapsible(false);
    setOpaqueResize(true);
}

QSplitterHandle* TSplitter::createHandle()
{
    return new Handle(orientation(), this);
}

int TSplitter::LastPanelSize() const
{
    const QList<int> s = sizes();
    return s.isEmpty() ? 0 : s.back();
}

void TSplitter::SetLastPanelSize(int size)
{
    QList<int> s = sizes();
    if (s.size() < 2)
        return;
    const int extent = orientation() == Qt::Horizontal ? width() : height();
    int others = extent - size - handleWidth() * int(s.size() - 1);
    for (int i = 1; i + 1 < int(s.size()); ++i)
        others -= s[i];
    s.front() = std::max(0, others);
    s.back() = std::max(0, size);
    setSizes(s);
}

int TSplitter::LastPanelSizeAt(int pos) const
{
    const int extent = orientation() == Qt::Horizontal ? width() : height();
    return extent - pos - handleWidth();
}

} // namespace qm
