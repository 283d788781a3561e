#include "platform/db/error.h"

namespace fw::db {

void raise(int32_t number, const std::string& description) { throw vb::Error(number, description); }

void raiseNotAllowed() { raise(err::NotAllowed, "Operation is not allowed in this context."); }

void raiseNoSuchField() {
  raise(err::NoSuchField,
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

}  // namespace fw::db
