// Shared setup of the tag tests: PMP10 (tag types "TagData", 300 defined
// fields, and "Motor") started with a new project current, and direct access
// to the working copy of its tag database. That access opens the database for
// one call in this same process, which shares the service's exclusive hold;
// rows written behind the service's back are seen by its next record set.
#pragma once

#include "pds/clsProject.h"
#include "pds/clsUnitTags.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds::test {

class TagTest : public LifecycleTest {
 protected:
  static constexpr const char* kPump = "PMP10";

  // PMP10 on a fresh installation whose user has a project, then a new (untitled) one, with its first tag, current.
  void StartWithNewProject() {
    Start(kPump);
    ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  }

  // The working copy of the application's tag database.
  std::string WorkTagDb() { return server().Project()->WorkingJobPath() + "/" + server().TagDbName(); }
  // The project folder's copy (saved projects only).
  std::string MainTagDb() { return server().Project()->JobPath() + "/" + server().TagDbName(); }

  // The TagName column of a tag table in lTagId order.
  std::vector<std::string> TagNames(const std::string& table = "TagData") {
    std::vector<std::string> names;
    for (const auto& row : Rows(WorkTagDb(), "SELECT TagName FROM " + table + " ORDER BY lTagId")) {
      names.push_back(row[0]);
    }
    return names;
  }
  // The names of a collection in its order.
  static std::vector<std::string> Names(const clsUnitTags& tags) {
    std::vector<std::string> names;
    for (const UnitTagRef& tag : tags) names.push_back(tag->Name());
    return names;
  }
  // Appends rows named names (lOrder from 1) to a tag table of the working copy, behind the service's back.
  void AddTagRows(const std::vector<std::string>& names, const std::string& table = "TagData") {
    std::vector<std::string> statements;
    int order = 1;
    for (const std::string& name : names) {
      statements.push_back("INSERT INTO " + table + " (TagName, lOrder) VALUES ('" + FixSqlQuotes(name) + "', " +
                           std::to_string(order++) + ")");
    }
    Execute(WorkTagDb(), statements);
  }
};

}  // namespace pds::test
