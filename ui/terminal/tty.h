// The process's terminal, for the terminal host and the session prompt: keys
// read in raw mode, output written straight to the device, the window size.
//
// This is the one place of the terminal host that talks to the terminal
// device. Raw mode is on only while someone waits for keys (ReadingScope) and
// the terminal's own mode is put back however the process leaves: on the
// way out of the last scope, when the object goes, at exit, and on the
// signals that end a process (hang-up, interrupt, quit, termination, abort,
// and the faults), whose handlers restore the mode and the normal screen and
// then let the signal take its course. Only one Tty exists at a time.
#pragma once

#include <memory>
#include <ostream>

#include "ui/terminal/keys.h"

namespace pds::terminal {

class Tty {
 public:
  // Keys come from standard input when it is a terminal, else from /dev/tty;
  // output goes to standard output when it is a terminal, else to the
  // device keys come from. Null when the process has no terminal at all.
  static std::unique_ptr<Tty> Open();
  ~Tty();
  Tty(const Tty&) = delete;
  Tty& operator=(const Tty&) = delete;

  KeySource& keys();
  // Writes to the terminal; flushing it first flushes the C standard output,
  // so the session's printed results and the host's drawing keep their order.
  std::ostream& out();
  // The window's size in cells; 80 x 24 when the terminal does not say.
  void Size(int* width, int* height) const;
  // Whether the alternate screen is in use, so that a signal ending the
  // process can return to the normal one.
  void SetAltScreen(bool on);

  class Impl;

 private:
  explicit Tty(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace pds::terminal
