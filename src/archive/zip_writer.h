// Writes a project archive: a standard zip of deflate entries under bare
// names, in the order given, names flagged as UTF-8 where they need it, zip64
// records wherever an entry or the archive outgrows the classic fields.
//
// The archive is built in an unnamed file in the destination folder and gets
// its name only when complete and flushed to the disk: a failed, cancelled or
// killed run leaves no partial file, and an archive of the same name stays
// whole until the new one replaces it.
//
// libzip lays out the container; the deflate data is made beforehand on every
// core (compress_pipeline.h) and handed to it as already compressed, so
// libzip's own compression (and its level) never runs.
#pragma once

#include <string>
#include <vector>

#include "archive/zip_run.h"

namespace pds::archive {

struct ArchiveItem {
  std::string entry_name;   // a bare name (IsBareEntryName)
  std::string source_path;  // the file whose content the entry holds
};

struct ZipWriteOptions {
  ZipHooks hooks;
  unsigned threads = 0;                   // 0: one per core
  std::size_t chunk_size = 4u << 20;      // pieces of a large item
  std::size_t whole_limit = 8u << 20;     // items up to this size are one piece
};

// Refuses, before anything is written: no items (kNothingMatched), a name
// that is not bare or appears twice (kBadRequest, names compared without
// case), a missing source (kNotFound). Output failures give kCreateOutput,
// kOpenOutput (missing folder) or kDiskFull; the detail names the item or path.
ZipResult WriteZipArchive(const std::string& zip_path, const std::vector<ArchiveItem>& items,
                          const ZipWriteOptions& options = {});

}  // namespace pds::archive
