// A relation between a primary table and a foreign table of one database:
// CreateRelation, append fields (CreateField with ForeignName), then
// Relations().Append. With dbRelationDeleteCascade (4096), deleting a primary
// row deletes its foreign rows; without dbRelationDontEnforce, a foreign row
// needs its primary row. An appended relation cannot change; delete it and
// append a new one. Enforcement is described in catalog.h.
#pragma once

#include <memory>
#include <string>

#include "pds/db/catalog.h"
#include "pds/db/collection.h"
#include "pds/db/field.h"

namespace pds::db {

class Relation {
 public:
  Relation(std::string name, std::string table, std::string foreign_table, long attributes);
  ~Relation();
  Relation(const Relation&) = delete;
  Relation& operator=(const Relation&) = delete;

  const std::string& Name() const { return meta_.name; }
  void SetName(std::string name);
  const std::string& Table() const { return meta_.table; }
  void SetTable(std::string table);
  const std::string& ForeignTable() const { return meta_.foreign_table; }
  void SetForeignTable(std::string table);
  long Attributes() const { return meta_.attributes; }
  void SetAttributes(long attributes);

  FieldCollection& Fields() { return fields_; }
  std::shared_ptr<Field> CreateField(std::string name = "", int type = 0, long size = 0);

  // ---- for the engine
  RelationMeta BuildMeta() const;
  void MarkAppended(const RelationMeta& meta);
  bool appended() const { return appended_; }

 private:
  void RefuseWhenAppended() const;

  RelationMeta meta_;
  FieldCollection fields_;
  bool appended_ = false;
};

}  // namespace pds::db
