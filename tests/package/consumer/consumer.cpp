// An application as one outside this tree is written: the installed headers
// and library only. It builds a fresh installation under the folder it is
// given, saves a project with a job number as Layout Planner, and, with a
// second service object, opens it again and reads the number back.
#include <pds/HostEnv.h>
#include <pds/Installation.h>
#include <pds/clsProject.h>
#include <pds/clsProjectDataServer.h>

#include <cstdio>
#include <string>

namespace {

int Fail(const char* what) {
  std::fprintf(stderr, "consumer: %s failed\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: consumer FOLDER");
  const std::string root = argv[1];
  pds::install::InstallOptions options;
  options.root = root;
  options.apps = {"LAY10"};
  pds::install::Installation installation;
  std::string error;
  if (!pds::install::BuildInstallation(options, &error, &installation)) return Fail(error.c_str());
  pds::host::ScopedTempFolder temp;
  temp.Set(installation.temp + "/");
  std::string folder = installation.tvxii + "/Projects/Consumer";
  std::string name = "Consumer";
  if (!pds::host::CreateFolders(folder)) return Fail("CreateFolders");
  {
    pds::clsProjectDataServer server;
    if (server.PDSInitialize(installation.CodePath("LAY10"), "LAY10", "") != pds::RETURN_OK) return Fail("PDSInitialize");
    if (server.ProjectNew() != pds::RETURN_OK) return Fail("ProjectNew");
    server.Project()->SetJobNumber("J-42");
    if (server.ProjectSaveAs(folder, name) != pds::RETURN_OK) return Fail("ProjectSaveAs");
    if (server.ExitProgram() != pds::RETURN_OK) return Fail("ExitProgram");
  }
  pds::clsProjectDataServer server;
  if (server.PDSInitialize(installation.CodePath("LAY10"), "LAY10", "") != pds::RETURN_OK) return Fail("PDSInitialize");
  if (server.ProjectOpen("Consumer") != pds::RETURN_OK) return Fail("ProjectOpen");
  if (server.Project()->JobNumber() != "J-42") return Fail("reading the job number back");
  if (server.ExitProgram() != pds::RETURN_OK) return Fail("ExitProgram");
  std::printf("consumer: saved and read back project %s with pds %s\n", name.c_str(), argv[0]);
  return 0;
}
