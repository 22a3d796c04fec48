#include "platform/gui/Placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <algorithm>

namespace qm {

QPoint PositionOnScreen(QPoint pos, QSize size)
{
    const QRect band(pos, QSize(std::max(size.width(), 1), std::clamp(size.height(), 1, 30)));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = band.intersected(screen->availableGeometry());
        if (seen.width() >= 40 && seen.height() >= 20)
            return pos;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return pos;
    const QRect area = primary->availableGeometry();
    const int x = std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    const int y = std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    return {x, y};
}

} // namespace qm
