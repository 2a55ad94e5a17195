// clsProjectDataServer from Python. The object keeps track of its life
// (created, initialized, exited) so that a call the component assumes never
// comes (an operation before a successful PDSInitialize, anything after
// ExitProgram) is refused with StateError instead of reaching it.
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "apps/python/bindings.h"
#include "apps/python/records.h"
#include "pds/TextTable.h"
#include "pds/clsExportTags.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "pds/clsProjects.h"
#include "pds/clsUnitTags.h"
#include "pds/db/recordset.h"

namespace pds::python {

namespace {

// The application the initialized service objects of this process belong
// to, and how many there are. The component keeps part of an application's
// state process-wide (its data specifications, its name, the current service
// object), so a second application initialized in the same process would
// silently take the first one's place: it is refused instead.
struct ProcessApp {
  std::string pdsg;
  int live = 0;
};
ProcessApp& TheProcessApp() {
  static ProcessApp app;
  return app;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

class Server {
 public:
  enum class Life { kCreated, kReady, kExited };
  Server() = default;
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;
  ~Server() { Leave(); }

  // The component itself, for an operation: refused unless initialized.
  clsProjectDataServer& Ready(const char* operation) {
    if (life_ == Life::kCreated) {
      throw StateError(std::string(operation) + ": PDSInitialize has not succeeded on this service object");
    }
    if (life_ == Life::kExited) {
      throw StateError(std::string(operation) + ": ExitProgram has ended this service object; create a new one");
    }
    return *server_;
  }
  // An operation returning an eProjectReturnCode, run inside the component.
  template <class F>
  py::object Code(const char* operation, F&& f) {
    clsProjectDataServer& s = Ready(operation);
    return ReturnCode(CallComponent([&] { return static_cast<long>(f(s)); }));
  }
  template <class F>
  auto Run(const char* operation, F&& f) {
    clsProjectDataServer& s = Ready(operation);
    return CallComponent([&] { return f(s); });
  }

  py::object Initialize(const std::string& path, const std::string& pdsg, const std::string& command_line) {
    if (life_ != Life::kCreated) throw StateError("PDSInitialize: this service object was initialized already");
    ProcessApp& app = TheProcessApp();
    if (app.live > 0 && app.pdsg != Upper(pdsg)) {
      throw StateError("PDSInitialize: this process runs the application " + app.pdsg +
                       "; the component keeps an application's state process-wide, so " + Upper(pdsg) +
                       " needs a process of its own (or ExitProgram on every " + app.pdsg + " service object first)");
    }
    long code = CallComponent([&] { return static_cast<long>(server_->PDSInitialize(path, pdsg, command_line)); });
    if (code == RETURN_OK) {
      life_ = Life::kReady;
      app.pdsg = Upper(pdsg);
      ++app.live;
    }
    return ReturnCode(code);
  }
  py::object Exit() {
    py::object code = Code("ExitProgram", [](clsProjectDataServer& s) { return s.ExitProgram(); });
    if (code.cast<long>() == RETURN_OK) {
      Leave();
      life_ = Life::kExited;
    }
    return code;
  }
  const clsProjectDataServer& properties() const { return *server_; }
  Life life() const { return life_; }

 private:
  void Leave() {
    if (life_ == Life::kReady) --TheProcessApp().live;
    life_ = Life::kExited;
  }

  std::unique_ptr<clsProjectDataServer> server_ = std::make_unique<clsProjectDataServer>();
  Life life_ = Life::kCreated;
};

using S = clsProjectDataServer;

std::string Text(py::handle d, const char* key) {
  return d.contains(key) ? py::str(d[key]).cast<std::string>() : std::string();
}

// An export set from a list of dicts, as `pds session export` reads it from JSON.
void FillExportTags(clsExportTags& tags, const py::list& list, const std::string& pdsg) {
  for (py::handle item : list) {
    if (!py::isinstance<py::dict>(item)) throw py::type_error("each exported tag is a dict");
    py::dict d = item.cast<py::dict>();
    ExportTagRef tag = tags.AddTag(Text(d, "TagName"), pdsg);
    if (!tag) throw py::value_error("the tag " + Text(d, "TagName") + " is exported twice");
    if (d.contains("StatusIndicator")) tag->SetStatusIndicator(Text(d, "StatusIndicator"));
    if (d.contains("LastModified")) tag->SetLastModified(Text(d, "LastModified"));
    if (d.contains("TableName")) tag->SetTableName(Text(d, "TableName"));
    if (d.contains("LocalTagID")) tag->SetLocalTagID(d["LocalTagID"].cast<std::int32_t>());
    if (d.contains("EquipmentType")) tag->SetEquipmentType(d["EquipmentType"].cast<std::int32_t>());
    if (d.contains("items")) {
      for (py::handle i : d["items"].cast<py::list>()) {
        py::dict e = i.cast<py::dict>();
        std::int32_t seq = e.contains("SequenceNumber") ? e["SequenceNumber"].cast<std::int32_t>() : 0;
        tag->AddTagData(Text(e, "Key"), Text(e, "Value"), seq);
      }
    }
  }
}

std::vector<std::shared_ptr<clsUnitTag>> TagList(const clsUnitTags& tags) {
  std::vector<std::shared_ptr<clsUnitTag>> list;
  for (const auto& tag : tags) list.push_back(tag);
  return list;
}

}  // namespace

void BindServer(py::module_& m) {
  using Self = Server;
  using py::arg;
  py::class_<Self>(m, "clsProjectDataServer",
                   "The service object: PDSInitialize once, the operations, ExitProgram at the end.")
      .def(py::init<>())
      .def("PDSInitialize", &Self::Initialize, arg("sAppPath"), arg("sAppPdsg"), arg("sCommandLine") = "")
      .def("ExitProgram", &Self::Exit)
      // ---- projects
      .def("ProjectNew", [](Self& s) { return s.Code("ProjectNew", [](S& c) { return c.ProjectNew(); }); })
      .def("ProjectOpen",
           [](Self& s, const std::string& name, const std::string& type, bool show_new) {
             return s.Code("ProjectOpen", [&](S& c) { return c.ProjectOpen(name, type, show_new); });
           },
           arg("sJobName") = "", arg("sProjectType") = "", arg("bShowNewButton") = false)
      .def("SelectProject",
           [](Self& s, const std::string& type, int mode, bool show_new) {
             std::string name, path;
             std::int32_t id = 0;
             py::object code = s.Code("SelectProject", [&](S& c) {
               return c.SelectProject(name, path, id, type, static_cast<eProjectOperationMode>(mode), show_new);
             });
             return py::make_tuple(code, name, path, id);
           },
           arg("sDefaultType") = "", arg("lProjectMode") = 0, arg("bShowNewButton") = false,
           "code, sSelectedProjectName, sSelectedProjectPath, lSelectedProjectID")
      .def("ProjectSave", [](Self& s) { return s.Code("ProjectSave", [](S& c) { return c.ProjectSave(); }); })
      .def("ProjectSaveAs",
           [](Self& s, std::optional<std::string> path, std::optional<std::string> name) {
             if (!path && !name) return s.Code("ProjectSaveAs", [](S& c) { return c.ProjectSaveAs(); });
             std::string p = path.value_or(""), n = name.value_or("");
             return s.Code("ProjectSaveAs", [&](S& c) { return c.ProjectSaveAs(p, n); });
           },
           arg("sNewJobPath") = py::none(), arg("sNewProjName") = py::none(),
           "Without arguments the save-as dialog asks for the folder and name.")
      .def("PromptToSaveAndContinue",
           [](Self& s) { return s.Code("PromptToSaveAndContinue", [](S& c) { return c.PromptToSaveAndContinue(); }); })
      .def("CloseCurrentProject",
           [](Self& s) { return s.Run("CloseCurrentProject", [](S& c) { return c.CloseCurrentProject(); }); })
      .def("ProjectDelete",
           [](Self& s, const std::string& name, bool show) {
             return s.Code("ProjectDelete", [&](S& c) { return c.ProjectDelete(name, show); });
           },
           arg("sJobName") = "", arg("bShowMsgs") = true)
      .def("ProjectProperties",
           [](Self& s) { return s.Code("ProjectProperties", [](S& c) { return c.ProjectProperties(); }); })
      .def("ProjectArchive",
           [](Self& s, std::optional<std::string> dest) {
             if (!dest) return s.Code("ProjectArchive", [](S& c) { return c.ProjectArchive(); });
             return s.Code("ProjectArchive", [&](S& c) { return c.ProjectArchive(*dest); });
           },
           arg("sDestFile") = py::none())
      .def("ProjectRetrieve",
           [](Self& s, const std::string& file, bool show) {
             return s.Code("ProjectRetrieve", [&](S& c) { return c.ProjectRetrieve(file, show); });
           },
           arg("sArchiveFile") = "", arg("bShowMsgs") = true)
      .def("ProjectRetrieveFromPreviousVersion",
           [](Self& s, const std::string& exe) {
             return s.Code("ProjectRetrieveFromPreviousVersion",
                           [&](S& c) { return c.ProjectRetrieveFromPreviousVersion(exe); });
           },
           arg("sTranslatorExePath"))
      .def("ExportTagData",
           [](Self& s, const py::list& tags, const std::string& pdsg, bool clear) {
             auto set = std::make_shared<clsExportTags>();
             FillExportTags(*set, tags, pdsg.empty() ? s.Ready("ExportTagData").Pdsg() : pdsg);
             return s.Run("ExportTagData", [&](S& c) { return c.ExportTagData(set.get(), pdsg, nullptr, clear); });
           },
           arg("tags"), arg("sPdsg") = "", arg("bClearCurrentDataFirst") = true,
           "tags: a list of dicts {TagName, StatusIndicator, LastModified, TableName, LocalTagID, EquipmentType, "
           "items: [{Key, Value, SequenceNumber}]}")
      .def("ClearExportTagData",
           [](Self& s, const std::string& pdsg) {
             return s.Run("ClearExportTagData", [&](S& c) { return c.ClearExportTagData(pdsg); });
           },
           arg("sPdsg") = "")
      .def_property_readonly("Project",
                             [](Self& s) { return s.Run("Project", [](S& c) { return c.Project(); }); })
      // ---- projects list
      .def("ProjectCount",
           [](Self& s, const std::string& pdsg) {
             std::int32_t n = 0;
             py::object code = s.Code("ProjectCount", [&](S& c) { return c.ProjectCount(n, pdsg); });
             return py::make_tuple(code, n);
           },
           arg("sPdsg") = "", "code, lNumberOfProjects")
      .def("DoesProjectExist",
           [](Self& s, const std::string& name) {
             bool found = false;
             bool ok = s.Run("DoesProjectExist", [&](S& c) { return c.DoesProjectExist(name, found); });
             return std::make_tuple(ok, found);
           },
           arg("sJobName"), "ok, bFound")
      .def("GetProjectInfo",
           [](Self& s, const std::string& name) {
             std::int32_t id = 0;
             std::string path;
             bool ok = s.Run("GetProjectInfo", [&](S& c) { return c.GetProjectInfo(name, id, path); });
             return std::make_tuple(ok, id, path);
           },
           arg("sJobName"), "ok, lJobID, sJobPath")
      .def("Projects",
           [](Self& s, const std::string& pdsg) {
             TextTable table;
             long code = s.Run("Projects", [&](S& c) {
               clsProjects projects;
               projects.SetProjectDb(c.ProjectDb());
               projects.SetNetUserID(c.NetUserID());
               return static_cast<long>(projects.GetProjects(table, pdsg));
             });
             std::vector<std::tuple<std::string, std::string, std::string>> rows;
             for (std::size_t r = 0; code == RETURN_OK && r < table.Rows(); ++r) {
               if (table.Get(r, 0).empty()) continue;  // no project: one empty row
               rows.emplace_back(table.Get(r, 0), table.Get(r, 1), table.Get(r, 2));
             }
             return py::make_tuple(ReturnCode(code), rows);
           },
           arg("sPdsg") = "", "code, [(name, id, folder)] of the user's projects (clsProjects.GetProjects)")
      .def_property_readonly("MRUJobs",
                             [](Self& s) {
                               return s.Run("MRUJobs", [](S& c) {
                                 std::vector<std::string> names;
                                 for (const auto& job : c.MRUJobs()) names.push_back(job.JobName());
                                 return names;
                               });
                             })
      // ---- configuration values
      .def("SetConfigValue",
           [](Self& s, const std::string& k, const std::string& v, const std::string& p) {
             return s.Code("SetConfigValue", [&](S& c) { return c.SetConfigValue(k, v, p); });
           },
           arg("sKey"), arg("sValue"), arg("sPdsg") = "")
      .def("GetConfigValue",
           [](Self& s, const std::string& k, const std::string& d, const std::string& p) {
             std::string value;
             py::object r = s.Code("GetConfigValue", [&](S& c) { return c.GetConfigValue(k, value, d, p); });
             return py::make_tuple(r, value);
           },
           arg("sKey"), arg("sDefault") = "", arg("sPdsg") = "", "result, sRetValue")
      .def("SetProjConfigValue",
           [](Self& s, const std::string& db, const std::string& k, const std::string& v, const std::string& p) {
             return s.Code("SetProjConfigValue", [&](S& c) { return c.SetProjConfigValue(db, k, v, p); });
           },
           arg("sProjectDb"), arg("sKey"), arg("sValue"), arg("sPdsg") = "")
      .def("GetProjConfigValue",
           [](Self& s, const std::string& k, const std::string& d, const std::string& p) {
             std::string value;
             py::object r = s.Code("GetProjConfigValue", [&](S& c) { return c.GetProjConfigValue(k, value, d, p); });
             return py::make_tuple(r, value);
           },
           arg("sKey"), arg("sDefault") = "", arg("sPdsg") = "", "result, sRetValue")
      .def("DeleteProjConfigValue",
           [](Self& s, const std::string& k, const std::string& p) {
             return s.Code("DeleteProjConfigValue", [&](S& c) { return c.DeleteProjConfigValue(k, p); });
           },
           arg("sKey"), arg("sPdsg") = "")
      // ---- tags
      .def("NewTag",
           [](Self& s, std::string type, std::string name, bool show) {
             RsHandle rs;
             py::object code = s.Code("NewTag", [&](S& c) { return c.NewTag(type, name, rs, show); });
             return py::make_tuple(code, name, rs);
           },
           arg("sTagType"), arg("sNewTagName"), arg("bShowMsgs") = true, "code, sNewTagName, rsTag")
      .def("OpenTag",
           [](Self& s, std::string type, std::string name, bool show) {
             RsHandle rs;
             py::object code = s.Code("OpenTag", [&](S& c) { return c.OpenTag(type, name, rs, show); });
             return py::make_tuple(code, rs);
           },
           arg("sTagType"), arg("sTagName"), arg("bShowMsgs") = true, "code, rsTag")
      .def("DeleteTag",
           [](Self& s, std::string type, std::string name, bool show) {
             return s.Code("DeleteTag", [&](S& c) { return c.DeleteTag(type, name, show); });
           },
           arg("sTagType"), arg("sTagName"), arg("bShowMsgs") = true)
      .def("CopyTag",
           [](Self& s, std::string type, std::string name, std::string new_name, bool show) {
             RsHandle rs;
             py::object code = s.Code("CopyTag", [&](S& c) { return c.CopyTag(type, name, new_name, rs, show); });
             return py::make_tuple(code, new_name, rs);
           },
           arg("sTagType"), arg("sTagName"), arg("sNewTagName") = "", arg("bShowMsgs") = true,
           "code, sNewTagName, rsTag")
      .def("RenameTag",
           [](Self& s, std::string type, std::string name, std::string new_name, bool show) {
             RsHandle rs;
             py::object code = s.Code("RenameTag", [&](S& c) { return c.RenameTag(type, name, new_name, rs, show); });
             return py::make_tuple(code, rs);
           },
           arg("sTagType"), arg("sTagName"), arg("sNewTagName"), arg("bShowMsgs") = true, "code, rsTag")
      .def("SaveTag",
           [](Self& s, RsHandle rs, std::string name) {
             return s.Code("SaveTag", [&](S& c) { return c.SaveTag(rs, name); });
           },
           arg("rsTag"), arg("sTagName"))
      .def("SaveTagAs",
           [](Self& s, std::string type, const std::string& name, std::string new_name, bool show) {
             RsHandle rs;
             py::object code = s.Code("SaveTagAs", [&](S& c) { return c.SaveTagAs(type, name, new_name, rs, show); });
             return py::make_tuple(code, new_name, rs);
           },
           arg("sTagType"), arg("sTagName"), arg("sNewTagName") = "", arg("bShowMsgs") = true,
           "code, sNewTagName, rsTag")
      .def("SaveAllTags",
           [](Self& s, RsHandle rs) { return s.Code("SaveAllTags", [&](S& c) { return c.SaveAllTags(rs); }); },
           arg("rsTag") = py::none())
      .def("OpenTagData",
           [](Self& s, std::string start) { return s.Run("OpenTagData", [&](S& c) { return c.OpenTagData(start); }); },
           arg("sStartTag") = "")
      .def("ResetTagType",
           [](Self& s, std::string type) { return s.Run("ResetTagType", [&](S& c) { return c.ResetTagType(type); }); },
           arg("sTagType") = "")
      .def("UnitTags", [](Self& s) { return s.Run("UnitTags", [](S& c) { return TagList(c.UnitTags()); }); },
           "The tags of the current tag type, as they are now.")
      .def("SelectedTags",
           [](Self& s) { return s.Run("SelectedTags", [](S& c) { return TagList(c.SelectedTags()); }); })
      .def("DataDef",
           [](Self& s, const std::string& field, const std::string& table) {
             return s.Run("DataDef", [&](S& c) { return DataDefView(c.DataDef(field, table)); });
           },
           arg("sField"), arg("sTable") = "")
      .def("ValidateTagName",
           [](Self& s, const std::string& name) {
             return s.Run("ValidateTagName", [&](S& c) { return c.ValidateTagName(name); });
           },
           arg("sTagName"))
      .def_property("DefTagType", [](Self& s) { return s.Ready("DefTagType").DefTagType(); },
                    [](Self& s, std::string v) { s.Run("DefTagType", [&](S& c) { c.SetDefTagType(v); }); })
      // ---- properties (readable at any time)
      .def_property_readonly("Pdsg", [](const Self& s) { return s.properties().Pdsg(); })
      .def_property_readonly("AppName", [](const Self& s) { return s.properties().AppName(); })
      .def_property_readonly("AppVersion", [](const Self& s) { return s.properties().AppVersion(); })
      .def_property_readonly("AppDataStyle",
                             [](const Self& s) { return static_cast<int>(s.properties().AppDataStyle()); })
      .def_property_readonly("TVXiiPath", [](const Self& s) { return s.properties().TVXiiPath(); })
      .def_property_readonly("TempPath", [](const Self& s) { return s.properties().TempPath(); })
      .def_property_readonly("ProjectDb", [](const Self& s) { return s.properties().ProjectDb(); })
      .def_property_readonly("NetUserID", [](const Self& s) { return s.properties().NetUserID(); })
      .def_property_readonly("AppDirty", [](const Self& s) { return s.properties().AppDirty(); })
      .def_property_readonly("RETURN_NO_TAGS", [](const Self&) { return ReturnCode(kReturnNoTags); })
      .def_property_readonly("RETURN_TAG_ALREADY_EXISTS",
                             [](const Self&) { return ReturnCode(kReturnTagAlreadyExists); })
      .def_property_readonly("initialized", [](const Self& s) { return s.life() == Self::Life::kReady; });
}

}  // namespace pds::python
