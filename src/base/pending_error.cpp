#include "pds/PendingError.h"

#include <new>

namespace pds {

PendingError& Err() {
  thread_local PendingError error;
  return error;
}

void ClearError() { Err() = PendingError{}; }

void SetError(long number, std::string description) {
  PendingError& e = Err();
  e.number = number;
  e.description = std::move(description);
}

void SetLastOsError(long code) { Err().last_os_error = code; }

namespace {
PendingError& ReportedSlot() {
  thread_local PendingError reported;
  return reported;
}
}  // namespace

const PendingError& LastReportedError() { return ReportedSlot(); }
void ForgetReportedError() { ReportedSlot() = PendingError{}; }
void NoteReportedError(const PendingError& error) { ReportedSlot() = error; }

void Raise(long number, std::string description) { throw RuntimeError(number, std::move(description)); }

void CatchToPending() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    SetError(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    SetError(7, "Out of memory");
  } catch (const std::exception& e) {
    SetError(5, e.what());
  } catch (...) {
    SetError(5, "Invalid procedure call or argument");
  }
}

}  // namespace pds
