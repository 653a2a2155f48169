#pragma once
// The name-to-id map node (0x61, [MS-PST] 2.4.7) of a new store. It holds one
// string-named property so that its GUID, entry and string streams are not
// empty: some readers refuse a map with an empty stream.

#include <vector>

#include "ltp/Property.h"

namespace pst {

std::vector<Property> InitialNameIdMap();

}  // namespace pst
