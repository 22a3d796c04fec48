#include "app/MainShared.h"

namespace qm {

StoreContext TMainShared::StoreFilesContext() const
{
    return StoreContext{StoresFolder, StoreNames()};
}

void TMainShared::SaveItem(int32_t category, int32_t item)
{
    qm::SaveItem(StoreFilesContext(), Store, category, item);
}

} // namespace qm
