#include "pds/Installation.h"

#include <cstdint>
#include <string_view>

#include "config/sample_apps.h"
#include "ui/messages.h"
#include "config/schema.h"
#include "pds/Version.h"
#include "platform/env.h"
#include "platform/errors.h"

namespace pds::install {

namespace {

using platform::CurrentEnv;
using platform::Status;
using schema::TableRows;

constexpr std::string_view kInstallFolder = "TVX-ii";
constexpr std::string_view kSharedPdsg = "XXXYY";

struct Brand {
  const char* word;
  std::int16_t number;
  const char* company;
};

// The brand words an installation accepts, in the startup's terms. EXPORT is
// brand 0 plus the export flag; only the command line carries that flag, so
// the installation records brand 0 for it.
constexpr Brand kBrands[] = {
    {"VELTRAX", 0, "Veltrax"}, {"DORNEL", 1, "Dornel"}, {"HALVORN", 2, "Halvorn"},
    {"TORSK", 3, "Torsk"},     {"EXPORT", 0, "Veltrax"},
};

const Brand* FindBrand(const std::string& word) {
  std::string upper = UCase(Trim(word));
  for (const Brand& b : kBrands) {
    if (upper == b.word) return &b;
  }
  return nullptr;
}

// A failed step: its reason for the caller, thrown only inside this file and
// caught by BuildInstallation.
struct BuildError {
  std::string reason;
};

std::string StatusText(const Status& s) {
  std::string text = platform::SystemErrorMessage(s.code);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (text.empty()) text = "system error " + std::to_string(s.code);
  return text;
}

void Check(const Status& s, const std::string& what, const std::string& path) {
  if (!s.ok()) throw BuildError{"cannot " + what + " " + InBrackets(path) + ": " + StatusText(s)};
}

bool Exists(const std::string& path, bool* is_folder = nullptr) {
  platform::FileAttributes attrs;
  if (!CurrentEnv()->GetAttributes(path, &attrs).ok()) return false;
  if (is_folder) *is_folder = attrs.directory;
  return true;
}

// Creates `path` and any missing parents.
void CreateFolders(const std::string& path) {
  bool is_folder = false;
  if (Exists(path, &is_folder)) {
    if (!is_folder) throw BuildError{InBrackets(path) + " is a file, not a folder"};
    return;
  }
  std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) CreateFolders(path.substr(0, slash));
  Status s = CurrentEnv()->CreateFolder(path);
  if (!s.ok() && s.code != platform::kErrAlreadyExists) Check(s, "create the folder", path);
}

// Removes a folder and everything in it; best effort, for cleaning up a
// staging folder that never became an installation.
void RemoveTree(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (CurrentEnv()->ListFolder(folder, &entries).ok()) {
    for (const platform::DirEntry& e : entries) {
      if (e.name == "." || e.name == "..") continue;
      std::string path = folder + "/" + e.name;
      if (e.directory) {
        RemoveTree(path);
      } else {
        // Read-only files (the templates) refuse deletion until made normal.
        if (e.read_only) (void)CurrentEnv()->SetReadOnly(path, false);
        (void)CurrentEnv()->DeleteFile(path);
      }
    }
  }
  (void)CurrentEnv()->RemoveFolder(folder);
}

void WriteFile(const std::string& path, const std::string& content) {
  Check(CurrentEnv()->WriteFileAtomic(path, content), "write", path);
}

// Templates (*.ro) ship read-only, as the routines that copy them expect:
// each copy gets normal attributes again, and the template itself is never
// opened for writing by mistake.
void MarkReadOnly(const std::string& path) { Check(CurrentEnv()->SetReadOnly(path, true), "make read-only", path); }

void CreateDatabase(const std::string& path, const schema::DatabaseSchema& db, const std::vector<TableRows>& rows) {
  std::string error;
  if (!schema::CreateDatabaseFile(path, db, rows, &error)) {
    throw BuildError{"cannot create the database " + InBrackets(path) + ": " + error};
  }
}

// ---- logo files: tiny valid pictures, so a host that shows the logo can.

void PutLE(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A one-pixel 24-bit bitmap of the given colour.
std::string OnePixelBitmap(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::string out = "BM";
  PutLE(out, 58, 4);  // file size
  PutLE(out, 0, 4);   // reserved
  PutLE(out, 54, 4);  // offset of the pixels
  PutLE(out, 40, 4);  // info header size
  PutLE(out, 1, 4);   // width
  PutLE(out, 1, 4);   // height
  PutLE(out, 1, 2);   // planes
  PutLE(out, 24, 2);  // bits per pixel
  PutLE(out, 0, 4);   // no compression
  PutLE(out, 4, 4);   // image size (one row padded to 4 bytes)
  PutLE(out, 2835, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  out.push_back(static_cast<char>(b));
  out.push_back(static_cast<char>(g));
  out.push_back(static_cast<char>(r));
  out.push_back('\0');
  return out;
}

// An empty placeable metafile: header and end-of-file record only.
std::string EmptyMetafile() {
  std::string placeable;
  PutLE(placeable, 0x9AC6CDD7u, 4);  // key
  PutLE(placeable, 0, 2);            // handle
  PutLE(placeable, 0, 2);            // bounds: left, top, right, bottom
  PutLE(placeable, 0, 2);
  PutLE(placeable, 1, 2);
  PutLE(placeable, 1, 2);
  PutLE(placeable, 1440, 2);  // units per inch
  PutLE(placeable, 0, 4);     // reserved
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i + 1 < placeable.size(); i += 2) {
    checksum ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(placeable[i]) |
                                           (static_cast<std::uint8_t>(placeable[i + 1]) << 8));
  }
  PutLE(placeable, checksum, 2);
  std::string out = placeable;
  PutLE(out, 1, 2);       // in memory
  PutLE(out, 9, 2);       // header size in words
  PutLE(out, 0x0300, 2);  // version
  PutLE(out, 12, 4);      // size in words: header and end record
  PutLE(out, 0, 2);       // objects
  PutLE(out, 3, 4);       // largest record in words
  PutLE(out, 0, 2);
  PutLE(out, 3, 4);  // end-of-file record: 3 words, function 0
  PutLE(out, 0, 2);
  return out;
}

void WriteLogos(const std::string& tvxii) {
  WriteFile(tvxii + "/LOGO-V.WMF", EmptyMetafile());
  WriteFile(tvxii + "/LOGO-D.BMP", OnePixelBitmap(0x1F, 0x4E, 0x79));
  WriteFile(tvxii + "/LOGO-HN.BMP", OnePixelBitmap(0x8B, 0x1A, 0x1A));
  WriteFile(tvxii + "/LOGO-T.BMP", OnePixelBitmap(0x2E, 0x7D, 0x32));
}

// ---- databases

Variant Int16(int n) { return Variant(static_cast<std::int16_t>(n)); }
Variant Int32(long n) { return Variant(static_cast<std::int32_t>(n)); }

std::vector<Variant> SpecRow(const std::string& pdsg, const DataFileSpec& f) {
  return {pdsg, f.FileName, f.RequiredFlag, f.VerifyFlag, f.ArchiveFlag, f.EraseFlag, Int16(f.CreateMethod),
          f.SourceFileName};
}

TableRows VersionRows() {
  return {"Version",
          {"lMinDLLMajorVersion", "lMinDLLMinorVersion", "lMinDLLRevision"},
          {{Int32(kMajorVersion), Int32(kMinorVersion), Int32(kRevision)}}};
}

void WriteConfigurationDatabase(const std::string& path, const Brand& brand, const InstallOptions& options,
                                const std::vector<const SampleApp*>& apps) {
  TableRows config{"Config", {"sCompanyName", "nBrand", "bUserIdRequired"},
                   {{std::string(brand.company), Int16(brand.number), options.user_ids_required}}};
  TableRows installed{"Installed", {"sPdsg", "sName", "fVersion", "nDataStyle"}, {}};
  TableRows programs{"ProgSpecification", {"sPdsg", "sFileName"}, {}};
  TableRows data{"DataSpecification",
                 {"sPdsg", "sFileName", "bRequiredFlag", "bVerifyFlag", "bArchiveFlag", "bEraseFlag",
                  "nCreateMethod", "sSourceFileName"},
                 {}};
  for (const DataFileSpec& f : SharedDataFiles()) data.rows.push_back(SpecRow(std::string(kSharedPdsg), f));
  for (const SampleApp* app : apps) {
    installed.rows.push_back({app->pdsg, app->name, app->version, Int16(app->data_style)});
    for (const std::string& file : app->ProgramFiles()) programs.rows.push_back({app->pdsg, file});
    for (const DataFileSpec& f : app->data_files) data.rows.push_back(SpecRow(app->pdsg, f));
  }
  TableRows contacts{"ContactTypes", {"sContactTypeName"}, {}};
  for (const char* name : {"Customer", "Consultant", "Contractor", "Supplier", "Internal"}) {
    contacts.rows.push_back({std::string(name)});
  }
  CreateDatabase(path, schema::ConfigurationDatabase(),
                 {config, installed, programs, data, contacts, VersionRows()});
}

void WriteProjectTemplate(const std::string& path) {
  TableRows version{"Version",
                    {"sVersion", "vReleaseDate", "mNotes"},
                    {{std::string(schema::kProjectStructureVersion),
                      Variant::Date(schema::kProjectStructureReleaseDate),
                      std::string("Project database structure ") + schema::kProjectStructureVersion}}};
  CreateDatabase(path, schema::ProjectDatabase(), {version});
  MarkReadOnly(path);
}

void WriteProjectsTemplate(const std::string& path) {
  CreateDatabase(path, schema::ProjectsDatabase(), {VersionRows()});
  MarkReadOnly(path);
}

void WriteApplicationDatabase(const std::string& path, const SampleApp& app) {
  schema::DatabaseSchema db;
  db.file = app.AppDatabaseFile();
  db.tables = {schema::DataDefinitionTable()};
  TableRows defs{"DataDef", {}, {}};
  for (const schema::FieldSchema& f : schema::DataDefinitionTable().fields) defs.columns.push_back(f.name);
  for (const TagTableSpec& table : app.tag_tables) {
    for (const TagField& f : table.fields) {
      defs.rows.push_back({table.name, f.field.name, f.friendly_name, f.field.name, f.min, f.max, f.default_value,
                           f.default_value, f.format, f.format_metric, Int32(f.unit), Int32(f.display_never),
                           std::string("0"), f.group});
    }
  }
  CreateDatabase(path, db, {defs});
}

void WriteTagTemplate(const std::string& path, const SampleApp& app) {
  schema::DatabaseSchema db;
  db.file = app.TagTemplateFile();
  for (const TagTableSpec& table : app.tag_tables) db.tables.push_back(table.Schema());
  CreateDatabase(path, db, {});
  MarkReadOnly(path);
}

void WriteApplication(const std::string& tvxii, const SampleApp& app) {
  std::string code = tvxii + "/" + app.pdsg + "/Code";
  CreateFolders(code);
  if (app.has_tags()) {
    WriteApplicationDatabase(code + "/" + app.AppDatabaseFile(), app);
    WriteTagTemplate(code + "/" + app.TagTemplateFile(), app);
  }
  for (const PlainFile& f : app.plain_files) {
    WriteFile(code + "/" + f.name, f.content);
    if (f.name.ends_with(".ro")) MarkReadOnly(code + "/" + f.name);
  }
}

void Build(const std::string& tvxii, const Brand& brand, const InstallOptions& options,
           const std::vector<const SampleApp*>& apps) {
  for (const char* folder : {"Enviro", "Temp", "Projects", "Archives"}) CreateFolders(tvxii + "/" + folder);
  WriteConfigurationDatabase(tvxii + "/TVXxycfg.mdb", brand, options, apps);
  WriteProjectTemplate(tvxii + "/Enviro/Project.ro");
  WriteProjectsTemplate(tvxii + "/Enviro/Prjxy.ro");
  WriteLogos(tvxii);
  for (const SampleApp* app : apps) WriteApplication(tvxii, *app);
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// True when `folder` holds an entry named like the installation folder in any
// case, as the startup compares it.
bool HoldsInstallFolder(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (!CurrentEnv()->ListFolder(folder, &entries).ok()) return false;
  for (const platform::DirEntry& e : entries) {
    if (EqualsNoCase(e.name, std::string(kInstallFolder))) return true;
  }
  return false;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  return (folder == "/" ? folder : folder + "/") + std::string(name);
}

}  // namespace

std::string Installation::CodePath(const std::string& pdsg) const { return tvxii + "/" + UCase(pdsg) + "/Code"; }

bool ValidateOptions(const InstallOptions& options, std::string* error) {
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    return false;
  };
  if (Trim(options.root).empty()) return fail("no installation folder was given");
  if (!FindBrand(options.brand)) {
    return fail("unknown brand " + InBrackets(options.brand) + " (use VELTRAX, DORNEL, HALVORN, TORSK or EXPORT)");
  }
  if (options.apps.empty()) return fail("no application was chosen (choose from PMP10, LAY10, CAL10)");
  for (std::size_t i = 0; i < options.apps.size(); ++i) {
    const std::string& pdsg = options.apps[i];
    if (!FindSampleApp(Trim(pdsg))) {
      return fail("unknown application " + InBrackets(pdsg) + " (choose from PMP10, LAY10, CAL10)");
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (EqualsNoCase(Trim(options.apps[j]), Trim(pdsg))) {
        return fail("application " + InBrackets(pdsg) + " is listed twice");
      }
    }
  }
  return true;
}

