#include "tests/archive/zip_bytes.h"

#include <algorithm>
#include <cstdio>

namespace pds::test {

namespace {

// Little-endian, as every zip field is.
void PutLE(std::string* out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void Put16(std::string* out, std::uint32_t v) { PutLE(out, v, 2); }
void Put32(std::string* out, std::uint32_t v) { PutLE(out, v, 4); }

}  // namespace

std::uint32_t TestCrc32(const std::string& data) {
  std::uint32_t crc = 0xffffffffu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string StoredDeflate(const std::string& content) {
  std::string out;
  std::size_t at = 0;
  do {
    std::size_t n = std::min<std::size_t>(65535, content.size() - at);
    out.push_back(at + n == content.size() ? 1 : 0);
    Put16(&out, static_cast<std::uint32_t>(n));
    Put16(&out, static_cast<std::uint32_t>(~n & 0xffff));
    out += content.substr(at, n);
    at += n;
  } while (at < content.size());
  return out;
}

std::string BuildZip(const std::vector<RawEntry>& entries) {
  std::string out, central;
  for (const RawEntry& e : entries) {
    std::string data = e.method == 8 ? StoredDeflate(e.content) : e.content;
    std::uint32_t crc = e.declared_crc >= 0 ? static_cast<std::uint32_t>(e.declared_crc) : TestCrc32(e.content);
    auto size = static_cast<std::uint32_t>(e.declared_size >= 0 ? e.declared_size : e.content.size());
    std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    auto header = [&](bool in_central, const std::string& name) {
      std::string h;
      Put32(&h, in_central ? 0x02014b50 : 0x04034b50);
      if (in_central) Put16(&h, (e.made_by_os << 8) | 20);
      Put16(&h, 20);
      Put16(&h, e.flags);
      Put16(&h, e.method);
      Put32(&h, 0);  // time and date
      Put32(&h, crc);
      Put32(&h, static_cast<std::uint32_t>(data.size()));
      Put32(&h, size);
      Put16(&h, static_cast<std::uint32_t>(name.size()));
      Put16(&h, 0);  // extra
      if (in_central) {
        Put16(&h, 0);  // comment
        Put16(&h, 0);  // disk
        Put16(&h, 0);  // internal attributes
        Put32(&h, e.unix_mode << 16);
        Put32(&h, offset);
      }
      return h + name;
    };
    out += header(false, e.name) + data;
    central += header(true, e.central_name.empty() ? e.name : e.central_name);
  }
  std::uint32_t central_at = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(&out, 0x06054b50);
  Put32(&out, 0);
  Put16(&out, static_cast<std::uint32_t>(entries.size()));
  Put16(&out, static_cast<std::uint32_t>(entries.size()));
  Put32(&out, static_cast<std::uint32_t>(central.size()));
  Put32(&out, central_at);
  Put16(&out, 0);
  return out;
}

std::string Shell(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  char buf[4096];
  for (std::size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int code = p ? pclose(p) : -1;
  if (status) *status = code;
  return out;
}

std::vector<std::string> ZipEntryNames(const std::string& zip) {
  std::vector<std::string> names;
  const std::string out = Shell("unzip -Z1 '" + zip + "'");
  for (std::size_t at = 0, nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1) {
    names.push_back(out.substr(at, nl - at));
  }
  return names;
}

}  // namespace pds::test
