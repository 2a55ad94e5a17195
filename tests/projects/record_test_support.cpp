#include "tests/projects/record_test_support.h"

#include <ctime>

#include "config/schema.h"

namespace pds::test {

RecordEnv::RecordEnv() : EnvWrapper(platform::PosixEnv()) {
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_hour = 14;
  local.tm_min = 7;
  local.tm_sec = 9;
  local.tm_isdst = -1;
  now_ = std::chrono::system_clock::from_time_t(std::mktime(&local));
}

platform::Status RecordEnv::CreateLockFile(const std::string& path, const std::string& content, int* handle) {
  ++creates_;
  if (refuse_code_ != 0) return platform::Status::Error(refuse_code_);
  return EnvWrapper::CreateLockFile(path, content, handle);
}

platform::Status RecordEnv::ReleaseLockFile(int handle) {
  ++releases_[handle];
  return EnvWrapper::ReleaseLockFile(handle);
}

void RecordTest::Start(clsProjectDataServer& server, const std::string& pdsg) {
  if (inst_.tvxii.empty()) Install();
  ASSERT_EQ(Init(server, pdsg), RETURN_OK);
}

void MakeProjectDb(const std::string& folder, long last_modified_size) {
  schema::DatabaseSchema structure = schema::ProjectDatabase();
  for (schema::TableSchema& table : structure.tables) {
    for (schema::FieldSchema& field : table.fields) {
      if (table.name == "Properties" && field.name == "sLastModified" && last_modified_size > 0) {
        field.size = last_modified_size;
      }
    }
  }
  std::string error;
  ASSERT_TRUE(schema::CreateDatabaseFile(folder + "/Project.mdb", structure, {}, &error)) << error;
}

std::vector<std::map<std::string, std::string>> NamedRows(const std::string& db_path, const std::string& sql) {
  std::vector<std::map<std::string, std::string>> rows;
  auto db = db::DBEngine().OpenDatabase(db_path, false, true);
  auto rs = db->OpenRecordset(sql, db::dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    auto& row = rows.emplace_back();
    for (int i = 0; i < rs->Fields().Count(); ++i) {
      Variant v = rs->Fields(i).Value();
      row[rs->Fields(i).Name()] = v.IsNull() ? "<null>" : v.AsString();
    }
  }
  rs->Close();
  db->Close();
  return rows;
}

}  // namespace pds::test
