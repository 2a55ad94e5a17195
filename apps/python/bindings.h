// What the parts of the Python module share: how a call into the component
// is made from Python, and how its failures and those of Python code the
// component called back become Python exceptions.
//
// The component runs one operation at a time in a process, on the caller's
// thread. A call from Python holds a process-wide "running" mark and lets go
// of the GIL while the component works, so other Python threads run; a
// second call into the component meanwhile (from another thread, or from a
// host callback re-entering it) is refused with StateError instead of
// corrupting the component's state. Host callbacks take the GIL back; an
// exception raised in one is kept, the component gets the default answer,
// and the exception is raised in Python when the operation returns.
#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>
#include <type_traits>

#include "pds/Variant.h"

namespace pds::python {

namespace py = pybind11;

// Misuse that the component itself would not survive: a call before
// PDSInitialize, after ExitProgram, on a closed dialog, or re-entering the
// component. Raised in Python as pds.StateError.
class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Keeps the first exception a host callback raised (GIL held).
void KeepCallbackError(py::error_already_set& error);
// Raises the kept exception, if any, and forgets it (GIL held).
void RaiseCallbackError();

// Marks the component running for the life of the object; refuses a second.
class RunningMark {
 public:
  RunningMark();
  ~RunningMark();
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;
};

// Runs f inside the component: marked running, without the GIL.
template <class F>
auto CallComponent(F&& f) -> decltype(f()) {
  RunningMark mark;
  if constexpr (std::is_void_v<decltype(f())>) {
    {
      py::gil_scoped_release release;
      f();
    }
    RaiseCallbackError();
  } else {
    auto result = [&] {
      py::gil_scoped_release release;
      return f();
    }();
    RaiseCallbackError();
    return result;
  }
}

// A return code as the module's eProjectReturnCode enumeration.
py::object ReturnCode(long code);

py::object ToPython(const Variant& value);
// None, bool, int, float, str or bytes; TypeError for anything else.
Variant FromPython(py::handle value);

void BindHosts(py::module_& m);
void BindRecords(py::module_& m);
void BindServer(py::module_& m);

}  // namespace pds::python
