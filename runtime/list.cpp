#include "runtime/list.h"

namespace salvo {

Ref<TLink> TLink::NextLink() const {
  return succ->IsSentinel() ? nullptr : succ;
}

Ref<TLink> TLink::PrevLink() const {
  return pred->IsSentinel() ? nullptr : pred;
}

void TLink::Remove() {
  value = nullptr;
  succ->pred = pred;
  pred->succ = succ;
}

Ref<Object> TListEnum::NextObject() {
  Ref<Object> value = link->value;
  link = link->succ;
  return value;
}

TList::TList() {
  head = New<TLink>();
  head->value = head;
  head->succ = head;
  head->pred = head;
}

TList::~TList() {
  Clear();
  // The sentinel refers to itself three times; drop those so it can go.
  Ref<TLink> sentinel = head;
  sentinel->value = nullptr;
  sentinel->succ = nullptr;
  sentinel->pred = nullptr;
}

void TList::Clear() {
  while (!head->succ->IsSentinel()) head->succ->Remove();
}

bool TList::IsEmpty() const {
  return head->succ->IsSentinel();
}

bool TList::Contains(const Ref<Object>& value) const {
  return !FindLink(value).IsNull();
}

Ref<TLink> TList::AddFirst(const Ref<Object>& value) {
  return InsertAfterLink(value, head);
}

Ref<TLink> TList::AddLast(const Ref<Object>& value) {
  return InsertBeforeLink(value, head);
}

Ref<Object> TList::First() const {
  return IsEmpty() ? nullptr : head->succ->value;
}

Ref<Object> TList::Last() const {
  return IsEmpty() ? nullptr : head->pred->value;
}

Ref<Object> TList::RemoveFirst() {
  if (IsEmpty()) return nullptr;
  Ref<TLink> link = head->succ;
  Ref<Object> value = link->value;
  link->Remove();
  return value;
}

Ref<Object> TList::RemoveLast() {
  if (IsEmpty()) return nullptr;
  Ref<TLink> link = head->pred;
  Ref<Object> value = link->value;
  link->Remove();
  return value;
}

Ref<TLink> TList::FirstLink() const {
  return IsEmpty() ? nullptr : head->succ;
}

Ref<TLink> TList::LastLink() const {
  return IsEmpty() ? nullptr : head->pred;
}

Ref<TLink> TList::InsertBeforeLink(const Ref<Object>& value, const Ref<TLink>& link) {
  Ref<TLink> inserted = New<TLink>();
  inserted->value = value;
  inserted->succ = link;
  inserted->pred = link->pred;
  link->pred->succ = inserted;
  link->pred = inserted;
  return inserted;
}

Ref<TLink> TList::InsertAfterLink(const Ref<Object>& value, const Ref<TLink>& link) {
  Ref<TLink> inserted = New<TLink>();
  inserted->value = value;
  inserted->pred = link;
  inserted->succ = link->succ;
  link->succ->pred = inserted;
  link->succ = inserted;
  return inserted;
}

static bool ValuesEqual(const Ref<Object>& a, const Ref<Object>& b) {
  if (a.IsNull() || b.IsNull()) return a.Get() == b.Get();
  return a->Compare(*b) == 0;
}

Ref<TLink> TList::FindLink(const Ref<Object>& value) const {
  for (Ref<TLink> link = head->succ; !link->IsSentinel(); link = link->succ) {
    if (ValuesEqual(link->value, value)) return link;
  }
  return nullptr;
}

Ref<Object> TList::ValueAtIndex(int index) const {
  if (index >= 0) {
    Ref<TListEnum> walk = ObjectEnumerator();
    while (walk->HasNext()) {
      Ref<Object> value = walk->NextObject();
      if (value.IsNull()) continue;
      if (index-- == 0) return value;
    }
  }
  ThrowRuntimeError("List index out of range");
}

int TList::Count() const {
  int count = 0;
  for (Ref<TLink> link = head->succ; !link->IsSentinel(); link = link->succ) ++count;
  return count;
}

bool TList::Remove(const Ref<Object>& value) {
  Ref<TLink> link = FindLink(value);
  if (!link) return false;
  link->Remove();
  return true;
}

void TList::Swap(TList& other) {
  head.Swap(other.head);
}

Ref<TList> TList::Copy() const {
  Ref<TList> copy = New<TList>();
  for (Ref<TLink> link = head->succ; !link->IsSentinel(); link = link->succ) {
    if (link->value) copy->AddLast(link->value);
  }
  return copy;
}

void TList::Reverse() {
  Swap(*Reversed());
}

Ref<TList> TList::Reversed() const {
  Ref<TList> reversed = New<TList>();
  for (Ref<TLink> link = head->succ; !link->IsSentinel(); link = link->succ) {
    if (link->value) reversed->AddFirst(link->value);
  }
  return reversed;
}

static int CompareValues(const Ref<Object>& a, const Ref<Object>& b) {
  if (a.IsNull() || b.IsNull()) ThrowNullAccess();
  return a->Compare(*b);
}

void TList::Sort(bool ascending) {
  // Each pass ends where the previous one did, so the sorted tail grows.
  Ref<TLink> tail = head;
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    Ref<TLink> link = head->succ;
    while (link != tail && link->succ != tail) {
      Ref<TLink> next = link->succ;
      int order = CompareValues(link->value, next->value);
      bool outOfOrder = ascending ? order > 0 : order < 0;
      if (outOfOrder) {
        // Move `link` after `next`; the walk stays on the moved link.
        Ref<TLink> before = link->pred;
        Ref<TLink> after = next->succ;
        before->succ = next;
        next->pred = before;
        next->succ = link;
        link->pred = next;
        link->succ = after;
        after->pred = link;
        exchanged = true;
      } else {
        link = next;
      }
    }
    tail = link;
  }
}

