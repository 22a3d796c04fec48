#pragma once
// The abstract geometric mapping that transformers sample through. The base converts between
// the integer, 16.16 fixed and floating-point forms of a point; a descendant implements the
// floating-point forms at least, and may override the others for speed.
#include <cstdint>

#include "graphics/RasterPersistent.h"
#include "graphics/RasterTypes.h"
#include "platform/Exception.h"

namespace qm {

QM_DECLARE_EXCEPTION(ETransformNotImplemented, Exception)

class TTransformation : public TNotifiablePersistent {
public:
    QM_RASTER_CLASS(TTransformation, TNotifiablePersistent)

    bool TransformValid = false;

    // A change makes the transformation prepare itself again before its next use.
    void NotifyChanged() override;

    virtual void PrepareTransform() {}
    virtual void ReverseTransformInt(int32_t DstX, int32_t DstY, int32_t& SrcX, int32_t& SrcY);
    virtual void ReverseTransformFixed(TFixed DstX, TFixed DstY, TFixed& SrcX, TFixed& SrcY);
    virtual void ReverseTransformFloat(float DstX, float DstY, float& SrcX, float& SrcY);
    virtual void TransformInt(int32_t SrcX, int32_t SrcY, int32_t& DstX, int32_t& DstY);
    virtual void TransformFixed(TFixed SrcX, TFixed SrcY, TFixed& DstX, TFixed& DstY);
    virtual void TransformFloat(float SrcX, float SrcY, float& DstX, float& DstY);
    virtual bool HasTransformedBounds() const { return true; }
    virtual TFloatRect GetTransformedBounds(const TFloatRect& ASrcRect) { return ASrcRect; }

    // Prepare when not valid, then map through the matching form above.
    virtual TPoint ReverseTransform(const TPoint& P);
    virtual TFixedPoint ReverseTransform(const TFixedPoint& P);
    virtual TFloatPoint ReverseTransform(const TFloatPoint& P);
    virtual TPoint Transform(const TPoint& P);
    virtual TFixedPoint Transform(const TFixedPoint& P);
    virtual TFloatPoint Transform(const TFloatPoint& P);
};

} // namespace qm
