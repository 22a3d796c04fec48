// Pointer map, rectangle list, class list, property copying, integer map and the
// transformation base.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "graphics/RasterContainers.h"
#include "graphics/RasterOrdinalMaps.h"
#include "graphics/RasterTransforms.h"
#include "platform/Exception.h"

using namespace qm;

namespace {

void* Key(uintptr_t v)
{
    return reinterpret_cast<void*>(v);
}

// Records what Clear and Remove hand to the descendant.
class RecordingMap : public TPointerMap {
public:
    ~RecordingMap() override { Clear(); }
    std::vector<void*> disposed;
    void* Delete(int32_t BucketIndex, int32_t ItemIndex) override
    {
        void* data = TPointerMap::Delete(BucketIndex, ItemIndex);
        disposed.push_back(data);
        return data;
    }
};

} // namespace

TEST(PointerMap, AddFindRemove)
{
    TPointerMap map;
    bool isNew = false;
    void** slot = map.Add(Key(0x1000), Key(1), isNew);
    EXPECT_TRUE(isNew);
    void** again = map.Add(Key(0x1000), Key(2), isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(again, slot);
    EXPECT_EQ(*again, Key(1));
    map.Add(Key(0x1010), Key(3), isNew);
    EXPECT_EQ(map.Count, 2);
    EXPECT_EQ(map.Buckets[0x10].Count, 2);
    EXPECT_EQ(map.Data(Key(0x1010)), Key(3));
    try {
        map.Data(Key(0x2000));
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Item not found ($02000)");
    }
    try {
        map.Data(Key(0xBEEF));
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Item not found ($0BEEF)"); // hex digits in capitals
    }
    EXPECT_EQ(map.Remove(Key(0x2000)), nullptr);
    EXPECT_EQ(map.Remove(Key(0x1000)), Key(1));
    EXPECT_EQ(map.Count, 1);
    EXPECT_THROW(map.Delete(256, 0), ERangeError);
    EXPECT_THROW(map.Delete(0x10, 5), ERangeError);
}

TEST(PointerMap, DeletesKeepOrderAndReleaseEmptyBuckets)
{
    TPointerMap map;
    bool isNew;
    map.Add(Key(0x300), Key(1), isNew);
    EXPECT_EQ(map.Buckets[3].Items.size(), 4u);
    map.Remove(Key(0x300));
    EXPECT_TRUE(map.Buckets[3].Items.empty());
    for (uintptr_t k : {0x300, 0x10300, 0x20300})
        map.Add(Key(k), Key(k), isNew);
    map.Remove(Key(0x10300));
    ASSERT_EQ(map.Buckets[3].Count, 2);
    EXPECT_EQ(map.Buckets[3].Items[0].Item, Key(0x300));
    EXPECT_EQ(map.Buckets[3].Items[1].Item, Key(0x20300));
}

TEST(PointerMap, BucketGrowthSequence)
{
    TPointerMap map;
    bool isNew;
    std::vector<size_t> lengths;
    for (uintptr_t i = 0; i < 100; ++i) {
        map.Add(Key(0x500 + (i << 16)), nullptr, isNew);
        const size_t len = map.Buckets[5].Items.size();
        if (lengths.empty() || lengths.back() != len)
            lengths.push_back(len);
    }
    EXPECT_EQ(lengths, (std::vector<size_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(PointerMap, IteratorOrderAndClear)
{
    RecordingMap map;
    bool isNew;
    for (uintptr_t k : {0x1FF00, 0x1000, 0x1010, 0x0200, 0x2000})
        map.Add(Key(k), Key(k + 1), isNew);
    TPointerMapIterator it(map);
    EXPECT_EQ(it.CurBucketIndex, -1);
    std::vector<uintptr_t> seen;
    while (it.Next()) {
        seen.push_back(reinterpret_cast<uintptr_t>(it.Item));
        EXPECT_EQ(it.Data, Key(reinterpret_cast<uintptr_t>(it.Item) + 1));
    }
    // Bucket 2, then bucket $10 last pair first, then $20, then 255.
    EXPECT_EQ(seen, (std::vector<uintptr_t>{0x0200, 0x1010, 0x1000, 0x2000, 0x1FF00}));
    EXPECT_FALSE(it.Next());
    map.Clear();
    EXPECT_EQ(map.Count, 0);
    EXPECT_EQ(map.disposed.size(), 5u);
    for (const auto& b : map.Buckets)
        EXPECT_TRUE(b.Count == 0 && b.Items.empty());
    TPointerMapIterator empty(map);
    EXPECT_FALSE(empty.Next());
}

TEST(RectList, GrowthAndEditing)
{
    TRectList list;
    std::vector<int32_t> caps;
    for (int i = 0; i < 230; ++i) {
        EXPECT_EQ(list.Add({i, 0, i + 1, 1}), i);
        if (caps.empty() || caps.back() != list.Capacity())
            caps.push_back(list.Capacity());
    }
    EXPECT_EQ(caps, (std::vector<int32_t>{8, 16, 48, 80, 112, 144, 180, 225, 281}));
    list.Delete(0);
    EXPECT_EQ(list.Count(), 229);
    EXPECT_EQ(list.Items(0)->Left, 1);
    EXPECT_EQ(list.Items(228)->Left, 229);
    EXPECT_EQ(list.Items(229), nullptr);
    EXPECT_EQ(list.Items(-1), nullptr);
    EXPECT_THROW(list.Delete(229), ERangeError);
    list.SetCount(2);
    list.SetCount(4);
    EXPECT_EQ(*list.Items(3), TRect{});
    EXPECT_EQ(list.Items(1)->Left, 2);
    EXPECT_THROW(list.SetCapacity(3), ERangeError);
    EXPECT_THROW(list.SetCount(-1), ERangeError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 10);
    for (int i = 0; i < 11; ++i)
        list.Add({});
    EXPECT_EQ(list.Capacity(), 42);
}

namespace {

struct Sample : TPersistent {
    QM_RASTER_CLASS(Sample, TPersistent)
    int64_t width = 0;
    double radius = 0;
    std::string name;
    Sample* child = nullptr;
    int64_t copiedFrom = -1;

    void Assign(const TPersistent* Source) override
    {
        if (auto* s = dynamic_cast<const Sample*>(Source))
            copiedFrom = s->width;
        else
            TPersistent::Assign(Source);
    }
    const TPropList& PublishedProperties() const override
    {
        static const TPropList props = {
            {"Width",
             tkInteger,
             [](const TObject& o) { return TPropValue(static_cast<const Sample&>(o).width); },
             [](TObject& o, const TPropValue& v) { static_cast<Sample&>(o).width = std::get<int64_t>(v); },
             {}},
            {"Radius",
             tkFloat,
             [](const TObject& o) { return TPropValue(static_cast<const Sample&>(o).radius); },
             [](TObject& o, const TPropValue& v) { static_cast<Sample&>(o).radius = std::get<double>(v); },
             {}},
            {"Name",
             tkString,
             [](const TObject& o) { return TPropValue(static_cast<const Sample&>(o).name); },
             [](TObject& o, const TPropValue& v) { static_cast<Sample&>(o).name = std::get<std::string>(v); },
             {}},
            {"Child",
             tkClass,
             {},
             {},
             [](const TObject& o) -> TPersistent* { return static_cast<const Sample&>(o).child; }},
        };
        return props;
    }
};

struct OtherSample : Sample {
    QM_RASTER_CLASS(OtherSample, Sample)
};

} // namespace

TEST(ClassList, FindIsCaseSensitive)
{
    TClassList list;
    EXPECT_EQ(list.Add(&Sample::StaticClass()), 0);
    list.Add(&OtherSample::StaticClass());
    EXPECT_EQ(list.Find("OtherSample"), &OtherSample::StaticClass());
    EXPECT_EQ(list.Find("othersample"), nullptr);
    EXPECT_EQ(list.Find("Missing"), nullptr);
    EXPECT_TRUE(list.Find("OtherSample")->InheritsFrom(Sample::StaticClass()));
    try {
        list.Items(2);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
}

TEST(PropertyCopy, CopiesByKindAndAssignsObjects)
{
    Sample srcChild, dstChild;
    srcChild.width = 42;
    Sample src, dst;
    src.width = 7;
    src.radius = 2.5;
    src.name = "box";
    src.child = &srcChild;
    dst.child = &dstChild;
    CopyPublishedProperties(src, dst, tkProperties & ~TypeKind(tkFloat));
    EXPECT_EQ(dst.width, 7);
    EXPECT_EQ(dst.radius, 0);
    EXPECT_EQ(dst.name, "box");
    EXPECT_EQ(dstChild.copiedFrom, 42);
    EXPECT_EQ(dst.ClassName(), "Sample");

    TPersistent plain;
    try {
        plain.Assign(&src);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a Sample to a TPersistent");
    }
    EXPECT_THROW(CopyPublishedProperties(src, plain, tkProperties), EConvertError);
}

TEST(IntegerMap, ResizeKeepsValues)
{
    TIntegerMap map;
    EXPECT_TRUE(map.IsEmpty());
    int changes = 0;
    map.OnChange = [&](TObject*) { ++changes; };
    EXPECT_TRUE(map.SetSize(3, 2));
    EXPECT_FALSE(map.SetSize(3, 2));
    EXPECT_EQ(changes, 1);
    *map.ValPtr(2, 1) = 9;
    EXPECT_EQ(map.Bits[5], 9);
    map.SetSize(3, 3);
    EXPECT_EQ(map.Bits[5], 9);
    EXPECT_EQ(map.Bits[8], 0);
    EXPECT_THROW(map.SetSize(INT32_MAX, INT32_MAX), EOutOfResources);
    EXPECT_EQ(map.Width, 3);
    map.SetSize(-1, 4);
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.Width, 0);
}

namespace {

class CountingTransformation : public TTransformation {
public:
    QM_RASTER_CLASS(CountingTransformation, TTransformation)
    int prepared = 0;
    void PrepareTransform() override { ++prepared; }
};

// Shifts by (0.25, -1.5) in floating point only; the other forms come from the base.
class Shift : public TTransformation {
public:
    QM_RASTER_CLASS(Shift, TTransformation)
    void TransformFloat(float x, float y, float& dx, float& dy) override
    {
        dx = x + 0.25f;
        dy = y - 1.5f;
    }
    void ReverseTransformFloat(float x, float y, float& sx, float& sy) override
    {
        sx = x - 0.25f;
        sy = y + 1.5f;
    }
    void PrepareTransform() override { TransformValid = true; }
};

} // namespace

TEST(Transformation, BaseReportsMissingFormsByClassName)
{
    CountingTransformation t;
    int32_t x, y;
    try {
        t.ReverseTransformInt(1, 2, x, y);
        FAIL() << "no error";
    } catch (const ETransformNotImplemented& e) {
        EXPECT_STREQ(e.what(), "Reverse transformation is not implemented in CountingTransformation.");
    }
    try {
        t.Transform(TFixedPoint{1, 2});
        FAIL() << "no error";
    } catch (const ETransformNotImplemented& e) {
        EXPECT_STREQ(e.what(), "Forward transformation is not implemented in CountingTransformation.");
    }
    EXPECT_THROW(t.ReverseTransform(TFloatPoint{1, 2}), ETransformNotImplemented);
    EXPECT_EQ(t.prepared, 2); // prepared again on every call while never valid
    EXPECT_TRUE(t.HasTransformedBounds());
    EXPECT_EQ(t.GetTransformedBounds({1, 2, 3, 4}), (TFloatRect{1, 2, 3, 4}));
}

TEST(Transformation, IntegerAndFixedFormsChainToFloat)
{
    Shift s;
    EXPECT_EQ(s.Transform(TPoint{3, 4}), (TPoint{3, 2})); // 3.25 -> 3; 2.5 -> 2, a half rounds down
    EXPECT_EQ(s.Transform(TFixedPoint{0x10000, 0}), (TFixedPoint{0x14000, -0x18000}));
    EXPECT_EQ(s.ReverseTransform(TPoint{0, 0}), (TPoint{0, 1})); // -0.25 -> 0, 1.5 -> 1
    EXPECT_TRUE(s.TransformValid);
    int changes = 0;
    s.OnChange = [&](TObject*) { ++changes; };
    s.Changed();
    EXPECT_FALSE(s.TransformValid);
    EXPECT_EQ(changes, 1);
}
