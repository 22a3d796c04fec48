// The reconstruction kernels of RasterResamplers.h. All arithmetic is single precision, so
// every intermediate result is rounded to float as the weights are defined.
#include <cmath>

#include "graphics/RasterResamplers.h"

namespace qm {

namespace {

constexpr float Pi = 3.14159265358979f;

template <class K> const K& AsKernel(const TObject& o)
{
    return static_cast<const K&>(o);
}

template <class K> K& AsKernel(TObject& o)
{
    return static_cast<K&>(o);
}

double AsFloat(const TPropValue& v)
{
    if (std::holds_alternative<double>(v))
        return std::get<double>(v);
    if (std::holds_alternative<int64_t>(v))
        return double(std::get<int64_t>(v));
    return 0;
}

// A published single-precision property read and written through the class's accessors.
template <class K> TPropInfo FloatProp(const char* name, float (K::*get)() const, void (K::*set)(float))
{
    return {name, tkFloat, [get](const TObject& o) { return TPropValue(double((AsKernel<K>(o).*get)())); },
            [set](TObject& o, const TPropValue& v) { (AsKernel<K>(o).*set)(float(AsFloat(v))); }, nullptr};
}

} // namespace

float Sinc(float Value)
{
    if (Value == 0)
        return 1;
    const float p = Value * Pi;
    return std::sin(p) / p;
}

// ---- TCustomKernel --------------------------------------------------------------------------

const TKernelClass& TCustomKernel::StaticClass()
{
    static const TKernelClass meta{{"TCustomKernel", &TPersistent::StaticClass()}, nullptr};
    return meta;
}

const TPropList& TCustomKernel::PublishedProperties() const
{
    static const TPropList none;
    return none;
}

void TCustomKernel::AssignTo(TPersistent* Dest) const
{
    if (auto* kernel = dynamic_cast<TCustomKernel*>(Dest))
        CopyPublishedProperties(*this, *kernel, tkProperties);
    else
        TPersistent::AssignTo(Dest);
}

void TCustomKernel::Changed()
{
    if (Observer)
        Observer->Changed();
}

// ---- Fixed kernels ------------------------------------------------------------------------

float TBoxKernel::Filter(float Value) const
{
    return Value >= -0.5f && Value <= 0.5f ? 1.0f : 0.0f;
}

float TLinearKernel::Filter(float Value) const
{
    if (Value >= -1.0f && Value < 0.0f)
        return 1.0f + Value;
    if (Value >= 0.0f && Value < 1.0f)
        return 1.0f - Value;
    return 0;
}

float TCosineKernel::Filter(float Value) const
{
    if (std::fabs(Value) < 1.0f)
        return (std::cos(Value * Pi) + 1.0f) * 0.5f;
    return 0;
}

float TSplineKernel::Filter(float Value) const
{
    const float a = std::fabs(Value);
    if (a < 1.0f)
        return 0.5f * a * a * a - a * a + 2.0f / 3.0f;
    if (a < 2.0f) {
        const float t = 2.0f - a;
        return t * t * t / 6.0f;
    }
    return 0;
}

float TMitchellKernel::Filter(float Value) const
{
    const float a = std::fabs(Value);
    const float a2 = a * a, a3 = a2 * a;
    if (a < 1.0f)
        return (7.0f * a3 - 12.0f * a2 + 16.0f / 3.0f) / 6.0f;
    if (a < 2.0f)
        return (-7.0f / 3.0f * a3 + 12.0f * a2 - 20.0f * a + 32.0f / 3.0f) / 6.0f;
    return 0;
}

float TCubicKernel::Filter(float Value) const
{
    const float a = std::fabs(Value);
    const float a2 = a * a, a3 = a2 * a;
    if (a < 1.0f)
        return (FCoeff + 2.0f) * a3 - (FCoeff + 3.0f) * a2 + 1.0f;
    if (a < 2.0f)
        return FCoeff * (a3 - 5.0f * a2 + 8.0f * a - 4.0f);
    return 0;
}

void TCubicKernel::SetCoeff(float Value)
{
    if (FCoeff != Value) {
        FCoeff = Value;
        Changed();
    }
}

const TPropList& TCubicKernel::PublishedProperties() const
{
    static const TPropList props{
        FloatProp<TCubicKernel>("Coeff", &TCubicKernel::Coeff, &TCubicKernel::SetCoeff)};
    return props;
}

float THermiteKernel::Filter(float Value) const
{
    const float z = std::floor(Value);
    const float t = std::fabs(z - Value);
    const float t2 = t * t, t3 = t2 * t;
    const float m = (1.0f - FTension) * 0.5f;
    const float a = (1.0f - FBias) * m;
    const float b = (1.0f + FBias) * m;
    const float p = -2.0f * t3 + 3.0f * t2;
    const float q = t3 - t2;
    const float r = t3 - 2.0f * t2 + t;
    if (z == -2.0f)
        return q * a;
    if (z == -1.0f)
        return r * a + p + (b - a) * q;
    if (z == 0.0f)
        return (b - a) * r + (1.0f - p) - q * b;
    if (z == 1.0f)
        return -r * b;
    return 0;
}

void THermiteKernel::SetBias(float Value)
{
    if (FBias != Value) {
        FBias = Value;
        Changed();
    }
}

void THermiteKernel::SetTension(float Value)
{
    if (FTension != Value) {
        FTension = Value;
        Changed();
    }
}

const TPropList& THermiteKernel::PublishedProperties() const
{
    static const TPropList props{
        FloatProp<THermiteKernel>("Bias", &THermiteKernel::Bias, &THermiteKernel::SetBias),
        FloatProp<THermiteKernel>("Tension", &THermiteKernel::Tension, &THermiteKernel::SetTension)};
    return props;
}

float TSinshKernel::Filter(float Value) const
{
    if (Value == 0)
        return 1;
    return std::sin(Pi * Value) * FCoeff / std::sinh(Pi * FCoeff * Value);
}

void TSinshKernel::SetWidth(float Value)
{
    if (FWidth != Value) {
        FWidth = Value;
        Changed();
    }
}

void TSinshKernel::SetCoeff(float Value)
{
    if (FCoeff != Value && Value != 0) {
        FCoeff = Value;
        Changed();
    }
}

const TPropList& TSinshKernel::PublishedProperties() const
{
    static const TPropList props{
        FloatProp<TSinshKernel>("Width", &TSinshKernel::Width, &TSinshKernel::SetWidth),
        FloatProp<TSinshKernel>("Coeff", &TSinshKernel::Coeff, &TSinshKernel::SetCoeff)};
    return props;
}

// ---- Windowed sinc kernels ----------------------------------------------------------------

const TKernelClass& TWindowedSincKernel::StaticClass()
{
    static const TKernelClass meta{{"TWindowedSincKernel", &TCustomKernel::StaticClass()}, nullptr};
    return meta;
}

float TWindowedSincKernel::Filter(float Value) const
{
    if (std::fabs(Value) < FWidth)
        return Sinc(Value) * Window(Value);
    return 0;
}

void TWindowedSincKernel::SetWidth(float Value)
{
    if (FWidth != Value) {
        FWidth = Value;
        Changed();
    }
}

const TPropList& TWindowedSincKernel::PublishedProperties() const
{
    static const TPropList props{
        FloatProp<TWindowedSincKernel>("Width", &TWindowedSincKernel::Width, &TWindowedSincKernel::SetWidth)};
    return props;
}

float TLanczosKernel::Window(float Value) const
{
    return Sinc(Value / FWidth);
}

float TGaussianKernel::Window(float Value) const
{
    return std::exp2(-(Value * Value) / FSigma);
}

void TGaussianKernel::SetSigma(float Value)
{
    if (FSigma != Value && Value != 0) {
        FSigma = Value;
        Changed();
    }
}

const TPropList& TGaussianKernel::PublishedProperties() const
{
    static const TPropList props{
        FloatProp<TWindowedSincKernel>("Width", &TWindowedSincKernel::Width, &TWindowedSincKernel::SetWidth),
        FloatProp<TGaussianKernel>("Sigma", &TGaussianKernel::Sigma, &TGaussianKernel::SetSigma)};
    return props;
}

float TBlackmanKernel::Window(float Value) const
{
    const float t = Pi * Value / FWidth;
    return 0.42f + 0.5f * std::cos(t) + 0.08f * std::cos(2.0f * t);
}

float THannKernel::Window(float Value) const
{
    return 0.5f + 0.5f * std::cos(Pi * Value / FWidth);
}

float THammingKernel::Window(float Value) const
{
    return 0.54f + 0.46f * std::cos(Pi * Value / FWidth);
}

} // namespace qm
