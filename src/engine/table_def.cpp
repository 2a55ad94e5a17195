#include "pds/db/table_def.h"

#include <algorithm>

#include "pds/db/database.h"
#include "engine/field_values.h"
#include "pds/db/jet_errors.h"

namespace pds::db {

namespace {

template <class T>
void RemoveByName(std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  auto it = std::find_if(items.begin(), items.end(), [&](const auto& x) { return SameObjectName(x->Name(), name); });
  if (it == items.end()) RaiseJet(kErrItemNotFound);
  items.erase(it);
}

template <class T>
bool Contains(std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  return std::any_of(items.begin(), items.end(), [&](const auto& x) { return SameObjectName(x->Name(), name); });
}

}  // namespace

// ---- Index

Index::Index(std::string name) {
  meta_.name = std::move(name);
  fields_.SetHooks(
      [this](std::shared_ptr<Field> f) {
        RefuseWhenAppended();
        if (Contains(fields_.items(), f->Name())) RaiseJet(kErrFieldDefinedTwice);
        fields_.items().push_back(std::move(f));
      },
      [this](std::string_view name) {
        RefuseWhenAppended();
        RemoveByName(fields_.items(), name);
      },
      nullptr, nullptr);
}

Index::~Index() = default;

void Index::RefuseWhenAppended() const {
  if (appended_) RaiseJet(kErrInvalidOperation);
}

void Index::SetName(std::string name) {
  RefuseWhenAppended();
  meta_.name = std::move(name);
}

void Index::SetPrimary(bool primary) {
  RefuseWhenAppended();
  meta_.primary = primary;
}

void Index::SetUnique(bool unique) {
  RefuseWhenAppended();
  meta_.unique = unique;
}

void Index::SetRequired(bool required) {
  RefuseWhenAppended();
  meta_.required = required;
}

void Index::SetIgnoreNulls(bool ignore) {
  RefuseWhenAppended();
  meta_.ignore_nulls = ignore;
}

std::shared_ptr<Field> Index::CreateField(std::string name, int type, long size) {
  auto f = std::make_shared<Field>(std::move(name), type == 0 ? dbText : type, size);
  FieldMeta m = f->meta();
  m.attributes = 0;  // an index field's only attribute is dbDescending
  f->ReplaceMeta(m);
  return f;
}

IndexMeta Index::BuildMeta() const {
  IndexMeta m = meta_;
  m.fields.clear();
  for (const auto& f : const_cast<Index*>(this)->fields_.items()) {
    m.fields.push_back({f->Name(), (f->meta().attributes & dbDescending) != 0});
  }
  if (m.primary) m.unique = m.required = true;
  return m;
}

void Index::MarkAppended(const IndexMeta& meta) {
  meta_ = meta;
  auto& items = fields_.items();
  items.clear();
  for (const IndexFieldMeta& f : meta.fields) {
    auto field = std::make_shared<Field>(f.name, dbText, 0);
    FieldMeta m = field->meta();
    m.attributes = f.descending ? dbDescending : 0;
    field->ReplaceMeta(m);
    items.push_back(std::move(field));
  }
  appended_ = true;
}

// ---- TableDef

TableDef::TableDef(std::string name) {
  meta_.name = std::move(name);
  fields_.SetHooks([this](std::shared_ptr<Field> f) { AppendField(std::move(f)); },
                   [this](std::string_view n) { DeleteField(n); },
                   [this] {
                     generation_ = 0;
                     if (bound_) SyncFromCatalog();
                   },
                   [this] {
                     if (bound_) SyncFromCatalog();
                   });
  indexes_.SetHooks([this](std::shared_ptr<Index> i) { AppendIndex(std::move(i)); },
                    [this](std::string_view n) { DeleteIndex(n); },
                    [this] {
                      generation_ = 0;
                      if (bound_) SyncFromCatalog();
                    },
                    [this] {
                      if (bound_) SyncFromCatalog();
                    });
}

TableDef::~TableDef() {
  for (const auto& f : fields_.items()) f->Detach();
}

std::shared_ptr<Database> TableDef::RequireDatabase() const {
  if (orphaned_) RaiseJet(kErrObjectInvalid);
  std::shared_ptr<Database> db = db_.lock();
  if (!db || !db->IsOpen()) RaiseJet(kErrObjectInvalid);
  return db;
}

void TableDef::Resync() {
  generation_ = 0;
  SyncFromCatalog();
}

void TableDef::SyncFromCatalog() {
  std::shared_ptr<Database> db = RequireDatabase();
  Catalog& catalog = db->catalog();
  if (catalog.generation() == generation_) return;
  const TableMeta* t = catalog.FindTable(meta_.name);
  if (!t) {
    Orphan();
    RaiseJet(kErrObjectInvalid);
  }
  Reload(*t);
  generation_ = catalog.generation();
}

void TableDef::Reload(const TableMeta& meta) {
  meta_ = meta;
  auto& fields = fields_.items();
  std::vector<std::shared_ptr<Field>> next;
  for (const FieldMeta& fm : meta.fields) {
    auto it = std::find_if(fields.begin(), fields.end(),
                           [&](const auto& f) { return SameObjectName(f->Name(), fm.name); });
    std::shared_ptr<Field> f = it != fields.end() ? *it : std::make_shared<Field>();
    f->ReplaceMeta(fm);
    f->AttachToTable(this);
    next.push_back(std::move(f));
  }
  for (const auto& f : fields) {
    if (std::find(next.begin(), next.end(), f) == next.end()) f->Detach();
  }
  fields = std::move(next);

  auto& indexes = indexes_.items();
  std::vector<std::shared_ptr<Index>> next_indexes;
  for (const IndexMeta& im : meta.indexes) {
    auto it = std::find_if(indexes.begin(), indexes.end(),
                           [&](const auto& i) { return SameObjectName(i->Name(), im.name); });
    std::shared_ptr<Index> ix = it != indexes.end() ? *it : std::make_shared<Index>();
    ix->MarkAppended(im);
    next_indexes.push_back(std::move(ix));
  }
  indexes = std::move(next_indexes);
}

void TableDef::Bind(const std::shared_ptr<Database>& db) {
  db_ = db;
  bound_ = true;
  Resync();
}

void TableDef::Orphan() {
  orphaned_ = true;
  for (const auto& f : fields_.items()) f->Detach();
}

long TableDef::Attributes() const {
  long attributes = meta_.attributes;
  if (!bound_ && !meta_.connect.empty() && (attributes & (dbAttachedTable | dbAttachedODBC)) == 0) {
    attributes |= meta_.connect.rfind("ODBC;", 0) == 0 ? dbAttachedODBC : dbAttachedTable;
  }
  return attributes;
}

void TableDef::SetName(std::string name) {
  if (bound_) RaiseJet(kErrInvalidOperation);
  meta_.name = std::move(name);
}

void TableDef::SetAttributes(long attributes) {
  if (bound_) RaiseJet(kErrInvalidOperation);
  meta_.attributes = attributes;
}

void TableDef::SetConnect(std::string connect) {
  if (bound_) RaiseJet(kErrInvalidOperation);
  meta_.connect = std::move(connect);
}

void TableDef::SetSourceTableName(std::string name) {
  if (bound_) RaiseJet(kErrInvalidOperation);
  meta_.source_table = std::move(name);
}

bool TableDef::Updatable() const {
  if (!bound_) return true;
  std::shared_ptr<Database> db = RequireDatabase();
  return !db->ReadOnly() && !meta_.linked();
}

std::shared_ptr<Field> TableDef::CreateField(std::string name, int type, long size) {
  return std::make_shared<Field>(std::move(name), type, size);
}

std::shared_ptr<Index> TableDef::CreateIndex(std::string name) { return std::make_shared<Index>(std::move(name)); }

TableMeta TableDef::BuildMeta() const {
  TableMeta m = meta_;
  m.attributes = Attributes();
  m.fields.clear();
  m.indexes.clear();
  auto* self = const_cast<TableDef*>(this);
  for (const auto& f : self->fields_.items()) m.fields.push_back(f->meta());
  for (const auto& i : self->indexes_.items()) m.indexes.push_back(i->BuildMeta());
  return m;
}

void TableDef::AppendField(std::shared_ptr<Field> field) {
  if (field->in_table()) RaiseJet(kErrInvalidOperation);
  if (field->Name().empty()) RaiseJet(kErrInvalidOperation);
  FieldMeta m = field->meta();
  if (!bound_) {
    if (Contains(fields_.items(), m.name)) RaiseJet(kErrFieldDefinedTwice);
    if (!field->ordinal_set()) {
      m.ordinal = static_cast<int>(fields_.items().size());
      field->ReplaceMeta(m);
    }
    fields_.items().push_back(std::move(field));
    return;
  }
  std::shared_ptr<Database> db = RequireDatabase();
  SyncFromCatalog();
  if (!field->ordinal_set()) {
    int last = -1;
    for (const auto& f : fields_.items()) last = std::max(last, f->OrdinalPosition());
    m.ordinal = last + 1;
  }
  db->catalog().AddField(meta_.name, m);
  field->ReplaceMeta(m);
  field->AttachToTable(this);
  fields_.items().push_back(std::move(field));
  Resync();
}

void TableDef::DeleteField(std::string_view name) {
  // Before the table is appended the list is all there is.
  if (!bound_) return RemoveByName(fields_.items(), name);
  RequireDatabase()->catalog().DropField(meta_.name, name);
  Resync();
}

void TableDef::ChangeField(const FieldMeta& field) {
  RequireDatabase()->catalog().ChangeField(meta_.name, field);
  Resync();
}

void TableDef::AppendIndex(std::shared_ptr<Index> index) {
  if (index->appended()) RaiseJet(kErrInvalidOperation);
  if (!bound_) {
    if (Contains(indexes_.items(), index->Name())) RaiseJet(kErrIndexExists);
    indexes_.items().push_back(std::move(index));
    return;
  }
  std::shared_ptr<Database> db = RequireDatabase();
  IndexMeta m = index->BuildMeta();
  db->catalog().CreateIndex(meta_.name, m);
  index->MarkAppended(m);
  indexes_.items().push_back(std::move(index));
  Resync();
}

void TableDef::DeleteIndex(std::string_view name) {
  // Before the table is appended the list is all there is.
  if (!bound_) return RemoveByName(indexes_.items(), name);
  RequireDatabase()->catalog().DropIndex(meta_.name, name);
  Resync();
}

}  // namespace pds::db
