#include "pds/Text.h"
#include "archive/zip_reader.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "archive/entry_inflater.h"
#include "archive/zip_read_source.h"
#include "platform/dir_search.h"
#include "platform/env.h"

namespace pds::archive {

namespace {

struct ZipCloser {
  void operator()(zip_t* za) const { zip_discard(za); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

struct Chosen {
  EntryFacts facts;
  std::string name;         // the name it is written under
  int fd = -1;              // its unnamed output file
  ZipFailure failure = ZipFailure::kNone;
  std::atomic<std::uint64_t> done{0};
};

// Checks every entry of the archive, not only the chosen ones: an archive
// holding one hostile entry is not trusted for any other.
ZipResult CheckEntries(zip_t* za, std::vector<EntryFacts>* facts, std::vector<std::string>* names) {
  zip_int64_t count = zip_get_num_entries(za, 0);
  std::set<std::string> seen;
  for (zip_int64_t i = 0; i < count; ++i) {
    auto index = static_cast<zip_uint64_t>(i);
    const char* raw = zip_get_name(za, index, ZIP_FL_ENC_RAW);
    zip_stat_t st;
    if (!raw || zip_stat_index(za, index, ZIP_FL_ENC_RAW, &st) != 0) return {ZipFailure::kStructure, ""};
    std::string name = raw;
    if (!IsBareEntryName(name) || !seen.insert(UCase(name)).second) return {ZipFailure::kUnsafeEntry, name};
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX) {
      mode_t type = (attributes >> 16) & S_IFMT;
      if (type != 0 && type != S_IFREG) return {ZipFailure::kUnsafeEntry, name};  // links, folders, devices
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      return {ZipFailure::kEncrypted, name};
    }
    if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE) return {ZipFailure::kUnknownMethod, name};
    constexpr auto kNeeded = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
    if ((st.valid & kNeeded) != kNeeded) return {ZipFailure::kStructure, name};
    if (st.comp_method == ZIP_CM_STORE && st.size != st.comp_size) return {ZipFailure::kStructure, name};
    // Deflate makes at most 1032 bytes of each (its longest match in two
    // bits): a larger declared size is refused before a buffer is made for it.
    if (st.comp_method == ZIP_CM_DEFLATE && st.size / 1032 > st.comp_size + 1) return {ZipFailure::kStructure, name};
    facts->push_back({index, st.size, st.comp_size, st.crc, st.comp_method == ZIP_CM_DEFLATE});
    names->push_back(name);
  }
  return {};
}

std::string Unquoted(const std::string& pattern) {
  if (pattern.size() >= 2 && pattern.front() == '"' && pattern.back() == '"') {
    return pattern.substr(1, pattern.size() - 2);
  }
  return pattern;
}

// Inflates the chosen entries on several threads, each with its own view of
// the archive (libzip archives are not shared between threads).
void InflateAll(platform::Env* env, int zip_fd, std::uint64_t zip_size, std::vector<Chosen>& chosen,
                unsigned threads, const ZipHooks& hooks, ZipFailure* failure) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> cancel{false};
  std::atomic<unsigned> running{threads};
  std::mutex mutex;
  std::condition_variable finished;
  auto work = [&] {
    ZipFailure open_failure = ZipFailure::kNone;
    ZipHandle za(OpenArchiveOnDescriptor(env, zip_fd, zip_size, &open_failure));
    for (std::size_t i; !cancel && (i = next++) < chosen.size();) {
      Chosen& c = chosen[i];
      c.failure = za ? InflateEntry(env, za.get(), c.facts, c.fd, &c.done, &cancel) : open_failure;
      if (c.failure != ZipFailure::kNone) cancel = true;
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    finished.notify_all();
  };
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);

