#include "runtime/object.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

namespace salvo {
namespace {

// Heap-allocated and never freed, so references dropped by global destructors
// at process exit still find a valid stack.
std::vector<Object*>& ReleaseStack() {
  static auto* stack = new std::vector<Object*>();
  return *stack;
}

std::size_t liveObjects = 0;

}  // namespace

void ParkObject(Object* object) {
  if (object->parked_) return;
  object->parked_ = true;
  ReleaseStack().push_back(object);
}

void ReleaseStep() {
  auto& stack = ReleaseStack();
  while (!stack.empty()) {
    Object* object = stack.back();
    stack.pop_back();
    object->parked_ = false;
    if (object->refCount_ == 0) delete object;
  }
}

std::size_t PendingReleases() {
  return ReleaseStack().size();
}

std::size_t LiveObjects() {
  return liveObjects;
}

Object::Object() {
  ++liveObjects;
}

Object::~Object() {
  --liveObjects;
}

String Object::ToString() const {
  // The address in hexadecimal after "0x" on every system (Windows' "%p"
  // gives it zero-padded, without the prefix).
  char text[32];
  std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(this));
  return FromUtf8(text);
}

int Object::Compare(const Object& other) const {
  auto a = reinterpret_cast<std::intptr_t>(this);
  auto b = reinterpret_cast<std::intptr_t>(&other);
  if (a == b) return 0;
  return a < b ? -1 : 1;
}

}  // namespace salvo
