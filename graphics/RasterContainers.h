#pragma once
// Small containers of the raster library: a hashed map from pointer-sized keys to pointers,
// a growable list of rectangles, a list of class references searched by class name, and the
// routine that copies published properties from one object to another.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/RasterClasses.h"
#include "graphics/RasterTypes.h"

namespace qm {

struct TPointerBucketItem {
    void* Item = nullptr; // the key
    void* Data = nullptr;
};
using TPointerBucketItemArray = std::vector<TPointerBucketItem>; // size() is the capacity

struct TPointerBucket {
    int32_t Count = 0; // valid pairs at the front of Items
    TPointerBucketItemArray Items;
};
using TPointerBucketArray = TPointerBucket[256];

// Keys are spread over 256 buckets by bits 8..15, which suits addresses of blocks of 256
// bytes or more; a bucket keeps its pairs in insertion order and is searched linearly.
class TPointerMap : public TObject {
public:
    QM_RASTER_CLASS(TPointerMap, TObject)

    TPointerMap() = default;
    // Clears the map. A descendant that disposes of data in Delete calls Clear in its own
    // destructor, while its Delete is still the one that runs.
    ~TPointerMap() override;
    TPointerMap(const TPointerMap&) = delete;
    TPointerMap& operator=(const TPointerMap&) = delete;

    static int32_t BucketOf(const void* Item)
    {
        return int32_t((reinterpret_cast<uintptr_t>(Item) >> 8) & 255);
    }

    // The pair's Data slot. An existing key keeps its pair (IsNew false); a new one is
    // appended to its bucket (IsNew true).
    void** Add(void* Item, void* Data, bool& IsNew);
    void** Add(void* Item, bool& IsNew) { return Add(Item, nullptr, IsNew); }
    bool Exists(const void* Item, int32_t& BucketIndex, int32_t& ItemIndex) const;
    // The result of Delete for the key's pair, or null when the key is absent.
    void* Remove(const void* Item);
    // Removes the pair and returns its Data; descendants dispose of the data here. An index
    // outside the buckets raises ERangeError.
    virtual void* Delete(int32_t BucketIndex, int32_t ItemIndex);
    // A missing key raises EListError "Item not found ($0<key in hex>)".
    void* Data(const void* Item) const;
    void Clear();

    int32_t Count = 0;
    TPointerBucketArray Buckets;
};

// Visits the pairs bucket by bucket from 0 to 255 and, in a bucket, from the last pair to
// the first. The map must not change during the walk.
class TPointerMapIterator : public TObject {
public:
    QM_RASTER_CLASS(TPointerMapIterator, TObject)

    explicit TPointerMapIterator(const TPointerMap& SrcPointerMap) : SrcPointerMap(&SrcPointerMap) {}
    bool Next();

    const TPointerMap* SrcPointerMap;
    void* Item = nullptr;
    void* Data = nullptr;
    int32_t CurBucketIndex = -1;
    int32_t CurItemIndex = -1;
};

class TRectList : public TObject {
public:
    QM_RASTER_CLASS(TRectList, TObject)

    TRectList() = default;
    ~TRectList() override;
    TRectList(const TRectList&) = delete;
    TRectList& operator=(const TRectList&) = delete;

    // Appends the rectangle (growing first when full) and returns its index.
    int32_t Add(const TRect& Rect);
    // Removes the rectangle at Index; an index outside the list raises ERangeError.
    void Delete(int32_t Index);
    // Null when Index is outside the list.
    TRect* Items(int32_t Index) const;
    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return FCapacity; }
    // A capacity below the count, or negative, raises ERangeError.
    void SetCapacity(int32_t Value);
    // A larger count adds zero rectangles; a negative one raises ERangeError.
    void SetCount(int32_t Value);
    // Capacity grows by 8 up to 8, by 32 up to 128, then by a quarter.
    virtual void Grow();
    // Empties the list and keeps room for 10.
    virtual void Clear();

    TRect* List = nullptr;

private:
    int32_t FCount = 0;
    int32_t FCapacity = 0;
};

// A list of class references.
class TClassList : public TObject {
public:
    QM_RASTER_CLASS(TClassList, TObject)

    int32_t Add(const TMetaClass* AClass);
    int32_t Count() const { return int32_t(FItems.size()); }
    // Raises EListError outside the list, as every list index does.
    const TMetaClass* Items(int32_t Index) const;
    // The first class of that exact name (case counts), or null.
    const TMetaClass* Find(const std::string& AClassName) const;

private:
    std::vector<const TMetaClass*> FItems;
};

// For each published property of Source whose kind is in TypeKinds: a class-kind property is
// copied by Assign onto Target's same-named object when both objects exist; any other is read
// from Source and written to Target's same-named property. A property Target lacks raises
// EConvertError.
void CopyPublishedProperties(const TPersistent& Source, TPersistent& Target, TTypeKinds TypeKinds);

} // namespace qm