  std::uint64_t total = 0;
  for (const Chosen& c : chosen) total += c.facts.size;
  // The host is asked at least once, so a cancel given before the files are
  // named always wins.
  std::unique_lock<std::mutex> lock(mutex);
  do {
    finished.wait_for(lock, std::chrono::milliseconds(100));
    lock.unlock();
    std::uint64_t done = 0;
    const Chosen* current = &chosen.front();
    for (const Chosen& c : chosen) {
      std::uint64_t d = c.done;
      done += d;
      if (d > 0 && d < c.facts.size) current = &c;
    }
    if (hooks.progress) {
      int item = current->facts.size ? static_cast<int>(current->done * 100 / current->facts.size) : 100;
      hooks.progress(total ? static_cast<int>(done * 100 / total) : 100, current->name, item);
    }
    if (hooks.keep_alive && !hooks.keep_alive() && !cancel.exchange(true)) *failure = ZipFailure::kCancelled;
    lock.lock();
  } while (running > 0);
  lock.unlock();
  for (auto& t : pool) t.join();
}

}  // namespace

ZipResult ExtractZipEntries(const std::string& zip_path, const std::string& folder, const std::string& pattern,
                            const ZipExtractOptions& options) {
  platform::Env* env = platform::CurrentEnv();
  int zip_fd = -1;
  std::uint64_t zip_size = 0;
  if (!env->OpenForRead(zip_path, &zip_fd, &zip_size).ok()) return {ZipFailure::kNotFound, zip_path};
  std::vector<Chosen> chosen;
  struct Cleanup {
    platform::Env* env;
    int zip_fd;
    std::vector<Chosen>* chosen;
    ~Cleanup() {
      for (Chosen& c : *chosen) env->CloseFile(c.fd);  // unpublished files vanish
      env->CloseFile(zip_fd);
    }
  } cleanup{env, zip_fd, &chosen};
  if (zip_size == 0) return {ZipFailure::kTruncated, zip_path};

  platform::FileAttributes attrs;
  if (!env->GetAttributes(folder, &attrs).ok() || !attrs.directory) return {ZipFailure::kOpenOutput, folder};
  if (!options.extract_as.empty() && !IsBareEntryName(options.extract_as)) {
    return {ZipFailure::kBadRequest, options.extract_as};
  }

  ZipFailure failure = ZipFailure::kNone;
  ZipHandle za(OpenArchiveOnDescriptor(env, zip_fd, zip_size, &failure));
  if (!za) return {failure, zip_path};
  std::vector<EntryFacts> facts;
  std::vector<std::string> names;
  if (ZipResult r = CheckEntries(za.get(), &facts, &names); !r.ok()) return r;
  za.reset();

  const std::string wanted = Unquoted(pattern);
  std::vector<std::size_t> picks;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (platform::WildcardMatch(wanted, names[i])) picks.push_back(i);
    if (!options.extract_as.empty() && !picks.empty()) break;
  }
  if (picks.empty()) return {ZipFailure::kNothingMatched, wanted};
  chosen = std::vector<Chosen>(picks.size());
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (std::size_t k = 0; k < picks.size(); ++k) {
    Chosen& c = chosen[k];
    c.facts = facts[picks[k]];
    c.name = options.extract_as.empty() ? names[picks[k]] : options.extract_as;
    // A folder or read-only file in the way would fail the last step; refuse now.
    if (env->GetAttributes(prefix + c.name, &attrs).ok() && (attrs.directory || attrs.read_only)) {
      return {ZipFailure::kCreateOutput, prefix + c.name};
    }
    if (platform::Status s = env->CreateUnnamedFile(folder, &c.fd); !s.ok()) {
      c.fd = -1;
      return {OutputFailure(s.code), folder};
    }
  }

  unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  threads = std::min<unsigned>(threads, static_cast<unsigned>(chosen.size()));
  InflateAll(env, zip_fd, zip_size, chosen, threads, options.hooks, &failure);
  if (failure != ZipFailure::kNone) return {failure, zip_path};
  // A thread that stopped because another failed reports kCancelled; the
  // other's failure is the one that counts.
  for (bool any : {false, true}) {
    for (const Chosen& c : chosen) {
      if (c.failure != ZipFailure::kNone && (any || c.failure != ZipFailure::kCancelled)) {
        return {c.failure, names[c.facts.index]};
      }
    }
  }
  // Every entry is sound: only now do the files get their names.
  for (Chosen& c : chosen) {
    platform::Status s = env->PublishFile(c.fd, prefix + c.name, false);
    if (!s.ok()) return {OutputFailure(s.code), prefix + c.name};
  }
  if (options.hooks.progress) options.hooks.progress(100, chosen.back().name, 100);
  return {};
}

}  // namespace pds::archive
