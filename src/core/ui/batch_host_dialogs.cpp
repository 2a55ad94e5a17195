// Placeholder until the dialog models arrive.
#include "core/ui/batch_host.h"

namespace pds {
void BatchHost::RunModal(Dialog&) {}
}  // namespace pds
