// The three standard descriptors of the process. A program started with one
// of them closed hands that number to the next file it opens; a database or
// lock file opened as descriptor 1 then receives everything printed, and one
// opened as descriptor 0 is read as commands. Both the program's start and the
// component's initialization therefore fill a closed standard descriptor
// before opening anything.
#pragma once

namespace pds::platform {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file the process opens later gets a number below 3. Descriptors already
// open are left as they are. Returns false when a closed one could not be
// filled; it is then still closed and the caller should open no files.
bool EnsureStandardDescriptors();

}  // namespace pds::platform
