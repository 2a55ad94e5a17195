// The project file PROJECT.QVP: a profile (INI) file in every project folder
// that names the project, lists the applications keeping data in it, repeats
// the project's descriptive properties and lists each application's data-file
// specifications. The service object's members (SaveToProjectQVPFile,
// CreateProjectQVPFileAsString, GetProject...FromQVPFile) write and read it;
// this header offers the single-key access they are built on and the pieces
// other modules share.
//
// Every write goes through the profile-file layer, which replaces the whole
// file atomically, so a crash never leaves half a project file. A save edits
// the file in memory and stores it once, so it either lands whole or leaves
// the file as it was; separate WritePPS calls each replace the file, and a
// sequence of them that fails halfway leaves the writes before the failure
// in place. Each call records its outcome as the last operating-system error.
//
// Names and values read from a project file come from a folder anyone may
// have edited: they are handed back as text and never used to build a
// statement here.
//
// "Project Notes" may span lines, which a profile value cannot: the notes are
// stored with "\" written as "\\", carriage return as "\r", line feed as
// "\n" and tab as "\t", and a leading quotation mark or apostrophe as "\"" or
// "\'" (a reader would otherwise drop a pair of surrounding quotes).
// Reading undoes exactly this. The other values are single-line by nature; a
// line break in one is written as a blank so the file keeps its structure.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pds/TextTable.h"
#include "pds/clsProjectDataServer.h"

namespace pds {

// Writes one key. A nullopt value deletes the key (an empty text writes an
// empty value). On failure shows "Unable to write string [key = value] to
// file" with the file and the system's error text (critical icon, "WritePPS()"),
// leaves the system error code pending and returns false.
bool WritePPS(const std::string& section, const std::string& key, const std::optional<std::string>& value,
              const std::string& file);

// The message WritePPS shows when a write fails, for writers that store
// several keys at once: the system error text comes from the pending
// last operating-system error, which stays pending.
void ShowWritePPSFailure(const std::string& key, const std::optional<std::string>& value, const std::string& file);

// Reads one key (at most 1023 characters). True with the value when the read
// left no system error; false with an empty value otherwise (a missing file,
// section or key records 2, which stays pending for the caller's report).
bool ReadPPS(const std::string& section, const std::string& key, std::string& value, const std::string& file);

// Removes every section "<pdsg> File NN" (names compared without regard to
// case) in one write. True when the file holds none of them afterwards; false
// with the system error code pending when the file is missing or cannot be
// rewritten. Shows nothing.
bool DeleteAppFileSections(const std::string& pdsg, const std::string& file);

// ---- pieces shared by the project-file readers and writers

// "<pdsg> File NN", NN the ordinal as two digits.
std::string FileSectionName(const std::string& pdsg, int ordinal);

// A flag as written: "-1" for true, "0" for false.
std::string FlagText(bool flag);
// A flag as read: true exactly when the trimmed text is numeric and not zero.
bool FlagFromText(const std::string& text);

// The reversible one-line form of the notes, and back.
std::string EncodeNotesValue(const std::string& notes);
std::string DecodeNotesValue(const std::string& value);

// Reads the "Application Data" section of a project file into (designation,
// application name) pairs appended to apps. A missing file (or an empty name)
// is reported as "File not found." with the file in brackets (critical icon,
// "GetProjectAppsFromQVPFile()") and gives false; a file without the section
// gives true and leaves apps as it was.
bool ReadProjectFileApps(AppList& apps, const std::string& file);

}  // namespace pds
