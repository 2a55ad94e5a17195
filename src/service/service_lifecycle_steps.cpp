// The parts of initialization and shutdown that belong to the recently-used
// list and the project life cycle.
#include "pds/clsMRUJobs.h"
#include "service/server.h"

namespace pds {

// The result is ignored: an unreadable list starts empty.
void Server::MRULoadListAtStartup(DbHandle& projects_db) { MRULoadList(projects_db, Pdsg()); }

// Saving fails silently; leaving the program is never held up by the list.
void Server::MRUSaveListAtExit() { mru_jobs_->SaveList(project_db_, Pdsg()); }
void Server::CloseProjectAtExit() { CloseProject(project_); }


}  // namespace pds
