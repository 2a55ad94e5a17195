// Compresses the items of an archive on every core while one consumer takes
// the compressed pieces in archive order. Small items are one piece each
// (whole items in parallel); large ones are cut into chunks compressed in
// parallel (see deflate_blocks.h). Only a few pieces are in flight ahead of
// the consumer, so memory stays bounded however large an item is: a 2 GB
// file is streamed, never held.
//
// The pipeline owns its threads; they stop and are joined when it is
// destroyed, whatever state the run is in. Sources are read through the
// platform descriptors the caller opened and still owns.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/deflate_blocks.h"
#include "archive/zip_codes.h"

namespace pds::platform {
class Env;
}

namespace pds::archive {

struct PipelineSource {
  int fd = -1;
  std::uint64_t size = 0;
};

// One compressed piece of an item, in order.
struct Piece {
  Bytes data;
  std::uint64_t raw_size = 0;  // uncompressed bytes it stands for
  std::uint32_t crc = 0;       // CRC-32 of those bytes alone
  bool last = false;           // ends its item
};

class CompressPipeline {
 public:
  // Pieces are cut at chunk_size; items up to whole_limit are one piece.
  CompressPipeline(platform::Env* env, std::vector<PipelineSource> sources, unsigned threads,
                   std::size_t chunk_size, std::size_t whole_limit);
  ~CompressPipeline();
  CompressPipeline(const CompressPipeline&) = delete;
  CompressPipeline& operator=(const CompressPipeline&) = delete;

  // The next piece in archive order. While it waits, keep_alive is called
  // at least every ~100 ms; false from it cancels the run. Returns the failure that
  // ended the run (the first one a thread met, or kCancelled).
  ZipFailure Next(Piece* piece, const std::function<bool()>& keep_alive);

 private:
  struct Task {
    std::size_t item;
    std::uint64_t offset;
    std::size_t size;
    bool whole;
    bool last;
  };

  void Work();
  ZipFailure Run(const Task& task, Compressor* compressor, Piece* out);
  void Stop(ZipFailure failure);

  platform::Env* env_;
  std::vector<PipelineSource> sources_;
  std::vector<Task> tasks_;
  std::size_t window_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_task_ = 0;   // the next task a thread takes
  std::size_t next_piece_ = 0;  // the next piece the consumer takes
  std::map<std::size_t, Piece> done_;
  ZipFailure failure_ = ZipFailure::kNone;
  bool stopping_ = false;
  static constexpr std::int64_t kAliveMillis = 100;
  std::int64_t last_alive_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace pds::archive
