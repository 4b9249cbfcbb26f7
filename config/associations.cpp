#include "config/associations.h"

#include "entries/entry.h"
#include "entries/mask_eval.h"

AssociationSet execAssociations;
AssociationSet viewAssociations;
AssociationSet editAssociations;
AssociationSet colourAssociations;
AssociationSet colourDirAssociations;

Association::Association(const Westring& m, const Westring& v) : mask(m), value(v)
{
    compiled.Compile(mask.c_str());
}

// A bare name is an entry whose other fields are 0.
int Association::IsMatch(const Westring& name) const
{
    entry* e = entry::Create(name);
    e->time = TimeStamp(0, 0);
    int r = IsMatch(e);
    entry::Destroy(e);
    return r;
}

int Association::IsMatch(const entry* e) const
{
    return compiled.Evaluate(*e, compiled.UsesTime() ? std::time(nullptr) : 0);
}

void AssociationSet::AddAssociation(const Westring& mask, const Westring& value)
{
    AddObject(new Association(mask, value));
}

namespace {

// The value of the first association matching what (a name or an entry).
template <class What>
int find_first(const AssociationSet& set, const What& what, Westring& value)
{
    for (int i = 0; i < set.count; i++)
        if (set.At(i)->IsMatch(what) == 1) {
            value = set.At(i)->value;
            return 1;
        }
    return 0;
}

}

int AssociationSet::FindAssociation(const Westring& name, Westring& value) const
{
    return find_first(*this, name, value);
}

int AssociationSet::FindAssociation(const entry* e, Westring& value) const
{
    return find_first(*this, e, value);
}

int AssociationSet::FindAssociation(const entry* e, Estring& value) const
{
    Westring w;
    if (!FindAssociation(e, w))
        return 0;
    value = w.ToUTF8();
    return 1;
}
