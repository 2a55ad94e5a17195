// Shared setup of the startup tests: a fresh temporary folder, the scripted
// host (every message must be expected, exactly), and a startup manager.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/install/installation_builder.h"
#include "core/messages/messages.h"
#include "core/messages/pending_error.h"
#include "core/process_state.h"
#include "core/startup_fields.h"
#include "pds/clsStartupManager.h"
#include "tests/support/test_support.h"

namespace pds::test {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearError();
    Shared().export_flag = false;
  }
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }

  void MakeFolders(std::initializer_list<const char*> relative) {
    for (const char* r : relative) std::filesystem::create_directories(temp_ / r);
  }
  // A complete installation made by the product's installer.
  install::Installation Install(bool user_ids_required) {
    install::InstallOptions options;
    options.root = temp_.path();
    options.user_ids_required = user_ids_required;
    options.apps = {"PMP10"};
    install::Installation built;
    std::string error;
    EXPECT_TRUE(install::BuildInstallation(options, &error, &built)) << error;
    return built;
  }
  StartupFields& fields() { return manager_.mutable_fields(); }

  TempFolder temp_;
  ScopedScriptedHost host_;
  clsStartupManager manager_;
  const std::string support_ = ContactSupportText();
};

}  // namespace pds::test
