#pragma once
// Binds one routine family for the length of a test and restores the start-up binding after.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "graphics/RasterSystem.h"

namespace qmtest {

class BoundFamily {
public:
    explicit BoundFamily(const std::string& family) : saved_(qm::BindingFeatures())
    {
        qm::RebindRasterRoutines(qm::FeaturesForFamily(family));
    }
    ~BoundFamily() { qm::RebindRasterRoutines(saved_); }

private:
    qm::TBindingFeatures saved_;
};

// Both families, for parameterised tests, whose cases are named after the family.
inline const char* const kFamilies[] = {"plain", "mmx"};
inline std::string FamilyName(const ::testing::TestParamInfo<const char*>& info)
{
    return info.param;
}

} // namespace qmtest
