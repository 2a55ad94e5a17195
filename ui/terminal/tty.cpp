#include "ui/terminal/tty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace pds::terminal {

namespace {

// Waiting this long after an Escape byte tells the Escape key from the start
// of a sequence; terminals send a sequence's bytes together.
constexpr int kEscapeWaitMs = 40;

// What the signal handlers need, in plain memory they may read.
struct TerminalState {
  int in_fd = -1;
  int out_fd = -1;
  termios original{};
  termios raw{};
  volatile std::sig_atomic_t raw_on = 0;
  volatile std::sig_atomic_t alt_screen = 0;
  volatile std::sig_atomic_t resized = 0;
};
TerminalState g_state;

constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};
struct sigaction g_previous[NSIG];

void WriteAll(int fd, const char* data, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Async-signal-safe: write and tcsetattr only.
void RestoreTerminal() noexcept {
  if (g_state.alt_screen) {
    static const char kLeave[] = "\x1b[0m\x1b[?25h\x1b[?1049l";
    WriteAll(g_state.out_fd, kLeave, sizeof kLeave - 1);
    g_state.alt_screen = 0;
  }
  if (g_state.raw_on) {
    ::tcsetattr(g_state.in_fd, TCSANOW, &g_state.original);
    g_state.raw_on = 0;
  }
}

void OnEndingSignal(int sig) {
  const int saved_errno = errno;
  RestoreTerminal();
  // The signal then does what it would have done without us.
  ::sigaction(sig, &g_previous[sig], nullptr);
  ::raise(sig);
  errno = saved_errno;
}

void OnContinue(int) {
  // A stopped and continued process finds the terminal as the shell left it.
  const int saved_errno = errno;
  if (g_state.raw_on) ::tcsetattr(g_state.in_fd, TCSANOW, &g_state.raw);
  g_state.resized = 1;
  errno = saved_errno;
}

void OnResize(int) { g_state.resized = 1; }

void InstallHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = OnEndingSignal;
  for (int sig : kEndingSignals) {
    struct sigaction previous {};
    ::sigaction(sig, nullptr, &previous);
    // A signal the process ignores stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &action, &g_previous[sig]);
  }
  action.sa_handler = OnContinue;
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGCONT, &action, nullptr);
  // Not restarted: a read waiting for keys returns so that the host redraws.
  action.sa_handler = OnResize;
  action.sa_flags = 0;
  ::sigaction(SIGWINCH, &action, nullptr);
  std::atexit(RestoreTerminal);
}

// Output buffered in the object and written to the device on flush.
class DeviceBuf : public std::streambuf {
 public:
  explicit DeviceBuf(int fd) : fd_(fd) {}

 protected:
  int_type overflow(int_type ch) override {
    if (ch != traits_type::eof()) pending_.push_back(static_cast<char>(ch));
    return traits_type::not_eof(ch);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<std::size_t>(n));
    return n;
  }
  int sync() override {
    std::fflush(stdout);
    WriteAll(fd_, pending_.data(), pending_.size());
    pending_.clear();
    return 0;
  }

 private:
  int fd_;
  std::string pending_;
};

class DeviceKeys : public KeySource {
 public:
  explicit DeviceKeys(int fd) : fd_(fd) {}

  bool Next(Key* key, int timeout_ms) override {
    while (true) {
      if (!buffer_.empty()) {
        std::size_t used = 0;
        DecodeResult result = DecodeKey(buffer_, true, key, &used);
        if (result == DecodeResult::kNeedMore && !ReadSome(kEscapeWaitMs)) {
          result = DecodeKey(buffer_, false, key, &used);
        }
        if (result == DecodeResult::kKey) {
          buffer_.erase(0, used);
          if (!key->Is(KeyCode::kUnknown)) return true;
        }
        continue;
      }
      if (at_end_ || !ReadSome(timeout_ms)) return false;
    }
  }
  bool AtEnd() const override { return at_end_ && buffer_.empty(); }
  bool TakeResized() override {
    const bool resized = g_state.resized != 0;
    g_state.resized = 0;
    return resized;
  }
  void BeginReading() override {
    if (depth_++ == 0 && ::isatty(fd_)) {
      g_state.raw_on = 1;
      ::tcsetattr(fd_, TCSANOW, &g_state.raw);
    }
  }
  void EndReading() override {
    if (depth_ > 0 && --depth_ == 0 && g_state.raw_on) {
      ::tcsetattr(fd_, TCSANOW, &g_state.original);
      g_state.raw_on = 0;
    }
  }

 private:
  // Waits up to timeout_ms for bytes and appends them; false on a timeout, an
  // interruption (a resize) or the end of input.
  bool ReadSome(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeout_ms);
    if (ready <= 0) return false;
    char chunk[256];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return false;
    at_end_ = true;
    return false;
  }

  int fd_;
  std::string buffer_;
  bool at_end_ = false;
  int depth_ = 0;
};

}  // namespace

class Tty::Impl {
 public:
  Impl(int in_fd, int out_fd, bool owns_device)
      : in_fd_(in_fd), out_fd_(out_fd), owns_device_(owns_device), buf_(out_fd), out_(&buf_), keys_(in_fd) {}
  ~Impl() {
    out_.flush();
    RestoreTerminal();
    g_state.in_fd = g_state.out_fd = -1;
    if (owns_device_) ::close(in_fd_);
  }
  int in_fd_;
  int out_fd_;
  bool owns_device_;
  DeviceBuf buf_;
  std::ostream out_;
  DeviceKeys keys_;
};

std::unique_ptr<Tty> Tty::Open() {
  int in_fd = STDIN_FILENO;
  bool owns = false;
  if (!::isatty(in_fd)) {
    in_fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (in_fd < 0) return nullptr;
    owns = true;
  }
  const int out_fd = ::isatty(STDOUT_FILENO) ? STDOUT_FILENO : in_fd;
  termios original{};
  if (::tcgetattr(in_fd, &original) != 0) {
    if (owns) ::close(in_fd);
    return nullptr;
  }
  // Raw input, but output still turns "\n" into a new line, so that whatever
  // else the program prints while keys are read looks as usual.
  termios raw = original;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag |= CS8;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  g_state.in_fd = in_fd;
  g_state.out_fd = out_fd;
  g_state.original = original;
  g_state.raw = raw;
  InstallHandlers();
  return std::unique_ptr<Tty>(new Tty(std::make_unique<Impl>(in_fd, out_fd, owns)));
}

Tty::Tty(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Tty::~Tty() = default;

KeySource& Tty::keys() { return impl_->keys_; }

std::ostream& Tty::out() { return impl_->out_; }

void Tty::Size(int* width, int* height) const {
  winsize size{};
  if (::ioctl(impl_->out_fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    *width = size.ws_col;
    *height = size.ws_row;
  } else {
    *width = 80;
    *height = 24;
  }
}

void Tty::SetAltScreen(bool on) { g_state.alt_screen = on ? 1 : 0; }

}  // namespace pds::terminal
