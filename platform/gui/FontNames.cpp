#include "platform/gui/FontNames.h"

#include <QFontDatabase>
#include <utility>

namespace qm {

QStringList ScreenFontNames()
{
    QStringList families = QFontDatabase::families();
    static const std::pair<const char*, const char*> standIns[] = {
        {"Arial", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const auto& [name, family] : standIns)
        if (!families.contains(name, Qt::CaseInsensitive) && families.contains(family, Qt::CaseInsensitive))
            families << name;
    families.sort(Qt::CaseInsensitive);
    return families;
}

} // namespace qm
