// Session commands for the tags of the current project: listing the current
// tag type's tags, the tag operations, switching the tag type, and reading a
// data definition. The operations work on the current tag type (see `tag
// type`) and on the one tag record set the session keeps, as an application
// would; each prints the operation's result code and the state it left.
#include <string>
#include <utility>
#include <vector>

#include "apps/pds/session.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/Text.h"
#include "pds/PendingError.h"
#include "pds/clsDataDef.h"
#include "pds/clsProject.h"
#include "pds/clsUnitTags.h"

namespace pds::app {

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;
using Args = std::vector<std::string>;

constexpr const char kTagUsage[] =
    "tag new [NAME] | open NAME | copy NAME [NEW] | rename NAME [NEW] | delete NAME | save-as NAME [NEW] | "
    "save | save-all | type [TYPE]";

// The row the session's record set stands on, as "name (id N)"; the record
// set may have gone with the tag database (a save closes it).
std::string RecordsetRow(const RsHandle& rs) {
  std::string text = "(none)";
  if (!rs) return text;
  if (!TryStatement([&] {
        if (!rs->IsOpen()) {
          text = "(closed)";
        } else if (rs->Bof() || rs->Eof()) {
          text = "(no current row)";
        } else {
          text = rs->Fields("TagName").Value().AsString() + " (id " +
                 std::to_string(rs->Fields("lTagId").Value().AsLong()) + ")";
        }
      })) {
    text = "(closed)";
  }
  ClearError();
  return text;
}

// What every tag command shows after its result: the tag type, how many tags
// it has, the tag the application has open and the dirty flags.
Fields TagState(Session& s) {
  clsProjectDataServer& server = s.server();
  const UnitTagRef& current = server.SelectedTags().CurrentTag();
  const ProjectRef& project = server.Project();
  return {{"tag type", server.DefTagType()},
          {"tags", std::to_string(server.UnitTags().Count())},
          {"current tag", current ? current->Name() : "(none)"},
          {"record set", RecordsetRow(s.rsTag())},
          {"project dirty", project && project->ProjectDirty() ? "yes" : "no"},
          {"application dirty", server.AppDirty() ? "yes" : "no"}};
}

bool Report(Session& s, const std::string& command, int rc, Fields fields) {
  Fields state = TagState(s);
  fields.insert(fields.end(), state.begin(), state.end());
  s.Report(command, ResultName(rc), fields);
  return rc == RETURN_OK;
}

// `tag VERB ...`: one operation on the current tag type.
bool RunTag(Session& s, const Args& a) {
  clsProjectDataServer& server = s.server();
  const std::string verb = a.empty() ? std::string() : a[0];
  const std::size_t n = a.size();
  // The operations trim and change these in place; they are reported as the
  // operation left them.
  std::string type = server.DefTagType();
  std::string name = n > 1 ? a[1] : "";
  std::string new_name = n > 2 ? a[2] : "";
  const std::string command = "tag " + verb;

  if (verb == "new" && n <= 2) {
    int rc = server.NewTag(type, name, s.rsTag());
    return Report(s, command, rc, {{"name", name}});
  }
  if (verb == "open" && n == 2) {
    int rc = server.OpenTag(type, name, s.rsTag());
    return Report(s, command, rc, {{"name", name}});
  }
  if (verb == "delete" && n == 2) {
    int rc = server.DeleteTag(type, name);
    return Report(s, command, rc, {{"name", name}});
  }
  if (verb == "copy" && (n == 2 || n == 3)) {
    int rc = server.CopyTag(type, name, new_name, s.rsTag());
    return Report(s, command, rc, {{"name", name}, {"new name", new_name}});
  }
  if (verb == "rename" && (n == 2 || n == 3)) {
    int rc = server.RenameTag(type, name, new_name, s.rsTag());
    return Report(s, command, rc, {{"name", name}, {"new name", new_name}});
  }
  if (verb == "save-as" && (n == 2 || n == 3)) {
    int rc = server.SaveTagAs(type, name, new_name, s.rsTag());
    return Report(s, command, rc, {{"name", name}, {"new name", new_name}});
  }
  if (verb == "save" && n == 1) {
    const UnitTagRef& current = server.SelectedTags().CurrentTag();
    if (!current) {
      s.Report(command, "RETURN_ERROR", {{"error", "no tag is open"}});
      return false;
    }
    std::string tag_name = current->Name();
    int rc = server.SaveTag(s.rsTag(), tag_name);
    return Report(s, command, rc, {{"name", tag_name}});
  }
  if (verb == "save-all" && n == 1) {
    int rc = server.SaveAllTags(s.rsTag());
    return Report(s, command, rc, {});
  }
  if (verb == "type" && n <= 2) {
    if (n == 1) return Report(s, command, RETURN_OK, {});
    int rc = server.ResetTagType(name) ? RETURN_OK : RETURN_ERROR;
    return Report(s, command, rc, {});
  }
  return s.UsageError("tag", verb.empty() ? "missing verb" : "wrong arguments for tag " + verb);
}

const bool kTags = RegisterSessionCommand(
    {"tags", "tags", "List the tags of the current tag type in their order (UnitTags)",
     [](Session& s, const Args&) {
       Fields fields = {{"tag type", s.server().DefTagType()}};
       long position = 1;
       for (const UnitTagRef& tag : s.server().UnitTags()) {
         fields.emplace_back(std::to_string(position++), tag->Name() + " (id " + std::to_string(tag->Index()) + ")");
       }
       s.Report("tags", ResultName(RETURN_OK), fields);
       return true;
     }});

const bool kTag = RegisterSessionCommand(
    {"tag", kTagUsage,
     "Create, open, copy, rename, delete or save a tag of the current tag type, or switch the tag type "
     "(NewTag, OpenTag, CopyTag, RenameTag, DeleteTag, SaveTagAs, SaveTag, SaveAllTags, ResetTagType)",
     RunTag, 0, kAnyArgs});

const bool kDataDef = RegisterSessionCommand(
    {"datadef", "datadef FIELD [TABLE]",
     "Show the data definition of a field of a tag table, by default of the current tag type (DataDef)",
     [](Session& s, const Args& a) {
       const std::string table = a.size() == 2 ? a[1] : s.server().DefTagType();
       const clsDataDef& d = s.server().DataDef(a[0], table);
       // The object is a cache: a field that is not defined leaves the last
       // definition found in place.
       const bool found = EqualsNoCase(d.Table(), table) && EqualsNoCase(d.Field(), a[0]);
       s.Report("datadef", found ? "FOUND" : "NOT_FOUND",
                {{"Table", d.Table()},
                 {"Field", d.Field()},
                 {"FriendlyName", d.FriendlyName()},
                 {"ExternalName", d.ExternalName()},
                 {"Min", d.Min()},
                 {"Max", d.Max()},
                 {"Default", d.Default()},
                 {"UserDefault", d.UserDefault()},
                 {"Format", d.Format()},
                 {"FormatMetric", d.FormatMetric()},
                 {"Units", std::to_string(d.Units())},
                 {"DisplayNever", std::to_string(d.DisplayNever())},
                 {"UserDefined", d.UserDefined()},
                 {"GroupID", d.GroupID()}});
       return found;
     },
     1, 2});

}  // namespace
}  // namespace pds::app