Ref<TListEnum> TList::ObjectEnumerator() const {
  return New<TListEnum>(head->succ);
}

std::vector<Ref<Object>> TList::ToArray() const {
  // One entry per link: the non-Null values first, in order, then as many
  // Null entries as the list holds Null values.
  std::vector<Ref<Object>> values;
  size_t links = 0;
  for (Ref<TLink> link = head->succ; !link->IsSentinel(); link = link->succ) {
    ++links;
    if (link->value) values.push_back(link->value);
  }
  values.resize(links);
  return values;
}

Ref<TList> TList::FromArray(const std::vector<Ref<Object>>& values) {
  Ref<TList> list = New<TList>();
  for (const Ref<Object>& value : values) {
    if (value) list->AddLast(value);
  }
  return list;
}

Ref<TList> CreateList() {
  return New<TList>();
}
void ClearList(const Ref<TList>& list) {
  list->Clear();
}
int CountList(const Ref<TList>& list) {
  return list->Count();
}
bool ListIsEmpty(const Ref<TList>& list) {
  return list->IsEmpty();
}
bool ListContains(const Ref<TList>& list, const Ref<Object>& value) {
  return list->Contains(value);
}
Ref<TLink> ListAddFirst(const Ref<TList>& list, const Ref<Object>& value) {
  return list->AddFirst(value);
}
Ref<TLink> ListAddLast(const Ref<TList>& list, const Ref<Object>& value) {
  return list->AddLast(value);
}
bool ListRemove(const Ref<TList>& list, const Ref<Object>& value) {
  return list->Remove(value);
}
Ref<Object> ListFirst(const Ref<TList>& list) {
  return list->First();
}
Ref<Object> ListLast(const Ref<TList>& list) {
  return list->Last();
}
Ref<Object> ListValueAtIndex(const Ref<TList>& list, int index) {
  return list->ValueAtIndex(index);
}

}  // namespace salvo
