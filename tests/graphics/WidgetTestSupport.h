#pragma once
// Showing a control on the (offscreen) screen and seeing what each of its paints copied.
#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "graphics/widgets/RasterImage.h"

namespace qmtest {

// Shows the widget and lets the events run until its window is exposed and painted.
inline void ShowAndSettle(QWidget& w)
{
    w.show();
    for (int i = 0; i < 200 && !(w.windowHandle() && w.windowHandle()->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
}

// Records the rectangles each paint was asked to copy (none for a whole paint).
class ProbeImage : public qm::TImage32 {
public:
    std::vector<std::vector<qm::TRect>> paints;
    void PaintControl() override
    {
        std::vector<qm::TRect> rects;
        for (int i = 0; i < InvalidRects().Count(); ++i)
            rects.push_back(*InvalidRects().Items(i));
        paints.push_back(rects);
        qm::TImage32::PaintControl();
    }
};

} // namespace qmtest
