// Facts about the loaded component itself: the folder it was loaded from and
// its version information. The version numbers are the ones the database
// version check compares against, so what an application reports here is
// what the installation's databases were checked with. Holds no state; every
// member reads the value when asked and never throws.
#pragma once

#include <cstdint>
#include <string>

namespace pds {

class clsDLLInfo {
 public:
  // The folder holding the component (no trailing "/"), as the platform reports it.
  std::string DLLPath() const;
  // MajorVersion "." MinorVersion "." Revision, in plain decimal ("2.14.3").
  std::string FullVersion() const;
  std::int32_t MajorVersion() const;
  std::int32_t MinorVersion() const;
  std::int32_t Revision() const;

  std::string Comments() const;
  std::string CompanyName() const;
  std::string FileDescription() const;
  std::string LegalCopyright() const;
  std::string LegalTrademarks() const;
  std::string ProductName() const;
};

}  // namespace pds
