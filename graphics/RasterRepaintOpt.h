#pragma once
// The repaint-optimiser interface through which a paint box can have the areas to repaint
// computed for it. This base keeps its switch, the registered layer collections and the
// paint box's buffer and invalid-rectangle list; its repaint steps do nothing, so a paint box
// holding it repaints as if it had none.
#include <cstdint>
#include <vector>

#include "graphics/RasterClasses.h"
#include "graphics/RasterLayers.h"
#include "graphics/RasterTypes.h"

namespace qm {

class TBitmap32;
class TRectList;

class TCustomRepaintOptimizer : public TObject {
public:
    QM_RASTER_CLASS(TCustomRepaintOptimizer, TObject)

    // Buffer and InvalidRects belong to the paint box.
    TCustomRepaintOptimizer(TBitmap32* ABuffer, TRectList* AInvalidRects);
    // Unregisters every collection.
    ~TCustomRepaintOptimizer() override;
    TCustomRepaintOptimizer(const TCustomRepaintOptimizer&) = delete;
    TCustomRepaintOptimizer& operator=(const TCustomRepaintOptimizer&) = delete;

    virtual bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value) { FEnabled = Value; }
    bool Enabled() const { return GetEnabled(); }

    virtual void LayerCollectionNotifyHandler(TLayerCollection* Sender, TLayerListNotification Action,
                                              TCustomLayer* Layer, int32_t Index)
    {
    }
    // Adds the collection once and hooks its list notification.
    virtual void RegisterLayerCollection(TLayerCollection* Layers);
    virtual void UnregisterLayerCollection(TLayerCollection* Layers);
    virtual void BeginPaint() {}
    virtual void EndPaint() {}
    virtual void BeginPaintBuffer() {}
    virtual void EndPaintBuffer() {}
    virtual void Reset() {}
    virtual bool UpdatesAvailable() { return false; }
    virtual void PerformOptimization() {}
    virtual void AreaUpdateHandler(TObject* Sender, const TRect& Area, uint32_t Info) {}
    virtual void LayerUpdateHandler(TObject* Sender, TCustomLayer* Layer) {}
    virtual void BufferResizedHandler(int32_t NewWidth, int32_t NewHeight) {}

    TBitmap32* Buffer() const { return FBuffer; }
    TRectList* InvalidRects() const { return FInvalidRects; }
    const std::vector<TLayerCollection*>& LayerCollections() const { return FLayerCollections; }

protected:
    bool FEnabled = false;

private:
    TBitmap32* FBuffer;
    TRectList* FInvalidRects;
    std::vector<TLayerCollection*> FLayerCollections;
};

} // namespace qm
