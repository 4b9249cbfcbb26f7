#include "config/associations.h"

#include "panels/mask_eval.h"

AssociationSet execAssociations;
AssociationSet viewAssociations;
AssociationSet editAssociations;
AssociationSet colourAssociations;
AssociationSet colourDirAssociations;

Association::Association(const Westring& m, const Westring& v) : mask(m), value(v)
{
    compiled.Compile(mask.c_str());
}

int Association::IsMatch(const Westring& name) const
{
    return mask_eval(mask.c_str(), name.c_str());
}

int Association::IsMatch(const entry* e) const
{
    return compiled.Evaluate(*e, compiled.UsesTime() ? std::time(nullptr) : 0);
}

void AssociationSet::AddAssociation(const Westring& mask, const Westring& value)
{
    AddObject(new Association(mask, value));
}

int AssociationSet::FindAssociation(const Westring& name, Westring& value) const
{
    for (int i = 0; i < count; i++)
        if (At(i)->IsMatch(name) == 1) {
            value = At(i)->value;
            return 1;
        }
    return 0;
}

int AssociationSet::FindAssociation(const entry* e, Westring& value) const
{
    for (int i = 0; i < count; i++)
        if (At(i)->IsMatch(e) == 1) {
            value = At(i)->value;
            return 1;
        }
    return 0;
}

int AssociationSet::FindAssociation(const entry* e, Estring& value) const
{
    Westring w;
    if (!FindAssociation(e, w))
        return 0;
    value = w.ToUTF8();
    return 1;
}
