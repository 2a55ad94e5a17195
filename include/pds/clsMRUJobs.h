// The recently-used list: the projects (jobs) one application opened last,
// front first, per user. The service object owns one list (MRUJobs); it is
// filled from the user's projects database at initialization, changed as
// projects are opened, and written back at exit (table MRUJobNames, whose rows
// are reused in lIndex order and never deleted).
//
// Entries are keyed by "K" & job name, names compared without regard to case,
// so a project appears at most once however its name is spelled. The list
// never holds more entries than its effective Size.
//
// Applications read the list; the component changes it. No member throws:
// a failed lookup answers null or False. Single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "pds/KeyedCollection.h"

namespace pds {

// One entry: a job of the projects database's Job table, for one application.
class clsMRUJob {
 public:
  clsMRUJob() = default;
  clsMRUJob(std::int32_t job_id, std::string job_name, std::string pdsg)
      : job_id_(job_id), job_name_(std::move(job_name)), pdsg_(std::move(pdsg)) {}

  // The job's key in the Job table; 0 until the component sets it.
  std::int32_t JobID() const { return job_id_; }
  // The job's name (the entry's default value).
  const std::string& JobName() const { return job_name_; }
  // The designation of the application the entry belongs to.
  const std::string& Pdsg() const { return pdsg_; }

  // ---- for the component
  void SetJobID(std::int32_t value) { job_id_ = value; }
  void SetJobName(const std::string& value) { job_name_ = value; }
  void SetPdsg(const std::string& value) { pdsg_ = value; }

 private:
  std::int32_t job_id_ = 0;
  std::string job_name_;
  std::string pdsg_;
};

class clsMRUJobs {
 public:
  using const_iterator = KeyedCollection<clsMRUJob>::const_iterator;

  std::int16_t MinSize() const { return 1; }
  std::int16_t MaxSize() const { return 10; }
  // The setting when it lies within MinSize..MaxSize, otherwise 4: a list
  // nobody sized holds 4 entries.
  std::int16_t Size() const;
  // Stores the value only when it lies within MinSize..MaxSize. A smaller
  // size does not drop entries at once; the next AddJob trims the list.
  void SetSize(std::int16_t value);

  long Count() const { return jobs_.Count(); }
  // The entry at a 1-based position (front is 1), or null when out of range.
  const clsMRUJob* Item(long position) const { return jobs_.Find(position); }
  // The entry of a job name (without regard to case), or null.
  const clsMRUJob* Item(const std::string& job_name) const { return jobs_.Find(KeyOf(job_name)); }
  // Entries in list order, front first.
  const_iterator begin() const { return jobs_.begin(); }
  const_iterator end() const { return jobs_.end(); }

  // ---- for the component
  // Puts the job in the list: an entry of the same name (without regard to
  // case) is removed first; the job goes to the front when at_front is true
  // and the list is not empty, else to the end; entries past the effective
  // Size are then dropped from the end. Returns the stored entry, valid until
  // it is removed, or null when the list had no room left at its end for it.
  const clsMRUJob* AddJob(const clsMRUJob& job, bool at_front);
  // Removes the entry of a job name, or at a position; False when there is none.
  bool RemoveJob(const std::string& job_name);
  bool RemoveJob(long position);
  // Empties the list; True when it ends empty.
  bool ClearJobs();
  // Writes the list into MRUJobNames of the projects database for the
  // designation, reusing the application's rows in lIndex order: row i gets
  // entry i's JobID, rows past the list keep a null lJobID, and rows are
  // added only while the list needs them. Shows no messages of its own;
  // False when the database is missing or cannot be opened exclusively, or a
  // write fails (rows already written in the failed call stay written).
  bool SaveList(const std::string& sProjectDb, const std::string& sPdsg) const;

 private:
  KeyedCollection<clsMRUJob> jobs_;
  std::int16_t size_ = 0;
};

}  // namespace pds
