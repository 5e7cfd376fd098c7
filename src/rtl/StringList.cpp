#include "StringList.h"
#include "Exception.h"
#include "Stream.h"
#include "SysUtils.h"
#include <algorithm>

TStringList::TStringList(const TStringList& other)
    : Duplicates(other.Duplicates), Delimiter(other.Delimiter), QuoteChar(other.QuoteChar),
      items_(other.items_), sorted_(other.sorted_), caseSensitive_(other.caseSensitive_) {}

TStringList& TStringList::operator=(const TStringList& other) {
  if (this != &other) {
    items_ = other.items_;
    sorted_ = other.sorted_;
    caseSensitive_ = other.caseSensitive_;
    Duplicates = other.Duplicates;
    Delimiter = other.Delimiter;
    QuoteChar = other.QuoteChar;
    Changed();
  }
  return *this;
}

int TStringList::Compare(const std::string& a, const std::string& b) const {
  return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
}

void TStringList::Changed() {
  if (updating_ > 0) {
    changedWhileUpdating_ = true;
  } else if (OnChange) {
    OnChange();
  }
}

void TStringList::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0 && changedWhileUpdating_) {
    changedWhileUpdating_ = false;
    Changed();
  }
}

const std::string& TStringList::operator[](int index) const {
  CheckIndex(index);
  return items_[index].text;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  CheckIndex(index);
  items_[index].text = s;
  Changed();
}

void* TStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::PutObject(int index, void* object) {
  CheckIndex(index);
  items_[index].object = object;
  Changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, void* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) throw EStringListError("String list does not allow duplicates");
    // An accepted duplicate goes after its equals.
    while (index < Count() && Compare(items_[index].text, s) == 0) ++index;
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::AddStrings(const TStringList& other) {
  BeginUpdate();
  for (const Item& item : std::vector<Item>(other.items_)) AddObject(item.text, item.object);
  EndUpdate();
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, void* object) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  if (index < 0 || index > Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string& s, void* object) {
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  std::swap(items_[a], items_[b]);
  Changed();
}

void TStringList::Move(int from, int to) {
  CheckIndex(from);
  CheckIndex(to);
  Item item = items_[from];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, item);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

int TStringList::IndexOf(const std::string& s) const {
  int index;
  if (sorted_) return Find(s, index) ? index : -1;
  for (int i = 0; i < Count(); ++i)
    if (Compare(items_[i].text, s) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].object == object) return i;
  return -1;
}

bool TStringList::Find(const std::string& s, int& index) const {
  // The first of equal items, so that duplicates are found and added in a stable order.
  int low = 0, high = Count();
  while (low < high) {
    int mid = (low + high) / 2;
    if (Compare(items_[mid].text, s) < 0)
      low = mid + 1;
    else
      high = mid;
  }
  index = low;
  return low < Count() && Compare(items_[low].text, s) == 0;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  Changed();
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  if (sorted_) return;
  // Sort an index so that the comparison sees the list as it stands.
  std::vector<int> order(Count());
  for (int i = 0; i < Count(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  for (int i : order) sorted.push_back(items_[i]);
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool on) {
  if (on == sorted_) return;
  sorted_ = on;
  if (on) Sort();
}

void TStringList::SetCaseSensitive(bool on) {
  if (on == caseSensitive_) return;
  caseSensitive_ = on;
  if (sorted_) Sort();
}

std::string TStringList::Names(int index) const {
  const std::string& s = (*this)[index];
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& s = (*this)[index];
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStringList::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[i].text;
    size_t eq = s.find('=');
    if (eq != std::string::npos && Compare(s.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

std::string TStringList::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValue(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i < 0) {
    Add(name + "=" + value);
  } else if (sorted_) {
    Delete(i);
    Add(name + "=" + value);
  } else {
    Put(i, name + "=" + value);
  }
}

std::string TStringList::Text() const {
  std::string r;
  for (const Item& item : items_) r.append(item.text).append("\r\n");
  return r;
}

void TStringList::SetText(const std::string& text) {
  BeginUpdate();
  Clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(i, end - i));
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  EndUpdate();
}

std::string TStringList::DelimitedText() const {
  if (Count() == 1 && items_[0].text.empty()) return std::string(2, QuoteChar);
  std::string r;
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[i].text;
    bool quote = std::any_of(s.begin(), s.end(), [this](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == QuoteChar || c == Delimiter;
    });
    if (i > 0) r += Delimiter;
    if (!quote) {
      r += s;
      continue;
    }
    r += QuoteChar;
    for (char c : s) {
      if (c == QuoteChar) r += QuoteChar;
      r += c;
    }
    r += QuoteChar;
  }
  return r;
}

void TStringList::SetDelimitedText(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  BeginUpdate();
  Clear();
  size_t i = 0, n = text.size();
  while (i < n && blank(text[i])) ++i;
  while (i < n) {
    std::string s;
    if (text[i] == QuoteChar) {
      // Quoted: up to the closing quote, a doubled quote standing for one.
      for (++i; i < n; ++i) {
        if (text[i] == QuoteChar) {
          if (i + 1 < n && text[i + 1] == QuoteChar) {
            s += QuoteChar;
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          s += text[i];
        }
      }
    } else {
      while (i < n && !blank(text[i]) && text[i] != Delimiter) s += text[i++];
    }
    Add(s);
    while (i < n && blank(text[i])) ++i;
    if (i < n && text[i] == Delimiter) {
      if (i + 1 == n) Add("");
      ++i;
      while (i < n && blank(text[i])) ++i;
    }
  }
  EndUpdate();
}

void TStringList::LoadFromStream(TStream& stream) {
  int64_t size = stream.Size() - stream.Position();
  std::string text;
  if (size > 0) {
    if (size > 0x7FFFFFFF) throw EReadError("Stream read error", 0);
    text.resize(static_cast<size_t>(size));
    stream.ReadBuffer(text.data(), static_cast<int>(size));
  }
  SetText(text);
}

void TStringList::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
}
