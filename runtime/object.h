// Reference-counted objects, the Ref handle and the deferred release step.
//
// Every runtime and game object derives from Object and lives on the heap. Its
// count is raised by each Ref that points at it. When the count falls to 0 the
// object is not destroyed at once: it is parked on the release stack and
// destroyed at the next ReleaseStep() unless something referenced it again in
// the meantime. That is what lets a game object remove itself from a list in
// the middle of a frame and still finish its own update.
//
// Counts are plain ints: objects belong to the main thread. Raising and
// lowering a count is inline; only parking an object is a call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "runtime/error.h"
#include "runtime/string.h"

namespace salvo {

class Object;
void RetainObject(Object* object);
void ReleaseObject(Object* object);
// Puts an object whose count fell to 0 on the release stack (once).
void ParkObject(Object* object);

class Object {
 public:
  Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object();

  // The object's address in hexadecimal, as "%p" prints it.
  virtual String ToString() const;
  // Orders objects by address: 0 only for the same object.
  virtual int Compare(const Object& other) const;

  int RefCount() const { return refCount_; }

 private:
  friend void RetainObject(Object* object);
  friend void ReleaseObject(Object* object);
  friend void ParkObject(Object* object);
  friend void ReleaseStep();
  int refCount_ = 0;
  bool parked_ = false;
};

inline void RetainObject(Object* object) {
  if (object) ++object->refCount_;
}

inline void ReleaseObject(Object* object) {
  if (object && --object->refCount_ == 0) ParkObject(object);
}

// A counted reference. An empty Ref is the Null object: touching a member
// through it raises "Attempt to access field or method of Null object".
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  Ref(const Ref& other) : ptr_(other.ptr_) { RetainObject(Base()); }
  Ref(Ref&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(const Ref<U>& other) : ptr_(other.Get()) {
    RetainObject(Base());
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(Ref<U>&& other) noexcept : ptr_(other.Detach()) {}
  ~Ref() { ReleaseObject(Base()); }

  Ref& operator=(const Ref& other) {
    Ref(other).Swap(*this);
    return *this;
  }
  Ref& operator=(Ref&& other) noexcept {
    Ref(std::move(other)).Swap(*this);
    return *this;
  }
  Ref& operator=(std::nullptr_t) {
    Ref().Swap(*this);
    return *this;
  }

  // Takes a reference to an object that already lives on the heap, such as
  // `this` inside a member function.
  static Ref Retain(T* object) {
    Ref ref;
    ref.ptr_ = object;
    RetainObject(ref.Base());
    return ref;
  }

  T* operator->() const { return &Checked(); }
  T& operator*() const { return Checked(); }
  T* Get() const { return ptr_; }
  bool IsNull() const { return ptr_ == nullptr; }
  explicit operator bool() const { return ptr_ != nullptr; }

  void Swap(Ref& other) noexcept { std::swap(ptr_, other.ptr_); }
  // Hands the counted pointer over without changing its count.
  T* Detach() { return std::exchange(ptr_, nullptr); }

 private:
  Object* Base() const { return ptr_; }
  T& Checked() const {
    if (!ptr_) ThrowNullAccess();
    return *ptr_;
  }
  T* ptr_ = nullptr;
};

template <class T, class U>
bool operator==(const Ref<T>& a, const Ref<U>& b) {
  return static_cast<const Object*>(a.Get()) == static_cast<const Object*>(b.Get());
}
template <class T>
bool operator==(const Ref<T>& a, std::nullptr_t) {
  return a.IsNull();
}

// Creates a new object and returns the first reference to it.
template <class T, class... Args>
Ref<T> New(Args&&... args) {
  return Ref<T>::Retain(new T(std::forward<Args>(args)...));
}

namespace detail {

// What recent casts from U to T found, by the object's most-derived class:
// whether it converts, keeping the address. Game objects derive from Object
// along a single line, so the answer depends on the class alone; a class whose
// conversion would move the address is never remembered and always asks
// dynamic_cast. One cache per thread, so no thread sees another's writes.
struct CastCache {
  static constexpr int kSize = 8;
  const std::type_info* classes[kSize] = {};
  bool converts[kSize] = {};
  int next = 0;
};

template <class T, class U>
inline thread_local CastCache castCache;

template <class T, class U>
T* CastAndRemember(U* object, const std::type_info* type) {
  T* result = dynamic_cast<T*>(object);
  bool sameAddress = static_cast<void*>(result) == static_cast<void*>(object);
  if (result && !sameAddress) return result;
  CastCache& cache = castCache<T, U>;
  cache.classes[cache.next] = type;
  cache.converts[cache.next] = result != nullptr;
  cache.next = (cache.next + 1) % CastCache::kSize;
  return result;
}

}  // namespace detail

// The object as class T, or nullptr when it is nullptr or of another class:
// dynamic_cast's answer, remembered per class so a walk over a list of a few
// classes does not search the class hierarchy for every element.
template <class T, class U>
T* ObjectCast(U* object) {
  if constexpr (std::is_convertible_v<U*, T*>) {
    return object;
  } else {
    if (!object) return nullptr;
    const std::type_info* type = &typeid(*object);
    const detail::CastCache& cache = detail::castCache<T, U>;
    for (int i = 0; i < detail::CastCache::kSize; i++) {
      if (cache.classes[i] != type) continue;
      return cache.converts[i] ? static_cast<T*>(static_cast<void*>(object)) : nullptr;
    }
    return detail::CastAndRemember<T>(object, type);
  }
}

// The object as class T, or Null when it is Null or of another class.
template <class T, class U>
Ref<T> Cast(const Ref<U>& ref) {
  return Ref<T>::Retain(ObjectCast<T>(ref.Get()));
}

// Destroys every parked object whose count is still 0. Objects freed by those
// destructors are parked too and destroyed in the same step.
void ReleaseStep();
// Number of objects waiting for the next release step.
std::size_t PendingReleases();
// Number of objects alive right now (created and not yet destroyed).
std::size_t LiveObjects();

}  // namespace salvo
