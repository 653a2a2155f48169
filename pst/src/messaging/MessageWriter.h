#pragma once
// Lays a message out as [MS-PST] 2.4.5 describes: a property context with the
// recipient table (subnode 0x692), the attachment table (0x671) and one
// property-context subnode per attachment.

#include <vector>

#include "ltp/Property.h"
#include "ltp/PropertyContext.h"
#include "pst/MessageData.h"

namespace pst {

class MessageWriter {
public:
    // Writes the message's blocks; `properties` receives the message's own
    // properties, from which the caller fills the contents-table row.
    static NodeContent Write(Database& db, uint32_t nid, const MessageData& message, std::vector<Property>& properties);
};

}  // namespace pst
