// Doubly linked circular lists of object references around a sentinel link.
//
// A removed link keeps its own succ and pred, so a walk standing on it can
// still step on: any element, the current one included, may be removed in the
// middle of a walk and the walk goes on with the next surviving element.
#pragma once

#include <vector>

#include "runtime/object.h"

namespace salvo {

class TLink : public Object {
 public:
  Ref<Object> Value() const { return value; }
  // succ / pred, or Null when that neighbour is the sentinel.
  Ref<TLink> NextLink() const;
  Ref<TLink> PrevLink() const;
  // Unlinks this link; its own succ and pred stay as they were.
  void Remove();

  bool IsSentinel() const { return value.Get() == this; }

  Ref<Object> value;
  Ref<TLink> succ;
  Ref<TLink> pred;
};

// The object behind a for-each walk: `link` is the link whose value comes next.
class TListEnum : public Object {
 public:
  explicit TListEnum(Ref<TLink> first) : link(std::move(first)) {}
  bool HasNext() const { return !link->IsSentinel(); }
  Ref<Object> NextObject();

  Ref<TLink> link;
};

class TList : public Object {
 public:
  TList();
  ~TList() override;

  void Clear();
  bool IsEmpty() const;
  bool Contains(const Ref<Object>& value) const;
  Ref<TLink> AddFirst(const Ref<Object>& value);
  Ref<TLink> AddLast(const Ref<Object>& value);
  Ref<Object> First() const;
  Ref<Object> Last() const;
  Ref<Object> RemoveFirst();
  Ref<Object> RemoveLast();
  Ref<TLink> FirstLink() const;
  Ref<TLink> LastLink() const;
  Ref<TLink> InsertBeforeLink(const Ref<Object>& value, const Ref<TLink>& link);
  Ref<TLink> InsertAfterLink(const Ref<Object>& value, const Ref<TLink>& link);
  Ref<TLink> FindLink(const Ref<Object>& value) const;
  // Raises "List index out of range" past the last value.
  Ref<Object> ValueAtIndex(int index) const;
  int Count() const;
  bool Remove(const Ref<Object>& value);
  void Swap(TList& other);
  Ref<TList> Copy() const;
  void Reverse();
  Ref<TList> Reversed() const;
  // Stable bubble sort by Compare; links move, values stay in their links.
  void Sort(bool ascending = true);
  Ref<TListEnum> ObjectEnumerator() const;
  std::vector<Ref<Object>> ToArray() const;
  static Ref<TList> FromArray(const std::vector<Ref<Object>>& values);

  Ref<TLink> head;
};

// Range over the values of one class in a list, skipping Null values and
// values of other classes: `for (Ref<TShot> s : Each<TShot>(shots)) ...`.
template <class T>
class EachRange {
 public:
  class Iterator {
   public:
    explicit Iterator(Ref<TLink> link) : link_(std::move(link)) { Advance(); }
    Iterator() = default;
    // A new reference, so the loop variable is the only one the walk adds.
    Ref<T> operator*() const { return Ref<T>::Retain(current_); }
    Iterator& operator++() {
      Advance();
      return *this;
    }
    bool operator!=(const Iterator&) const { return current_ != nullptr; }

   private:
    // Steps past values of other classes. The value found needs no count of
    // its own until the loop takes it: the link just left still holds it, and
    // even a link removed since only parks it until the next release step.
    void Advance() {
      current_ = nullptr;
      while (!current_ && link_ && !link_->IsSentinel()) {
        current_ = ObjectCast<T>(link_->value.Get());
        link_ = link_->succ;
      }
    }
    Ref<TLink> link_;
    T* current_ = nullptr;
  };

  explicit EachRange(const Ref<TList>& list) : list_(list) {}
  Iterator begin() const { return Iterator(list_->head->succ); }
  Iterator end() const { return Iterator(); }

 private:
  Ref<TList> list_;
};

template <class T>
EachRange<T> Each(const Ref<TList>& list) {
  return EachRange<T>(list);
}

// Global forms of the list operations.
Ref<TList> CreateList();
void ClearList(const Ref<TList>& list);
int CountList(const Ref<TList>& list);
bool ListIsEmpty(const Ref<TList>& list);
bool ListContains(const Ref<TList>& list, const Ref<Object>& value);
Ref<TLink> ListAddFirst(const Ref<TList>& list, const Ref<Object>& value);
Ref<TLink> ListAddLast(const Ref<TList>& list, const Ref<Object>& value);
bool ListRemove(const Ref<TList>& list, const Ref<Object>& value);
Ref<Object> ListFirst(const Ref<TList>& list);
Ref<Object> ListLast(const Ref<TList>& list);
Ref<Object> ListValueAtIndex(const Ref<TList>& list, int index);

}  // namespace salvo
