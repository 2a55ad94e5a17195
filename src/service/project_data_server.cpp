// The public service object is a thin adapter: every member forwards to the
// working core (Server), which owns the state layer by layer.
#include "pds/clsProjectDataServer.h"

#include "pds/clsProject.h"
#include "pds/clsUnitTags.h"
#include "service/server.h"

namespace pds {

clsProjectDataServer::clsProjectDataServer() : impl_(std::make_unique<Server>()) {}
clsProjectDataServer::~clsProjectDataServer() = default;

Server& ServerOf(clsProjectDataServer& server) { return *server.impl_; }
const Server& ServerOf(const clsProjectDataServer& server) { return *server.impl_; }

eProjectReturnCode clsProjectDataServer::PDSInitialize(const std::string& sAppPath, const std::string& sAppPdsg, const std::string& sCommandLine) { return impl_->PDSInitialize(sAppPath, sAppPdsg, sCommandLine); }
eProjectReturnCode clsProjectDataServer::ExitProgram() { return impl_->ExitProgram(); }
eProjectReturnCode clsProjectDataServer::ProjectCount(std::int32_t& lNumberOfProjects, const std::string& sPdsg) { return impl_->ProjectCount(lNumberOfProjects, sPdsg); }
bool clsProjectDataServer::DoesProjectExist(const std::string& sJobName, bool& bFound) { return impl_->DoesProjectExist(sJobName, bFound); }
bool clsProjectDataServer::GetProjectInfo(const std::string& sJobName, std::int32_t& lJobID, std::string& sJobPath) { return impl_->GetProjectInfo(sJobName, lJobID, sJobPath); }
const ProjectRef& clsProjectDataServer::Project() const { return impl_->Project(); }
bool clsProjectDataServer::ValidProject(const ProjectRef& ProjectToValidate) const { return impl_->ValidProject(ProjectToValidate); }
eProjectReturnCode clsProjectDataServer::ProjectNew() { return impl_->ProjectNew(); }
eProjectReturnCode clsProjectDataServer::ProjectOpen(const std::string& sJobName, const std::string& sProjectType, bool bShowNewButton) { return impl_->ProjectOpen(sJobName, sProjectType, bShowNewButton); }
eProjectReturnCode clsProjectDataServer::SelectProject(std::string& sSelectedProjectName, std::string& sSelectedProjectPath, std::int32_t& lSelectedProjectID, const std::string& sDefaultType, eProjectOperationMode lProjectMode, bool bShowNewButton) { return impl_->SelectProject(sSelectedProjectName, sSelectedProjectPath, lSelectedProjectID, sDefaultType, lProjectMode, bShowNewButton); }
eProjectReturnCode clsProjectDataServer::ProjectProperties() { return impl_->ProjectProperties(); }
bool clsProjectDataServer::LockProject(const ProjectRef& Project) { return impl_->LockProject(Project); }
eProjectReturnCode clsProjectDataServer::ProjectSave() { return impl_->ProjectSave(); }
eProjectReturnCode clsProjectDataServer::ProjectSave(std::string& sNewJobPath, std::string& sNewProjName) { return impl_->ProjectSave(sNewJobPath, sNewProjName); }
eProjectReturnCode clsProjectDataServer::ProjectSaveAs() { return impl_->ProjectSaveAs(); }
eProjectReturnCode clsProjectDataServer::ProjectArchive() { return impl_->ProjectArchive(); }
eProjectReturnCode clsProjectDataServer::ProjectArchive(std::string& sDestFile) { return impl_->ProjectArchive(sDestFile); }
eProjectReturnCode clsProjectDataServer::ProjectSaveAs(std::string& sNewJobPath, std::string& sNewProjName) { return impl_->ProjectSaveAs(sNewJobPath, sNewProjName); }
eProjectReturnCode clsProjectDataServer::PromptToSaveAndContinue() { return impl_->PromptToSaveAndContinue(); }
bool clsProjectDataServer::CloseCurrentProject() { return impl_->CloseCurrentProject(); }
eProjectReturnCode clsProjectDataServer::ProjectDelete(const std::string& sJobName, bool bShowMsgs) { return impl_->ProjectDelete(sJobName, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::ProjectRetrieve(const std::string& sArchiveFile, bool bShowMsgs) { return impl_->ProjectRetrieve(sArchiveFile, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::ProjectRetrieveFromPreviousVersion(const std::string& sTranslatorExePath) { return impl_->ProjectRetrieveFromPreviousVersion(sTranslatorExePath); }
std::string clsProjectDataServer::GetTempPathAndFileName(const std::string& sTempPath) { return impl_->GetTempPathAndFileName(sTempPath); }
bool clsProjectDataServer::IsAppDataRegistered(const std::string& sProject, const std::string& sPdsg) { return impl_->IsAppDataRegistered(sProject, sPdsg); }
std::int32_t clsProjectDataServer::SetConfigValue(const std::string& sKey, const std::string& sValue, const std::string& sPdsg) { return impl_->SetConfigValue(sKey, sValue, sPdsg); }
std::int32_t clsProjectDataServer::GetConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault, const std::string& sPdsg) { return impl_->GetConfigValue(sKey, sRetValue, sDefault, sPdsg); }
std::int32_t clsProjectDataServer::SetProjConfigValue(const std::string& sProjectDb, const std::string& sKey, const std::string& sValue, const std::string& sPdsg) { return impl_->SetProjConfigValue(sProjectDb, sKey, sValue, sPdsg); }
std::int32_t clsProjectDataServer::GetProjConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault, const std::string& sPdsg) { return impl_->GetProjConfigValue(sKey, sRetValue, sDefault, sPdsg); }
std::int32_t clsProjectDataServer::DeleteProjConfigValue(const std::string& sKey, const std::string& sPdsg) { return impl_->DeleteProjConfigValue(sKey, sPdsg); }
clsUnitTags& clsProjectDataServer::UnitTags() const { return impl_->UnitTags(); }
clsSelectedTags& clsProjectDataServer::SelectedTags() const { return impl_->SelectedTags(); }
bool clsProjectDataServer::OpenTagData(std::string& sStartTag) { return impl_->OpenTagData(sStartTag); }
bool clsProjectDataServer::OpenTagData() { return impl_->OpenTagData(); }
bool clsProjectDataServer::InitTagData() { return impl_->InitTagData(); }
bool clsProjectDataServer::ResetTagType(std::string& sTagType) { return impl_->ResetTagType(sTagType); }
bool clsProjectDataServer::ResetTagType() { return impl_->ResetTagType(); }
clsDataDef& clsProjectDataServer::DataDef(const std::string& sField, const std::string& sTable) { return impl_->DataDef(sField, sTable); }
bool clsProjectDataServer::CreateTagRecordset(const std::string& sTagType, const std::string& sTagName, RsHandle& rsTag) { return impl_->CreateTagRecordset(sTagType, sTagName, rsTag); }
eProjectReturnCode clsProjectDataServer::NewTag(std::string& sTagType, std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) { return impl_->NewTag(sTagType, sNewTagName, rsTag, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::OpenTag(std::string& sTagType, std::string& sTagName, RsHandle& rsTag, bool bShowMsgs) { return impl_->OpenTag(sTagType, sTagName, rsTag, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::DeleteTag(std::string& sTagType, std::string& sTagName, bool bShowMsgs) { return impl_->DeleteTag(sTagType, sTagName, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::CopyTag(std::string& sTagType, std::string& sTagName, std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) { return impl_->CopyTag(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::RenameTag(std::string& sTagType, std::string& sTagName, std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) { return impl_->RenameTag(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::SaveTagAs(std::string& sTagType, const std::string& sTagName, std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) { return impl_->SaveTagAs(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs); }
eProjectReturnCode clsProjectDataServer::SaveTag(RsHandle& rsTag, std::string& sTagName) { return impl_->SaveTag(rsTag, sTagName); }
eProjectReturnCode clsProjectDataServer::SaveAllTags(RsHandle& rsTag) { return impl_->SaveAllTags(rsTag); }
std::int32_t clsProjectDataServer::AnyTagsToSelect(bool bShowNoTagsMsg, bool bUntitledOK) { return impl_->AnyTagsToSelect(bShowNoTagsMsg, bUntitledOK); }
std::int32_t clsProjectDataServer::ValidateTagName(const std::string& sTagName) { return impl_->ValidateTagName(sTagName); }
std::string clsProjectDataServer::GetAutoNewTagName(const std::string& sTagType, const std::string& sTagName, bool bIncludeParens) { return impl_->GetAutoNewTagName(sTagType, sTagName, bIncludeParens); }
bool clsProjectDataServer::DoesTagExist(const clsUnitTags* Tags, const std::string& sTagName) { return impl_->DoesTagExist(Tags, sTagName); }
bool clsProjectDataServer::ValidTag(const std::shared_ptr<clsUnitTag>& TagToValidate) { return impl_->ValidTag(TagToValidate); }
bool clsProjectDataServer::RenameDuplicateTags(clsUnitTags* DuplicateTags) { return impl_->RenameDuplicateTags(DuplicateTags); }
bool clsProjectDataServer::ClearExportTagData(const std::string& sPdsg, const ProjectRef& Project) { return impl_->ClearExportTagData(sPdsg, Project); }
bool clsProjectDataServer::ExportTagData(clsExportTags* ExportTags, const std::string& sPdsg, const ProjectRef& Project, bool bClearCurrentDataFirst) { return impl_->ExportTagData(ExportTags, sPdsg, Project, bClearCurrentDataFirst); }
clsMRUJobs& clsProjectDataServer::MRUJobs() const { return impl_->MRUJobs(); }
bool clsProjectDataServer::AppDirty() const { return impl_->AppDirty(); }
void clsProjectDataServer::SetAppDirty(bool value) { impl_->SetAppDirty(value); }
eOSType clsProjectDataServer::OSPlatform() const { return impl_->OSPlatform(); }
std::int32_t clsProjectDataServer::OSMajorVer() const { return impl_->OSMajorVer(); }
std::int32_t clsProjectDataServer::OSMinorVer() const { return impl_->OSMinorVer(); }
std::string clsProjectDataServer::Pdsg() const { return impl_->Pdsg(); }
const std::string& clsProjectDataServer::AppExePath() const { return impl_->AppExePath(); }
const std::string& clsProjectDataServer::AppName() const { return impl_->AppName(); }
eDataStyle clsProjectDataServer::AppDataStyle() const { return impl_->AppDataStyle(); }
const std::string& clsProjectDataServer::AppVersion() const { return impl_->AppVersion(); }
std::int16_t clsProjectDataServer::Brand() const { return impl_->Brand(); }
bool clsProjectDataServer::gbExport() const { return impl_->gbExport(); }
const std::string& clsProjectDataServer::TVXiiPath() const { return impl_->TVXiiPath(); }
const std::string& clsProjectDataServer::EnviroPath() const { return impl_->EnviroPath(); }
const std::string& clsProjectDataServer::TempPath() const { return impl_->TempPath(); }
const std::string& clsProjectDataServer::CompanyLogo() const { return impl_->CompanyLogo(); }
const std::string& clsProjectDataServer::CompanyName() const { return impl_->CompanyName(); }
const std::string& clsProjectDataServer::ConfigDb() const { return impl_->ConfigDb(); }
const std::string& clsProjectDataServer::ProjectDb() const { return impl_->ProjectDb(); }
bool clsProjectDataServer::UserIdRequired() const { return impl_->UserIdRequired(); }
const std::string& clsProjectDataServer::NetUserID() const { return impl_->NetUserID(); }
const std::string& clsProjectDataServer::TVXUserId() const { return impl_->TVXUserId(); }
clsDLLInfo& clsProjectDataServer::DLLInfo() const { return impl_->DLLInfo(); }
std::string clsProjectDataServer::ProjectWorkFolderName() const { return impl_->ProjectWorkFolderName(); }
bool clsProjectDataServer::ReadOnly() const { return impl_->ReadOnly(); }
void clsProjectDataServer::SetReadOnly(bool value) { impl_->SetReadOnly(value); }
RsHandle& clsProjectDataServer::TagIndexRs() { return impl_->TagIndexRs(); }
void clsProjectDataServer::SetTagIndexRs(const RsHandle& rs) { impl_->SetTagIndexRs(rs); }
const std::string& clsProjectDataServer::TagIndexName() const { return impl_->TagIndexName(); }
void clsProjectDataServer::SetTagIndexName(const std::string& value) { impl_->SetTagIndexName(value); }
const std::string& clsProjectDataServer::DataDefTbl() const { return impl_->DataDefTbl(); }
void clsProjectDataServer::SetDataDefTbl(const std::string& value) { impl_->SetDataDefTbl(value); }
const std::string& clsProjectDataServer::DefTagType() const { return impl_->DefTagType(); }
void clsProjectDataServer::SetDefTagType(std::string& value) { impl_->SetDefTagType(value); }
std::int32_t clsProjectDataServer::TagMultiSelect() const { return impl_->TagMultiSelect(); }
void clsProjectDataServer::SetTagMultiSelect(std::int32_t value) { impl_->SetTagMultiSelect(value); }
std::int16_t clsProjectDataServer::TagNameLengthLimit() const { return impl_->TagNameLengthLimit(); }
void clsProjectDataServer::SetTagNameLengthLimit(std::int16_t value) { impl_->SetTagNameLengthLimit(value); }
std::string clsProjectDataServer::AppDbName() const { return impl_->AppDbName(); }
DbHandle& clsProjectDataServer::AppDB() { return impl_->AppDB(); }
const std::string& clsProjectDataServer::TagDbName() const { return impl_->TagDbName(); }
DbHandle& clsProjectDataServer::dbTag() { return impl_->dbTag(); }
void clsProjectDataServer::SetSortProjectsList(bool value) { impl_->SetSortProjectsList(value); }

}  // namespace pds
