// Writing the project file for the calling application, and building the
// same content as one text for the archive.
//
// A save touches only what belongs to the calling application and what is
// shared: its own key in "Application Data" and its own file sections, the
// project's name and properties, and the shared file sections. Other
// applications' keys and sections stay as they are, so the file gathers one
// entry per application that ever saved the project. Sections are replaced
// whole, so each keeps exactly the keys last written.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/messages/messages.h"
#include "core/messages/pending_error.h"
#include "core/process_state.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "platform/profile_file.h"
#include "projects/file_routines.h"
#include "projects/project_file.h"

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

// The entries as the section-replacing write takes them: "key=value" each
// followed by a NUL.
std::string SectionData(const Entries& entries) {
  std::string data;
  for (const auto& [key, value] : entries) {
    data += key + "=" + value;
    data += '\0';
  }
  return data;
}

// "[section]", the entries, and the empty line that ends a section.
std::string SectionText(const std::string& section, const Entries& entries) {
  std::string text = "[" + section + "]" + kCrLf;
  for (const auto& [key, value] : entries) text += key + "=" + value + kCrLf;
  return text + kCrLf;
}

}  // namespace

bool clsProjectDataServer::SaveToProjectQVPFile(const ProjectRef& project, const std::string& sFileName) {
  constexpr const char* kTitle = "SaveToProjectQVPFile()";
  ClearError();
  try {
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

    // The first failed write ends the save; what was written before stays.
    // WritePPS has shown its own message; the report adds the system error.
    auto failed = [&] {
      ShowError("", vbCritical, kTitle);
      return false;
    };
    if (!WritePPS("Project", "Project Name", OneLine(project->JobName()), file)) return failed();
    if (!WritePPS("Project", "Master Archive Version", std::string(kArchiveVersion), file)) return failed();
    if (!WritePPS("Application Data", pdsg, OneLine(AppName()), file)) return failed();
    // An application that keeps no files in the project has no data in it.
    if (app_specs.empty() && !WritePPS("Application Data", pdsg, std::nullopt, file)) return failed();

    for (std::size_t i = 0; i < shared_specs.size(); ++i) {
      const std::string section = FileSectionName(kSharedPdsg, static_cast<int>(i + 1));
      if (!platform::WritePrivateProfileSection(section, SectionData(SpecEntries(shared_specs[i])), file)) {
        return failed();
      }
    }
    if (!platform::WritePrivateProfileSection("Properties", SectionData(PropertyEntries(*project)), file)) {
      return failed();
    }
    for (std::size_t i = 0; i < app_specs.size(); ++i) {
      const std::string section = FileSectionName(pdsg, static_cast<int>(i + 1));
      if (!platform::WritePrivateProfileSection(section, SectionData(SpecEntries(app_specs[i])), file)) {
        return failed();
      }
    }
    ClearError();
    return true;
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, kTitle);
    return false;
  }
}

bool clsProjectDataServer::CreateProjectQVPFileAsString(const ProjectRef& project, std::string& sText) {
  try {
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
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "CreateProjectQVPFileAsString()");
    return false;
  }
}

}  // namespace pds
