// The records a script reads and changes: the project record, the tags of a
// collection, a tag's record set and a field's data definition.
//
// Each Python object holds its C++ object by shared ownership, so it stays
// valid for as long as Python refers to it, even after the service object
// moved on (the project closed, the tags reloaded). A record set whose
// database went away answers with the engine's error, never a crash.
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <vector>

#include "apps/python/bindings.h"
#include "apps/python/records.h"
#include "pds/clsProject.h"
#include "pds/clsUnitTags.h"
#include "pds/db/recordset.h"

namespace pds::python {

namespace {

using Rs = db::Recordset;
using RsRef = std::shared_ptr<Rs>;

// A record-set call: refused on a closed set, one at a time with the rest of
// the component (the engine's errors pass as pds.Error).
template <class F>
auto OnOpen(const RsRef& rs, F&& f) -> decltype(f(*rs)) {
  if (!rs || !rs->IsOpen()) throw StateError("the record set is closed");
  RunningMark mark;
  return f(*rs);
}

db::Field& FieldOf(Rs& rs, py::handle key) {
  if (py::isinstance<py::int_>(key)) return rs.Fields(key.cast<int>());
  if (py::isinstance<py::str>(key)) return rs.Fields(key.cast<std::string>());
  throw py::type_error("a field is named by its name (str) or position (int)");
}

}  // namespace

void BindRecords(py::module_& m) {
  py::class_<clsProject, std::shared_ptr<clsProject>>(m, "clsProject", "The project record.")
      .def_property("sJobName", &clsProject::JobName, &clsProject::SetJobName)
      .def_property("sJobNumber", &clsProject::JobNumber, &clsProject::SetJobNumber)
      .def_property("sJobDate", &clsProject::JobDate, &clsProject::SetJobDate)
      .def_property("sSalesPerson", &clsProject::SalesPerson, &clsProject::SetSalesPerson)
      .def_property("sContactName", &clsProject::ContactName, &clsProject::SetContactName)
      .def_property("sContactType", &clsProject::ContactType, &clsProject::SetContactType)
      .def_property("mNotes", &clsProject::Notes, &clsProject::SetNotes)
      .def_property("lProjectCategory", &clsProject::ProjectCategory, &clsProject::SetProjectCategory)
      .def_property("bProjectDirty", &clsProject::ProjectDirty, &clsProject::SetProjectDirty)
      .def_property_readonly("lJobID", &clsProject::JobID)
      .def_property_readonly("sJobPath", &clsProject::JobPath)
      .def_property_readonly("sWorkingJobPath", &clsProject::WorkingJobPath)
      .def_property_readonly("sProjectDbPath", &clsProject::ProjectDbPath)
      .def_property_readonly("vLastModified", &clsProject::LastModified)
      .def("__repr__", [](const clsProject& p) { return "<clsProject " + p.JobName() + " at " + p.JobPath() + ">"; });

  py::class_<clsUnitTag, std::shared_ptr<clsUnitTag>>(m, "clsUnitTag", "A tag of a collection.")
      .def_property_readonly("Name", &clsUnitTag::Name)
      .def_property_readonly("Index", &clsUnitTag::Index)
      .def_property_readonly("Table", &clsUnitTag::Table)
      .def_property_readonly("Dirty", &clsUnitTag::Dirty)
      .def("__repr__", [](const clsUnitTag& t) { return "<clsUnitTag " + t.Name() + ">"; });

  py::class_<DataDefView>(m, "clsDataDef", "A field's data definition, as read when asked for.")
      .def_readonly("Table", &DataDefView::table)
      .def_readonly("Field", &DataDefView::field)
      .def_readonly("FriendlyName", &DataDefView::friendly_name)
      .def_readonly("ExternalName", &DataDefView::external_name)
      .def_readonly("Min", &DataDefView::min)
      .def_readonly("Max", &DataDefView::max)
      .def_readonly("Default", &DataDefView::default_value)
      .def_readonly("UserDefault", &DataDefView::user_default)
      .def_readonly("Format", &DataDefView::format)
      .def_readonly("Units", &DataDefView::units)
      .def_readonly("GroupID", &DataDefView::group_id);

  py::class_<Rs, RsRef>(m, "Recordset", "A tag's record set: fields by name or position, the editing cycle.")
      .def_property_readonly("IsOpen", [](const RsRef& rs) { return rs && rs->IsOpen(); })
      .def_property_readonly("EOF", [](const RsRef& rs) { return OnOpen(rs, [](Rs& r) { return r.Eof(); }); })
      .def_property_readonly("BOF", [](const RsRef& rs) { return OnOpen(rs, [](Rs& r) { return r.Bof(); }); })
      .def_property_readonly("RecordCount",
                             [](const RsRef& rs) { return OnOpen(rs, [](Rs& r) { return r.RecordCount(); }); })
      .def_property_readonly("fields",
                             [](const RsRef& rs) {
                               return OnOpen(rs, [](Rs& r) {
                                 std::vector<std::string> names;
                                 for (const auto& f : r.Fields()) names.push_back(f->Name());
                                 return names;
                               });
                             })
      .def("MoveFirst", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.MoveFirst(); }); })
      .def("MoveNext", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.MoveNext(); }); })
      .def("MovePrevious", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.MovePrevious(); }); })
      .def("MoveLast", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.MoveLast(); }); })
      .def("Edit", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.Edit(); }); })
      .def("Update", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.Update(); }); })
      .def("CancelUpdate", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.CancelUpdate(); }); })
      .def("Close", [](const RsRef& rs) { OnOpen(rs, [](Rs& r) { r.Close(); }); })
      .def("__getitem__",
           [](const RsRef& rs, py::handle key) {
             return OnOpen(rs, [&](Rs& r) { return ToPython(FieldOf(r, key).Value()); });
           })
      .def("__setitem__", [](const RsRef& rs, py::handle key, py::handle value) {
        Variant v = FromPython(value);
        OnOpen(rs, [&](Rs& r) { FieldOf(r, key).SetValue(v); });
      });
}

}  // namespace pds::python
