#include "platform/env.h"

namespace pds::platform {

namespace {
Env*& Slot() {
  static Env* env = nullptr;
  return env;
}
}  // namespace

Env* CurrentEnv() {
  Env* env = Slot();
  return env ? env : PosixEnv();
}

ScopedEnv::ScopedEnv(Env* env) : previous_(Slot()) { Slot() = env; }
ScopedEnv::~ScopedEnv() { Slot() = previous_; }

}  // namespace pds::platform
