// The small file, path and name routines the project operations share:
// copying and deleting files by name or wildcard, removing folders, listing a
// folder one entry per call, path manipulation, and the rules for project
// names and for file and folder names that the new-project, save-as and
// folder dialogs apply to what the user types.
//
// Paths use "/" as their separator; the root "/" keeps its slash wherever a
// drive root would keep its backslash. Wildcards follow the directory search
// (platform/dir_search.h): "*" and "?", names compared without regard to case.
// Name lengths are counted in characters (UTF-8 code points), and "upper
// case" folds ASCII letters only, so a non-ASCII letter is never a valid
// project-name or short-name character.
//
// None of these throws. Routines that can fail show their own message (through
// the UI host or the common error reporter, with the titles the user sees) and
// return their failure value; a routine whose messages are off leaves the
// system error code pending for its caller. Every directory search is closed
// on every exit, except Dir1's, which stays open between calls by design.
// Single-threaded: Dir1's search and the job-name limit are process-wide.
#pragma once

#include <cstdint>
#include <string>

namespace pds {

namespace platform {
class DirSearch;
}

// ---- files and folders

// Copies one file, replacing an existing destination. On failure shows the
// error and the two paths (exclamation icon, "bFileCopy()") and returns false.
// durable: the copy reaches the disk before it replaces the destination
// (platform::Env::CopyFile); flushing the destination's folder, which makes
// the new name itself durable, is left to the caller, once per folder.
bool bFileCopy(const std::string& source, const std::string& destination, bool durable = false);

// Copies every file of from_folder matching spec (a name or a wildcard
// pattern) into to_folder under the same name; folders that match are not
// copied. A missing folder on either side is reported (critical icon,
// "CopyFileSpec()"). No match succeeds when must_exist is false and is
// reported otherwise. The first failed copy ends the routine; files copied
// before it stay. durable: every copy as bFileCopy's durable copy; the caller
// flushes to_folder after its last copy.
// The total size of the files of folder matching spec; 0 when none or the
// folder is missing.
std::uint64_t SizeOfFileSpec(const std::string& spec, const std::string& folder);

bool CopyFileSpec(const std::string& spec, const std::string& from_folder, const std::string& to_folder,
                  bool must_exist, bool durable = false);

// Deletes every file matching path_spec ("folder/pattern") whose name does not
// begin with "."; read-only files and folders stay, and a file that cannot be
// deleted is skipped. Only a missing folder fails ("Path not found.").
bool DeleteFileSpec(const std::string& path_spec);

// Removes an empty folder, first making "/" the current folder so that the
// folder is not in use as this process's current folder. A folder that still
// holds entries is refused with the "must be empty" message; messages are
// shown only when show_msgs is true.
bool RemoveFolder(const std::string& folder, bool show_msgs);

// Attribute bit that makes Dir1 return folders as well as files.
inline constexpr int kDirIncludeFolders = 16;

// Lists a folder one entry per call. A non-empty pattern starts a new search
// (a pattern ending in "/" lists everything in that folder); an empty pattern
// continues the previous one. Returns the next matching name, or empty text at
// the end of the listing, which also closes the search. Folders ("." and ".."
// included) are returned only when attributes holds kDirIncludeFolders. A
// device that is not ready offers a retry ("Device not ready.  Try Again?").
std::string Dir1(const std::string& pattern, int attributes);
// Closes Dir1's pending search, so the next call with an empty pattern finds nothing.
void ResetDir1();

// True when an entry (file or folder) of exactly this path exists; a path
// whose last part holds "*" or "?" is never taken as existing (folders before
// it are taken literally).
bool FileExists(const std::string& path);

// Whether path names an existing folder, or any existing entry; nothing is
// reported and no error is left pending. An empty path names nothing.
bool IsFolder(const std::string& path);
bool EntryExists(const std::string& path);

// True when folder exists and holds no files (subfolders do not count). A
// missing folder is reported for the new-project folder prompt; an empty
// argument gives false silently.
bool IsFolderEmpty(const std::string& folder);

// Closes a search slot that holds an open search; harmless on a closed one.
void CloseFind(platform::DirSearch& slot);

// ---- paths and text

// The trimmed text with one trailing "/" ensured; empty stays empty.
std::string AddBackslash(const std::string& path);
// The trimmed text without its trailing "/"; empty stays empty. The root "/"
// stays "/": it has no other name, and AddBackslash(RemoveBackslash("/"))
// must give the root back (on a lettered drive the root's name is "C:").
std::string RemoveBackslash(const std::string& path);
// The folder part of a path, without its trailing "/" except for the root:
// "/a/b/c.txt" -> "/a/b", "/c.txt" -> "/", "c.txt" -> "".
std::string GetPathFolder(const std::string& path);
// The last component of a path: "/a/b/c.txt" -> "c.txt", "/a/b/" -> "b".
std::string GetLastPathPart(const std::string& path);
// The text up to the first NUL character, trimmed of blanks.
std::string StripNull(const std::string& text);
// Equal after trimming blanks and folding ASCII letters to upper case.
bool IsSameText(const std::string& a, const std::string& b);
// number in decimal, left-padded with "0" to width; a longer text keeps its
// rightmost width characters (123 to width 2 gives "23"). Width 0 gives "".
std::string ZeroPad(long number, int width);
// The longest file name the volume holding path allows, 0 when it cannot be
// read. path need not exist yet: its nearest existing folder decides.
long GetMaxFileNameLength(const std::string& path);

// ---- names

// The longest project name when a caller passes no limit of its own: the size
// of the projects list's job-name field, loaded at startup (50 until then).
int JobNameLengthLimit();
void SetJobNameLengthLimit(int limit);

// Project-name rule: non-empty, at most max_len characters (the job-name limit
// when max_len is 0), not beginning with ".", only letters of either case,
// digits, blanks and $%`-@{}~!#()._ . The name is taken up to its first NUL
// and is not trimmed. Shows the reason and returns false otherwise.
bool ValidCharsInProjectName(const std::string& name, int max_len);

// False, with a message, for an empty name and for "Untitled" in any case.
bool CheckProjectName(const std::string& name);

// The 8.3 rule for a file or folder name on a volume without long names: at
// most 8 characters, optionally one period and 1 to 3 characters after it,
// only letters, digits and $%`-@{}~!'#()._& . Shows the reason when false.
bool ValidateShortFileName(const std::string& name);

// The long-name rule: 1 to max_len characters, not beginning or ending with
// ".", none of ' < > : / | \ ". Wildcards are not refused here. Shows the
// reason when false.
bool ValidateLongFileName(const std::string& name, int max_len);

}  // namespace pds
