#include "config/process_state.h"

namespace pds {

ProcessState& Shared() {
  static ProcessState state;
  return state;
}

}  // namespace pds
