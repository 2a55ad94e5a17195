#include "pds/db/relation.h"

#include <algorithm>

#include "pds/db/jet_errors.h"

namespace pds::db {

Relation::Relation(std::string name, std::string table, std::string foreign_table, long attributes) {
  meta_.name = std::move(name);
  meta_.table = std::move(table);
  meta_.foreign_table = std::move(foreign_table);
  meta_.attributes = attributes;
  fields_.SetHooks(
      [this](std::shared_ptr<Field> f) {
        RefuseWhenAppended();
        auto& items = fields_.items();
        if (std::any_of(items.begin(), items.end(),
                        [&](const auto& x) { return SameObjectName(x->Name(), f->Name()); })) {
          RaiseJet(kErrFieldDefinedTwice);
        }
        items.push_back(std::move(f));
      },
      [this](std::string_view name) {
        RefuseWhenAppended();
        auto& items = fields_.items();
        auto it = std::find_if(items.begin(), items.end(),
                               [&](const auto& x) { return SameObjectName(x->Name(), name); });
        if (it == items.end()) RaiseJet(kErrItemNotFound);
        items.erase(it);
      },
      nullptr, nullptr);
}

Relation::~Relation() = default;

void Relation::RefuseWhenAppended() const {
  if (appended_) RaiseJet(kErrInvalidOperation);
}

void Relation::SetName(std::string name) {
  RefuseWhenAppended();
  meta_.name = std::move(name);
}

void Relation::SetTable(std::string table) {
  RefuseWhenAppended();
  meta_.table = std::move(table);
}

void Relation::SetForeignTable(std::string table) {
  RefuseWhenAppended();
  meta_.foreign_table = std::move(table);
}

void Relation::SetAttributes(long attributes) {
  RefuseWhenAppended();
  meta_.attributes = attributes;
}

std::shared_ptr<Field> Relation::CreateField(std::string name, int type, long size) {
  return std::make_shared<Field>(std::move(name), type == 0 ? dbText : type, size);
}

RelationMeta Relation::BuildMeta() const {
  RelationMeta m = meta_;
  m.fields.clear();
  for (const auto& f : const_cast<Relation*>(this)->fields_.items()) {
    m.fields.push_back({f->Name(), f->ForeignName().empty() ? f->Name() : f->ForeignName()});
  }
  return m;
}

void Relation::MarkAppended(const RelationMeta& meta) {
  meta_ = meta;
  auto& items = fields_.items();
  items.clear();
  for (const RelationFieldMeta& f : meta.fields) {
    auto field = std::make_shared<Field>(f.name, dbText, 0);
    field->SetForeignName(f.foreign_name);
    items.push_back(std::move(field));
  }
  appended_ = true;
}

}  // namespace pds::db
