// Kernel filter values at their edges, property setters and property copying.
#include <gtest/gtest.h>

#include "graphics/RasterResamplers.h"

using namespace qm;

namespace {

// Counts the change notifications a kernel sends to its observer.
struct Counter : TNotifiablePersistent {
    int count = 0;
    void NotifyChanged() override { ++count; }
};

} // namespace

TEST(Kernels, FilterValuesAtTheEdges)
{
    const TBoxKernel box;
    EXPECT_EQ(box.Filter(-0.5f), 1.0f);
    EXPECT_EQ(box.Filter(0.5f), 1.0f);
    EXPECT_EQ(box.Filter(0.5001f), 0.0f);

    const TLinearKernel linear;
    EXPECT_EQ(linear.Filter(-1.0f), 0.0f);
    EXPECT_EQ(linear.Filter(0.0f), 1.0f);
    EXPECT_EQ(linear.Filter(0.25f), 0.75f);
    EXPECT_EQ(linear.Filter(1.0f), 0.0f);

    const TCubicKernel cubic;
    EXPECT_EQ(cubic.Coeff(), -0.5f);
    EXPECT_EQ(cubic.Filter(0.0f), 1.0f);
    EXPECT_EQ(cubic.Filter(1.0f), 0.0f);
    EXPECT_EQ(cubic.Filter(2.0f), 0.0f);
    EXPECT_EQ(cubic.Filter(-1.0f), 0.0f);

    const TLanczosKernel lanczos;
    EXPECT_EQ(lanczos.Width(), 3.0f);
    EXPECT_EQ(lanczos.Filter(0.0f), 1.0f);
    EXPECT_EQ(lanczos.Filter(3.0f), 0.0f);
    EXPECT_EQ(lanczos.Filter(-4.5f), 0.0f);
    EXPECT_LT(lanczos.Filter(1.5f), 0.0f);

    EXPECT_NEAR(TSplineKernel().Filter(0.0f), 2.0f / 3.0f, 1e-6);
    EXPECT_NEAR(TMitchellKernel().Filter(0.0f), 8.0f / 9.0f, 1e-6);
    EXPECT_EQ(TCosineKernel().Filter(1.0f), 0.0f);
    EXPECT_NEAR(TCosineKernel().Filter(0.5f), 0.5f, 1e-6);
    EXPECT_EQ(TSinshKernel().Filter(0.0f), 1.0f);
    EXPECT_EQ(THermiteKernel().Filter(0.0f), 1.0f);
    EXPECT_EQ(THermiteKernel().Filter(1.0f), 0.0f);
    EXPECT_EQ(THermiteKernel().Filter(-2.5f), 0.0f);
    EXPECT_NEAR(THannKernel().Window(0.0f), 1.0f, 1e-6);
    EXPECT_NEAR(THammingKernel().Window(3.0f), 0.08f, 1e-6);
    EXPECT_NEAR(TBlackmanKernel().Window(0.0f), 1.0f, 1e-6);
    EXPECT_NEAR(TGaussianKernel().Window(0.0f), 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(Sinc(0.5f), 2.0f / 3.14159265f);
}

TEST(Kernels, WidthsAndRangeChecks)
{
    EXPECT_FALSE(TBoxKernel().RangeCheck());
    EXPECT_FALSE(TLinearKernel().RangeCheck());
    EXPECT_FALSE(TCosineKernel().RangeCheck());
    EXPECT_TRUE(TCubicKernel().RangeCheck());
    EXPECT_TRUE(TGaussianKernel().RangeCheck());
    EXPECT_EQ(TMitchellKernel().GetWidth(), 2.0f);
    TSinshKernel sinsh;
    sinsh.SetWidth(5);
    EXPECT_EQ(sinsh.GetWidth(), 5.0f);
}

TEST(Kernels, SettersNotifyOnlyRealChanges)
{
    Counter observer;
    TGaussianKernel gauss;
    gauss.Observer = &observer;
    gauss.SetSigma(0);
    EXPECT_EQ(gauss.Sigma(), 1.33f);
    gauss.SetSigma(1.33f);
    EXPECT_EQ(observer.count, 0);
    gauss.SetSigma(2);
    gauss.SetWidth(4);
    EXPECT_EQ(observer.count, 2);

    TSinshKernel sinsh;
    sinsh.Observer = &observer;
    sinsh.SetCoeff(0);
    EXPECT_EQ(sinsh.Coeff(), 0.5f);
    THermiteKernel hermite;
    hermite.Observer = &observer;
    hermite.SetBias(0);
    hermite.SetTension(0.5f);
    EXPECT_EQ(observer.count, 3);
}

TEST(Kernels, PublishedPropertiesCopyByName)
{
    TGaussianKernel a, b;
    a.SetWidth(2);
    a.SetSigma(0.75f);
    b.Assign(&a);
    EXPECT_EQ(b.Width(), 2.0f);
    EXPECT_EQ(b.Sigma(), 0.75f);
    ASSERT_NE(a.FindProperty("Sigma"), nullptr);
    EXPECT_EQ(a.FindProperty("Sigma")->Kind, tkFloat);

    THermiteKernel h1, h2;
    h1.SetBias(0.25f);
    h1.SetTension(-0.5f);
    h2.Assign(&h1);
    EXPECT_EQ(h2.Bias(), 0.25f);
    EXPECT_EQ(h2.Tension(), -0.5f);

    TBitmap32 bmp;
    EXPECT_THROW(h2.Assign(&bmp), EConvertError);
}
