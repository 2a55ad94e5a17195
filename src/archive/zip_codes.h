// The result codes of the zip engine and their texts. Every failure of
// archiving or extracting ends as one of these numbers, the ones the
// component's zip messages are written against; the engine decides what went
// wrong (ZipFailure) and ZipResultCode alone turns that into a number.
#pragma once

#include <cstdint>
#include <string>

namespace pds::archive {

// What went wrong, in the engine's own terms.
enum class ZipFailure {
  kNone,
  kTruncated,          // the archive ends early (an empty file too)
  kStructure,          // records that contradict each other or the data
  kOutOfMemory,
  kNotFound,           // a source file or the archive itself is missing (or a folder)
  kNothingMatched,     // no entry or no item matches what was asked for
  kCrcMismatch,
  kCancelled,          // the keep-alive hook asked to stop
  kEncrypted,
  kUnknownMethod,
  kUnsafeEntry,        // a name with a path part, a link, a duplicate name
  kSizeExceeded,       // an entry inflates past the size it declares
  kBadRequest,         // an item list the engine cannot write (bad or duplicate name)
  kCreateOutput,       // the output file cannot be created or named
  kOpenOutput,         // the destination folder cannot be opened
  kDiskFull,
};

// The result code for a failure; 0 for kNone.
std::int32_t ZipResultCode(ZipFailure failure);

// The failure a Windows-style system error code means while writing output.
ZipFailure OutputFailure(int system_code);

// The text for a result code; codes without one give
// "Unknown zip error 0x" and the code in upper-case hexadecimal.
std::string ZipErrorText(std::int32_t code);

// The code in upper-case hexadecimal without prefix (28 -> "1C").
std::string HexCode(std::int32_t code);

// Message-box titles for a failed run: "Archive Error 1C", "Retrieve Error 1C",
// "TVX UnArchive Error 1C".
std::string ArchiveErrorTitle(std::int32_t code);
std::string RetrieveErrorTitle(std::int32_t code);
std::string UnArchiveErrorTitle(std::int32_t code);

}  // namespace pds::archive
