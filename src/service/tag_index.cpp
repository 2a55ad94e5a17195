// Publishing the application's tags of the current tag type into the saved
// project's TagIndex table, one row per tag, found again by application code,
// application version, tag type and the tag's lTagId in the tag database.
//
// The rows of this application and tag type are read once and then edited or
// added tag by tag; that gives the rows a per-tag look-up would give (a tag
// with several rows updates the first of them) without one query per tag.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "engine/sql_text.h"
#include "pds/Controls.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "pds/clsUnitTags.h"
#include "platform/env.h"
#include "base/date_text.h"

namespace pds {

namespace {

// The tag every new project starts with; it stands for "no tag yet" and is
// never published.
constexpr const char* kUntitled = "Untitled";

// The row ids of the published rows, by the tag's lTagId; the first row wins.
std::unordered_map<std::int64_t, std::int64_t> PublishedRows(db::Recordset& rs) {
  std::unordered_map<std::int64_t, std::int64_t> rows;
  if (rs.Eof()) return rows;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    rows.emplace(rs.Fields("lLocalID").Value().AsLong(), rs.Bookmark());
  }
  return rows;
}

}  // namespace

bool Server::IndexTags(const ProjectRef& Project) {
  ClearError();
  if (!CheckDatabaseValid(app_db_, false)) OpenDb(app_db_, AppDbName(), true, false);
  if (!ValidProject(Project)) return false;
  // This application's earlier publication goes first, so normally every
  // row below is a new one.
  ClearExportTagData("", nullptr);

  DbHandle db;
  RsHandle rs;
  std::string message;
  bool indexed = false;
  try {
    clsUnitTags tags;
    if (OpenDb(db, Project->ProjectDbPath(), true, false) && CheckDatabaseValid(db, false) &&
        LoadUnitTagsCollection(def_tag_type_, tags)) {
      message = "Unable to update TagIndex table in Project.mdb.";
      const std::string designation = Pdsg();
      const std::string app = designation.substr(0, 3);
      const std::string version = designation.size() > 3 ? designation.substr(3, 2) : std::string();
      const std::string table = def_tag_type_;
      if (CreateRecordset(db, rs,
                          "SELECT * FROM TagIndex WHERE sApp=" + SqlTextLiteral(app) +
                              " AND sAppVer=" + SqlTextLiteral(version) + " AND TableName=" + SqlTextLiteral(table),
                          db::dbOpenDynaset)) {
        std::unordered_map<std::int64_t, std::int64_t> published = PublishedRows(*rs);
        const platform::TimePoint now = platform::CurrentEnv()->Now();
        const Variant modified_date = Variant::Date(GeneralDateText(now));
        const std::string modified_text = GeneralDateText(now);
        const int name_size = static_cast<int>(rs->Fields("sTagName").Size());
        const bool modified_fits =
            static_cast<long>(CharCount(modified_text)) <= rs->Fields("sLastModified").Size();
        // One engine transaction for the whole publication spares the file
        // a journal per row. It is committed whatever happens, so rows
        // written before a failure stay written, as they would without it.
        db::Transaction transaction;
        const bool written = TryStatement([&] {
          for (const UnitTagRef& tag : tags) {
            if (tag->Name() == kUntitled) continue;
            auto found = published.find(tag->Index());
            if (found != published.end()) {
              rs->SetBookmark(found->second);
              rs->Edit();
            } else {
              rs->AddNew();
              rs->Fields("sApp").SetValue(Variant(app));
              rs->Fields("sAppVer").SetValue(Variant(version));
              rs->Fields("TableName").SetValue(Variant(table));
              rs->Fields("lLocalID").SetValue(Variant(tag->Index()));
            }
            // A tag name may be longer than the shared table's column: the
            // publication keeps its first characters rather than failing the save.
            rs->Fields("sTagName").SetValue(Variant(CharPrefix(tag->Name(), name_size)));
            rs->Fields("sStatusIndicator").SetValue(Variant(std::to_string(tag->Computed())));
            if (modified_fits) rs->Fields("sLastModified").SetValue(Variant(modified_text));
            rs->Fields("LastModifiedDate").SetValue(modified_date);
            rs->Update();
          }
        });
        const bool committed = TryStatement([&] { transaction.Commit(); });
        indexed = written && committed && Err().number == 0;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  if (!indexed) ShowError(message, vbCritical, "clsProjectDataServer.IndexTags");
  return indexed;
}

}  // namespace pds
