#include "pds/KeyedCollection.h"

#include "pds/Text.h"
#include "pds/PendingError.h"

namespace pds::detail {

std::string FoldCollectionKey(const std::string& key) { return UCase(key); }

void RaiseCollectionError(long number) {
  if (number == kErrDuplicateKey) Raise(number, "This key is already associated with an element of this collection");
  Raise(kErrInvalidArgument, "Invalid procedure call or argument");
}

}  // namespace pds::detail
