// The pending error: a per-thread record of the most recent failure (number,
// description, and the last operating-system error code of a failed system
// call). Engine and platform failures set it; the common error reporter reads
// and clears it. It plays the role the language's error object plays for the
// component's procedures.
//
// Inside the component, a failure travels as a RuntimeError exception until a
// procedure's own handler catches it (Catch / TryStatement), which records it
// here. No exception ever leaves a public member.
#pragma once

#include <exception>
#include <string>

namespace pds {

struct PendingError {
  long number = 0;
  std::string description;
  long last_os_error = 0;
};

// The calling thread's pending error.
PendingError& Err();

// Forgets the pending error, the operating-system code included.
void ClearError();

// Records a failure as pending, as raising it and catching it in a handler would.
void SetError(long number, std::string description);

// Records the code of a failed system call (a Windows-style system error code).
void SetLastOsError(long code);

// The last error the error reporter showed and cleared on this thread. A
// procedure whose step has already reported its failure under the step's own
// title can give the same reason again in its closing message.
const PendingError& LastReportedError();
void ForgetReportedError();
// Called by the error reporter when it clears an error it has shown.
void NoteReportedError(const PendingError& error);

// An internal failure on its way to the nearest handler.
class RuntimeError : public std::exception {
 public:
  RuntimeError(long number, std::string description)
      : number_(number), description_(std::move(description)) {}
  long number() const { return number_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  long number_;
  std::string description_;
};

[[noreturn]] void Raise(long number, std::string description);

// Records whatever is in flight as the pending error. Call from a catch (...)
// block: a RuntimeError keeps its number; anything else becomes error 5
// ("Invalid procedure call or argument") or 7 (out of memory) with its text.
void CatchToPending();

// Runs one statement with errors ignored (the language's "On Error Resume
// Next" for that statement): a failure becomes the pending error and the
// result is false.
template <class F>
bool TryStatement(F&& f) noexcept {
  try {
    f();
    return true;
  } catch (...) {
    CatchToPending();
    return false;
  }
}

}  // namespace pds
