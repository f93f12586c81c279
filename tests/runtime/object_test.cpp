#include "runtime/object.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "raised.h"
#include "runtime/list.h"

namespace salvo {
namespace {

// Counts its own destructions so tests can see when the release step ran.
struct Tracked : Object {
  explicit Tracked(int* destroyed) : destroyed(destroyed) {}
  ~Tracked() override { ++*destroyed; }
  Ref<Object> other;
  int* destroyed;
};

class Other : public Object {};

TEST(ReleaseStep, DroppedObjectSurvivesUntilTheReleaseStepUnlessReferencedAgainChainsGoInOneStep) {
  ReleaseStep();
  int destroyed = 0;
  Tracked* raw = New<Tracked>(&destroyed).Get();  // dropped at once: parked
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(raw->RefCount(), 0);
  { Ref<Tracked> again = Ref<Tracked>::Retain(raw); }  // dropped again: still parked once
  EXPECT_EQ(PendingReleases(), 1u);
  ReleaseStep();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(PendingReleases(), 0u);
  // Parked with a count of 0, then referenced again before the step.
  raw = New<Tracked>(&destroyed).Get();
  Ref<TList> keeper = New<TList>();
  keeper->AddLast(Ref<Tracked>::Retain(raw));
  ReleaseStep();
  EXPECT_EQ(destroyed, 1);
  // Dropped a second time: parked again and destroyed by the next step.
  keeper->Clear();
  ReleaseStep();
  EXPECT_EQ(destroyed, 2);
  Ref<Tracked> chain;  // each holds the one made before it
  for (int i = 0; i < 10001; ++i) {
    Ref<Tracked> link = New<Tracked>(&destroyed);
    link->other = chain;
    chain = link;
  }
  chain = nullptr;
  ReleaseStep();
  EXPECT_EQ(destroyed, 10003);
}

// A family of classes for the cast tests: more of them than a cast remembers.
class Shape : public Object {};
template <int N>
class Kind : public Shape {};

// Its Object part does not sit at its start: converting an Object pointer to it moves the address.
struct Mixin {
  virtual ~Mixin() = default;
};
class Moved : public Mixin, public Object {};

template <int... N>
std::vector<Ref<Object>> OneOfEachKind(std::integer_sequence<int, N...>) {
  return {New<Kind<N>>()...};
}

// Several rounds, so that answers come from what earlier casts remembered and from classes that
// were forgotten again; the cast to Moved moves the address and must never be remembered.
TEST(Ref, NullAccessRaisesCastAgreesWithDynamicCastOverManyClassesAlsoWhenItMovesTheAddress) {
  Ref<Tracked> nothing;
  EXPECT_EQ(testing::Raised<RuntimeError>([&] { nothing->other = nullptr; }),
            "Attempt to access field or method of Null object");
  std::vector<Ref<Object>> objects = OneOfEachKind(std::make_integer_sequence<int, 20>());
  for (Ref<Object> more : {Ref<Object>(New<Other>()), Ref<Object>(New<Moved>()), Ref<Object>()}) {
    objects.push_back(more);
  }
  Moved* moved = dynamic_cast<Moved*>(objects[21].Get());
  ASSERT_NE(static_cast<void*>(moved), static_cast<void*>(objects[21].Get()));
  // Straight after itself, where a remembered answer would keep the Object part's address.
  for (int i = 0; i < 3; i++) EXPECT_EQ(Cast<Moved>(objects[21]).Get(), moved);
  for (int round = 0; round < 3; round++) {
    for (const Ref<Object>& object : objects) {
      Object* raw = object.Get();
      EXPECT_EQ(Cast<Shape>(object).Get(), dynamic_cast<Shape*>(raw));
      EXPECT_EQ(Cast<Kind<3>>(object).Get(), dynamic_cast<Kind<3>*>(raw));
      EXPECT_EQ(Cast<Kind<17>>(object).Get(), dynamic_cast<Kind<17>*>(raw));
      EXPECT_EQ(Cast<Other>(object).Get(), dynamic_cast<Other*>(raw));
      EXPECT_EQ(Cast<Moved>(object).Get(), dynamic_cast<Moved*>(raw));
    }
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

// A value that compares by number, for sorting.
struct Number : Object {
  explicit Number(int value) : value(value) {}
  int Compare(const Object& other) const override {
    return value - static_cast<const Number&>(other).value;
  }
  int value;
};

using Seen = std::vector<Object*>;

class ListTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
  // The list holding a, b and c in that order.
  void FillABC() {
    for (Ref<Object> v : {a, b, c}) list->AddLast(v);
  }
  // The values a for-each walk visits, calling during(value) at each.
  static Seen Walk(const Ref<TList>& list, const std::function<void(Ref<Object>)>& during = {}) {
    Seen seen;
    for (Ref<Object> value : Each<Object>(list)) {
      seen.push_back(value.Get());
      if (during) during(value);
    }
    return seen;
  }
  Ref<TList> list = CreateList();
  Ref<Object> a = New<Number>(1), b = New<Number>(2), c = New<Number>(3);
};

TEST_F(ListTest,
       NewListIsEmptyValuesRemovedInAWalkAreNotVisitedAnEnumeratorOnARemovedLinkYieldsNull) {
  EXPECT_TRUE(Walk(list).empty());
  EXPECT_TRUE(list->FirstLink().IsNull());
  FillABC();
  EXPECT_EQ(Walk(list, [&](Ref<Object> v) { list->Remove(v); }), (Seen{a.Get(), b.Get(), c.Get()}));
  EXPECT_TRUE(list->IsEmpty());
  EXPECT_EQ(list->Count(), 0);
  EXPECT_TRUE(list->First().IsNull());
  ASSERT_TRUE(list->RemoveLast().IsNull());  // the walks below need the list whole
  FillABC();
  Ref<TListEnum> walk = list->ObjectEnumerator();
  EXPECT_EQ(walk->NextObject(), a);  // now stands on b's link
  list->Remove(b);
  ASSERT_TRUE(walk->HasNext());
  EXPECT_TRUE(walk->NextObject().IsNull());
  EXPECT_EQ(walk->NextObject(), c);
  EXPECT_FALSE(walk->HasNext());
  list->Clear();
  FillABC();
  Ref<Object> x = New<Number>(10), y = New<Number>(11);
  auto changes = [&](Ref<Object> v) {
    if (v != a) return;
    list->Remove(b);
    list->AddFirst(x);
    list->AddLast(y);
  };
  EXPECT_EQ(Walk(list, changes), (Seen{a.Get(), c.Get(), y.Get()}));
  EXPECT_EQ(Walk(list), (Seen{x.Get(), a.Get(), c.Get(), y.Get()}));
}

TEST_F(ListTest, RemoveTakesOnlyTheFirstOccurrenceAndRemoveLastTheLastSortIsByCompareAndStable) {
  for (Ref<Object> v : {a, b, a}) list->AddLast(v);
  EXPECT_TRUE(list->Remove(a));
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->First(), b);
  EXPECT_EQ(list->Last(), a);
  EXPECT_FALSE(list->Remove(c));
  EXPECT_EQ(list->RemoveLast(), a);
  EXPECT_EQ(Walk(list), (Seen{b.Get()}));
  list->Clear();
  Ref<Object> b2 = New<Number>(2);
  for (Ref<Object> v : {c, b, a, b2}) list->AddLast(v);
  list->Sort(true);
  EXPECT_EQ(Walk(list), (Seen{a.Get(), b.Get(), b2.Get(), c.Get()}));
  list->Sort(false);
  EXPECT_EQ(Walk(list), (Seen{c.Get(), b.Get(), b2.Get(), a.Get()}));
}

TEST_F(ListTest, ValueAtIndexSkipsNullValuesAndRaisesOutOfRangeCopyReversedAndArrays) {
  FillABC();
  list->AddFirst(nullptr);  // Null values are not counted
  EXPECT_EQ(list->ValueAtIndex(0), a);
  EXPECT_EQ(list->ValueAtIndex(2), c);
  for (int index : {3, -1}) {
    EXPECT_EQ(testing::Raised<RuntimeError>([&] { list->ValueAtIndex(index); }),
              "List index out of range")
        << index;
  }
  list->Remove(nullptr);  // a, b and c again
  EXPECT_EQ(Walk(list->Reversed()), (Seen{c.Get(), b.Get(), a.Get()}));
  EXPECT_EQ(Walk(list->Copy()), Walk(list));
  list->Reverse();
  EXPECT_EQ(Walk(list), (Seen{c.Get(), b.Get(), a.Get()}));
  std::vector<Ref<Object>> array = list->ToArray();
  ASSERT_EQ(array.size(), 3u);
  array.insert(array.begin() + 1, nullptr);
  EXPECT_EQ(TList::FromArray(array)->Count(), 3);
  // Null values count too: Count entries, the values first in order.
  Ref<TList> withNulls = CreateList();
  for (Ref<Object> v : {Ref<Object>(), a, Ref<Object>(), b}) withNulls->AddLast(v);
  EXPECT_EQ(withNulls->ToArray(), (std::vector<Ref<Object>>{a, b, nullptr, nullptr}));
  EXPECT_TRUE(list->Contains(b));
  EXPECT_EQ(list->FindLink(b)->NextLink()->Value(), a);
  EXPECT_TRUE(list->FindLink(a)->NextLink().IsNull());
}

TEST_F(ListTest, DroppedListFreesItsLinksAndValues) {
  ReleaseStep();
  std::size_t before = LiveObjects();
  {
    Ref<TList> temporary = CreateList();
    for (int i = 0; i < 100; ++i) temporary->AddLast(New<Number>(i));
  }
  ReleaseStep();
  EXPECT_EQ(LiveObjects(), before);
}

}  // namespace
}  // namespace salvo
