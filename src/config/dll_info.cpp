#include "pds/clsDLLInfo.h"

#include <string>

#include "config/config_database.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "platform/env.h"
#include "ui/boundary_guard.h"

namespace pds {

std::string clsDLLInfo::DLLPath() const {
  return Guarded("clsDLLInfo.DLLPath", vbExclamation, {}, [&]() -> std::string {
    return platform::CurrentEnv()->ModuleFolder();
  });
}

std::string clsDLLInfo::FullVersion() const {
  return Guarded("clsDLLInfo.FullVersion", vbExclamation, {}, [&]() -> std::string {
    const ComponentVersion v = RunningVersion();
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
  });
}

std::int32_t clsDLLInfo::MajorVersion() const { return static_cast<std::int32_t>(RunningVersion().major); }
std::int32_t clsDLLInfo::MinorVersion() const { return static_cast<std::int32_t>(RunningVersion().minor); }
std::int32_t clsDLLInfo::Revision() const { return static_cast<std::int32_t>(RunningVersion().revision); }

// The component's version-resource texts. They are fixed at build time, like
// the resource they stand for; the numbers come from the build's version.
std::string clsDLLInfo::Comments() const { return "Shared project data for the Orvane Program applications"; }
std::string clsDLLInfo::CompanyName() const { return "Norrick"; }
std::string clsDLLInfo::FileDescription() const { return "Project Data Server"; }
std::string clsDLLInfo::LegalCopyright() const { return "Copyright (C) Norrick"; }
std::string clsDLLInfo::LegalTrademarks() const { return "Orvane Program is a trademark of Norrick"; }
std::string clsDLLInfo::ProductName() const { return "Orvane Program"; }

}  // namespace pds
