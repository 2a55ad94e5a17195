// The structure version a project database carries in its Version table once
// it has the structure this component reads and writes.
#pragma once

namespace pds {

inline constexpr const char* kProjectDbVersion = "1.3.0";

}  // namespace pds
