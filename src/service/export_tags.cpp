// Writing an application's export set into the shared tables of a saved
// project's database: one TagIndex row per tag, and one TagData row per item
// under the number the database gave the tag's row.
//
// The whole export runs in one engine transaction, which spares the file a
// journal per row. It is committed whatever happens, so the rows written
// before a fault stay written, as they would row by row.
#include <cstdint>
#include <string>

#include "pds/Controls.h"
#include "pds/PendingError.h"
#include "pds/Text.h"
#include "pds/UiHost.h"
#include "pds/clsExportTags.h"
#include "pds/clsProject.h"
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "service/server.h"
#include "ui/messages.h"

namespace pds {

namespace {

constexpr const char* kTitle = "clsProjectDataServer.ExportTagData";
// What the shared columns keep of a tag's name and of its modification text.
constexpr int kTagNameCut = 50;
constexpr int kLastModifiedCut = 24;

bool IsFile(const std::string& path) {
  platform::FileAttributes attributes;
  return platform::CurrentEnv()->GetAttributes(path, &attributes).ok() && !attributes.directory;
}

// Sets a text column that may refuse empty text: an empty value is left out
// (the column stays Null) unless the column takes it.
void SetTextUnlessRefused(db::Recordset& rs, const char* column, const std::string& value) {
  db::Field& field = rs.Fields(column);
  if (!value.empty() || field.AllowZeroLength()) field.SetValue(Variant(value));
}

// Writes one tag's rows; the defined sizes of TagData's key and value
// columns are read from the table definitions once per export.
struct ExportWriter {
  long key_size = 0;
  long value_size = 0;

  // False when the tag's items cannot be written (the failure was reported
  // by CreateRecordset); a database fault throws.
  bool WriteTag(const DbHandle& db, db::Recordset& index, const clsExportTag& tag) {
    index.AddNew();
    // The number is the database's as soon as the row is started.
    const Variant tag_id = index.Fields("lTagId").Value();
    index.Fields("sApp").SetValue(Variant(tag.AppName()));
    index.Fields("sAppVer").SetValue(Variant(tag.AppVersion()));
    index.Fields("lLocalID").SetValue(Variant(tag.LocalTagID()));
    index.Fields("fStreamVersion").SetValue(Variant(tag.StreamVersion()));
    SetTextUnlessRefused(index, "sTagName", CharPrefix(tag.TagName(), kTagNameCut));
    index.Fields("sLastModified").SetValue(Variant(CharPrefix(tag.LastModified(), kLastModifiedCut)));
    index.Fields("LastModifiedDate").SetValue(Variant::Date(tag.LastModifiedDate()));
    SetTextUnlessRefused(index, "sStatusIndicator", tag.StatusIndicator());
    SetTextUnlessRefused(index, "TableName", tag.TableName());
    index.Fields("lEquipType").SetValue(Variant(tag.EquipmentType()));
    index.Update();

    RsHandle data;
    if (!CreateRecordset(db, data, "SELECT * FROM TagData WHERE 1 = 2", db::dbOpenDynaset) ||
        !CheckRecordsetValid(data, false)) {
      return false;
    }
    for (std::int32_t position = 1; position <= tag.ItemCount(); ++position) {
      const ExportItemRef item = tag.Item(Variant(position));
      if (!item) continue;
      // An item the shared columns cannot hold whole is left out: the
      // readers of these tables would take a cut value for the real one.
      if (CharCount(item->Value()) > value_size || CharCount(item->Key()) > key_size) continue;
      data->AddNew();
      data->Fields("lTagId").SetValue(tag_id);
      data->Fields("lSeqNumber").SetValue(Variant(item->SequenceNumber()));
      data->Fields("sKey").SetValue(Variant(item->Key()));
      SetTextUnlessRefused(*data, "sValue", item->Value());
      data->Update();
    }
    CloseRecordset(data);
    return true;
  }
};

}  // namespace

bool Server::ExportTagData(clsExportTags* ExportTags, const std::string& sPdsg, const ProjectRef& Project,
                           bool bClearCurrentDataFirst) {
  ClearError();
  if (!ExportTags) {
    ShowError("ExportTags collection is invalid.", vbExclamation, kTitle);
    return false;
  }
  if (ExportTags->Count() == 0) {
    ShowError(std::string("No Tags to Write.  You must populate the ExportTags collection ") +
                  "with Tag data before calling this function.",
              vbExclamation, kTitle);
    return false;
  }
  const ProjectRef project = ValidProject(Project) ? Project : (ValidProject(project_) ? project_ : nullptr);
  if (!project) {
    ShowError("Invalid Project object.", vbExclamation, kTitle);
    return false;
  }
  if (project->JobPath().empty()) {
    ShowError("Project must be saved before writing Indexed Tag data.", vbExclamation, kTitle);
    return false;
  }
  if (bClearCurrentDataFirst && !ClearExportTagData(sPdsg, Project)) {
    ShowError("", vbExclamation, kTitle);
    return false;
  }

  DbHandle db;
  RsHandle index;
  bool exported = false;
  try {
    const std::string path = project->ProjectDbPath();
    if (IsFile(path) && EqualsNoCase(GetLastPathPart(path), "Project.mdb") && OpenDb(db, path, true, false) &&
        CheckDatabaseValid(db, false)) {
      ExportWriter writer;
      std::shared_ptr<db::TableDef> data_def = db->TableDefs().Item("TagData");
      writer.key_size = data_def->Fields().Item("sKey")->Size();
      writer.value_size = data_def->Fields().Item("sValue")->Size();
      if (CreateRecordset(db, index, "SELECT * FROM TagIndex WHERE 1 = 2", db::dbOpenDynaset) &&
          CheckRecordsetValid(index, false)) {
        db::Transaction transaction;
        bool every_tag = true;
        const bool no_fault = TryStatement([&] {
          for (const ExportTagRef& tag : *ExportTags) {
            if (!writer.WriteTag(db, *index, *tag)) {
              every_tag = false;
              break;
            }
          }
        });
        const bool committed = TryStatement([&] { transaction.Commit(); });
        exported = no_fault && every_tag && committed;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  CloseRecordset(index);
  CloseDatabase(db);
  if (!exported) ShowError("", vbExclamation, kTitle);
  return exported;
}

}  // namespace pds
