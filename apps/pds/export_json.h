// Reading an export set for `pds session export` from a JSON file:
//
//   {"tags": [{"TagName": "P-101", "StatusIndicator": "1", "LastModified": "...",
//              "LastModifiedDate": "2026-12-05 12:00:00", "TableName": "TagData",
//              "LocalTagID": 7, "EquipmentType": 2, "StreamVersion": 1.5,
//              "AppName": "PMP", "AppVersion": "10",
//              "items": [{"Key": "Flow", "Value": "12.5", "SequenceNumber": 1}]}]}
//
// The field names are the export classes' own property names; every field is
// optional. Each tag is added with AddTag(TagName, designation), so its
// AppName and AppVersion come from the designation unless it gives them.
//
// The reader is strict (RFC 8259 JSON, UTF-8, no comments, no trailing
// commas, no member twice in an object) and checks the whole document before
// it adds anything: malformed text, a value of the wrong type, an unknown
// field, an item without a Key (the shared table keeps none), or a tag name
// or item key the set already holds is refused with a message naming the
// place, as "line L, column C" and, past the syntax, as the JSON path
// (tags[2].items[0].Key). A refused document leaves the export set empty.
#pragma once

#include <string>

namespace pds {
class clsExportTags;
}

namespace pds::app {

// The largest export file the session reads.
inline constexpr std::size_t kMaxExportFile = 256 * 1024 * 1024;

// Fills the empty set `tags` from `text`; false with the message in *error.
bool ReadExportSet(const std::string& text, const std::string& designation, clsExportTags& tags, std::string* error);

}  // namespace pds::app
