// The Python module `pds`: the component for automation scripts. The names
// are the component's own (clsProjectDataServer, PDSInitialize, RETURN_OK);
// an argument the component changes in place comes back after the result:
//   code, value = server.GetConfigValue("Units")
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>
#include <utility>

#include "apps/python/bindings.h"
#include "pds/Installation.h"
#include "pds/PendingError.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "pds/Version.h"

namespace pds::python {

namespace {

std::optional<py::error_already_set>& KeptError() {
  static std::optional<py::error_already_set> kept;
  return kept;
}

bool& Running() {
  static bool running = false;
  return running;
}

// An IntEnum named name in m, from (member, value) pairs, each member also
// a module constant, so that pds.RETURN_OK == -1 and codes print by name.
void AddEnum(py::module_& m, const char* name, std::initializer_list<std::pair<const char*, long>> members) {
  py::list items;
  for (const auto& [member, value] : members) {
    items.append(py::make_tuple(member, value));
    m.attr(member) = value;
  }
  py::object type = py::module_::import("enum").attr("IntEnum")(name, items);
  type.attr("__module__") = "pds";
  m.attr(name) = type;
  for (const auto& [member, value] : members) m.attr(member) = type.attr(member);
}

}  // namespace

void KeepCallbackError(py::error_already_set& error) {
  if (!KeptError()) KeptError().emplace(std::move(error));
}

void RaiseCallbackError() {
  if (!KeptError()) return;
  py::error_already_set error = std::move(*KeptError());
  KeptError().reset();
  throw error;
}

RunningMark::RunningMark() {
  if (Running()) {
    throw StateError("the component is already running an operation; it runs one at a time, and a host "
                     "callback may not call back into it");
  }
  Running() = true;
}

RunningMark::~RunningMark() { Running() = false; }

py::object ReturnCode(long code) {
  py::object type = py::module_::import("pds").attr("eProjectReturnCode");
  try {
    return type(code);
  } catch (py::error_already_set&) {
    return py::int_(code);  // a code the enumeration does not name stays a number
  }
}

py::object ToPython(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
      return py::none();
    case Variant::Kind::Boolean:
      return py::bool_(value.AsBool());
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::BigInt:
      return py::int_(value.AsLong());
    case Variant::Kind::Double:
      return py::float_(value.AsDouble());
    case Variant::Kind::Binary:
      return py::bytes(value.AsString());
    case Variant::Kind::Date:
    case Variant::Kind::String:
      break;
  }
  return py::str(value.AsString());
}

Variant FromPython(py::handle value) {
  if (value.is_none()) return Variant::Null();
  if (py::isinstance<py::bool_>(value)) return Variant(value.cast<bool>());
  if (py::isinstance<py::int_>(value)) return Variant(value.cast<std::int64_t>());
  if (py::isinstance<py::float_>(value)) return Variant(value.cast<double>());
  if (py::isinstance<py::str>(value)) return Variant(value.cast<std::string>());
  if (py::isinstance<py::bytes>(value)) return Variant::Binary(value.cast<std::string>());
  throw py::type_error("a field value is None, bool, int, float, str or bytes, not " +
                       std::string(py::str(value.get_type().attr("__name__"))));
}

}  // namespace pds::python

PYBIND11_MODULE(pds, m) {
  using namespace pds;
  using namespace pds::python;
  m.doc() = "The project data server: the service object, projects, tags, configuration values and UI hosts.";
  m.attr("__version__") = kVersionText;

  // Errors of the database engine (a record set's Update, a missing field)
  // carry its number, as the pending error does.
  // Never destroyed: the interpreter may be gone when statics are.
  static auto* error = new py::exception<RuntimeError>(m, "Error", PyExc_RuntimeError);
  py::register_exception<StateError>(m, "StateError", PyExc_RuntimeError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const RuntimeError& e) {
      py::object instance = py::handle(error->ptr())(py::str("error " + std::to_string(e.number()) + ": " + e.description()));
      instance.attr("number") = e.number();
      instance.attr("description") = e.description();
      PyErr_SetObject(error->ptr(), instance.ptr());
    }
  });

  AddEnum(m, "eProjectReturnCode",
          {{"RETURN_OK", RETURN_OK}, {"RETURN_ERROR", RETURN_ERROR}, {"RETURN_USER_CANCEL", RETURN_USER_CANCEL},
           {"RETURN_NO_TAGS", kReturnNoTags}, {"RETURN_TAG_ALREADY_EXISTS", kReturnTagAlreadyExists}});
  AddEnum(m, "eProjectOperationMode",
          {{"SELECT_MODE", SELECT_MODE}, {"OPEN_MODE", OPEN_MODE}, {"DELETE_MODE", DELETE_MODE},
           {"SAVE_MODE", SAVE_MODE}, {"ARCHIVE_MODE", ARCHIVE_MODE}, {"EXPORT_PREV_MODE", EXPORT_PREV_MODE},
           {"RETRIEVE_PREV_MODE", RETRIEVE_PREV_MODE}});
  AddEnum(m, "eDataStyle", {{"NO_DATA", NO_DATA}, {"PROJECT_SUPPORT", PROJECT_SUPPORT}, {"TAG_SUPPORT", TAG_SUPPORT}});
  AddEnum(m, "MsgBoxResult",
          {{"vbOK", vbOK}, {"vbCancel", vbCancel}, {"vbAbort", vbAbort}, {"vbRetry", vbRetry},
           {"vbIgnore", vbIgnore}, {"vbYes", vbYes}, {"vbNo", vbNo}});

  m.def(
      "install",
      [](const std::string& root, std::vector<std::string> apps, const std::string& brand, bool user_ids) {
        install::InstallOptions options;
        options.root = root;
        if (!apps.empty()) options.apps = std::move(apps);
        options.brand = brand;
        options.user_ids_required = user_ids;
        install::Installation out;
        std::string error;
        bool built = CallComponent([&] { return install::BuildInstallation(options, &error, &out); });
        if (!built) throw py::value_error("install: " + error);
        py::dict paths;
        paths["tvxii"] = out.tvxii;
        paths["enviro"] = out.enviro;
        paths["temp"] = out.temp;
        paths["config_db"] = out.config_db;
        py::dict code;
        for (const std::string& app : out.apps) code[py::str(app)] = out.CodePath(app);
        paths["code"] = code;
        return paths;
      },
      py::arg("root"), py::arg("apps") = std::vector<std::string>{}, py::arg("brand") = "VELTRAX",
      py::arg("user_ids_required") = false,
      "Lays out an installation in root/TVX-ii (as pds install does); its paths, with code[PDSG] the folder to "
      "pass to PDSInitialize.");

  BindHosts(m);
  BindRecords(m);
  BindServer(m);
}
