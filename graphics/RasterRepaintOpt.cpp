#include "graphics/RasterRepaintOpt.h"

#include <algorithm>

namespace qm {

TCustomRepaintOptimizer::TCustomRepaintOptimizer(TBitmap32* ABuffer, TRectList* AInvalidRects)
    : FBuffer(ABuffer), FInvalidRects(AInvalidRects)
{
}

TCustomRepaintOptimizer::~TCustomRepaintOptimizer()
{
    while (!FLayerCollections.empty())
        TCustomRepaintOptimizer::UnregisterLayerCollection(FLayerCollections.back());
}

void TCustomRepaintOptimizer::RegisterLayerCollection(TLayerCollection* Layers)
{
    if (!Layers ||
        std::find(FLayerCollections.begin(), FLayerCollections.end(), Layers) != FLayerCollections.end())
        return;
    FLayerCollections.push_back(Layers);
    Layers->OnListNotify = [this](TLayerCollection* Sender, TLayerListNotification Action,
                                  TCustomLayer* Layer, int32_t Index) {
        LayerCollectionNotifyHandler(Sender, Action, Layer, Index);
    };
}

void TCustomRepaintOptimizer::UnregisterLayerCollection(TLayerCollection* Layers)
{
    const auto it = std::find(FLayerCollections.begin(), FLayerCollections.end(), Layers);
    if (it == FLayerCollections.end())
        return;
    Layers->OnListNotify = nullptr;
    FLayerCollections.erase(it);
}

} // namespace qm
