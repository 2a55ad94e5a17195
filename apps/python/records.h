// A copy of a field's data definition: the service object keeps one cached
// definition it overwrites at the next request, so Python gets its own.
#pragma once

#include <cstdint>
#include <string>

#include "pds/clsDataDef.h"

namespace pds::python {

struct DataDefView {
  explicit DataDefView(const clsDataDef& d)
      : table(d.Table()), field(d.Field()), friendly_name(d.FriendlyName()), external_name(d.ExternalName()),
        min(d.Min()), max(d.Max()), default_value(d.Default()), user_default(d.UserDefault()), format(d.Format()),
        units(d.Units()), group_id(d.GroupID()) {}
  std::string table, field, friendly_name, external_name, min, max, default_value, user_default, format;
  std::int32_t units;
  std::string group_id;
};

}  // namespace pds::python
