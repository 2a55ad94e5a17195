// Power loss, operating-system crash and a killed process. Every write and
// flush an operation makes, through SQLite (a VFS shim) and through the
// environment, is recorded and replayed. After every write, as a killed
// process leaves the files, every database must be sound. Before each flush,
// and after the last, the disk a machine stopping there could leave is built:
// each folder's names and each file's content as of its last flush (and again
// with a random part of the unflushed writes, as a disk may reorder them);
// there every database must pass PRAGMA integrity_check and every file hold a
// state it had. Once the operation has returned, its files are on the disk.
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "pds/UiHost.h"
#include "tests/support/dialog_steps.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

// ---- the recording: what reached the file system, in order
struct Event {
  enum Kind { kCreate, kWrite, kTruncate, kSync, kSyncDir, kRename, kUnlink, kMkdir, kRmdir } kind;
  std::string path, to = {};  // to: the new name of kRename
  std::uint64_t offset = 0;    // of kWrite; the new size of kTruncate
  std::string data = {};
};

std::mutex recording_mutex;
std::string recording_root;  // empty: not recording
std::vector<Event> recording;

std::string Normal(const std::string& path) {
  std::string p = fs::path(path.empty() ? "." : path).lexically_normal().string();
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// path inside the recorded folder, normalised; empty outside it.
std::string Inside(const std::string& path) {
  const std::string p = Normal(path);
  const bool inside = !recording_root.empty() && (p == recording_root || p.rfind(recording_root + "/", 0) == 0);
  return inside ? p : std::string();
}

void Record(Event e) {
  std::lock_guard<std::mutex> lock(recording_mutex);
  e.path = Inside(e.path);
  if (e.path.empty()) return;
  if (e.kind == Event::kRename) e.to = Inside(e.to);
  recording.push_back(std::move(e));
}

std::string Parent(const std::string& path) { return fs::path(path).parent_path().string(); }

// ---- the VFS shim: the default VFS, with every change recorded
sqlite3_vfs* real_vfs = nullptr;

struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;
  std::string* path;  // null for SQLite's own temporary files, which no crash keeps
  bool sync_folder;   // a created journal: the default VFS flushes its folder with its first sync
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }
std::string* PathOf(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->path; }

int ShimClose(sqlite3_file* f) {
  delete PathOf(f);
  return Real(f)->pMethods->xClose(Real(f));
}
// The calls that change nothing go straight to the default VFS.
template <auto kMethod, typename... Args>
int Forward(sqlite3_file* f, Args... args) {
  return (Real(f)->pMethods->*kMethod)(Real(f), args...);
}
int ShimWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  const int rc = Real(f)->pMethods->xWrite(Real(f), b, n, o);
  if (rc == SQLITE_OK && PathOf(f)) {
    Record({Event::kWrite, *PathOf(f), {}, static_cast<std::uint64_t>(o), std::string(static_cast<const char*>(b), n)});
  }
  return rc;
}
int ShimTruncate(sqlite3_file* f, sqlite3_int64 size) {
  const int rc = Real(f)->pMethods->xTruncate(Real(f), size);
  if (rc == SQLITE_OK && PathOf(f)) Record({Event::kTruncate, *PathOf(f), {}, static_cast<std::uint64_t>(size)});
  return rc;
}
int ShimSync(sqlite3_file* f, int flags) {
  const int rc = Real(f)->pMethods->xSync(Real(f), flags);
  auto* shim = reinterpret_cast<ShimFile*>(f);
  if (rc == SQLITE_OK && shim->path) {
    Record({Event::kSync, *shim->path});
    if (shim->sync_folder) Record({Event::kSyncDir, Parent(*shim->path)});
    shim->sync_folder = false;
  }
  return rc;
}

