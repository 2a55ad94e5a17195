#include "archive/compress_pipeline.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "platform/env.h"

namespace pds::archive {

CompressPipeline::CompressPipeline(platform::Env* env, std::vector<PipelineSource> sources, unsigned threads,
                                   std::size_t chunk_size, std::size_t whole_limit)
    : env_(env), sources_(std::move(sources)) {
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    std::uint64_t size = sources_[i].size;
    if (size <= whole_limit) {
      tasks_.push_back({i, 0, static_cast<std::size_t>(size), true, true});
      continue;
    }
    for (std::uint64_t at = 0; at < size; at += chunk_size) {
      auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk_size, size - at));
      tasks_.push_back({i, at, n, false, at + n == size});
    }
  }
  threads = std::max(1u, threads);
  // Two pieces per thread ahead of the consumer keep every core busy while
  // one piece is written; more would only hold memory.
  window_ = 2 * threads + 1;
  for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this] { Work(); });
}

CompressPipeline::~CompressPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (auto& t : threads_) t.join();
}

void CompressPipeline::Stop(ZipFailure failure) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_ == ZipFailure::kNone) failure_ = failure;
    stopping_ = true;
  }
  changed_.notify_all();
}

void CompressPipeline::Work() {
  Compressor compressor;
  if (!compressor.ok()) {
    Stop(ZipFailure::kOutOfMemory);
    return;
  }
  for (;;) {
    std::size_t t;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || next_task_ >= tasks_.size() || next_task_ < next_piece_ + window_; });
      if (stopping_ || next_task_ >= tasks_.size()) return;
      t = next_task_++;
    }
    Piece piece;
    ZipFailure f;
    try {
      f = Run(tasks_[t], &compressor, &piece);
    } catch (const std::bad_alloc&) {
      f = ZipFailure::kOutOfMemory;
    }
    if (f != ZipFailure::kNone) {
      Stop(f);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_.emplace(t, std::move(piece));
    }
    changed_.notify_all();
  }
}

ZipFailure CompressPipeline::Run(const Task& task, Compressor* compressor, Piece* out) {
  const PipelineSource& src = sources_[task.item];
  // The data just before a chunk primes its compression, so it is read along.
  std::size_t lead = task.whole ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(task.offset, kDeflateWindow));
  Bytes input(lead + task.size);
  std::size_t got = 0;
  if (!input.empty()) {
    platform::Status s = env_->ReadAt(src.fd, task.offset - lead, input.data(), input.size(), &got);
    if (!s.ok()) return ZipFailure::kNotFound;
    // A file that shrank while it was archived cannot give what its size promised.
    if (got != input.size()) return ZipFailure::kNotFound;
  }
  const std::uint8_t* data = input.data() + lead;
  bool ok = task.whole ? compressor->CompressWhole(data, task.size, &out->data)
                       : compressor->CompressChunk(input.data(), lead, data, task.size, task.last, &out->data);
  if (!ok) return ZipFailure::kOutOfMemory;
  out->raw_size = task.size;
  out->crc = Crc32(0, data, task.size);
  out->last = task.last;
  return ZipFailure::kNone;
}

ZipFailure CompressPipeline::Next(Piece* piece, const std::function<bool()>& keep_alive) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (failure_ != ZipFailure::kNone) return failure_;
    // The host hears from the run at a steady pace, whether pieces are ready
    // or the run waits for them.
    std::int64_t now = env_->MonotonicMillis();
    if (keep_alive && now - last_alive_ >= kAliveMillis) {
      last_alive_ = now;
      lock.unlock();
      bool go_on = keep_alive();
      lock.lock();
      if (!go_on) {
        if (failure_ == ZipFailure::kNone) failure_ = ZipFailure::kCancelled;
        stopping_ = true;
        changed_.notify_all();
      }
      continue;
    }
    auto it = done_.find(next_piece_);
    if (it != done_.end()) {
      *piece = std::move(it->second);
      done_.erase(it);
      ++next_piece_;
      lock.unlock();
      changed_.notify_all();
      return ZipFailure::kNone;
    }
    if (next_piece_ >= tasks_.size()) return ZipFailure::kStructure;  // asked past the end
    changed_.wait_for(lock, std::chrono::milliseconds(kAliveMillis));
  }
}

}  // namespace pds::archive
