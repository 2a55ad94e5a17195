// The UI hosts from Python: the batch host (default answers, everything
// recorded), the scripted host of `pds session --ui script:FILE`, and any
// Python object as the host. pds.set_host() makes one the process's host.
//
// A Python host is a class with any of the methods
//   msgbox(prompt, style, title) -> answer (pds.vbYes ...)
//   inputbox(prompt, title, default) -> text, or None to cancel
//   run_modal(dialog)            plays the user's part on a dialog model
//   file_dialog(request) -> path or None; browse_for_folder(title, folder) -> folder or None
//   show_help(help_file, command, context) -> bool; process_events(); set_wait_cursor(busy)
// A method it lacks, or one that raises, is answered as the batch host would
// (the exception is raised when the operation returns); a dialog the
// callback leaves open is closed as its Cancel button would close it.
#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/python/bindings.h"
#include "pds/BatchHost.h"
#include "pds/Controls.h"
#include "pds/Dialog.h"
#include "ui/scripted/scripted_host.h"

namespace pds::python {

namespace {

py::dict ShownDict(const std::string& kind, const std::string& title, const std::string& text, int answer) {
  py::dict d;
  d["kind"] = kind;
  d["title"] = title;
  d["text"] = text;
  d["answer"] = answer;
  return d;
}

// The batch host, keeping what it showed; writes it to standard error too
// when echo is set.
class RecordingBatchHost : public BatchHost {
 public:
  explicit RecordingBatchHost(bool echo) : echo_(echo) {}
  const std::vector<Shown>& shown() const { return shown_; }

 protected:
  void Show(const Shown& shown) override {
    shown_.push_back(shown);
    if (echo_) BatchHost::Show(shown);
  }

 private:
  bool echo_;
  std::vector<Shown> shown_;
};

const char* KindName(BatchHost::Shown::Kind kind) {
  switch (kind) {
    case BatchHost::Shown::kMessageBox: return "msgbox";
    case BatchHost::Shown::kInputBox: return "input";
    case BatchHost::Shown::kDialog: return "dialog";
    case BatchHost::Shown::kFileDialog: return "file";
    case BatchHost::Shown::kFolderBrowser: return "folder";
    case BatchHost::Shown::kHelp: return "help";
  }
  return "?";
}

// A dialog model as a run_modal callback sees it; usable only during the
// callback, since the component unloads the model afterwards.
class DialogView {
 public:
  explicit DialogView(Dialog* dialog) : dialog_(dialog), name_(dialog->FormName()) {}
  void Close() { dialog_ = nullptr; }
  Dialog& Get() const {
    if (!dialog_) throw StateError("the dialog " + name_ + " is closed: use it only inside run_modal");
    return *dialog_;
  }
  const std::string& name() const { return name_; }

 private:
  Dialog* dialog_;
  std::string name_;
};

class PythonHost : public BatchHost {
 public:
  explicit PythonHost(py::object target) : target_(std::move(target)) {}
  ~PythonHost() override {
    if (Py_IsInitialized()) {
      py::gil_scoped_acquire gil;
      target_ = py::object();
    } else {
      target_.release();  // the interpreter is gone, and the reference with it
    }
  }

