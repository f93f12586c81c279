#include "runtime/object.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "raised.h"
#include "runtime/list.h"

namespace salvo {
namespace {

// Counts its own destructions so tests can see when the release step ran.
class Tracked : public Object {
 public:
  explicit Tracked(int* destroyed) : destroyed_(destroyed) {}
  ~Tracked() override { ++*destroyed_; }
  Ref<Object> other;

 private:
  int* destroyed_;
};

class Other : public Object {};

// A new object, dropped at once: parked until the release step.
Tracked* Dropped(int* destroyed) {
  return New<Tracked>(destroyed).Get();
}

TEST(ReleaseStep, DroppedObjectSurvivesUntilTheReleaseStep) {
  ReleaseStep();
  int destroyed = 0;
  Tracked* raw = Dropped(&destroyed);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(raw->RefCount(), 0);
  { Ref<Tracked> again = Ref<Tracked>::Retain(raw); }  // dropped again: still parked once
  EXPECT_EQ(PendingReleases(), 1u);
  ReleaseStep();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(PendingReleases(), 0u);
}

TEST(ReleaseStep, ObjectReferencedAgainSurvivesTheReleaseStep) {
  ReleaseStep();
  int destroyed = 0;
  Ref<TList> keeper = New<TList>();
  Tracked* raw = Dropped(&destroyed);
  // Parked with a count of 0, then referenced again before the step.
  keeper->AddLast(Ref<Tracked>::Retain(raw));
  ReleaseStep();
  EXPECT_EQ(destroyed, 0);
  // Dropped a second time: parked again and destroyed by the next step.
  keeper->Clear();
  ReleaseStep();
  EXPECT_EQ(destroyed, 1);
}

TEST(ReleaseStep, ChainsOfReferencesAreFreedInOneStep) {
  ReleaseStep();
  int destroyed = 0;
  {
    Ref<Tracked> first = New<Tracked>(&destroyed);
    Ref<Tracked> current = first;
    for (int i = 0; i < 10000; ++i) {
      Ref<Tracked> next = New<Tracked>(&destroyed);
      current->other = next;
      current = next;
    }
  }
  ReleaseStep();
  EXPECT_EQ(destroyed, 10001);
}

TEST(Ref, NullAccessRaisesTheRuntimeError) {
  Ref<Tracked> nothing;
  EXPECT_TRUE(nothing.IsNull());
  EXPECT_EQ(testing::Raised<RuntimeError>([&] { nothing->other = nullptr; }),
            "Attempt to access field or method of Null object");
}

// A family of classes for the cast tests: more of them than a cast remembers.
class Shape : public Object {};
template <int N>
class Kind : public Shape {};

// A class whose Object part does not sit at its start, so converting an
// Object pointer to it moves the address.
class Mixin {
 public:
  virtual ~Mixin() = default;
  int padding = 7;
};
class Moved : public Mixin, public Object {};

template <int... N>
std::vector<Ref<Object>> OneOfEachKind(std::integer_sequence<int, N...>) {
  return {New<Kind<N>>()...};
}

TEST(Ref, CastAgreesWithDynamicCastOverManyClassesAndRepeats) {
  std::vector<Ref<Object>> objects = OneOfEachKind(std::make_integer_sequence<int, 20>());
  objects.push_back(New<Other>());
  objects.push_back(nullptr);
  // Several rounds, so that answers come from what earlier casts remembered
  // and from classes that were forgotten again.
  for (int round = 0; round < 3; round++) {
    for (const Ref<Object>& object : objects) {
      Object* raw = object.Get();
      EXPECT_EQ(Cast<Shape>(object).Get(), dynamic_cast<Shape*>(raw));
      EXPECT_EQ(Cast<Kind<3>>(object).Get(), dynamic_cast<Kind<3>*>(raw));
      EXPECT_EQ(Cast<Kind<17>>(object).Get(), dynamic_cast<Kind<17>*>(raw));
      EXPECT_EQ(Cast<Other>(object).Get(), dynamic_cast<Other*>(raw));
    }
  }
  EXPECT_EQ(Cast<Kind<3>>(objects[3]).Get(), objects[3].Get());
  EXPECT_TRUE(Cast<Kind<3>>(objects[4]).IsNull());
}

TEST(Ref, CastThatMovesTheAddressFindsTheWholeObjectEveryTime) {
  Ref<Moved> moved = New<Moved>();
  Ref<Object> asObject = moved;
  ASSERT_NE(static_cast<void*>(asObject.Get()), static_cast<void*>(moved.Get()));
  for (int i = 0; i < 3; i++) {
    Ref<Moved> back = Cast<Moved>(asObject);
    ASSERT_EQ(back.Get(), moved.Get());
    EXPECT_EQ(back->padding, 7);
  }
}

TEST(Object, DefaultCompareAndToStringUseIdentity) {
  Ref<TList> a = New<TList>();
  Ref<TList> b = New<TList>();
  EXPECT_EQ(a->Compare(*a), 0);
  EXPECT_NE(a->Compare(*b), 0);
  EXPECT_EQ(a->Compare(*b), -b->Compare(*a));
  EXPECT_EQ(a->ToString().substr(0, 2), u"0x");
  EXPECT_NE(a->ToString(), b->ToString());
}

TEST(Strings, NumbersAndUtf8RoundTrip) {
  EXPECT_EQ(ToString(-25), u"-25");
  EXPECT_EQ(ToString(0), u"0");
  EXPECT_EQ(FromUtf8("Cash: $"), u"Cash: $");
  String text = FromUtf8("gr\xC3\xBC\xC3\x9F \xF0\x9F\x92\xA5");
  EXPECT_EQ(text.size(), 7u);  // the emoji is a surrogate pair
  EXPECT_EQ(ToUtf8(text), "gr\xC3\xBC\xC3\x9F \xF0\x9F\x92\xA5");
  EXPECT_EQ(FromUtf8("\xFF"), u"\uFFFD");
  EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");
}

}  // namespace
}  // namespace salvo
