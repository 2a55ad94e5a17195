#include "tests/engine/db_test_support.h"

#include <fstream>

#include "pds/db/field.h"
#include "pds/db/relation.h"

namespace pds::db::test {

std::shared_ptr<TableDef> MakeTable(Database& db, const std::string& table, const std::vector<FieldDesc>& fields,
                                    const std::vector<std::string>& key) {
  auto def = db.CreateTableDef(table);
  for (const FieldDesc& desc : fields) {
    auto f = def->CreateField(desc.name, desc.type, desc.size);
    if (desc.attributes) f->SetAttributes(f->Attributes() | desc.attributes);
    f->SetAllowZeroLength(desc.allow_zero_length);
    f->SetRequired(desc.required);
    def->Fields().Append(f);
  }
  if (!key.empty()) {
    auto ix = def->CreateIndex("PrimaryKey");
    ix->SetPrimary(true);
    for (const std::string& k : key) ix->Fields().Append(ix->CreateField(k));
    def->Indexes().Append(ix);
  }
  db.TableDefs().Append(def);
  return def;
}

void MakeIndex(Database& db, const std::string& table, const std::string& name,
               const std::vector<std::string>& fields, bool primary, bool unique) {
  auto def = db.TableDefs().Item(table);
  auto ix = def->CreateIndex(name);
  ix->SetPrimary(primary);
  ix->SetUnique(unique);
  for (const std::string& f : fields) ix->Fields().Append(ix->CreateField(f));
  def->Indexes().Append(ix);
}

void MakeRelation(Database& db, const std::string& name, const std::string& table, const std::string& foreign_table,
                  const std::string& field, long attributes) {
  auto rel = db.CreateRelation(name, table, foreign_table, attributes);
  auto f = rel->CreateField(field);
  f->SetForeignName(field);
  rel->Fields().Append(f);
  db.Relations().Append(rel);
}

long ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

std::string ErrorTextOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.description();
  }
  return {};
}

DbTest::DbTest() { db_ = DBEngine().CreateDatabase(path()); }

DbTest::~DbTest() {
  if (db_) db_->Close();
  while (DBEngine().TransactionLevel() > 0) DBEngine().Rollback();
}

std::shared_ptr<Database> DbTest::Reopen(bool exclusive, bool read_only) {
  if (db_) db_->Close();
  db_ = DBEngine().OpenDatabase(path(), exclusive, read_only);
  return db_;
}

long DbTest::Count(const std::string& table, const std::string& where) {
  auto rs = db_->OpenRecordset("SELECT COUNT(*) AS n FROM " + table + (where.empty() ? "" : " WHERE " + where),
                               dbOpenSnapshot);
  return static_cast<long>(rs->Fields("n").Value().AsLong());
}

// ---- the holder process

// args: database path, "exclusive" or "shared", hold ms (-1: until killed), marker path to write once open.
PDS_TEST_HELPER(hold_database) {
  std::shared_ptr<Database> db;
  try {
    db = DBEngine().OpenDatabase(args.at(0), args.at(1) == "exclusive", false);
  } catch (const RuntimeError&) {
    return 3;
  }
  std::ofstream(args.at(3)) << "open";
  const int hold_ms = std::stoi(args.at(2));
  if (hold_ms < 0) {
    for (;;) pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
  db->Close();
  return 0;
}

}  // namespace pds::db::test
