// Enumerations and constants shared by every public class of the component.
// The values are part of the contract with the applications and never change.
#pragma once

#include <cstdint>

namespace pds {

enum eProjectReturnCode : std::int32_t {
  RETURN_OK = -1,
  RETURN_ERROR = 0,
  RETURN_USER_CANCEL = -2,
};

// The tag operations' extra results; the service object also offers them as properties.
inline constexpr std::int32_t kReturnNoTags = -3;
inline constexpr std::int32_t kReturnTagAlreadyExists = -4;

enum eProjectOperationMode : std::int32_t {
  SELECT_MODE = 0,
  OPEN_MODE = 1,
  DELETE_MODE = 2,
  SAVE_MODE = 3,
  ARCHIVE_MODE = 4,
  EXPORT_PREV_MODE = 5,
  RETRIEVE_PREV_MODE = 6,
};

enum eTagDialogModes : std::int32_t {
  dm_TAG_SELECT = 0,
  dm_TAG_OPEN = 1,
  dm_TAG_DELETE = 2,
};

enum eDataStyle : std::int32_t {
  NO_DATA = 0,
  PROJECT_SUPPORT = 2,
  TAG_SUPPORT = 4,
};

enum eOSType : std::int32_t {
  osWin32s = 0,
  osWindows95 = 1,
  osWindowsNT = 2,
};

enum eBrandType : std::int16_t {
  VELTRAX = 0,
  DORNEL = 1,
  HALVORN = 2,
  TORSK = 3,
};
inline constexpr std::int16_t Export = 0;

enum eNetError : std::int32_t {
  NO_ERROR = 0,
  ERROR_MORE_DATA = 234,
  ERROR_NO_NETWORK = 1222,
  ERROR_NOT_LOGGED_ON = 1245,
  ERROR_NO_NET_OR_BAD_PATH = 1203,
  ERROR_NOT_CONNECTED = 2250,
  ERROR_EXTENDED_ERROR = 1208,
};

// The designation that stands for all applications together.
inline constexpr const char* kSharedPdsg = "XXXYY";

}  // namespace pds
