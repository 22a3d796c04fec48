#pragma once
// The object model the raster library's classes share: class references that can be
// searched by name (the resampler and kernel registries), persistent objects that assign
// themselves to one another, and a table of published properties per class from which
// property-by-property copies are made.
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace qm {

// A class reference: the class's name and its parent's reference. Registries may use derived
// structs that add a factory; they compare by identity.
struct TMetaClass {
    const char* ClassName;
    const TMetaClass* Parent;
    bool InheritsFrom(const TMetaClass& other) const;
};

// Gives a class its class reference. Place in the public part of the class.
#define QM_RASTER_CLASS(Name, ParentName)                                                                    \
    static const ::qm::TMetaClass& StaticClass()                                                             \
    {                                                                                                        \
        static const ::qm::TMetaClass meta{#Name, &ParentName::StaticClass()};                               \
        return meta;                                                                                         \
    }                                                                                                        \
    const ::qm::TMetaClass& ClassType() const override                                                       \
    {                                                                                                        \
        return StaticClass();                                                                                \
    }

class TObject {
public:
    virtual ~TObject() = default;
    static const TMetaClass& StaticClass();
    virtual const TMetaClass& ClassType() const { return StaticClass(); }
    std::string ClassName() const { return ClassType().ClassName; }
    bool InheritsFrom(const TMetaClass& cls) const { return ClassType().InheritsFrom(cls); }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Kinds of published properties; a TTypeKinds set is a bit mask of (1 << kind).
enum TTypeKind : uint8_t {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkArray,
    tkRecord,
    tkInterface,
    tkInt64,
    tkDynArray
};
using TTypeKinds = uint32_t;
constexpr TTypeKinds TypeKind(TTypeKind k)
{
    return TTypeKinds(1) << k;
}
constexpr TTypeKinds tkAny = (TTypeKinds(1) << (tkDynArray + 1)) - 1;
constexpr TTypeKinds tkProperties = tkAny & ~TypeKind(tkMethod);

// A property value read or written by name: ordinals (enumerations, booleans, sets) as
// integers, floating point as double, text as bytes.
using TPropValue = std::variant<int64_t, double, std::string>;

class TPersistent;

// One published property. Non-class kinds use Get and Set; class kinds use GetObject.
struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    std::function<TPropValue(const TObject&)> Get;
    std::function<void(TObject&, const TPropValue&)> Set;
    std::function<TPersistent*(const TObject&)> GetObject;
};
using TPropList = std::vector<TPropInfo>;

class TPersistent : public TObject {
public:
    QM_RASTER_CLASS(TPersistent, TObject)

    // Copies Source into this object through Source's AssignTo; a null Source is an error.
    virtual void Assign(const TPersistent* Source);
    // The published properties of the object's class, the inherited ones included.
    virtual const TPropList& PublishedProperties() const;
    const TPropInfo* FindProperty(const std::string& name) const;

protected:
    // Raises EConvertError "Cannot assign a <Source> to a <Dest>" unless a descendant knows how.
    virtual void AssignTo(TPersistent* Dest) const;
    void AssignError(const TPersistent* Source) const;
};

} // namespace qm
