#include "pds/Text.h"
#include "archive/zip_writer.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <thread>

#include "archive/compress_pipeline.h"
#include "archive/zip_output.h"
#include "platform/env.h"

namespace pds::archive {

namespace {

// Everything a run shares between libzip's callbacks and the caller.
struct WriteRun {
  platform::Env* env = nullptr;
  const ZipWriteOptions* options = nullptr;
  std::unique_ptr<CompressPipeline> pipeline;
  std::vector<std::uint64_t> sizes;
  std::vector<std::string> names;
  std::vector<time_t> mtimes;
  std::uint64_t total = 0;
  std::uint64_t done = 0;
  ZipFailure failure = ZipFailure::kNone;
  std::string failure_detail;
  int last_run_percent = -1;
  int last_item_percent = -1;

  void Fail(ZipFailure f, const std::string& detail) {
    if (failure != ZipFailure::kNone) return;  // the first root cause is the one reported
    failure = f;
    failure_detail = detail;
  }
};

// One entry's data as libzip reads it: the compressed pieces of its item, in
// order. Its statistics say "deflate, already compressed", so libzip copies
// the bytes as they are; the CRC is known once the last piece is read, which
// is when libzip asks for it.
struct EntrySource {
  WriteRun* run;
  std::size_t item;
  Piece piece;
  std::size_t piece_at = 0;
  bool finished = false;
  std::uint64_t raw_done = 0;
  std::uint32_t crc = 0;
  zip_error_t error;
};

void ReportProgress(WriteRun* run, std::size_t item, std::uint64_t item_done) {
  if (!run->options->hooks.progress) return;
  auto percent = [](std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 100 : static_cast<int>(part * 100 / whole);
  };
  int run_percent = percent(run->done, run->total);
  int item_percent = percent(item_done, run->sizes[item]);
  if (run_percent == run->last_run_percent && item_percent == run->last_item_percent) return;
  run->last_run_percent = run_percent;
  run->last_item_percent = item_percent;
  run->options->hooks.progress(run_percent, run->names[item], item_percent);
}

zip_int64_t EntryRead(EntrySource* e, void* data, zip_uint64_t len) {
  auto* out = static_cast<std::uint8_t*>(data);
  zip_uint64_t written = 0;
  while (written < len) {
    if (e->piece_at == e->piece.data.size()) {
      if (e->finished) break;
      WriteRun* run = e->run;
      ZipFailure f = run->pipeline->Next(&e->piece, run->options->hooks.keep_alive);
      if (f != ZipFailure::kNone) {
        run->Fail(f, run->names[e->item]);
        zip_error_set(&e->error, ZIP_ER_READ, 0);
        return -1;
      }
      e->piece_at = 0;
      e->crc = static_cast<std::uint32_t>(
          crc32_combine64(e->crc, e->piece.crc, static_cast<z_off64_t>(e->piece.raw_size)));
      e->raw_done += e->piece.raw_size;
      run->done += e->piece.raw_size;
      e->finished = e->piece.last;
      ReportProgress(run, e->item, e->raw_done);
      continue;
    }
    auto n = std::min<zip_uint64_t>(len - written, e->piece.data.size() - e->piece_at);
    std::memcpy(out + written, e->piece.data.data() + e->piece_at, n);
    e->piece_at += n;
    written += n;
  }
  return static_cast<zip_int64_t>(written);
}

zip_int64_t EntryCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* e = static_cast<EntrySource*>(userdata);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_READ:
      return EntryRead(e, data, len);
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_MTIME | ZIP_STAT_ENCRYPTION_METHOD;
      st->size = e->run->sizes[e->item];
      st->comp_method = ZIP_CM_DEFLATE;
      st->encryption_method = ZIP_EM_NONE;
      st->mtime = e->run->mtimes[e->item];
      if (e->finished && e->piece_at == e->piece.data.size()) {
        st->valid |= ZIP_STAT_CRC;
        st->crc = e->crc;
      }
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&e->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_error_fini(&e->error);
      delete e;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&e->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

// Opens every source before anything is written, so a missing file is
// refused up front; the descriptors are closed by the caller.
ZipResult OpenSources(platform::Env* env, const std::vector<ArchiveItem>& items, WriteRun* run,
                      std::vector<PipelineSource>* sources) {
  std::set<std::string> seen;
  for (const ArchiveItem& item : items) {
    if (!IsBareEntryName(item.entry_name) || !seen.insert(UCase(item.entry_name)).second) {
      return {ZipFailure::kBadRequest, item.entry_name};
    }
  }
  for (const ArchiveItem& item : items) {
    PipelineSource src;
    if (!env->OpenForRead(item.source_path, &src.fd, &src.size).ok()) return {ZipFailure::kNotFound, item.source_path};
    sources->push_back(src);
    platform::FileTimes times;
    run->mtimes.push_back(env->GetFileTimes(item.source_path, &times).ok()
                              ? std::chrono::system_clock::to_time_t(times.last_write)
                              : std::chrono::system_clock::to_time_t(env->Now()));
    run->sizes.push_back(src.size);
    run->names.push_back(item.entry_name);
    run->total += src.size;
  }
  return {};
}

}  // namespace

ZipResult WriteZipArchive(const std::string& zip_path, const std::vector<ArchiveItem>& items,
                          const ZipWriteOptions& options) {
  if (items.empty()) return {ZipFailure::kNothingMatched, zip_path};
  platform::Env* env = platform::CurrentEnv();
  // The sources outlive the run, so no compression thread ever reads a
  // descriptor that was closed under it.
  std::vector<PipelineSource> sources;
  struct CloseSources {
    platform::Env* env;
    std::vector<PipelineSource>* sources;
    ~CloseSources() {
      for (auto& s : *sources) env->CloseFile(s.fd);
    }
  } close_sources{env, &sources};
  WriteRun run;
  run.env = env;
  run.options = &options;
  if (ZipResult r = OpenSources(env, items, &run, &sources); !r.ok()) return r;

  ZipOutput output(env, zip_path);
  zip_error_t error;
  zip_error_init(&error);
  zip_t* za = output.OpenArchive(&error);
  zip_error_fini(&error);
  if (!za) return output.Result(ZipFailure::kCreateOutput);

  unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  run.pipeline = std::make_unique<CompressPipeline>(env, sources, threads, options.chunk_size, options.whole_limit);
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* e = new EntrySource{&run, i, {}, 0, false, 0, 0, {}};
    zip_error_init(&e->error);
    zip_source_t* src = zip_source_function(za, EntryCallback, e);
    if (!src) {
      delete e;
      zip_discard(za);
      return {ZipFailure::kOutOfMemory, items[i].entry_name};
    }
    if (zip_file_add(za, items[i].entry_name.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(src);
      zip_discard(za);
      return {ZipFailure::kBadRequest, items[i].entry_name};
    }
  }
  if (zip_close(za) != 0) {
    // Nothing of the run has a name yet: discarding drops the unnamed file.
    bool no_memory = zip_error_code_zip(zip_get_error(za)) == ZIP_ER_MEMORY;
    zip_discard(za);
    run.pipeline.reset();
    if (run.failure != ZipFailure::kNone) return {run.failure, run.failure_detail};
    return output.Result(no_memory ? ZipFailure::kOutOfMemory : ZipFailure::kCreateOutput);
  }
  return output.Result(ZipFailure::kNone);
}

}  // namespace pds::archive