// Version 1: no shared memory (no write-ahead log) and no memory mapping, so every change goes through ShimWrite.
using M = sqlite3_io_methods;
const M kShimMethods{1, ShimClose, Forward<&M::xRead>, ShimWrite, ShimTruncate, ShimSync, Forward<&M::xFileSize>,
                     Forward<&M::xLock>, Forward<&M::xUnlock>, Forward<&M::xCheckReservedLock>,
                     Forward<&M::xFileControl>, Forward<&M::xSectorSize>, Forward<&M::xDeviceCharacteristics>,
                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

int ShimOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out_flags) {
  auto* shim = reinterpret_cast<ShimFile*>(file);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  const bool kept = name && (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL)) != 0;
  const bool existed = kept && fs::exists(name);
  const int rc = real_vfs->xOpen(real_vfs, name, shim->real, flags, out_flags);
  if (rc != SQLITE_OK) {
    file->pMethods = nullptr;
    return rc;
  }
  file->pMethods = &kShimMethods;
  shim->path = kept ? new std::string(name) : nullptr;
  shim->sync_folder = (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0 && (flags & SQLITE_OPEN_CREATE) != 0;
  if (kept && !existed) Record({Event::kCreate, name});
  return rc;
}

int ShimDelete(sqlite3_vfs*, const char* name, int sync_folder) {
  const int rc = real_vfs->xDelete(real_vfs, name, sync_folder);
  if (rc == SQLITE_OK) {
    Record({Event::kUnlink, name});
    if (sync_folder) Record({Event::kSyncDir, Parent(name)});
  }
  return rc;
}

sqlite3_vfs shim_vfs;

// ---- the recording environment: the same, for the file routines; lock and probe files are left out.
class RecordingEnv : public platform::EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  using Status = platform::Status;
  Status CopyFile(const std::string& from, const std::string& to, bool durable) override {
    const Status s = target()->CopyFile(from, to, durable);
    if (s.ok()) Replace(to, ReadBytes(to), durable, false);
    return s;
  }
  Status WriteFileAtomic(const std::string& path, const std::string& content) override {
    const Status s = target()->WriteFileAtomic(path, content);
    if (s.ok()) Replace(path, content, true, true);
    return s;
  }
  Status SyncFolder(const std::string& f) override { return Then(target()->SyncFolder(f), {Event::kSyncDir, f}); }
  Status DeleteFile(const std::string& p) override { return Then(target()->DeleteFile(p), {Event::kUnlink, p}); }
  Status RenameFile(const std::string& f, const std::string& t) override {
    return Then(target()->RenameFile(f, t), {Event::kRename, f, t});
  }
  Status CreateFolder(const std::string& p) override { return Then(target()->CreateFolder(p), {Event::kMkdir, p}); }
  Status RemoveFolder(const std::string& p) override { return Then(target()->RemoveFolder(p), {Event::kRmdir, p}); }
  Status EmptyFolder(const std::string& f, bool keep) override {
    return Removing(f, [&] { return target()->EmptyFolder(f, keep); });
  }
  Status RemoveStaleTempFiles(const std::string& f, int* removed) override {
    return Removing(f, [&] { return target()->RemoveStaleTempFiles(f, removed); });
  }
 private:
  static Status Then(Status s, Event e) {
    if (s.ok()) Record(std::move(e));
    return s;
  }
  // A new file put in place under a temporary name: flushed when durable, its folder too when sync_folder.
  static void Replace(const std::string& path, const std::string& content, bool durable, bool sync_folder) {
    const std::string temp = path + ".~new";
    Record({Event::kCreate, temp});
    Record({Event::kWrite, temp, {}, 0, content});
    if (durable) Record({Event::kSync, temp});
    Record({Event::kRename, temp, path});
    if (sync_folder) Record({Event::kSyncDir, Parent(path)});
  }
  // Runs remove and records the removal of every file of folder it took.
  static Status Removing(const std::string& folder, const std::function<Status()>& remove) {
    std::set<std::string> before;
    std::error_code error;
    for (const auto& e : fs::directory_iterator(folder, error)) {
      if (!e.is_directory()) before.insert(e.path().string());
    }
    const Status s = remove();
    for (const std::string& p : before) {
      if (!fs::exists(fs::symlink_status(p))) Record({Event::kUnlink, p});
    }
    return s;
  }
};