bool BuildInstallation(const InstallOptions& options, std::string* error, Installation* out) {
  std::string reason;
  if (!ValidateOptions(options, &reason)) {
    if (error) *error = reason;
    return false;
  }
  const Brand& brand = *FindBrand(options.brand);
  std::vector<const SampleApp*> apps;
  std::string tvxii;
  std::string staging;
  try {
    for (const std::string& pdsg : options.apps) apps.push_back(FindSampleApp(Trim(pdsg)));
    std::string root = WithoutTrailingSlashes(Trim(options.root));
    // An absolute path, so the paths handed back name the same folders from
    // any current folder.
    if (root.front() != '/') root = JoinPath(CurrentEnv()->CurrentFolder(), root);
    tvxii = JoinPath(root, kInstallFolder);
    CreateFolders(root);
    if (HoldsInstallFolder(root)) {
      throw BuildError{InBrackets(root) + " already holds an installation folder " +
                       InBrackets(std::string(kInstallFolder)) + "; choose an empty folder"};
    }
    // A unique name beside the final place, so the rename stays on one file system.
    Check(CurrentEnv()->CreateTempFile(root, "~TVX", &staging), "create a staging folder in", root);
    Check(CurrentEnv()->DeleteFile(staging), "prepare the staging folder", staging);
    Check(CurrentEnv()->CreateFolder(staging), "create the staging folder", staging);
    Build(staging, brand, options, apps);
    Check(CurrentEnv()->RenameFile(staging, tvxii), "move the installation into place as", tvxii);
  } catch (const BuildError& e) {
    reason = e.reason;
  } catch (const std::exception& e) {
    reason = e.what();
  } catch (...) {
    reason = "unexpected failure";
  }
  if (!reason.empty()) {
    bool is_folder = false;
    if (!staging.empty() && Exists(staging, &is_folder)) {
      if (is_folder) {
        RemoveTree(staging);
      } else {
        (void)CurrentEnv()->DeleteFile(staging);
      }
    }
    if (error) *error = reason;
    return false;
  }
  if (out) {
    out->tvxii = tvxii;
    out->enviro = tvxii + "/Enviro";
    out->temp = tvxii + "/Temp";
    out->config_db = tvxii + "/TVXxycfg.mdb";
    out->apps.clear();
    for (const SampleApp* app : apps) out->apps.push_back(app->pdsg);
  }
  return true;
}

}  // namespace pds::install
