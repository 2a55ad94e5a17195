// Builds zip files byte by byte, so a test can state exactly which record
// lies: every field of a local header and its central-directory twin can be
// set apart. Deflated data is written as stored deflate blocks, which any
// inflater reads, so the tests need no compressor of their own.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pds::test {

struct RawEntry {
  RawEntry(std::string n, std::string c) : name(std::move(n)), content(std::move(c)) {}
  std::string name;
  std::string content;           // what the entry holds, uncompressed
  std::uint16_t method = 8;      // 0 stored, 8 deflate, anything else
  std::uint16_t flags = 0x0800;  // UTF-8 names
  std::uint8_t made_by_os = 3;   // 3 Unix
  std::uint32_t unix_mode = 0100644;
  // Overrides, when set, of what the records declare.
  std::int64_t declared_size = -1;
  std::int64_t declared_crc = -1;
  std::string central_name;      // the central directory's name, when it differs
};

std::uint32_t TestCrc32(const std::string& data);

// A deflate stream of content made of stored blocks.
std::string StoredDeflate(const std::string& content);

std::string BuildZip(const std::vector<RawEntry>& entries);

// The output of a shell command, standard error included; status gets its exit status.
std::string Shell(const std::string& command, int* status = nullptr);
// The names of an archive's entries, in their order, as unzip lists them.
std::vector<std::string> ZipEntryNames(const std::string& zip);

}  // namespace pds::test
