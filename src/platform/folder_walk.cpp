#include "platform/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/dir_search.h"
#include "platform/env.h"

namespace pds::platform {

namespace {

// The head of a record getdents64 fills (glibc declares no type for it);
// the entry's NUL-terminated name follows d_type.
struct LinuxDirent64 {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
};
constexpr std::size_t kDirentNameOffset = offsetof(LinuxDirent64, d_type) + 1;

constexpr std::size_t kListingBuffer = 64 * 1024;
constexpr int kReaderNiceness = 5;

// One folder of the tree. A reader fills it and sets done; from then on only
// the calling thread touches its files and children.
struct Node {
  Node(Node* p, std::string n) : parent(p), name(std::move(n)) {}
  Node* parent;
  std::string name;  // below parent; the root's whole path
  // Kept open while some of the children have not been opened yet, so each
  // child is opened relative to it; the last child to open closes it.
  int fd = -1;
  std::atomic<int> unopened{0};
  std::vector<FoundFile> files;
  std::vector<Node*> children;
  bool readable = true;
  std::atomic<bool> done{false};
};

bool IsDotOrDotDot(const char* n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

class Walk {
 public:
  Walk(const FolderWalkOptions& options, int threads)
      : options_(options), wildcard_(options.file_name.find_first_of("*?") != std::string::npos) {
    arenas_.resize(static_cast<std::size_t>(threads));
    for (auto& a : arenas_) a = std::make_unique<std::deque<Node>>();
  }

  ~Walk() { Stop(); }

  bool Run(const std::string& root, const std::function<bool(const WalkedFolder&)>& visit,
           const std::function<void()>& idle) {
    root_ = std::make_unique<Node>(nullptr, root);
    stack_.push_back(root_.get());
    for (std::size_t i = 0; i < arenas_.size(); ++i) workers_.emplace_back([this, i] { Work(i); });

    Env* env = CurrentEnv();
    std::int64_t last_idle = env->MonotonicMillis();
    // The calling thread's own depth-first order: (folder, its path).
    std::vector<std::pair<Node*, std::string>> todo;
    todo.emplace_back(root_.get(), root.back() == '/' ? root : root + "/");
    bool completed = true;
    while (!todo.empty()) {
      auto [node, path] = std::move(todo.back());
      todo.pop_back();
      WaitFor(node, idle, &last_idle);
      const std::int64_t now = env->MonotonicMillis();
      if (now - last_idle >= options_.idle_interval_ms) {
        idle();
        last_idle = env->MonotonicMillis();
      }
      WalkedFolder folder{path, std::move(node->files), node->readable};
      if (!visit(folder)) {
        completed = false;
        break;
      }
      for (std::size_t i = node->children.size(); i-- > 0;) {
        Node* child = node->children[i];
        todo.emplace_back(child, path + child->name + "/");
      }
    }
    Stop();
    return completed;
  }

 private:
  void WaitFor(Node* node, const std::function<void()>& idle, std::int64_t* last_idle) {
    if (node->done.load(std::memory_order_acquire)) return;
    waiting_.store(node);
    while (!node->done.load()) {
      {
        std::unique_lock lock(wait_mu_);
        wait_cv_.wait_for(lock, std::chrono::milliseconds(options_.idle_interval_ms),
                          [node] { return node->done.load(); });
      }
      if (!node->done.load()) {
        idle();
        *last_idle = CurrentEnv()->MonotonicMillis();
      }
    }
    waiting_.store(nullptr);
  }

  void Stop() {
    {
      std::lock_guard lock(mu_);
      stop_ = true;
    }
    cv_.notify_all();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
    // A stopped walk leaves parents whose children were never opened.
    auto close_left = [](Node& n) {
      if (n.fd >= 0 && n.unopened.load() > 0) close(n.fd);
      n.fd = -1;
    };
    if (root_) close_left(*root_);
    for (auto& arena : arenas_) {
      for (Node& n : *arena) close_left(n);
    }
  }

  Node* Pop() {
    std::unique_lock lock(mu_);
    while (stack_.empty() && !stop_ && active_ > 0) {
      ++idle_workers_;
      cv_.wait(lock);
      --idle_workers_;
    }
    if (stop_ || stack_.empty()) {
      cv_.notify_all();
      return nullptr;
    }
    Node* n = stack_.back();
    stack_.pop_back();
    ++active_;
    return n;
  }

  void Work(std::size_t id) {
    // The readers yield to the calling thread, which must keep answering
    // the user (ProcessEvents) while they keep every processor busy.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kReaderNiceness);
    std::unique_ptr<char[]> buffer(new char[kListingBuffer]);
    std::deque<Node>& arena = *arenas_[id];
    while (Node* n = Pop()) {
      Read(n, arena, buffer.get());
      {
        std::lock_guard lock(mu_);
        // Last child first on the stack: the readers run ahead in about the
        // order the calling thread asks.
        for (std::size_t i = n->children.size(); i-- > 0;) stack_.push_back(n->children[i]);
        --active_;
        if ((!n->children.empty() && idle_workers_ > 0) || (active_ == 0 && stack_.empty())) cv_.notify_all();
      }
      n->done.store(true);
      if (waiting_.load() == n) {
        std::lock_guard lock(wait_mu_);
        wait_cv_.notify_one();
      }
    }
  }

  // The path of a node, for the rare open that cannot go through its parent.
  static std::string FullPath(const Node* n) {
    std::vector<const Node*> chain;
    for (; n; n = n->parent) chain.push_back(n);
    std::string path;
    for (std::size_t i = chain.size(); i-- > 0;) {
      path += chain[i]->name;
      if (i > 0 && (path.empty() || path.back() != '/')) path += '/';
    }
    return path;
  }

  int OpenFolder(Node* n) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
    int fd = n->parent ? openat(n->parent->fd, n->name.c_str(), kFlags) : open(n->name.c_str(), kFlags & ~O_NOFOLLOW);
    if (fd < 0 && n->parent && (errno == EMFILE || errno == ENFILE)) {
      fd = open(FullPath(n).c_str(), kFlags);
    }
    if (n->parent && n->parent->unopened.fetch_sub(1) == 1) close(n->parent->fd);
    return fd;
  }

  bool Wanted(const char* name) const {
    if (wildcard_) return WildcardMatch(options_.file_name, name);
    const std::string& want = options_.file_name;
    if (std::strlen(name) != want.size()) return false;
    for (std::size_t i = 0; i < want.size(); ++i) {
      char a = name[i], b = want[i];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
      if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
      if (a != b) return false;
    }
    return true;
  }

  void Read(Node* n, std::deque<Node>& arena, char* buffer) {
    const int fd = OpenFolder(n);
    if (fd < 0) {
      n->readable = false;
      return;
    }
    for (;;) {
      const long got = syscall(SYS_getdents64, fd, buffer, kListingBuffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        // A listing that breaks off counts as an unreadable folder: empty.
        n->readable = false;
        n->files.clear();
        n->children.clear();
        break;
      }
      if (got == 0) break;
      for (long at = 0; at < got;) {
        const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer + at);
        const char* name = buffer + at + kDirentNameOffset;
        at += d->d_reclen;
        if (IsDotOrDotDot(name)) continue;
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
          struct stat st;
          if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
          type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
        }
        if (type == DT_DIR) {
          if (options_.include_subfolders) n->children.push_back(&arena.emplace_back(n, name));
        } else if ((type == DT_REG || type == DT_LNK) && Wanted(name)) {
          struct stat st;
          if (fstatat(fd, name, &st, 0) == 0 && S_ISREG(st.st_mode)) {
            n->files.push_back(FoundFile{name, static_cast<std::uint64_t>(st.st_size)});
          }
        }
      }
    }
    if (n->children.empty()) {
      close(fd);
    } else {
      n->fd = fd;
      n->unopened.store(static_cast<int>(n->children.size()));
    }
  }

  const FolderWalkOptions& options_;
  const bool wildcard_;
  std::unique_ptr<Node> root_;
  std::vector<std::unique_ptr<std::deque<Node>>> arenas_;  // one per reader: no lock to add a node
  std::vector<std::thread> workers_;

  std::mutex mu_;  // guards the stack and the counts below
  std::condition_variable cv_;
  std::vector<Node*> stack_;
  int active_ = 0;
  int idle_workers_ = 0;
  bool stop_ = false;

  // The calling thread sleeps here while the folder it needs is being read.
  std::mutex wait_mu_;
  std::condition_variable wait_cv_;
  std::atomic<Node*> waiting_{nullptr};
};

}  // namespace

bool WalkFolders(const std::string& root, const FolderWalkOptions& options,
                 const std::function<bool(const WalkedFolder&)>& visit, const std::function<void()>& idle) {
  int threads = options.threads;
  if (threads <= 0) threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  // A single folder is read faster than a thread starts.
  if (!options.include_subfolders) threads = 1;
  try {
    Walk walk(options, threads);
    return walk.Run(root.empty() ? std::string(".") : root, visit, idle);
  } catch (...) {
    // Out of memory or threads: the walk ends as if stopped.
    return false;
  }
}

}  // namespace pds::platform
