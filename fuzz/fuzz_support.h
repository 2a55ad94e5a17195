// What the fuzz targets share: a private scratch folder per fuzzing process
// (readers that take a path get the input as a file in it) and a check that
// stops the run with a message when a reader breaks one of its promises.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace pds::fuzz {

// The process's scratch folder under $TMPDIR (or /tmp), made on first use and
// removed at exit.
const std::string& ScratchFolder();

// Writes data to name inside the scratch folder and returns the full path.
std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// Removes everything inside folder (not the folder itself).
void EmptyFolder(const std::string& folder);

[[noreturn]] inline void Broken(const char* what, std::string_view detail) {
  std::fprintf(stderr, "broken promise: %s [%.*s]\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

}  // namespace pds::fuzz
