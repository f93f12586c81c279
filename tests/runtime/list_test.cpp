#include "runtime/list.h"

#include <gtest/gtest.h>

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

std::vector<Object*> Walk(const Ref<TList>& list) {
  std::vector<Object*> seen;
  for (Ref<Object> value : Each<Object>(list)) seen.push_back(value.Get());
  return seen;
}

class ListTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
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
  for (Ref<Object> v : {a, b, c}) list->AddLast(v);
  std::vector<Object*> seen;
  for (Ref<Object> value : Each<Object>(list)) {
    seen.push_back(value.Get());
    list->Remove(value);
  }
  EXPECT_EQ(seen, (std::vector<Object*>{a.Get(), b.Get(), c.Get()}));
  EXPECT_TRUE(list->IsEmpty());
}

TEST_F(ListTest, ValueRemovedAheadOfTheWalkIsNotVisited) {
  for (Ref<Object> v : {a, b, c}) list->AddLast(v);
  std::vector<Object*> seen;
  for (Ref<Object> value : Each<Object>(list)) {
    seen.push_back(value.Get());
    if (value == a) list->Remove(b);
  }
  EXPECT_EQ(seen, (std::vector<Object*>{a.Get(), c.Get()}));
}

TEST_F(ListTest, EnumeratorStandingOnARemovedLinkYieldsNullThenGoesOn) {
  for (Ref<Object> v : {a, b, c}) list->AddLast(v);
  Ref<TListEnum> walk = list->ObjectEnumerator();
  EXPECT_EQ(walk->NextObject(), a);  // now stands on b's link
  list->Remove(b);
  ASSERT_TRUE(walk->HasNext());
  EXPECT_TRUE(walk->NextObject().IsNull());
  EXPECT_EQ(walk->NextObject(), c);
  EXPECT_FALSE(walk->HasNext());
}

TEST_F(ListTest, AddLastDuringAWalkIsVisitedAddFirstIsNot) {
  list->AddLast(a);
  list->AddLast(b);
  Ref<Object> x = New<Number>(10);
  Ref<Object> y = New<Number>(11);
  std::vector<Object*> seen;
  for (Ref<Object> value : Each<Object>(list)) {
    seen.push_back(value.Get());
    if (value == a) {
      list->AddFirst(x);
      list->AddLast(y);
    }
  }
  EXPECT_EQ(seen, (std::vector<Object*>{a.Get(), b.Get(), y.Get()}));
  EXPECT_EQ(list->Count(), 4);
}

TEST_F(ListTest, EachSkipsValuesOfOtherClasses) {
  Ref<Object> other = New<Other>();
  list->AddLast(a);
  list->AddLast(other);
  list->AddLast(b);
  int numbers = 0;
  for (Ref<Number> n : Each<Number>(list)) numbers += n->value;
  EXPECT_EQ(numbers, 3);
}

TEST_F(ListTest, EachOfABaseClassVisitsDerivedValuesToo) {
  // Like particles and blood drops: a derived class walked as its base.
  class Spark : public Object {};
  class Drop : public Spark {};
  Ref<Object> spark = New<Spark>();
  Ref<Object> drop = New<Drop>();
  Ref<Object> other = New<Other>();
  for (const Ref<Object>& value : {spark, drop, other, drop, spark}) list->AddLast(value);
  list->AddLast(nullptr);
  std::vector<Object*> sparks, drops;
  for (int walk = 0; walk < 2; walk++) {
    sparks.clear();
    drops.clear();
    for (Ref<Spark> s : Each<Spark>(list)) sparks.push_back(s.Get());
    for (Ref<Drop> d : Each<Drop>(list)) drops.push_back(d.Get());
  }
  EXPECT_EQ(sparks, (std::vector<Object*>{spark.Get(), drop.Get(), drop.Get(), spark.Get()}));
  EXPECT_EQ(drops, (std::vector<Object*>{drop.Get(), drop.Get()}));
}

TEST_F(ListTest, RemoveTakesOnlyTheFirstOccurrence) {
  list->AddLast(a);
  list->AddLast(b);
  list->AddLast(a);
  EXPECT_TRUE(list->Remove(a));
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->First(), b);
  EXPECT_EQ(list->Last(), a);
  EXPECT_FALSE(list->Remove(c));
}

TEST_F(ListTest, SortIsByCompareAndStable) {
  Ref<Object> b2 = New<Number>(2);
  for (Ref<Object> v : {c, b, a, b2}) list->AddLast(v);
  list->Sort(true);
  EXPECT_EQ(Walk(list), (std::vector<Object*>{a.Get(), b.Get(), b2.Get(), c.Get()}));
  list->Sort(false);
  EXPECT_EQ(Walk(list), (std::vector<Object*>{c.Get(), b.Get(), b2.Get(), a.Get()}));
}

TEST_F(ListTest, ValueAtIndexRaisesOutOfRange) {
  for (Ref<Object> v : {a, b, c}) list->AddLast(v);
  EXPECT_EQ(list->ValueAtIndex(2), c);
  for (int index : {3, -1}) {
    try {
      list->ValueAtIndex(index);
      FAIL() << "index " << index;
    } catch (const RuntimeError& error) {
      EXPECT_STREQ(error.what(), "List index out of range");
    }
  }
}

TEST_F(ListTest, CopyReversedAndArrays) {
  for (Ref<Object> v : {a, b, c}) list->AddLast(v);
  EXPECT_EQ(Walk(list->Reversed()), (std::vector<Object*>{c.Get(), b.Get(), a.Get()}));
  EXPECT_EQ(Walk(list->Copy()), Walk(list));
  list->Reverse();
  EXPECT_EQ(Walk(list), (std::vector<Object*>{c.Get(), b.Get(), a.Get()}));
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
