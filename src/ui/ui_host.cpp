#include <mutex>

#include "pds/BatchHost.h"
#include "pds/UiHost.h"

namespace pds {

namespace {
std::shared_ptr<UiHost>& HostSlot() {
  static std::shared_ptr<UiHost> host = std::make_shared<BatchHost>();
  return host;
}
}  // namespace

int MsgBoxDefaultAnswer(int style) {
  static const int kButtons[6][3] = {
      {vbOK, 0, 0},           {vbOK, vbCancel, 0},   {vbAbort, vbRetry, vbIgnore},
      {vbYes, vbNo, vbCancel}, {vbYes, vbNo, 0},     {vbRetry, vbCancel, 0},
  };
  int set = style & 0x7;
  if (set > 5) set = 0;
  int which = (style & 0x300) >> 8;  // 0, 1 or 2: the default button's position
  int answer = kButtons[set][which];
  return answer != 0 ? answer : kButtons[set][0];
}

int MsgBoxEscapeAnswer(int style) {
  switch (style & 0x7) {
    case vbOKCancel:
    case vbYesNoCancel:
    case vbRetryCancel:
      return vbCancel;
    case vbYesNo:
      return vbNo;
    case vbAbortRetryIgnore:
      return vbAbort;
    default:
      return vbOK;
  }
}

UiHost& Ui() { return *HostSlot(); }

std::shared_ptr<UiHost> SetUiHost(std::shared_ptr<UiHost> host) {
  if (!host) host = std::make_shared<BatchHost>();
  std::shared_ptr<UiHost> previous = HostSlot();
  HostSlot() = std::move(host);
  return previous;
}

}  // namespace pds
