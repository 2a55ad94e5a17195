// The tag layer's part of the service object: the application's tag database
// in the project's working folder, its own application database, the tag
// collections and data definitions, the tag settings, and the tag operations.
//
// It stands on ProjectStore. The one thing it needs from above is a new tag
// name typed by the user: PromptForNewTagName is supplied by the service
// layer, which owns the dialogs.
//
// Single-threaded; nothing here throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "projects/project_store.h"

namespace pds {

class clsDataDef;
class clsSelectedTags;
class clsUnitTag;
class clsUnitTags;

class TagStore : public ProjectStore {
 public:
  TagStore();
  ~TagStore() override;

  // Closes the tag database and the tag-index record set, so no data file is
  // held open while the working copy is staged.
  void ReleaseDataFiles() override;

  clsUnitTags& UnitTags() const { return *unit_tags_; }
  clsSelectedTags& SelectedTags() const { return *selected_tags_; }
  RsHandle& TagIndexRs() { return tag_index_rs_; }
  void SetTagIndexRs(const RsHandle& rs) { tag_index_rs_ = rs; }
  const std::string& TagIndexName() const { return tag_index_name_; }
  void SetTagIndexName(const std::string& value);  // empty keeps the old value
  const std::string& DataDefTbl() const { return data_def_tbl_; }
  void SetDataDefTbl(const std::string& value);  // trimmed; empty keeps the old value
  const std::string& DefTagType() const { return def_tag_type_; }
  void SetDefTagType(std::string& value);  // trims the caller's variable; stores it when not empty
  std::int32_t TagMultiSelect() const { return tag_multi_select_; }
  void SetTagMultiSelect(std::int32_t value) { tag_multi_select_ = value; }
  std::int16_t TagNameLengthLimit() const { return tag_name_length_limit_; }
  void SetTagNameLengthLimit(std::int16_t value);  // 1..255, others ignored
  DbHandle& AppDB() { return app_db_; }
  DbHandle& dbTag() { return db_tag_; }

  // ---- the tag database and collections
  bool OpenTagData(std::string& sStartTag);
  bool OpenTagData();
  bool InitTagData();
  bool ResetTagType(std::string& sTagType);
  bool ResetTagType();
  bool GetTempDbName(std::string& sName);
  bool GetMainDbName(std::string& sName);
  bool LoadUnitTagsCollection(const std::string& sTagTable, clsUnitTags& Tags);

  // ---- data definitions
  clsDataDef& DataDef(const std::string& sField, const std::string& sTable = "");
  clsDataDef& DataDefLoad(const std::string& sField, const std::string& sTable);

  // ---- tag records and operations
  bool CreateTagRecordset(const std::string& sTagType, const std::string& sTagName, RsHandle& rsTag);
  eProjectReturnCode NewTag(std::string& sTagType, std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode OpenTag(std::string& sTagType, std::string& sTagName, RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode DeleteTag(std::string& sTagType, std::string& sTagName, bool bShowMsgs = true);
  eProjectReturnCode CopyTag(std::string& sTagType, std::string& sTagName, std::string& sNewTagName, RsHandle& rsTag,
                             bool bShowMsgs = true);
  eProjectReturnCode RenameTag(std::string& sTagType, std::string& sTagName, std::string& sNewTagName,
                               RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode SaveTagAs(std::string& sTagType, const std::string& sTagName, std::string& sNewTagName,
                               RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode SaveTag(RsHandle& rsTag, std::string& sTagName);
  eProjectReturnCode SaveAllTags(RsHandle& rsTag);
  eProjectReturnCode CreateNewTagRecord(const std::string& sTagType, const std::string& sTagName, RsHandle& rsTag,
                                        bool bShowMsgs);
  eProjectReturnCode DeleteTagRecord(const std::string& sTagType, const std::string& sTagName, bool bShowMsgs);

  // ---- tag names
  std::int32_t AnyTagsToSelect(bool bShowNoTagsMsg = false, bool bUntitledOK = false);
  std::int32_t ValidateTagName(const std::string& sTagName);
  std::string GetAutoNewTagName(const std::string& sTagType, const std::string& sTagName, bool bIncludeParens = false);
  bool DoesTagExist(const clsUnitTags* Tags, const std::string& sTagName);
  bool ValidTag(const std::shared_ptr<clsUnitTag>& TagToValidate);
  bool RenameDuplicateTags(clsUnitTags* DuplicateTags);
  bool CheckRenameDuplicateTags(const std::string& sTable);
  // Asks the user for a tag name (the name entry dialog in tag-name mode).
  virtual eProjectReturnCode PromptForNewTagName(std::string& sName, const std::string& sTitle,
                                                 bool bAllowOverwrite) = 0;

 protected:
  std::unique_ptr<clsSelectedTags> selected_tags_;
  std::unique_ptr<clsUnitTags> unit_tags_;
  std::unique_ptr<clsDataDef> data_def_;
  RsHandle tag_index_rs_;
  std::string def_tag_type_ = "TagData";
  std::string data_def_tbl_ = "DataDef";
  std::string tag_index_name_ = "TagIndex";
  std::int32_t tag_multi_select_ = 0;
  std::int16_t tag_name_length_limit_ = 255;
  DbHandle db_tag_;
  DbHandle app_db_;
};

}  // namespace pds