// ---- the model of the disk: folders and files by identity, each as in memory and as on the disk.
struct Node {
  bool folder;
  std::string data = {}, synced = {};                            // a file's content, and on the disk
  std::vector<Event> unsynced = {};                              // its writes since its last flush
  std::map<std::string, int> entries = {}, synced_entries = {};  // a folder's names
};

void Apply(std::string& data, const Event& e) {
  if (e.kind == Event::kTruncate) {
    data.resize(e.offset);
  } else {
    if (data.size() < e.offset + e.data.size()) data.resize(e.offset + e.data.size());
    data.replace(e.offset, e.data.size(), e.data);
  }
}

class Disk {
 public:
  explicit Disk(const std::string& root) : root_(root) {
    nodes_.push_back({true});
    Load(root, 0);
  }

  void Play(const Event& e) {
    const auto [folder, name] = Locate(e.path);
    const int at = folder < 0 ? -1 : Lookup(folder, name);
    switch (e.kind) {
      case Event::kCreate:
      case Event::kMkdir:
        if (folder >= 0) nodes_[folder].entries[name] = Add(e.kind == Event::kMkdir);
        return;
      case Event::kWrite:
      case Event::kTruncate:
        if (at >= 0) Apply(nodes_[at].data, e), nodes_[at].unsynced.push_back(e);
        return;
      case Event::kSync:
        if (at >= 0) nodes_[at].synced = nodes_[at].data, nodes_[at].unsynced.clear();
        return;
      case Event::kSyncDir: {
        const int synced = e.path == root_ ? 0 : at;
        if (synced >= 0) nodes_[synced].synced_entries = nodes_[synced].entries;
        return;
      }
      case Event::kRename: {
        const auto [to_folder, to_name] = Locate(e.to);
        if (at < 0 || to_folder < 0) return;
        nodes_[folder].entries.erase(name);
        nodes_[to_folder].entries[to_name] = at;
        return;
      }
      case Event::kUnlink:
      case Event::kRmdir:
        if (folder >= 0) nodes_[folder].entries.erase(name);
        return;
    }
  }

  // The content of path (relative to the root) in memory, or as a machine stopping now leaves it (with a random
  // part of the unflushed writes when reorder is given); nullopt: no such file.
  std::optional<std::string> File(const std::string& path, bool in_memory, std::mt19937* reorder = nullptr) const {
    int at = 0;
    for (const auto& part : fs::path(path)) {
      const auto& entries = in_memory ? nodes_[at].entries : nodes_[at].synced_entries;
      auto it = entries.find(part.string());
      if (it == entries.end()) return std::nullopt;
      at = it->second;
    }
    const Node& node = nodes_[at];
    if (node.folder) return std::nullopt;
    if (in_memory) return node.data;
    std::string data = node.synced;
    for (const Event& e : node.unsynced) {
      if (reorder && (*reorder)() % 2 == 0) Apply(data, e);
    }
    return data;
  }

 private:
  void Load(const fs::path& folder, int at) {
    for (const auto& e : fs::directory_iterator(folder)) {
      const int child = nodes_[at].entries[e.path().filename().string()] = Add(e.is_directory());
      if (e.is_directory()) Load(e.path(), child);
      if (!e.is_directory()) nodes_[child].data = nodes_[child].synced = ReadBytes(e.path().string());
    }
    nodes_[at].synced_entries = nodes_[at].entries;
  }
  int Add(bool folder) {
    nodes_.push_back({folder});
    return static_cast<int>(nodes_.size()) - 1;
  }
  int Lookup(int folder, const std::string& name) const {
    auto it = nodes_[folder].entries.find(name);
    return it == nodes_[folder].entries.end() ? -1 : it->second;
  }
  // The folder holding path (-1 when it is not there) and the last name.
  std::pair<int, std::string> Locate(const std::string& path) const {
    const fs::path relative = fs::path(path).lexically_relative(root_);
    int at = 0;
    for (const auto& part : relative.parent_path()) {
      at = Lookup(at, part.string());
      if (at < 0 || !nodes_[at].folder) return {-1, ""};
    }
    return {at, relative.filename().string()};
  }

  std::string root_;
  std::vector<Node> nodes_;
};

