#include "render/display_lost.h"

#include <atomic>

namespace salvo {

namespace {

std::atomic<DisplayLostHook> hook{nullptr};

}  // namespace

void SetDisplayLostHook(DisplayLostHook newHook) {
  hook.store(newHook);
}

void RunDisplayLostHook() {
  if (DisplayLostHook run = hook.exchange(nullptr)) run();
}

}  // namespace salvo
