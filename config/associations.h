#ifndef PANNEX_CONFIG_ASSOCIATIONS_H
#define PANNEX_CONFIG_ASSOCIATIONS_H

#include "entries/mask_eval.h"
#include "foundation/estring.h"
#include "foundation/object_store.h"
#include "foundation/westring.h"

struct entry;

// One line of an association section of px.ini: a filter expression and
// what it maps matching names to (a command, or a colour description).
struct Association
{
    Association(const Westring& mask, const Westring& value);

    Westring mask;
    Westring value;
    // The mask compiled once, since the same few masks colour every entry
    // of every paint.
    CMaskExpression compiled;

    // 1 when the mask matches (mask_eval), 0 when not, -1 when the mask is
    // invalid.
    int IsMatch(const Westring& name) const;
    int IsMatch(const entry* e) const;
};

// The associations of one section, in file order; the first match wins.
class AssociationSet : public TObjectStore<Association>
{
public:
    void AddAssociation(const Westring& mask, const Westring& value);
    // 1 and the value of the first association matching, else 0.
    int FindAssociation(const Westring& name, Westring& value) const;
    int FindAssociation(const entry* e, Westring& value) const;
    // The value as 8-bit text (a colour description).
    int FindAssociation(const entry* e, Estring& value) const;
};

// [Associations]: programs that run a file; [Viewer Associations] and
// [Editor Associations]: F3 and F4; [Colours] and [Directory Colours]:
// colours of matching files and directories.
extern AssociationSet execAssociations;
extern AssociationSet viewAssociations;
extern AssociationSet editAssociations;
extern AssociationSet colourAssociations;
extern AssociationSet colourDirAssociations;

#endif
