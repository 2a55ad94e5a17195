// Shared setup of the service-object tests: a fresh installation in its own
// temporary folder, the scripted host (every message must be expected,
// exactly), direct access to the user's projects database for arranging and
// checking rows, and helper processes that hold a database or try to open one
// the way another user's application would.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/install/installation_builder.h"
#include "core/messages/pending_error.h"
#include "core/process_state.h"
#include "pds/clsProjectDataServer.h"
#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::test {

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest();
  ~ServiceTest() override;
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }

  // Builds the installation under the temporary folder (once per test).
  const install::Installation& Install(bool user_ids_required = false,
                                       std::vector<std::string> apps = {"PMP10", "LAY10", "CAL10"});
  // Initializes `server` as application `pdsg` of the installation; a user
  // who has no project cancels the new-project step.
  eProjectReturnCode Init(clsProjectDataServer& server, const std::string& pdsg,
                          const std::string& command_line = "");

  // The projects database of a user; "000" is the shared user of an
  // installation that requires no user IDs.
  std::string ProjectsDbPath(const std::string& user_id = "000") const {
    return inst_.enviro + "/Prjxy" + user_id + ".mdb";
  }
  // Creates that database from the installation's template, as the user's
  // first start would, so a test can arrange rows before any initialization.
  void CreateProjectsDb(const std::string& user_id = "000");
  // Runs statements on a database opened for this call only.
  void Execute(const std::string& db_path, const std::vector<std::string>& statements);
  // Every row of a query, each row's columns as text.
  std::vector<std::vector<std::string>> Rows(const std::string& db_path, const std::string& sql);
  // Adds a project to the projects database with the applications that keep
  // data in it; returns its key.
  std::int32_t AddProject(const std::string& name, const std::vector<std::string>& apps = {});

  TempFolder temp_;
  ScopedScriptedHost host_;
  install::Installation inst_;
};

// A clock that moves only when slept on; everything else is the real system.
class FakeClockEnv : public platform::EnvWrapper {
 public:
  FakeClockEnv() : EnvWrapper(platform::PosixEnv()) {}
  std::int64_t MonotonicMillis() override { return now_ms_; }
  void SleepMillis(int ms) override { now_ms_ += ms; }
  std::int64_t now_ms() const { return now_ms_; }

 private:
  std::int64_t now_ms_ = 1000000;
};

// Another process (this test program as a helper) holding a database
// exclusively until the object goes.
class ExclusiveHolder {
 public:
  ExclusiveHolder() = default;
  ~ExclusiveHolder();
  ExclusiveHolder(const ExclusiveHolder&) = delete;
  ExclusiveHolder& operator=(const ExclusiveHolder&) = delete;
  // Starts the holder and waits until it has the database; false if it could not open it.
  bool Start(const std::string& db_path, const std::string& marker);

 private:
  int pid_ = -1;
};

// Whether another process can open every database exclusively at its first
// attempt, as it can when nothing in this process holds them.
bool OtherProcessCanOpenExclusively(const std::vector<std::string>& db_paths);

}  // namespace pds::test
