#include "graphics/RasterClasses.h"

#include "platform/Exception.h"

namespace qm {

bool TMetaClass::InheritsFrom(const TMetaClass& other) const
{
    for (const TMetaClass* c = this; c; c = c->Parent)
        if (c == &other)
            return true;
    return false;
}

const TMetaClass& TObject::StaticClass()
{
    static const TMetaClass meta{"TObject", nullptr};
    return meta;
}

void TPersistent::Assign(const TPersistent* Source)
{
    if (!Source)
        AssignError(nullptr);
    Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) const
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const
{
    const std::string from = Source ? Source->ClassName() : std::string("nil");
    throw EConvertError(Format("Cannot assign a %s to a %s", from.c_str(), ClassName().c_str()));
}

const TPropList& TPersistent::PublishedProperties() const
{
    static const TPropList none;
    return none;
}

const TPropInfo* TPersistent::FindProperty(const std::string& name) const
{
    for (const TPropInfo& p : PublishedProperties())
        if (p.Name == name)
            return &p;
    return nullptr;
}

} // namespace qm