// What a file holds as the component reads it: "absent", a database's rows after SQLite rolled back any journal
// ("corrupt: ..." when it fails its check), or the bytes of any other file.
class States {
 public:
  explicit States(std::string scratch) : scratch_(std::move(scratch)) {}

  std::string Of(const std::string& name, const std::optional<std::string>& data,
                 const std::optional<std::string>& journal) {
    if (!data) return "absent";
    if (fs::path(name).extension() != ".mdb") return *data;
    const std::string key = *data + '\0' + journal.value_or("-");
    auto [it, fresh] = memo_.try_emplace(key);
    if (fresh) it->second = Dump(*data, journal);
    return it->second;
  }

 private:
  std::string Dump(const std::string& data, const std::optional<std::string>& journal) {
    const std::string file = scratch_ + "/image.mdb";
    fs::remove(file + "-journal");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << data;
    if (journal) std::ofstream(file + "-journal", std::ios::binary) << *journal;
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, "unix");
    std::vector<std::string> check = Rows(db, "PRAGMA integrity_check");
    std::string out = check == std::vector<std::string>{"ok|"} ? "" : "corrupt: " + (check.empty() ? "" : check[0]);
    for (const std::string& table : out.empty() ? Rows(db, "SELECT name FROM sqlite_master WHERE type = 'table'")
                                                : std::vector<std::string>{}) {
      out += table + "\n";
      for (const std::string& row : Rows(db, "SELECT * FROM \"" + table.substr(0, table.size() - 1) + "\"")) {
        out += row + "\n";
      }
    }
    sqlite3_close_v2(db);
    return out;
  }
  // Each row as "column|column|...|"; the error, as a last row, when there is one.
  static std::vector<std::string> Rows(sqlite3* db, const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        rows.back() += (text ? text : "<null>") + std::string("|");
      }
      rc = SQLITE_OK;
    }
    if (rc != SQLITE_DONE) rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    return rows;
  }

  std::string scratch_;
  std::map<std::string, std::string> memo_;
};

// ---- the operations
enum class Op { kSave, kSaveAs, kDelete, kTagSave, kIndexPublish };
const char* const kOpNames[] = {"Save", "SaveAs", "Delete", "TagSave", "IndexPublish"};

class PowerLossTest : public TagTest, public ::testing::WithParamInterface<Op> {
 public:
  static void SetUpTestSuite() {
    real_vfs = sqlite3_vfs_find(nullptr);
    shim_vfs = *real_vfs;
    shim_vfs.zName = "pds-recording";
    shim_vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + real_vfs->szOsFile;
    shim_vfs.xOpen = ShimOpen;
    shim_vfs.xDelete = ShimDelete;
    sqlite3_vfs_register(&shim_vfs, 1);
  }
  static void TearDownTestSuite() { sqlite3_vfs_register(real_vfs, 1); }

 protected:
  // Every operation starts from a saved project "Alpha".
  void Arrange(Op op) {
    SaveNewProject("Alpha");
    std::string type = "TagData", name;
    if (op == Op::kDelete) {
      SaveNewProject("Gamma");  // Alpha is deleted while another project is open
    } else if (op == Op::kTagSave) {
      AddTagRows({"Untitled"});
      name = "Untitled";
      ASSERT_EQ(server().OpenTag(type, name, rs_), RETURN_OK);
    } else {
      ASSERT_EQ(server().NewTag(type, name, rs_), RETURN_OK);  // a change to save
    }
  }
  void Act(Op op) {
    std::string folder = Projects() + "/Beta", name = op == Op::kSaveAs ? "Beta" : "Untitled";
    switch (op) {
      case Op::kSave:
        EXPECT_EQ(server().ProjectSave(), RETURN_OK);
        break;
      case Op::kSaveAs:
        ASSERT_TRUE(platform::CurrentEnv()->CreateFolder(folder).ok());  // as the save-as dialog makes it
        EXPECT_EQ(server().ProjectSaveAs(folder, name), RETURN_OK);
        break;
      case Op::kDelete:
        EXPECT_EQ(ServerOf(server()).DeleteProject("Alpha", false), RETURN_OK);
        break;
      case Op::kTagSave:
        host_->ExpectDialog("frmNew", TypeAndOk("txtName", "P-7"));
        EXPECT_EQ(server().SaveTag(rs_, name), RETURN_OK);
        break;
      case Op::kIndexPublish:
        EXPECT_TRUE(ServerOf(server()).IndexTags(server().Project()));
        break;
    }
  }

