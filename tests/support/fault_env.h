// A file system that fails chosen calls the way a full disk, a refused access
// or a drive that is not ready would, and counts every call it sees; all else
// goes to the environment underneath.
#pragma once

#include <filesystem>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"

namespace pds::test {

enum class Call {
  kCopy, kRename, kDelete, kCreateFolder, kCreateTempFile, kListFolder, kReadFile, kWriteFile, kWriteAt, kPublish, kLockExclusive
};

class FaultEnv : public platform::EnvWrapper {
 public:
  // Given the path a call writes to (a copy's or rename's destination, the
  // folder of a listing or a temporary file); true where the call fails.
  using PathMatch = std::function<bool(const std::string& path)>;

  explicit FaultEnv(platform::Env* target = platform::PosixEnv()) : EnvWrapper(target) {}

  // From now on, call fails with code where match holds (every path when
  // empty), after letting the first `skip` of those through, at most `times`
  // times (-1: always). Code 0 takes the rule away.
  FaultEnv& Fail(Call call, int code, PathMatch match = {}, int skip = 0, int times = -1) {
    rules_[call] = Rule{code, std::move(match), skip, times};
    return *this;
  }
  int Count(Call call) const { return counts_.count(call) ? counts_.at(call) : 0; }

  platform::Status CopyFile(const std::string& f, const std::string& t, bool durable) override {
    return Check(Call::kCopy, t) ? Failed(Call::kCopy) : EnvWrapper::CopyFile(f, t, durable);
  }
  platform::Status RenameFile(const std::string& f, const std::string& t) override {
    return Check(Call::kRename, t) ? Failed(Call::kRename) : EnvWrapper::RenameFile(f, t);
  }
  platform::Status DeleteFile(const std::string& p) override {
    return Check(Call::kDelete, p) ? Failed(Call::kDelete) : EnvWrapper::DeleteFile(p);
  }
  platform::Status CreateFolder(const std::string& p) override {
    return Check(Call::kCreateFolder, p) ? Failed(Call::kCreateFolder) : EnvWrapper::CreateFolder(p);
  }
  platform::Status CreateTempFile(const std::string& f, const std::string& prefix, std::string* out) override {
    return Check(Call::kCreateTempFile, f) ? Failed(Call::kCreateTempFile) : EnvWrapper::CreateTempFile(f, prefix, out);
  }
  platform::Status ListFolder(const std::string& f, std::vector<platform::DirEntry>* out) override {
    return Check(Call::kListFolder, f) ? Failed(Call::kListFolder) : EnvWrapper::ListFolder(f, out);
  }
  platform::Status ReadFile(const std::string& p, std::string* c) override {
    return Check(Call::kReadFile, p) ? Failed(Call::kReadFile) : EnvWrapper::ReadFile(p, c);
  }
  platform::Status WriteFileAtomic(const std::string& p, const std::string& c) override {
    return Check(Call::kWriteFile, p) ? Failed(Call::kWriteFile) : EnvWrapper::WriteFileAtomic(p, c);
  }
  platform::Status WriteAt(int fd, std::uint64_t o, const void* d, std::size_t s) override {
    return Check(Call::kWriteAt, "") ? Failed(Call::kWriteAt) : EnvWrapper::WriteAt(fd, o, d, s);
  }
  platform::Status PublishFile(int fd, const std::string& p, bool durable) override {
    return Check(Call::kPublish, p) ? Failed(Call::kPublish) : EnvWrapper::PublishFile(fd, p, durable);
  }
  // Only exclusive range locks can be refused: a shared probe still finds the file in use.
  platform::Status LockFileRange(const std::string& p, platform::RangeLock mode, int* handle) override {
    if (mode == platform::RangeLock::kExclusive && Check(Call::kLockExclusive, p)) return Failed(Call::kLockExclusive);
    return EnvWrapper::LockFileRange(p, mode, handle);
  }

 private:
  struct Rule {
    int code = 0;
    PathMatch match;
    int skip = 0;
    int times = -1;
  };
  bool Check(Call call, const std::string& path) {
    ++counts_[call];
    auto it = rules_.find(call);
    if (it == rules_.end() || it->second.code == 0) return false;
    Rule& rule = it->second;
    if (rule.match && !rule.match(path)) return false;
    if (rule.skip > 0) return --rule.skip, false;
    if (rule.times == 0) return false;
    if (rule.times > 0) --rule.times;
    return true;
  }
  platform::Status Failed(Call call) const { return platform::Status::Error(rules_.at(call).code); }

  std::map<Call, Rule> rules_;
  std::map<Call, int> counts_;
};

// A clock that only moves when slept on, and a wall clock that shows the time
// set; waits and retries then take no real time.
class FakeClockEnv : public FaultEnv {
 public:
  std::int64_t MonotonicMillis() override { return now_ms_; }
  void SleepMillis(int ms) override {
    now_ms_ += ms;
    ++sleeps_;
    if (on_sleep_) on_sleep_(now_ms_);
  }
  platform::TimePoint Now() override { return wall_; }

  std::int64_t now_ms() const { return now_ms_; }
  int sleeps() const { return sleeps_; }
  void set_wall(platform::TimePoint t) { wall_ = t; }
  // Runs after every sleep with the new time.
  void OnSleep(std::function<void(std::int64_t)> f) { on_sleep_ = std::move(f); }

 private:
  std::int64_t now_ms_ = 1000000;
  int sleeps_ = 0;
  platform::TimePoint wall_{};
  std::function<void(std::int64_t)> on_sleep_;
};

// Paths whose file name is name.
inline FaultEnv::PathMatch Named(std::string name) {
  return [name = std::move(name)](const std::string& p) { return std::filesystem::path(p).filename() == name; };
}
// Paths directly inside folder.
inline FaultEnv::PathMatch In(std::string folder) {
  return [folder = std::move(folder)](const std::string& p) { return std::filesystem::path(p).parent_path() == folder; };
}

}  // namespace pds::test
