// The relationships of package parts (ECMA-376 Part 2, Open Packaging
// Conventions, §9.3): which part a relationship points at, and the
// relationships part that belongs to a part.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_document.h"

namespace tabulox {

// One relationship: its Id and Type as written, and its target resolved to a
// part name (no leading "/", "/" separators).
struct PackageRelationship {
  std::string id;
  std::string type;
  std::string part;
};

// The name of the part that holds the relationships of `part`, the package's
// own for an empty name: "_rels/.rels", "xl/_rels/workbook.xml.rels".
std::string RelationshipsPartName(std::string_view part);

// The part a target names: one that starts with "/" from the archive root,
// any other from the folder of `sourcePart` (the part whose relationships
// name it; the root for the package's own). "." and ".." segments are
// resolved (".." at the root stays there) and "\" is read as "/".
std::string ResolveTarget(std::string_view sourcePart, std::string_view target);

// True when the relationship type's last segment is `kind` ("worksheet",
// "officeDocument"): the transitional and strict forms of a type differ
// only before it.
bool IsRelationshipOfKind(std::string_view type, std::string_view kind);

// Reads the Relationship elements ("x:Relationship" too) of a relationships
// part, read block by block into `document`, that point into the package
// (TargetMode other than "External") and whose kind is one of `kinds`,
// appending them in order to `out`; `sourcePart` is the part they belong to.
// Each element is handed over as it is read, not kept.
void LoadRelationships(XmlDocument& document, const BlockSource& source,
                       std::string_view sourcePart, const std::vector<std::string_view>& kinds,
                       std::vector<PackageRelationship>& out);

}  // namespace tabulox
