#include "platform/GraphicsTypes.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <cstdint>

namespace qm {

namespace {

// System-colour indices in the order of the toolkit's table, mapped onto palette roles.
QColor SystemColorOf(int32_t index)
{
    const QPalette pal = QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
    switch (index) {
    case 0:
        return pal.color(QPalette::Mid); // scroll bar
    case 1:
        return pal.color(QPalette::Window); // desktop
    case 2:
    case 27:
        return pal.color(QPalette::Highlight); // active caption
    case 3:
    case 28:
        return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 4:
    case 30:
        return pal.color(QPalette::Window); // menu, menu bar
    case 5:
        return pal.color(QPalette::Base); // window
    case 6:
        return pal.color(QPalette::Shadow); // window frame
    case 7:
        return pal.color(QPalette::WindowText); // menu text
    case 8:
        return pal.color(QPalette::Text); // window text
    case 9:
        return pal.color(QPalette::HighlightedText); // caption text
    case 10:
    case 11:
        return pal.color(QPalette::Window); // borders
    case 12:
        return pal.color(QPalette::Dark); // application workspace
    case 13:
    case 29:
        return pal.color(QPalette::Highlight);
    case 14:
        return pal.color(QPalette::HighlightedText);
    case 15:
        return pal.color(QPalette::Button); // button face
    case 16:
        return pal.color(QPalette::Dark); // button shadow
    case 17:
        return pal.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18:
        return pal.color(QPalette::ButtonText);
    case 19:
        return pal.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20:
        return pal.color(QPalette::Light); // button highlight
    case 21:
        return pal.color(QPalette::Shadow); // 3-D dark shadow
    case 22:
        return pal.color(QPalette::Midlight); // 3-D light
    case 23:
        return pal.color(QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::ToolTipBase);
    case 26:
        return pal.color(QPalette::Link); // hot-tracked item
    default:
        return QColor(0, 0, 0);
    }
}

} // namespace

int32_t MulDiv(int32_t A, int32_t B, int32_t C)
{
    if (C == 0)
        return -1;
    const int64_t p = int64_t(A) * B;
    const int64_t absP = p < 0 ? -p : p, absC = C < 0 ? -int64_t(C) : int64_t(C);
    const int64_t magnitude = (absP + absC / 2) / absC;
    const int64_t q = (p < 0) != (C < 0) ? -magnitude : magnitude;
    if (q > INT32_MAX || q < INT32_MIN)
        return -1;
    return int32_t(q);
}

TColor GetSysColor(int32_t Index)
{
    const QColor c = SystemColorOf(Index);
    return TColor(uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16);
}

TColor ColorToRGB(TColor Color)
{
    return Color < 0 ? GetSysColor(Color & 0xFF) : Color;
}

QColor ToQColor(TColor Color)
{
    const uint32_t rgb = uint32_t(ColorToRGB(Color));
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

} // namespace qm