  RsHandle rs_;
};

TEST_P(PowerLossTest, EveryCrashPointLeavesEachFileOldOrNewAndEveryDatabaseSound) {
  StartWithNewProject();
  Arrange(GetParam());
  ASSERT_FALSE(HasFailure());
  const std::string root = Normal(temp_.path());
  const std::string scratch = root + "/../" + fs::path(root).filename().string() + "-images";
  fs::create_directories(scratch);
  Disk disk(root);
  {
    RecordingEnv recorder(&env_);
    platform::ScopedEnv scoped(&recorder);
    recording_root = root;
    Act(GetParam());
    std::lock_guard<std::mutex> lock(recording_mutex);
    recording_root.clear();
  }
  std::vector<Event> events;
  events.swap(recording);

  // The files the operation touched, but not its journals and temporary files.
  std::set<std::string> files;
  const std::set<std::string> kept = {".mdb", ".QVP", ".dat", ".DAT"};
  for (const Event& e : events) {
    for (const fs::path path : {e.path, e.to}) {
      if (e.kind == Event::kMkdir || e.kind == Event::kRmdir || path.empty()) continue;
      if (path.filename().string()[0] == '.') continue;
      if (kept.count(path.extension().string())) files.insert(path.string().substr(root.size() + 1));
    }
  }
  ASSERT_FALSE(files.empty());

  States states(scratch);
  std::mt19937 random(20261206);
  std::map<std::string, std::set<std::string>> had;  // every state each file has had
  int crash_points = 0, played = 0;
  auto state = [&](const std::string& f, bool in_memory, std::mt19937* reorder) {
    return states.Of(f, disk.File(f, in_memory, reorder), disk.File(f + "-journal", in_memory, reorder));
  };
  // A killed process leaves every write made so far: each database must be sound there too.
  auto killed_here = [&] {
    for (const std::string& f : files) {
      const std::string now = *had[f].insert(state(f, true, nullptr)).first;
      EXPECT_NE(now.rfind("corrupt", 0), 0u) << f << " in memory after event " << played << ":\n" << now;
    }
  };
  auto crash_here = [&] {
    ++crash_points;
    for (std::mt19937* reorder : {static_cast<std::mt19937*>(nullptr), &random}) {
      for (const std::string& f : files) {
        const std::string left = state(f, false, reorder);
        EXPECT_EQ(had[f].count(left), 1u) << f << " after crash point " << crash_points
                                          << (reorder ? " with reordered writes" : "") << ":\n"
                                          << left.substr(0, 300);
      }
    }
  };
  for (const Event& e : events) {
    killed_here();
    if (e.kind == Event::kSync || e.kind == Event::kSyncDir) crash_here();
    disk.Play(e);
    ++played;
  }
  killed_here();
  crash_here();
  EXPECT_GT(crash_points, 3);
  for (const std::string& f : files) {
    // The model of the disk is the disk the operation left.
    const std::string real = root + "/" + f;
    EXPECT_EQ(disk.File(f, true), fs::exists(real) ? std::optional<std::string>(ReadBytes(real)) : std::nullopt) << f;
    // What the operation reported done is on the disk; a working copy may lose its last transaction.
    if (f.find("/~") == std::string::npos) {
      EXPECT_EQ(state(f, false, nullptr), state(f, true, nullptr)) << f;
    }
  }
  fs::remove_all(scratch);
}

INSTANTIATE_TEST_SUITE_P(Operations, PowerLossTest,
                         ::testing::Values(Op::kSave, Op::kSaveAs, Op::kDelete, Op::kTagSave, Op::kIndexPublish),
                         [](const auto& info) { return kOpNames[static_cast<int>(info.param)]; });

}  // namespace
}  // namespace pds::test
