// Volumes, drives and temporary files of the POSIX environment.
//
// There are no drive letters here: the mount points stand for the logical
// drives, a "drive root" is "/", and the drive type is told from the file
// system's kind. Only fixed (3) and remote (4) are ever reported; no mount is
// called removable (2), so the archive's spanning over floppy disks (drives
// A: and B:) never applies on this platform.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/errors.h"
#include "platform/posix_env.h"

namespace pds::platform {

namespace {

// The path itself when it exists, else its nearest existing folder, so that a
// file about to be created is judged by the volume it will land on.
std::string NearestExisting(const std::string& path) {
  std::string p = path.empty() ? "." : path;
  struct stat st;
  for (int depth = 0; depth < 4096; ++depth) {
    if (stat(p.c_str(), &st) == 0) return p;
    std::string parent = ParentFolder(p);
    if (parent == p) break;
    p = parent;
  }
  return p;
}

// File-system magic numbers (statfs f_type) of network file systems.
constexpr unsigned long kRemoteMagics[] = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x564C,      // NCP (NetWare)
    0x73757245,  // Coda
    0x5346414F,  // AFS
    0x6B414653,  // kAFS
    0x00C36400,  // Ceph
    0x01021997,  // 9P
    0x0BD00BD0,  // Lustre
    0x20030528,  // OrangeFS
    0x47504653,  // GPFS
};

// Kinds of mount that hold no user files and would only clutter a folder chooser.
constexpr const char* kPseudoFileSystems[] = {
    "proc",     "sysfs",     "cgroup",     "cgroup2",  "devpts",     "devtmpfs", "mqueue",
    "debugfs",  "tracefs",   "securityfs", "pstore",   "bpf",        "configfs", "fusectl",
    "hugetlbfs", "autofs",   "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",    "selinuxfs",
    "ramfs",    "nfsd",      "rootfs",
};

// System trees whose mounts are the system's business, not the user's.
constexpr const char* kSystemTrees[] = {"/proc", "/sys", "/dev", "/run"};

bool Under(const std::string& path, const std::string& tree) {
  return path == tree || (path.size() > tree.size() && path.compare(0, tree.size(), tree) == 0 &&
                          path[tree.size()] == '/');
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in a mount
// point as three-digit octal escapes.
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && IsOctal(s[i + 1]) && IsOctal(s[i + 2]) && IsOctal(s[i + 3])) {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

int PosixEnvImpl::MaxFileNameLength(const std::string& path) {
  long n = pathconf(NearestExisting(path).c_str(), _PC_NAME_MAX);
  return n > 0 && n <= 0x7fffffff ? static_cast<int>(n) : 0;
}

DriveType PosixEnvImpl::GetDriveType(const std::string& path) {
  struct statfs fs;
  if (statfs(NearestExisting(path).c_str(), &fs) != 0) return kDriveNoRootDir;
  const auto magic = static_cast<unsigned long>(fs.f_type) & 0xffffffffUL;
  for (unsigned long m : kRemoteMagics) {
    if (magic == m) return kDriveRemote;
  }
  return kDriveFixed;
}

std::vector<std::string> PosixEnvImpl::LogicalDrives() {
  std::vector<std::string> drives = {"/"};
  std::ifstream in("/proc/self/mounts");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mount_point, type;
    if (!(fields >> device >> mount_point >> type)) continue;
    mount_point = Unescape(mount_point);
    if (mount_point.empty() || mount_point[0] != '/') continue;
    if (std::find(std::begin(kPseudoFileSystems), std::end(kPseudoFileSystems), type) !=
        std::end(kPseudoFileSystems)) {
      continue;
    }
    if (std::any_of(std::begin(kSystemTrees), std::end(kSystemTrees),
                    [&](const char* tree) { return Under(mount_point, tree); })) {
      continue;
    }
    // Files bind-mounted into a container (/etc/hosts ...) are not drives.
    struct stat st;
    if (stat(mount_point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    if (std::find(drives.begin(), drives.end(), mount_point) == drives.end()) drives.push_back(mount_point);
  }
  return drives;
}

std::string PosixEnvImpl::TempFolder() {
  const char* dir = getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

Status PosixEnvImpl::CreateTempFile(const std::string& folder, const std::string& prefix, std::string* path) {
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  // Four hex digits give 65536 names per prefix: try random ones first, then
  // walk all of them from a random start before calling the folder full.
  const unsigned start = static_cast<unsigned>(RandomBits() & 0xffff);
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned unique = i < 32 ? static_cast<unsigned>(RandomBits() & 0xffff) : (start + i) & 0xffff;
    char part[16];
    std::snprintf(part, sizeof part, "%04X.TMP", unique);
    std::string candidate = base + prefix + part;
    int fd;
    do {
      fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      close(fd);
      *path = std::move(candidate);
      return Status::Ok();
    }
    if (errno != EEXIST) return PathError(errno, candidate);
  }
  return Status::Error(80);  // every name is taken: "the file exists"
}

}  // namespace pds::platform
