#pragma once
// Reads a stored message back into the messaging model (tests and reopening).

#include "ndb/Database.h"
#include "pst/MessageData.h"

namespace pst {

class MessageReader {
public:
    static StoredMessage Read(Database& db, uint32_t nid);
};

}  // namespace pst
