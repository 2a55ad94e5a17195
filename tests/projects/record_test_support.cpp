#include "tests/projects/record_test_support.h"

#include "config/schema.h"

namespace pds::test {

RecordEnv::RecordEnv() : EnvWrapper(platform::PosixEnv()), now_(LocalTime(2024, 3, 5, 14, 7, 9)) {}

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
