#pragma once
// The font names the program offers in its font pickers.
#include <QStringList>

namespace qm {

// The installed font families, and the usual Windows names that an installed metric-compatible
// family stands in for ("Arial" for Liberation Sans, "Times New Roman", "Courier New"), sorted
// without regard to case.
QStringList ScreenFontNames();

} // namespace qm