  int MsgBox(const std::string& prompt, int style, const std::string& title) override {
    int answer = 0;
    if (Call("msgbox", [&](py::object fn) { answer = fn(prompt, style, title).cast<int>(); })) return answer;
    return BatchHost::MsgBox(prompt, style, title);
  }
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                std::string* answer) override {
    std::optional<std::string> text;
    if (Call("inputbox", [&](py::object fn) { text = fn(prompt, title, default_text).cast<std::optional<std::string>>(); })) {
      if (text) *answer = *text;
      return text.has_value();
    }
    return BatchHost::InputBox(prompt, title, default_text, answer);
  }
  void RunModal(Dialog& dialog) override {
    auto view = std::make_shared<DialogView>(&dialog);
    Call("run_modal", [&](py::object fn) { fn(view); });
    view->Close();
    if (dialog.visible()) BatchHost::RunModal(dialog);
  }
  bool FileDialog(const FileDialogRequest& request, std::string* chosen) override {
    std::optional<std::string> path;
    auto call = [&](py::object fn) {
      py::dict r;
      r["save"] = request.save;
      r["title"] = request.title;
      r["filter"] = request.filter;
      r["default_ext"] = request.default_ext;
      r["initial_folder"] = request.initial_folder;
      r["file_name"] = request.file_name;
      path = fn(r).cast<std::optional<std::string>>();
    };
    if (Call("file_dialog", call)) {
      if (path) *chosen = *path;
      return path.has_value();
    }
    return BatchHost::FileDialog(request, chosen);
  }
  bool BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) override {
    std::optional<std::string> folder;
    if (Call("browse_for_folder",
             [&](py::object fn) { folder = fn(title, initial_folder).cast<std::optional<std::string>>(); })) {
      if (folder) *chosen = *folder;
      return folder.has_value();
    }
    return BatchHost::BrowseForFolder(title, initial_folder, chosen);
  }
  bool ShowHelp(const std::string& help_file, int command, long context) override {
    bool shown = false;
    if (Call("show_help", [&](py::object fn) { shown = fn(help_file, command, context).cast<bool>(); })) return shown;
    return BatchHost::ShowHelp(help_file, command, context);
  }
  void SetWaitCursor(bool busy) override {
    Call("set_wait_cursor", [&](py::object fn) { fn(busy); });
  }
  void ProcessEvents() override {
    Call("process_events", [&](py::object fn) { fn(); });
  }

 private:
  // Calls the target's method name through body; false when the target has
  // no such method or it raised (the exception is kept for later).
  template <class Body>
  bool Call(const char* name, Body&& body) {
    py::gil_scoped_acquire gil;
    try {
      if (!py::hasattr(target_, name)) return false;
      body(target_.attr(name));
      return true;
    } catch (py::error_already_set& e) {
      KeepCallbackError(e);
    } catch (const std::exception& e) {
      // A wrong type returned (pybind11's cast_error) becomes a TypeError.
      PyErr_SetString(PyExc_TypeError, (std::string("the host's ") + name + " answered wrongly: " + e.what()).c_str());
      py::error_already_set kept;
      KeepCallbackError(kept);
    }
    return false;
  }

  py::object target_;
};

// The Python object behind the process's host, kept alive while it is the host.
py::object& HostObject() {
  static py::object* object = new py::object();
  return *object;
}

void SetHost(std::shared_ptr<UiHost> host, py::object keep) {
  SetUiHost(std::move(host));
  HostObject() = std::move(keep);
}

}  // namespace

