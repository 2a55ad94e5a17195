// Placeholder until the dialog models arrive: dialogs are recorded as failures.
#include "ui/scripted/scripted_host.h"

namespace pds::ui {
void ScriptedHost::RunModal(Dialog&) { Fail("dialog shown before dialog models exist"); }
void ScriptedHost::ShowModeless(Dialog&) {}
void ScriptedHost::Refresh(Dialog&) {}
void ScriptedHost::CloseModeless(Dialog&) {}
}  // namespace pds::ui
