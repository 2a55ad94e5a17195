// An ordered collection of items addressed by position or by key, the
// container under the component's list classes (tags, selected tags, recently
// used jobs, installed applications). Positions are 1-based. Keys are
// optional text, compared without regard to case (ASCII letters fold, other
// letters compare as they are); by convention the list classes key an item
// by "K" & its name (KeyOf), so that no key ever looks like a position.
//
// Two families of members:
//  - Add / Item / Remove raise pds::RuntimeError: 457 "This key is already
//    associated with an element of this collection" for a key already
//    present, 5 "Invalid procedure call or argument" for a missing key or a
//    position out of range. They are for the component's internal code, which
//    runs inside a procedure's handler; a failed call changes nothing.
//  - TryAdd / Find / TryRemove never throw: they answer false or null.
//
// Items live in stable storage: a pointer or reference to an item stays valid
// until that item is removed, whatever is inserted or removed around it.
// Not thread-safe (the component runs on the application's UI thread).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pds {

namespace detail {
// The key in the form it is compared in.
std::string FoldCollectionKey(const std::string& key);
// Raises the collection's error number with its text.
[[noreturn]] void RaiseCollectionError(long number);
}  // namespace detail

inline constexpr long kErrDuplicateKey = 457;
inline constexpr long kErrInvalidArgument = 5;

// "K" & name, the key convention of the list classes.
inline std::string KeyOf(const std::string& name) { return "K" + name; }

template <class T>
class KeyedCollection {
  struct Entry {
    std::string key;
    T value;
  };
  using Entries = std::vector<std::unique_ptr<Entry>>;

 public:
  // Iterates the items in order.
  template <class V, class It>
  class Iterator {
   public:
    explicit Iterator(It it) : it_(it) {}
    V& operator*() const { return (*it_)->value; }
    V* operator->() const { return &(*it_)->value; }
    Iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const Iterator& other) const { return it_ == other.it_; }
    bool operator!=(const Iterator& other) const { return it_ != other.it_; }

   private:
    It it_;
  };
  using iterator = Iterator<T, typename Entries::iterator>;
  using const_iterator = Iterator<const T, typename Entries::const_iterator>;

  KeyedCollection() = default;
  KeyedCollection(KeyedCollection&&) noexcept = default;
  KeyedCollection& operator=(KeyedCollection&&) noexcept = default;
  KeyedCollection(const KeyedCollection& other) { CopyFrom(other); }
  KeyedCollection& operator=(const KeyedCollection& other) {
    if (this != &other) {
      Clear();
      CopyFrom(other);
    }
    return *this;
  }

  long Count() const { return static_cast<long>(entries_.size()); }
  bool Exists(const std::string& key) const { return index_.count(detail::FoldCollectionKey(key)) != 0; }
  void Clear() {
    entries_.clear();
    index_.clear();
  }

  // ---- raising members (internal code)
  T& Add(T item, const std::string& key = {}) { return Insert(std::move(item), key, entries_.size()); }
  // At position 1; allowed on an empty collection.
  T& AddFront(T item, const std::string& key = {}) { return Insert(std::move(item), key, 0); }
  // Before or after an existing position (1..Count).
  T& AddBefore(T item, const std::string& key, long before) {
    CheckPosition(before);
    return Insert(std::move(item), key, static_cast<std::size_t>(before - 1));
  }
  T& AddAfter(T item, const std::string& key, long after) {
    CheckPosition(after);
    return Insert(std::move(item), key, static_cast<std::size_t>(after));
  }
  T& Item(long position) {
    CheckPosition(position);
    return entries_[static_cast<std::size_t>(position - 1)]->value;
  }
  const T& Item(long position) const {
    CheckPosition(position);
    return entries_[static_cast<std::size_t>(position - 1)]->value;
  }
  T& Item(const std::string& key) {
    T* found = Find(key);
    if (!found) detail::RaiseCollectionError(kErrInvalidArgument);
    return *found;
  }
  const T& Item(const std::string& key) const { return const_cast<KeyedCollection*>(this)->Item(key); }
  void Remove(long position) {
    CheckPosition(position);
    EraseAt(static_cast<std::size_t>(position - 1));
  }
  void Remove(const std::string& key) {
    if (!TryRemove(key)) detail::RaiseCollectionError(kErrInvalidArgument);
  }

  // ---- non-throwing members
  // False when the key is taken or the position is outside 1..Count + 1
  // (position 0 appends).
  bool TryAdd(T item, const std::string& key = {}, long position = 0) {
    if (!key.empty() && Exists(key)) return false;
    if (position < 0 || position > Count() + 1) return false;
    std::size_t at = position == 0 ? entries_.size() : static_cast<std::size_t>(position - 1);
    Insert(std::move(item), key, at);
    return true;
  }
  T* Find(long position) {
    if (position < 1 || position > Count()) return nullptr;
    return &entries_[static_cast<std::size_t>(position - 1)]->value;
  }
  const T* Find(long position) const { return const_cast<KeyedCollection*>(this)->Find(position); }
  T* Find(const std::string& key) {
    auto it = index_.find(detail::FoldCollectionKey(key));
    return it == index_.end() ? nullptr : &it->second->value;
  }
  const T* Find(const std::string& key) const { return const_cast<KeyedCollection*>(this)->Find(key); }
  // The 1-based position of the item of key, 0 when absent.
  long PositionOf(const std::string& key) const {
    auto it = index_.find(detail::FoldCollectionKey(key));
    if (it == index_.end()) return 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].get() == it->second) return static_cast<long>(i) + 1;
    }
    return 0;
  }
  // The key the item at position was added with; empty when none or out of range.
  std::string KeyAt(long position) const {
    if (position < 1 || position > Count()) return {};
    return entries_[static_cast<std::size_t>(position - 1)]->key;
  }
  bool TryRemove(long position) {
    if (position < 1 || position > Count()) return false;
    EraseAt(static_cast<std::size_t>(position - 1));
    return true;
  }
  bool TryRemove(const std::string& key) {
    long position = PositionOf(key);
    return position != 0 && TryRemove(position);
  }

  iterator begin() { return iterator(entries_.begin()); }
  iterator end() { return iterator(entries_.end()); }
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

 private:
  void CheckPosition(long position) const {
    if (position < 1 || position > Count()) detail::RaiseCollectionError(kErrInvalidArgument);
  }
  T& Insert(T item, const std::string& key, std::size_t at) {
    std::string folded;
    if (!key.empty()) {
      folded = detail::FoldCollectionKey(key);
      if (index_.count(folded)) detail::RaiseCollectionError(kErrDuplicateKey);
    }
    auto entry = std::make_unique<Entry>(Entry{key, std::move(item)});
    Entry* raw = entry.get();
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    if (!key.empty()) index_.emplace(std::move(folded), raw);
    return raw->value;
  }
  void EraseAt(std::size_t at) {
    if (!entries_[at]->key.empty()) index_.erase(detail::FoldCollectionKey(entries_[at]->key));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  void CopyFrom(const KeyedCollection& other) {
    for (const auto& e : other.entries_) Insert(e->value, e->key, entries_.size());
  }

  Entries entries_;
  std::unordered_map<std::string, Entry*> index_;
};

}  // namespace pds