void BindHosts(py::module_& m) {
  py::class_<UiHost, std::shared_ptr<UiHost>>(m, "UiHost", "A host the component shows its messages and dialogs through.");

  py::class_<RecordingBatchHost, UiHost, std::shared_ptr<RecordingBatchHost>>(
      m, "BatchHost", "Answers every question with its default button; closes dialogs as Cancel does.")
      .def(py::init<bool>(), py::arg("echo") = false, "echo: also write each message to standard error")
      .def_property_readonly("shown", [](const RecordingBatchHost& host) {
        py::list list;
        for (const BatchHost::Shown& s : host.shown()) {
          py::dict d = ShownDict(KindName(s.kind), s.title, s.text, s.answer);
          d["answer_text"] = s.answer_text;
          d["declined"] = s.declined;
          list.append(d);
        }
        return list;
      });

  py::class_<ui::ScriptedHost, UiHost, std::shared_ptr<ui::ScriptedHost>>(
      m, "ScriptedHost", "Answers from a script of expected steps (pds help answers); anything unexpected is a failure.")
      .def(py::init([](const std::string& script) {
             auto host = std::make_shared<ui::ScriptedHost>();
             std::string error;
             if (!host->AddScript(script, &error)) throw py::value_error("answer script: " + error);
             return host;
           }),
           py::arg("script") = "")
      .def_property_readonly("shown", [](const ui::ScriptedHost& host) {
        py::list list;
        for (const ui::ShownItem& s : host.shown()) list.append(ShownDict(s.kind, s.title, s.text, s.answer));
        return list;
      })
      .def_property_readonly("failures", &ui::ScriptedHost::failures)
      .def_property_readonly("pending_steps", &ui::ScriptedHost::pending_steps)
      .def("problems", &ui::ScriptedHost::Problems, "Failures and steps never used; empty when the script ran exactly.");

  py::class_<DialogView, std::shared_ptr<DialogView>>(m, "Dialog", "A dialog model, during run_modal only.")
      .def_property_readonly("name", &DialogView::name)
      .def_property_readonly("caption", [](const DialogView& v) { return v.Get().Caption(); })
      .def_property_readonly("visible", [](const DialogView& v) { return v.Get().visible(); })
      .def_property_readonly("controls",
                             [](const DialogView& v) {
                               std::vector<std::string> names;
                               for (const auto& c : v.Get().Controls()) names.push_back(c->Name());
                               return names;
                             })
      .def("caption_of",
           [](const DialogView& v, const std::string& control) {
             Control* c = v.Get().FindControl(control);
             if (!c) throw py::key_error("no control " + control + " in " + v.name());
             return c->Caption();
           })
      .def("text_of",
           [](const DialogView& v, const std::string& control) {
             auto* box = v.Get().Find<TextBox>(control);
             if (!box) throw py::key_error("no text box " + control + " in " + v.name());
             return box->Text();
           })
      .def("type", [](DialogView& v, const std::string& c, const std::string& text) { return v.Get().TypeText(c, text); })
      .def("click", [](DialogView& v, const std::string& c) { return v.Get().ClickButton(c); })
      .def("dblclick", [](DialogView& v, const std::string& c, int item) { return v.Get().DoubleClick(c, item); },
           py::arg("control"), py::arg("item") = 0)
      .def("check", [](DialogView& v, const std::string& c, int i, bool on) { return v.Get().Check(c, i, on); },
           py::arg("control"), py::arg("index"), py::arg("checked") = true)
      .def("select", [](DialogView& v, const std::string& c, int i) { return v.Get().SelectItem(c, i); })
      .def("tab", [](DialogView& v, const std::string& c, int i) { return v.Get().SelectTab(c, i); })
      .def("key", [](DialogView& v, const std::string& c, int k) { return v.Get().PressKey(c, k); })
      .def("enter", [](DialogView& v) { return v.Get().PressEnter(); })
      .def("escape", [](DialogView& v) { return v.Get().PressEscape(); })
      .def("close", [](DialogView& v) { return v.Get().CloseByUser(); })
      .def("refusals", [](DialogView& v) { return v.Get().TakeRefusals(); },
           "The actions the dialog refused since last asked, with the reasons.");

  m.def(
      "set_host",
      [](std::shared_ptr<UiHost> host) {
        RunningMark mark;
        SetHost(host, py::cast(host));
      },
      py::arg("host"), "Makes a BatchHost or ScriptedHost the process's host.");
  m.def(
      "set_host",
      [](py::object host) {
        RunningMark mark;
        if (host.is_none()) return SetHost(nullptr, py::object());
        SetHost(std::make_shared<PythonHost>(host), host);
      },
      py::arg("host"), "Makes a Python object the process's host; None restores the default batch host.");
  // Before the interpreter goes: a Python host must not outlive it.
  py::module_::import("atexit").attr("register")(py::cpp_function([] { SetHost(nullptr, py::object()); }));
}

}  // namespace pds::python
