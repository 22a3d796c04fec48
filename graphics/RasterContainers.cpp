#include "graphics/RasterContainers.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Exception.h"

namespace qm {

// ---- TPointerMap ----------------------------------------------------------------------------

TPointerMap::~TPointerMap()
{
    Clear();
}

void** TPointerMap::Add(void* Item, void* Data, bool& IsNew)
{
    int32_t b, i;
    IsNew = !Exists(Item, b, i);
    if (!IsNew)
        return &Buckets[b].Items[size_t(i)].Data;
    TPointerBucket& bucket = Buckets[BucketOf(Item)];
    const size_t len = bucket.Items.size();
    if (size_t(bucket.Count) == len) {
        const size_t delta = len >= 65 ? len / 4 : len < 9 ? 4 : 16;
        bucket.Items.resize(len + delta);
    }
    TPointerBucketItem& slot = bucket.Items[size_t(bucket.Count)];
    slot.Item = Item;
    slot.Data = Data;
    ++bucket.Count;
    ++Count;
    return &slot.Data;
}

bool TPointerMap::Exists(const void* Item, int32_t& BucketIndex, int32_t& ItemIndex) const
{
    BucketIndex = BucketOf(Item);
    const TPointerBucket& bucket = Buckets[BucketIndex];
    for (int32_t i = 0; i < bucket.Count; ++i)
        if (bucket.Items[size_t(i)].Item == Item) {
            ItemIndex = i;
            return true;
        }
    ItemIndex = -1;
    return false;
}

void* TPointerMap::Remove(const void* Item)
{
    int32_t b, i;
    return Exists(Item, b, i) ? Delete(b, i) : nullptr;
}

void* TPointerMap::Delete(int32_t BucketIndex, int32_t ItemIndex)
{
    if (BucketIndex < 0 || BucketIndex > 255 || ItemIndex < 0 ||
        size_t(ItemIndex) >= Buckets[BucketIndex].Items.size())
        throw ERangeError(Format("Pointer map position out of range (%d, %d)", BucketIndex, ItemIndex));
    TPointerBucket& bucket = Buckets[BucketIndex];
    void* data = bucket.Items[size_t(ItemIndex)].Data;
    // During Clear the map's count is already 0: descendants only dispose of the data.
    if (Count == 0)
        return data;
    if (ItemIndex >= bucket.Count)
        throw ERangeError(Format("Pointer map position out of range (%d, %d)", BucketIndex, ItemIndex));
    if (bucket.Count == 1) {
        TPointerBucketItemArray().swap(bucket.Items);
    } else {
        std::memmove(&bucket.Items[size_t(ItemIndex)], &bucket.Items[size_t(ItemIndex) + 1],
                     sizeof(TPointerBucketItem) * size_t(bucket.Count - ItemIndex - 1));
    }
    --bucket.Count;
    --Count;
    return data;
}

void* TPointerMap::Data(const void* Item) const
{
    int32_t b, i;
    if (!Exists(Item, b, i))
        throw EListError(Format("Item not found ($0%" PRIXPTR ")", reinterpret_cast<uintptr_t>(Item)));
    return Buckets[b].Items[size_t(i)].Data;
}

void TPointerMap::Clear()
{
    Count = 0;
    for (int32_t b = 0; b < 256; ++b) {
        TPointerBucket& bucket = Buckets[b];
        for (int32_t i = bucket.Count - 1; i >= 0; --i)
            Delete(b, i);
        bucket.Count = 0;
        TPointerBucketItemArray().swap(bucket.Items);
    }
}

bool TPointerMapIterator::Next()
{
    // Stepping back within a bucket; a bucket that shrank under the walk (a misuse) is left
    // rather than read past its pairs.
    if (CurItemIndex > 0 && CurBucketIndex <= 255 &&
        CurItemIndex <= SrcPointerMap->Buckets[CurBucketIndex].Count) {
        --CurItemIndex;
    } else {
        do {
            if (CurBucketIndex >= 255) {
                CurBucketIndex = 256; // stays past the end on further calls
                CurItemIndex = -1;
                return false;
            }
            ++CurBucketIndex;
        } while (SrcPointerMap->Buckets[CurBucketIndex].Count == 0);
        CurItemIndex = SrcPointerMap->Buckets[CurBucketIndex].Count - 1;
    }
    const TPointerBucketItem& pair = SrcPointerMap->Buckets[CurBucketIndex].Items[size_t(CurItemIndex)];
    Item = pair.Item;
    Data = pair.Data;
    return true;
}

// ---- TRectList ------------------------------------------------------------------------------

TRectList::~TRectList()
{
    FCount = 0;
    SetCapacity(0);
}

int32_t TRectList::Add(const TRect& Rect)
{
    if (FCount == FCapacity)
        Grow();
    List[FCount] = Rect;
    return FCount++;
}

void TRectList::Delete(int32_t Index)
{
    if (Index < 0 || Index >= FCount)
        throw ERangeError(Format("Rectangle index out of range (%d)", Index));
    --FCount;
    if (Index < FCount)
        std::memmove(&List[Index], &List[Index + 1], sizeof(TRect) * size_t(FCount - Index));
}

TRect* TRectList::Items(int32_t Index) const
{
    if (Index < 0 || Index >= FCount)
        return nullptr;
    return &List[Index];
}

void TRectList::SetCapacity(int32_t Value)
{
    if (Value < 0 || Value < FCount)
        throw ERangeError(Format("Rectangle list capacity out of range (%d)", Value));
    if (Value == FCapacity)
        return;
    if (Value == 0) {
        std::free(List);
        List = nullptr;
    } else {
        void* block = std::realloc(List, sizeof(TRect) * size_t(Value));
        if (!block)
            throw std::bad_alloc();
        List = static_cast<TRect*>(block);
    }
    FCapacity = Value;
}

void TRectList::SetCount(int32_t Value)
{
    if (Value < 0)
        throw ERangeError(Format("Rectangle count out of range (%d)", Value));
    if (Value > FCapacity)
        SetCapacity(Value);
    if (Value < FCount) {
        while (FCount > Value)
            Delete(FCount - 1);
    } else {
        if (Value > FCount)
            std::fill(List + FCount, List + Value, TRect{});
        FCount = Value;
    }
}

void TRectList::Grow()
{
    const int32_t delta = FCapacity > 128 ? FCapacity / 4 : FCapacity > 8 ? 32 : 8;
    SetCapacity(FCapacity + delta);
}

void TRectList::Clear()
{
    SetCount(0);
    SetCapacity(10);
}

// ---- TClassList -----------------------------------------------------------------------------

int32_t TClassList::Add(const TMetaClass* AClass)
{
    FItems.push_back(AClass);
    return int32_t(FItems.size()) - 1;
}

const TMetaClass* TClassList::Items(int32_t Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FItems[size_t(Index)];
}

const TMetaClass* TClassList::Find(const std::string& AClassName) const
{
    for (const TMetaClass* cls : FItems)
        if (cls && AClassName == cls->ClassName)
            return cls;
    return nullptr;
}

// ---- Property copying -----------------------------------------------------------------------

void CopyPublishedProperties(const TPersistent& Source, TPersistent& Target, TTypeKinds TypeKinds)
{
    for (const TPropInfo& prop : Source.PublishedProperties()) {
        if (!(TypeKinds & TypeKind(prop.Kind)))
            continue;
        const TPropInfo* target = Target.FindProperty(prop.Name);
        if (!target)
            throw EConvertError(Format("Property %s does not exist", prop.Name.c_str()));
        if (prop.Kind == tkClass) {
            TPersistent* from = prop.GetObject ? prop.GetObject(Source) : nullptr;
            TPersistent* to = target->GetObject ? target->GetObject(Target) : nullptr;
            if (from && to)
                to->Assign(from);
        } else if (prop.Get && target->Set) {
            target->Set(Target, prop.Get(Source));
        }
    }
}

} // namespace qm
