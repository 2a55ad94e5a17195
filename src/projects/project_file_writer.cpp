// Writing the project file for the calling application, and building the
// same content as one text for the archive.
//
// A save touches only what belongs to the calling application and what is
// shared: its own key in "Application Data" and its own file sections, the
// project's name and properties, and the shared file sections. Other
// applications' keys and sections stay as they are, so the file gathers one
// entry per application that ever saved the project. Sections are replaced
// whole, so each keeps exactly the keys last written. A save stores the file
// once: a failure or a crash leaves the previous file, never a mix.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "projects/project_store.h"
#include "files/profile_file.h"
#include "files/file_routines.h"
#include "projects/project_file.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kArchiveVersion = "AR002";
const std::string kCrLf = "\r\n";

// A line break (or NUL) inside a value would end the line and start another
// entry; as a blank, the file keeps its structure.
std::string OneLine(const std::string& value) {
  std::string out = value;
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

Entries SpecEntries(const DataFileSpec& spec) {
  return {
      {"FileName", OneLine(spec.FileName)},
      {"RequiredFlag", FlagText(spec.RequiredFlag)},
      {"VerifyFlag", FlagText(spec.VerifyFlag)},
      {"ArchiveFlag", FlagText(spec.ArchiveFlag)},
      {"EraseFlag", FlagText(spec.EraseFlag)},
      {"CreateMethod", std::to_string(spec.CreateMethod)},
      {"SourceFileName", OneLine(spec.SourceFileName)},
  };
}

Entries PropertyEntries(const clsProject& project) {
  return {
      {"Project Number", OneLine(project.JobNumber())},
      {"Project Date", OneLine(project.JobDate())},
      {"Contact Name", OneLine(project.ContactName())},
      {"Contact Type", OneLine(project.ContactType())},
      {"Salesperson", OneLine(project.SalesPerson())},
      {"Last Modified", OneLine(project.LastModified())},
      {"Project Notes", EncodeNotesValue(project.Notes())},
  };
}

// The entries as lines of a replaced section: "key=value" each.
std::vector<std::string> SectionLines(const Entries& entries) {
  std::vector<std::string> lines;
  lines.reserve(entries.size());
  for (const auto& [key, value] : entries) lines.push_back(key + "=" + value);
  return lines;
}

// "[section]", the entries, and the empty line that ends a section.
std::string SectionText(const std::string& section, const Entries& entries) {
  std::string text = "[" + section + "]" + kCrLf;
  for (const auto& [key, value] : entries) text += key + "=" + value + kCrLf;
  return text + kCrLf;
}

}  // namespace

bool ProjectStore::SaveToProjectQVPFile(const ProjectRef& project, const std::string& sFileName) {
  constexpr const char* kTitle = "SaveToProjectQVPFile()";
  ClearError();
  return Guarded(kTitle, vbCritical, false, [&]() -> bool {
    if (!project) {
      ShowError("Error - No current project object.", vbCritical, kTitle);
      return false;
    }
    std::string file = Trim(sFileName);
    if (file.empty()) {
      // Without a folder the file would land wherever the process happens to
      // stand; refuse instead.
      if (project->JobPath().empty()) {
        ShowError("Project path invalid.  No path specified.", vbCritical, kTitle);
        return false;
      }
      file = AddBackslash(project->JobPath()) + "PROJECT.QVP";
    }
    const std::string pdsg = Pdsg();
    const std::vector<DataFileSpec>& app_specs = Shared().app_data_specs;
    const std::vector<DataFileSpec>& shared_specs = Shared().shared_data_specs;
    const std::string job_name = OneLine(project->JobName());

    // The file is read once, edited in memory and stored once, so the save
    // either lands whole or leaves the file as it was. Every write of the
    // save goes into that one store; when it fails, the first of them
    // ("Project Name") is the one reported as not written. WritePPS-style
    // message first, then the report adds the system error.
    auto failed = [&](int code) {
      SetLastOsError(code);
      ShowWritePPSFailure("Project Name", job_name, file);
      ShowError("", vbCritical, kTitle);
      return false;
    };
    platform::ProfileText text;
    const platform::Status read = platform::ReadProfile(file, &text);
    // A missing file (or folder) starts empty; writing it reports the folder.
    if (!read.ok() && read.code != 2 && read.code != 3) return failed(read.code);

    // The same edits, in the same order, as one key or section write each.
    text.SetValue("Project", "Project Name", job_name);
    text.SetValue("Project", "Master Archive Version", kArchiveVersion);
    text.SetValue("Application Data", pdsg, OneLine(AppName()));
    // An application that keeps no files in the project has no data in it.
    if (app_specs.empty()) text.DeleteKey("Application Data", pdsg);
    for (std::size_t i = 0; i < shared_specs.size(); ++i) {
      text.ReplaceSection(FileSectionName(kSharedPdsg, static_cast<int>(i + 1)),
                          SectionLines(SpecEntries(shared_specs[i])));
    }
    text.ReplaceSection("Properties", SectionLines(PropertyEntries(*project)));
    for (std::size_t i = 0; i < app_specs.size(); ++i) {
      text.ReplaceSection(FileSectionName(pdsg, static_cast<int>(i + 1)), SectionLines(SpecEntries(app_specs[i])));
    }

    const platform::Status written = platform::WriteProfile(file, text);
    if (!written.ok()) return failed(written.code);
    ClearError();
    return true;
  });
}

bool ProjectStore::CreateProjectQVPFileAsString(const ProjectRef& project, std::string& sText) {
  return Guarded("CreateProjectQVPFileAsString()", vbCritical, false, [&]() -> bool {
    if (!project) return false;
    const std::string pdsg = Pdsg();
    // The archive carries this text as the project's file; it lists the
    // calling application only and leaves out the shared file sections.
    std::string text = SectionText("Project", {{"Project Name", OneLine(project->JobName())},
                                               {"Master Archive Version", kArchiveVersion}});
    text += SectionText("Application Data", {{pdsg, OneLine(AppName())}});
    text += SectionText("Properties", PropertyEntries(*project));
    const std::vector<DataFileSpec>& app_specs = Shared().app_data_specs;
    for (std::size_t i = 0; i < app_specs.size(); ++i) {
      text += SectionText(FileSectionName(pdsg, static_cast<int>(i + 1)), SpecEntries(app_specs[i]));
    }
    sText = std::move(text);
    return true;
  });
}

}  // namespace pds
