// User-wide configuration values: rows of the projects database's Config
// table (config_table.h), keyed by designation and key. Neither operation
// shows a message of its own: the caller learns of a failure from the result.
#include "config/config_table.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "projects/project_store.h"

namespace pds {

std::int32_t ProjectStore::SetConfigValue(const std::string& sKey, const std::string& sValue,
                                                  const std::string& sPdsg) {
  if (Trim(sKey).empty()) return 0;
  std::string pdsg = sPdsg.empty() ? Pdsg() : sPdsg;
  if (Trim(pdsg).empty()) return 0;
  bool written = WriteConfigRow(project_db_, pdsg, sKey, sValue);
  ClearError();
  return written ? -1 : 0;
}

std::int32_t ProjectStore::GetConfigValue(const std::string& sKey, std::string& sRetValue,
                                                  const std::string& sDefault, const std::string& sPdsg) {
  // Copied before sRetValue is cleared: a caller may pass its variable as its
  // own default ("keep what I have unless a value is stored").
  const std::string default_value = sDefault;
  sRetValue.clear();
  bool found = !Trim(sKey).empty() && ReadConfigRow(project_db_, sPdsg.empty() ? Pdsg() : sPdsg, sKey, &sRetValue);
  ClearError();
  if (!found && !default_value.empty()) sRetValue = default_value;
  return found ? -1 : 0;
}

}  // namespace pds
