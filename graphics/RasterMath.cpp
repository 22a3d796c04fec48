#include "graphics/RasterMath.h"

#include <cmath>

#include "platform/Exception.h"

namespace qm {

TFixed FixedDiv(TFixed A, TFixed B)
{
    if (B == 0)
        throw EDivByZero("Division by zero");
    const int64_t q = (int64_t(A) * 65536) / B;
    if (q < INT32_MIN || q > INT32_MAX)
        throw EDivByZero("Division overflow");
    return TFixed(q);
}

TFixed FixedFromFloat(float Value)
{
    const double scaled = std::nearbyint(double(Value) * 65536.0);
    if (std::isnan(scaled))
        return 0;
    if (scaled <= double(INT32_MIN))
        return INT32_MIN;
    if (scaled >= double(INT32_MAX))
        return INT32_MAX;
    return TFixed(scaled);
}

} // namespace qm
