// The recently-used list: the list itself (clsMRUJobs), writing it to the
// projects database, and the service object's loading and adding.
//
// MRUJobNames rows are reused, never deleted: SaveList nulls every row of the
// application and then fills them again front first, so a shorter list
// leaves trailing rows with a null lJobID, which the loader's inner join
// drops. Both directions read the rows in lIndex order, which the queries
// state explicitly rather than trusting the table's storage order.
#include "pds/clsMRUJobs.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pds/db/engine.h"
#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "projects/project_store.h"
#include "platform/env.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

constexpr std::int16_t kDefaultSize = 4;

bool FileExistsAt(const std::string& path) {
  platform::FileAttributes attributes;
  return platform::CurrentEnv()->GetAttributes(path, &attributes).ok() && !attributes.directory;
}

}  // namespace

// ---- clsMRUJobs

std::int16_t clsMRUJobs::Size() const {
  return size_ >= MinSize() && size_ <= MaxSize() ? size_ : kDefaultSize;
}

void clsMRUJobs::SetSize(std::int16_t value) {
  if (value >= MinSize() && value <= MaxSize()) size_ = value;
}

const clsMRUJob* clsMRUJobs::AddJob(const clsMRUJob& job, bool at_front) {
  const std::string key = KeyOf(job.JobName());
  jobs_.TryRemove(key);
  // The key is free now, so neither insert can refuse it.
  if (at_front && jobs_.Count() > 0) {
    jobs_.AddFront(job, key);
  } else {
    jobs_.Add(job, key);
  }
  while (jobs_.Count() > Size()) jobs_.TryRemove(jobs_.Count());
  return jobs_.Find(key);
}

bool clsMRUJobs::RemoveJob(const std::string& job_name) { return jobs_.TryRemove(KeyOf(job_name)); }

bool clsMRUJobs::RemoveJob(long position) { return jobs_.TryRemove(position); }

bool clsMRUJobs::ClearJobs() {
  jobs_.Clear();
  return jobs_.Count() == 0;
}

bool clsMRUJobs::SaveList(const std::string& sProjectDb, const std::string& sPdsg) const {
  Ui().SetWaitCursor(true);
  bool saved = false;
  DbHandle db;
  RsHandle rs;
  TryStatement([&] {
    const std::string path = Trim(sProjectDb);
    const std::string sql = std::string("SELECT * FROM MRUJobNames") + " WHERE " + "sPdsg" + " = " +
                            SqlTextLiteral(sPdsg) + " ORDER BY " + "lIndex";
    if (!path.empty() && FileExistsAt(path) &&
        OpenDbAndRecordset(db, rs, path, sql, db::dbOpenDynaset, true, false) == 0) {
      // A list as it is stored is not written again: a saved database
      // flushes every commit to the disk, which most sessions need not wait for.
      std::vector<std::int64_t> stored;  // each row's lJobID, 0 for Null
      for (; !rs->Eof(); rs->MoveNext()) {
        const Variant id = rs->Fields("lJobID").Value();
        stored.push_back(id.IsNull() ? 0 : id.AsLong());
      }
      // A position past the stored rows gets a row only for a listed job.
      bool unchanged = true;
      for (std::size_t k = 0; unchanged && k < std::max(stored.size(), static_cast<std::size_t>(Size())); ++k) {
        const clsMRUJob* job = static_cast<long>(k) < Size() ? Item(static_cast<long>(k) + 1) : nullptr;
        const bool listed = job != nullptr && !job->JobName().empty() && job->JobID() >= 1;
        unchanged = (listed ? job->JobID() : 0) == (k < stored.size() ? stored[k] : 0);
      }
      if (unchanged) {
        saved = true;
        return;
      }
      // One commit for the whole list: it lands whole or not at all.
      db::Transaction transaction;
      const bool has_rows = !stored.empty();
      if (has_rows) rs->MoveFirst();
      for (; !rs->Eof(); rs->MoveNext()) {
        rs->Edit();
        rs->Fields("lJobID").SetValue(Variant::Null());
        rs->Update();
      }
      if (has_rows) rs->MoveFirst();
      for (long i = 1; i <= Size(); ++i) {
        if (rs->Eof()) {
          rs->AddNew();
          rs->Fields("sPdsg").SetValue(Variant(sPdsg));
        } else {
          rs->Edit();
        }
        const clsMRUJob* job = Item(i);
        if (job != nullptr && !job->JobName().empty() && job->JobID() >= 1) {
          rs->Fields("lJobID").SetValue(Variant(job->JobID()));
          rs->Update();
        } else {
          // Not saved: an existing row keeps the null written above, a new
          // row is discarded.
          rs->CancelUpdate();
        }
        if (!rs->Eof()) rs->MoveNext();
      }
      transaction.Commit();
      saved = true;
    }
  });
  // Saving fails silently: the caller decides whether it matters.
  ClearError();
  CloseRecordset(rs);
  CloseDatabase(db);
  Ui().SetWaitCursor(false);
  return saved;
}

// ---- the service object's part

bool ProjectStore::MRULoadList(DbHandle& db, const std::string& sPdsg) {
  ClearError();
  const std::string pdsg = sPdsg.empty() ? Pdsg() : sPdsg;
  DbHandle own_db;
  RsHandle rs;
  bool loaded = false;
  try {
    // A database the caller gave stays open for the caller; one opened here
    // is released here.
    DbHandle* source = &db;
    if (!db) {
      source = &own_db;
      if (!OpenDb(own_db, project_db_, true, true)) source = nullptr;
    }
    const std::string sql = std::string("SELECT ") + "MRUJobNames" + "." + "*" + "," + "Job" + "." + "sJobName" +
                            " FROM " + "MRUJobNames" + " INNER JOIN " + "Job" + " ON " + "MRUJobNames" + "." +
                            "lJobID" + " = " + "Job" + "." + "lJobID" + " WHERE " + "MRUJobNames" + "." + "sPdsg" +
                            " = " + SqlTextLiteral(pdsg) + " ORDER BY " + "lIndex";
    if (source != nullptr && CreateRecordset(*source, rs, sql, db::dbOpenDynaset)) {
      for (; !rs->Eof(); rs->MoveNext()) {
        const std::string name = GetFieldValue(rs->Fields("sJobName")).AsString();
        if (name.empty()) continue;
        const auto id = static_cast<std::int32_t>(GetFieldValue(rs->Fields("lJobID")).AsLong());
        mru_jobs_->AddJob(clsMRUJob(id, name, pdsg), false);
      }
      loaded = true;
    }
  } catch (...) {
    CatchToPending();
  }
  CloseRecordset(rs);
  CloseDatabase(own_db);
  if (!loaded) ShowError("", vbExclamation, "MRULoadList()");
  return loaded;
}

bool ProjectStore::MRUAddToList(const ProjectRef& project) {
  if (!project) return false;
  return Guarded("MRUAddToList()", vbExclamation, false, [&]() -> bool {
    mru_jobs_->AddJob(clsMRUJob(project->JobID(), project->JobName(), Pdsg()), true);
    return true;
  });
}

}  // namespace pds
