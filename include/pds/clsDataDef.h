// One data definition: how one field of a tag table is described in the
// application's data-definition table (friendly and external names, range,
// factory and user defaults, display formats, unit class, visibility, group).
//
// The service object owns one clsDataDef for its whole life and hands out that
// same object from every DataDef call: it is the cache of the last definition
// looked up. A lookup that finds no row leaves the previous definition in
// place, so a caller that needs certainty compares Table() and Field() with
// what it asked for.
//
// The object also keeps the data-definition table open as a table-type record
// set with "TableField" as its current index (rsDataDef), from the first
// lookup until the object goes. No member throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace pds {

namespace db {
class Database;
class Recordset;
}  // namespace db

class clsDataDef {
 public:
  clsDataDef() = default;
  ~clsDataDef();
  clsDataDef(const clsDataDef&) = delete;
  clsDataDef& operator=(const clsDataDef&) = delete;

  // Opens table sDataDef of dbApp as a table-type record set into rsDataDef
  // with "TableField" as its current index; False when it cannot be opened.
  bool LoadRs(const std::string& sDataDef, std::shared_ptr<db::Database>& dbApp);

  std::shared_ptr<db::Recordset>& rsDataDef() { return rs_data_def_; }
  void SetRsDataDef(const std::shared_ptr<db::Recordset>& rs) { rs_data_def_ = rs; }

  const std::string& Table() const { return table_; }
  void SetTable(const std::string& v) { table_ = v; }
  const std::string& Field() const { return field_; }
  void SetField(const std::string& v) { field_ = v; }
  const std::string& FriendlyName() const { return friendly_name_; }
  void SetFriendlyName(const std::string& v) { friendly_name_ = v; }
  const std::string& ExternalName() const { return external_name_; }
  void SetExternalName(const std::string& v) { external_name_ = v; }
  const std::string& Min() const { return min_; }
  void SetMin(const std::string& v) { min_ = v; }
  const std::string& Max() const { return max_; }
  void SetMax(const std::string& v) { max_ = v; }
  const std::string& Default() const { return default_; }
  void SetDefault(const std::string& v) { default_ = v; }
  const std::string& UserDefault() const { return user_default_; }
  void SetUserDefault(const std::string& v) { user_default_ = v; }
  const std::string& Format() const { return format_; }
  void SetFormat(const std::string& v) { format_ = v; }
  const std::string& FormatMetric() const { return format_metric_; }
  void SetFormatMetric(const std::string& v) { format_metric_ = v; }
  std::int32_t Units() const { return units_; }
  void SetUnits(std::int32_t v) { units_ = v; }
  std::int32_t DisplayNever() const { return display_never_; }
  void SetDisplayNever(std::int32_t v) { display_never_ = v; }
  const std::string& UserDefined() const { return user_defined_; }
  void SetUserDefined(const std::string& v) { user_defined_ = v; }
  const std::string& GroupID() const { return group_id_; }
  void SetGroupID(const std::string& v) { group_id_ = v; }

 private:
  std::shared_ptr<db::Recordset> rs_data_def_;
  std::string table_;
  std::string field_;
  std::string friendly_name_;
  std::string external_name_;
  std::string min_;
  std::string max_;
  std::string default_;
  std::string user_default_;
  std::string format_;
  std::string format_metric_;
  std::int32_t units_ = 0;
  std::int32_t display_never_ = 0;
  std::string user_defined_;
  std::string group_id_;
};

}  // namespace pds
