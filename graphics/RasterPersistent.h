#pragma once
// The bases of the bitmap class tree: an object that announces its changes (with update
// brackets that hold the announcements back), one that can be locked, and a width x height
// map with the resize protocol.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "graphics/RasterClasses.h"

namespace qm {

class TNotifiablePersistent : public TPersistent {
public:
    QM_RASTER_CLASS(TNotifiablePersistent, TPersistent)

    int32_t UpdateCount = 0; // open update brackets
    TNotifyEvent OnChange;

    // Fires OnChange unless an update bracket is open.
    virtual void NotifyChanged();
    // Closing the last bracket fires nothing: the caller reports the change itself.
    virtual void IncUpdateCount() { ++UpdateCount; }
    virtual void DecUpdateCount() { --UpdateCount; }
    // Shorter name used by descendants for "something changed".
    void Changed() { NotifyChanged(); }
};

class TThreadPersistent : public TNotifiablePersistent {
public:
    QM_RASTER_CLASS(TThreadPersistent, TNotifiablePersistent)

    std::recursive_mutex Lock;
    std::atomic<int32_t> LockCount{0};

    void LockBitmap();
    void UnlockBitmap();
};

class TCustomMap : public TThreadPersistent {
public:
    QM_RASTER_CLASS(TCustomMap, TThreadPersistent)

    int32_t Height = 0;
    int32_t Width = 0;
    TNotifyEvent OnResize;

    // Stores the new size into the given fields; descendants resize their storage first.
    virtual void ChangeSize(int32_t& AWidth, int32_t& AHeight, int32_t NewWidth, int32_t NewHeight);
    virtual void ResetToEmpty() { SetSize(0, 0); }
    virtual bool IsEmpty() const { return Width == 0 || Height == 0; }
    virtual void NotifyResized();
    // Negative sizes become 0. When the size differs: ChangeSize, NotifyChanged, NotifyResized
    // and true; otherwise false and no event.
    virtual bool SetSize(int32_t NewWidth, int32_t NewHeight);
};

} // namespace qm
