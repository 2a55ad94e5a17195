// The project search over a large tree against `find TREE -name PROJECT.QVP`
// on the same warm tree, in the same run: SearchForProjects in find-all mode
// (every project not on a projects list of 5,000 rows; the list is read once
// per search) and find are run alternately, REPEAT times each, and the
// medians and their ratio are printed. bench/search_tree.sh builds the tree
// and runs this program; the figures are reported, never checked.
//
// Usage: bench_search TREE [REPEAT]
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "pds/Installation.h"
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "projects/project_finder.h"
#include "projects/project_store_search.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace pds;
using Clock = std::chrono::steady_clock;

constexpr int kListedProjects = 5000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A projects database from the installation's template with 5,000 listed
// projects, 100 of them projects of the tree (so find-all leaves them out).
std::string MakeProjectsDb(const fs::path& scratch, const std::string& tree) {
  install::InstallOptions options;
  options.root = scratch.string();
  options.apps = {"LAY10"};
  install::Installation inst;
  std::string error;
  if (!install::BuildInstallation(options, &error, &inst)) throw std::runtime_error("installation: " + error);
  const std::string projects_db = (scratch / "Prjxy000.mdb").string();
  fs::copy_file(inst.enviro + "/Prjxy.ro", projects_db);
  fs::permissions(projects_db, fs::perms::owner_write, fs::perm_options::add);
  auto db = db::DBEngine().OpenDatabase(projects_db, true, false);
  db::DBEngine().BeginTrans();
  for (int i = 0; i < kListedProjects; ++i) {
    std::string name = "Listed " + std::to_string(i);
    std::string path = "/srv/projects/" + std::to_string(i);
    if (i < 100) {
      name = "Project " + std::to_string(i * 5);
      path = tree + "/wide/w" + std::to_string(i * 5 % 200) + "/p" + std::to_string(i * 5);
    }
    db->Execute("INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('" + name + "', '" + path + "', '" + path +
                    "')",
                db::dbFailOnError);
  }
  db::DBEngine().CommitTrans();
  db->Close();
  return projects_db;
}

double RunFind(const std::string& tree) {
  const char* argv[] = {"find", tree.c_str(), "-name", "PROJECT.QVP", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
    throw std::runtime_error("cannot start find");
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const auto end = Clock::now();
  posix_spawn_file_actions_destroy(&actions);
  return Ms(end - start);
}

// Also counts the ProcessEvents calls and the longest time without one
// while the walk runs (from its start to its end).
double RunSearch(const std::string& tree, const std::string& projects_db, std::size_t* found, int* events,
                 double* longest_gap_ms) {
  const auto start = Clock::now();
  *longest_gap_ms = 0;
  ListedProjects listed;
  if (!LoadListedProjects(projects_db, &listed)) throw std::runtime_error("cannot read the projects list");
  ProjectSearchSpec spec;
  spec.search_folder = tree;
  std::vector<FoundProject> results;
  ProjectSearchHooks hooks;
  hooks.listed = &listed;
  hooks.cancelled = [] { return false; };
  auto last = Clock::now();
  hooks.process_events = [&] {
    ++*events;
    const auto now = Clock::now();
    *longest_gap_ms = std::max(*longest_gap_ms, Ms(now - last));
    last = now;
  };
  last = Clock::now();
  SearchForProjects(spec, results, hooks);
  const auto end = Clock::now();
  *longest_gap_ms = std::max(*longest_gap_ms, Ms(end - last));
  *found = results.size();
  return Ms(end - start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_search TREE [REPEAT]\n");
    return 2;
  }
  const std::string tree = fs::canonical(argv[1]).string();
  const int repeat = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::string tmpl = (fs::temp_directory_path() / "pds-search-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return 1;
  const fs::path scratch = tmpl;
  int rc = 0;
  try {
    const std::string projects_db = MakeProjectsDb(scratch, tree);
    std::size_t found = 0;
    int events = 0;
    double gap = 0, longest_gap = 0;
    RunFind(tree);  // warm the tree's folders into the cache
    RunSearch(tree, projects_db, &found, &events, &gap);
    std::vector<double> find_ms, search_ms;
    for (int i = 0; i < repeat; ++i) {
      events = 0;
      if (i % 2 == 0) {
        find_ms.push_back(RunFind(tree));
        search_ms.push_back(RunSearch(tree, projects_db, &found, &events, &gap));
      } else {
        search_ms.push_back(RunSearch(tree, projects_db, &found, &events, &gap));
        find_ms.push_back(RunFind(tree));
      }
      longest_gap = std::max(longest_gap, gap);
    }
    const double f = Median(find_ms), s = Median(search_ms);
    std::printf("medians of %d runs over %s:\n", repeat, tree.c_str());
    std::printf("  SearchForProjects, find-all against %d listed projects  %.1f ms  (%zu projects found, "
                "%d ProcessEvents calls in the last run, at most %.1f ms apart in all runs)\n",
                kListedProjects, s, found, events, longest_gap);
    std::printf("  find TREE -name PROJECT.QVP                               %.1f ms\n", f);
    std::printf("  ratio %.2fx (goal: at most 0.5x)\n", s / f);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_search: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return rc;
}
