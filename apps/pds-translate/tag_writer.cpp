#include "apps/pds-translate/tag_writer.h"

#include <memory>
#include <set>

#include "pds/PendingError.h"
#include "pds/Text.h"
#include "pds/Variant.h"
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"

namespace pds::translate {

namespace {

constexpr char kOrderField[] = "lOrder";

std::string Bracketed(const std::string& name) { return "[" + name + "]"; }

// The designation whose working folder this is: "~PMP10" gives "PMP10".
std::string DesignationOf(const std::string& folder) {
  std::string name = folder;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  name = name.substr(name.find_last_of('/') + 1);
  return name.size() > 1 && name[0] == '~' ? name.substr(1) : std::string();
}

// The checks that need the tag database, made before anything is written.
bool Check(db::Database& tags, const TagTypeData& data, std::string* error) {
  const std::string where = data.file + " (tag type " + data.tag_type + ")";
  std::shared_ptr<db::TableDef> table = tags.TableDefs().Find(data.tag_type);
  if (!table) {
    *error = where + ": the target application has no tag type " + data.tag_type;
    return false;
  }
  for (const std::string& name : data.fields) {
    std::shared_ptr<db::Field> field = table->Fields().Find(name);
    if (!field) {
      *error = where + ": unknown field " + name + " (tag type " + data.tag_type + " has no such field)";
      return false;
    }
    if ((field->Attributes() & db::dbAutoIncrField) != 0) {
      *error = where + ": field " + name + " is numbered by the tag database and cannot be given";
      return false;
    }
  }
  std::set<std::string> taken;
  auto rs = tags.OpenRecordset("SELECT TagName FROM " + Bracketed(data.tag_type), db::dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) taken.insert(UCase(rs->Fields(0).Value().AsString()));
  rs->Close();
  const std::size_t name_column = [&] {
    for (std::size_t c = 0; c < data.fields.size(); ++c) {
      if (EqualsNoCase(data.fields[c], kTagNameField)) return c;
    }
    return std::size_t{0};
  }();
  for (std::size_t r = 0; r < data.rows.size(); ++r) {
    if (taken.count(UCase(data.rows[r][name_column])) != 0) {
      *error = where + " line " + std::to_string(data.lines[r]) + ": tag name '" + data.rows[r][name_column] +
               "' is already in the target";
      return false;
    }
  }
  return true;
}

// Appends the rows of one tag type; throws the engine's error, with the
// row and field it met in context.
void Append(db::Database& tags, const TagTypeData& data, const volatile std::sig_atomic_t& cancel, bool* cancelled,
           std::string* context) {
  auto rs = tags.OpenRecordset("SELECT * FROM " + Bracketed(data.tag_type), db::dbOpenDynaset);
  bool order_given = false;
  for (const std::string& f : data.fields) order_given = order_given || EqualsNoCase(f, kOrderField);
  const bool has_order = tags.TableDefs().Item(data.tag_type)->Fields().Find(kOrderField) != nullptr;
  for (std::size_t r = 0; r < data.rows.size(); ++r) {
    if (cancel != 0) {
      *cancelled = true;
      break;
    }
    rs->AddNew();
    for (std::size_t c = 0; c < data.fields.size(); ++c) {
      *context = data.file + " line " + std::to_string(data.lines[r]) + ", field " + data.fields[c];
      // An empty cell leaves the field without a value.
      if (!data.rows[r][c].empty()) rs->Fields(data.fields[c]).SetValue(Variant(data.rows[r][c]));
    }
    // Without an order of their own, tags keep the order of the file.
    if (has_order && !order_given) rs->Fields(kOrderField).SetValue(Variant(static_cast<std::int32_t>(r + 1)));
    *context = data.file + " line " + std::to_string(data.lines[r]);
    rs->Update();
  }
  rs->Close();
}

}  // namespace

WriteOutcome WriteTags(const std::string& folder, const PreviousProject& project,
                       const volatile std::sig_atomic_t& cancel, std::string* error) {
  const std::string pdsg = DesignationOf(folder);
  if (pdsg.empty()) {
    *error = "the target " + folder + " is not an application's working folder (~ and a designation)";
    return WriteOutcome::kRefused;
  }
  const std::string file = folder + "/" + pdsg + "Tag.mdb";
  std::shared_ptr<db::Database> tags;
  std::string context;
  bool in_transaction = false;
  try {
    tags = db::DBEngine().OpenDatabase(file, true, false);
    for (const TagTypeData& data : project.tag_types) {
      if (!Check(*tags, data, error)) {
        tags->Close();
        return WriteOutcome::kRefused;
      }
    }
    db::DBEngine().BeginTrans();
    in_transaction = true;
    bool cancelled = false;
    for (const TagTypeData& data : project.tag_types) {
      if (cancelled) break;
      Append(*tags, data, cancel, &cancelled, &context);
    }
    if (cancelled || cancel != 0) {
      db::DBEngine().Rollback();
      tags->Close();
      return WriteOutcome::kCancelled;
    }
    db::DBEngine().CommitTrans();
    in_transaction = false;
    tags->Close();
    return WriteOutcome::kWritten;
  } catch (const RuntimeError& e) {
    *error = (context.empty() ? file : context) + ": " + e.description();
  } catch (const std::exception& e) {
    *error = file + ": " + e.what();
  }
  try {
    if (in_transaction) db::DBEngine().Rollback();
    if (tags) tags->Close();
  } catch (...) {
    // The file is left as the rollback left it; the refusal stands.
  }
  return WriteOutcome::kRefused;
}

}  // namespace pds::translate
