#include "graphics/RasterTransforms.h"

#include "graphics/RasterMath.h"

namespace qm {

namespace {

// Integer to 16.16: the shift wraps for values beyond 16 bits, as fixed point does.
inline TFixed IntToFixed(int32_t v)
{
    return TFixed(uint32_t(v) << 16);
}

} // namespace

void TTransformation::NotifyChanged()
{
    TransformValid = false;
    TNotifiablePersistent::NotifyChanged();
}

void TTransformation::ReverseTransformInt(int32_t DstX, int32_t DstY, int32_t& SrcX, int32_t& SrcY)
{
    TFixed x = 0, y = 0;
    ReverseTransformFixed(IntToFixed(DstX), IntToFixed(DstY), x, y);
    SrcX = FixedRound(x);
    SrcY = FixedRound(y);
}

void TTransformation::ReverseTransformFixed(TFixed DstX, TFixed DstY, TFixed& SrcX, TFixed& SrcY)
{
    float x = 0, y = 0;
    ReverseTransformFloat(float(DstX) * FixedToFloat, float(DstY) * FixedToFloat, x, y);
    SrcX = FixedFromFloat(x);
    SrcY = FixedFromFloat(y);
}

void TTransformation::ReverseTransformFloat(float, float, float&, float&)
{
    throw ETransformNotImplemented(
        Format("Reverse transformation is not implemented in %s.", ClassName().c_str()));
}

void TTransformation::TransformInt(int32_t SrcX, int32_t SrcY, int32_t& DstX, int32_t& DstY)
{
    TFixed x = 0, y = 0;
    TransformFixed(IntToFixed(SrcX), IntToFixed(SrcY), x, y);
    DstX = FixedRound(x);
    DstY = FixedRound(y);
}

void TTransformation::TransformFixed(TFixed SrcX, TFixed SrcY, TFixed& DstX, TFixed& DstY)
{
    float x = 0, y = 0;
    TransformFloat(float(SrcX) * FixedToFloat, float(SrcY) * FixedToFloat, x, y);
    DstX = FixedFromFloat(x);
    DstY = FixedFromFloat(y);
}

void TTransformation::TransformFloat(float, float, float&, float&)
{
    throw ETransformNotImplemented(
        Format("Forward transformation is not implemented in %s.", ClassName().c_str()));
}

TPoint TTransformation::ReverseTransform(const TPoint& P)
{
    if (!TransformValid)
        PrepareTransform();
    TPoint r;
    ReverseTransformInt(P.X, P.Y, r.X, r.Y);
    return r;
}

TFixedPoint TTransformation::ReverseTransform(const TFixedPoint& P)
{
    if (!TransformValid)
        PrepareTransform();
    TFixedPoint r;
    ReverseTransformFixed(P.X, P.Y, r.X, r.Y);
    return r;
}

TFloatPoint TTransformation::ReverseTransform(const TFloatPoint& P)
{
    if (!TransformValid)
        PrepareTransform();
    TFloatPoint r;
    ReverseTransformFloat(P.X, P.Y, r.X, r.Y);
    return r;
}

TPoint TTransformation::Transform(const TPoint& P)
{
    if (!TransformValid)
        PrepareTransform();
    TPoint r;
    TransformInt(P.X, P.Y, r.X, r.Y);
    return r;
}

TFixedPoint TTransformation::Transform(const TFixedPoint& P)
{
    if (!TransformValid)
        PrepareTransform();
    TFixedPoint r;
    TransformFixed(P.X, P.Y, r.X, r.Y);
    return r;
}

TFloatPoint TTransformation::Transform(const TFloatPoint& P)
{
    if (!TransformValid)
        PrepareTransform();
    TFloatPoint r;
    TransformFloat(P.X, P.Y, r.X, r.Y);
    return r;
}

} // namespace qm
