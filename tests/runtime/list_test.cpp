#include "runtime/list.h"

#include <gtest/gtest.h>

#include <functional>

#include "raised.h"

namespace salvo {
namespace {

// A value that compares by number, for sorting.
class Number : public Object {
 public:
  explicit Number(int value) : value(value) {}
  int Compare(const Object& other) const override {
    return value - static_cast<const Number&>(other).value;
  }
  int value;
};

class Other : public Object {};

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
  Ref<Object> a = New<Number>(1);
  Ref<Object> b = New<Number>(2);
  Ref<Object> c = New<Number>(3);
};

TEST_F(ListTest, NewListIsEmpty) {
  EXPECT_TRUE(list->IsEmpty());
  EXPECT_EQ(list->Count(), 0);
  EXPECT_TRUE(list->FirstLink().IsNull());
  EXPECT_TRUE(list->First().IsNull());
  EXPECT_TRUE(list->RemoveLast().IsNull());
  EXPECT_TRUE(Walk(list).empty());
}

TEST_F(ListTest, WalkRemovingEachVisitedValueEmptiesTheList) {
  FillABC();
  EXPECT_EQ(Walk(list, [&](Ref<Object> v) { list->Remove(v); }), (Seen{a.Get(), b.Get(), c.Get()}));
  EXPECT_TRUE(list->IsEmpty());
}

TEST_F(ListTest, EnumeratorStandingOnARemovedLinkYieldsNullThenGoesOn) {
  FillABC();
  Ref<TListEnum> walk = list->ObjectEnumerator();
  EXPECT_EQ(walk->NextObject(), a);  // now stands on b's link
  list->Remove(b);
  ASSERT_TRUE(walk->HasNext());
  EXPECT_TRUE(walk->NextObject().IsNull());
  EXPECT_EQ(walk->NextObject(), c);
  EXPECT_FALSE(walk->HasNext());
}

TEST_F(ListTest, ValueRemovedAheadOfTheWalkIsNotVisitedAddLastIsAndAddFirstIsNot) {
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

TEST_F(ListTest, EachOfAClassVisitsItsDerivedValuesAndSkipsOthers) {
  // Like particles and blood drops: a derived class walked as its base.
  class Spark : public Object {};
  class Drop : public Spark {};
  Ref<Object> spark = New<Spark>(), drop = New<Drop>(), other = New<Other>();
  for (const Ref<Object>& value : {spark, drop, other, drop, spark}) list->AddLast(value);
  list->AddLast(nullptr);
  Seen sparks, drops;
  for (int walk = 0; walk < 2; walk++) {
    sparks.clear();
    drops.clear();
    for (Ref<Spark> s : Each<Spark>(list)) sparks.push_back(s.Get());
    for (Ref<Drop> d : Each<Drop>(list)) drops.push_back(d.Get());
  }
  EXPECT_EQ(sparks, (Seen{spark.Get(), drop.Get(), drop.Get(), spark.Get()}));
  EXPECT_EQ(drops, (Seen{drop.Get(), drop.Get()}));
}

TEST_F(ListTest, RemoveTakesOnlyTheFirstOccurrenceAndRemoveLastTheLast) {
  for (Ref<Object> v : {a, b, a}) list->AddLast(v);
  EXPECT_TRUE(list->Remove(a));
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->First(), b);
  EXPECT_EQ(list->Last(), a);
  EXPECT_FALSE(list->Remove(c));
  EXPECT_EQ(list->RemoveLast(), a);
  EXPECT_EQ(Walk(list), (Seen{b.Get()}));
}

TEST_F(ListTest, SortIsByCompareAndStable) {
  Ref<Object> b2 = New<Number>(2);
  for (Ref<Object> v : {c, b, a, b2}) list->AddLast(v);
  list->Sort(true);
  EXPECT_EQ(Walk(list), (Seen{a.Get(), b.Get(), b2.Get(), c.Get()}));
  list->Sort(false);
  EXPECT_EQ(Walk(list), (Seen{c.Get(), b.Get(), b2.Get(), a.Get()}));
}

TEST_F(ListTest, ValueAtIndexSkipsNullValuesAndRaisesOutOfRange) {
  FillABC();
  list->AddFirst(nullptr);  // Null values are not counted
  EXPECT_EQ(list->ValueAtIndex(0), a);
  EXPECT_EQ(list->ValueAtIndex(2), c);
  for (int index : {3, -1}) {
    EXPECT_EQ(testing::Raised<RuntimeError>([&] { list->ValueAtIndex(index); }),
              "List index out of range")
        << index;
  }
}

TEST_F(ListTest, CopyReversedAndArrays) {
  FillABC();
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
