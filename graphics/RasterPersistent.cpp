#include "graphics/RasterPersistent.h"

namespace qm {

void TNotifiablePersistent::NotifyChanged()
{
    if (UpdateCount == 0 && OnChange)
        OnChange(this);
}

void TThreadPersistent::LockBitmap()
{
    LockCount.fetch_add(1);
    Lock.lock();
}

void TThreadPersistent::UnlockBitmap()
{
    Lock.unlock();
    LockCount.fetch_sub(1);
}

void TCustomMap::ChangeSize(int32_t& AWidth, int32_t& AHeight, int32_t NewWidth, int32_t NewHeight)
{
    AWidth = NewWidth;
    AHeight = NewHeight;
}

void TCustomMap::NotifyResized()
{
    if (OnResize)
        OnResize(this);
}

bool TCustomMap::SetSize(int32_t NewWidth, int32_t NewHeight)
{
    if (NewWidth < 0)
        NewWidth = 0;
    if (NewHeight < 0)
        NewHeight = 0;
    if (NewWidth == Width && NewHeight == Height)
        return false;
    ChangeSize(Width, Height, NewWidth, NewHeight);
    NotifyChanged();
    NotifyResized();
    return true;
}

} // namespace qm
