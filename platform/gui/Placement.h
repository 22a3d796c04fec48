#pragma once
// Where a window with a stored position may go: a position from an earlier session can lie
// on a screen that is no longer attached, which would leave the window where nobody sees it.
#include <QPoint>
#include <QSize>

namespace qm {

// pos when a window of size placed there shows a piece of itself on some screen that can be
// grabbed (its top band, at least 40 by 20 pixels), else the nearest position that puts it
// inside the primary screen's free area. pos as it is when there is no screen.
QPoint PositionOnScreen(QPoint pos, QSize size);

} // namespace qm
