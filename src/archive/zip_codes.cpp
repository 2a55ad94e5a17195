#include "archive/zip_codes.h"

#include <cstdio>

namespace pds::archive {

std::int32_t ZipResultCode(ZipFailure failure) {
  switch (failure) {
    case ZipFailure::kNone: return 0;
    case ZipFailure::kTruncated: return 2;
    case ZipFailure::kStructure: return 3;
    // An entry that claims less than it holds is a damaged archive to the
    // user, whatever its author meant by it.
    case ZipFailure::kSizeExceeded: return 3;
    case ZipFailure::kUnsafeEntry: return 3;
    case ZipFailure::kOutOfMemory: return 4;
    case ZipFailure::kNotFound: return 9;
    case ZipFailure::kNothingMatched: return 11;
    case ZipFailure::kCreateOutput: return 28;
    case ZipFailure::kOpenOutput: return 29;
    case ZipFailure::kCrcMismatch: return 39;
    case ZipFailure::kEncrypted: return 41;
    case ZipFailure::kUnknownMethod: return 42;
    case ZipFailure::kBadRequest: return 47;
    case ZipFailure::kCancelled: return 48;
    case ZipFailure::kDiskFull: return 50;
  }
  return 3;
}

ZipFailure OutputFailure(int system_code) {
  switch (system_code) {
    case 0: return ZipFailure::kNone;
    case 3: return ZipFailure::kOpenOutput;      // path not found
    case 8:
    case 14: return ZipFailure::kOutOfMemory;
    case 39:
    case 112: return ZipFailure::kDiskFull;
    default: return ZipFailure::kCreateOutput;
  }
}

std::string HexCode(std::int32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(code));
  return buf;
}

std::string ZipErrorText(std::int32_t code) {
  switch (code) {
    case 2: return "Archive file is damaged (Unexpected EOF)";
    case 3: return "Archive file is damaged (Structure error)";
    case 4: return "Out of memory (1)";
    case 5: return "Out of memory (2)";
    case 9: return "File not found";
    case 11: return "No files found that match filespec";
    case 12: return "Same volume";
    case 25: return "Index out of bounds";
    case 28: return "Error creating output file";
    case 29: return "Error opening output file";
    case 39: return "Archive file is damaged (Invalid CRC)";
    case 40: return "Application canceled operation";
    case 41: return "File skipped, encrypted";
    case 42: return "Unknown compression method";
    case 44: return "Bad or missing decrypt code";
    case 45: return std::string("The program is currently busy ") + "unarchiving another file." + "\r\r";
    case 46: return "Can't unzip a volume item";
    case 47: return "Bad command structure";
    case 48: return "User cancelled this operation";
    case 49: return "User skipped this operation";
    case 50: return "Disk full";
    default: return "Unknown zip error 0x" + HexCode(code);
  }
}

std::string ArchiveErrorTitle(std::int32_t code) { return "Archive Error " + HexCode(code); }
std::string RetrieveErrorTitle(std::int32_t code) { return "Retrieve Error " + HexCode(code); }
std::string UnArchiveErrorTitle(std::int32_t code) { return "TVX UnArchive Error " + HexCode(code); }

}  // namespace pds::archive
