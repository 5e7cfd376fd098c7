#pragma once
#include <functional>
#include <string>
#include <vector>

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A list of strings, each with an optional object pointer that the list does not own.
// Sorted lists keep their order on Add and refuse Insert; Duplicates rules Add on a sorted
// list only. Comparisons are byte-wise, ignoring ASCII letter case unless CaseSensitive.
// Name=value items: the name is the text before the first "=".
class TStringList {
public:
  TStringList() = default;
  TStringList(const TStringList& other);
  TStringList& operator=(const TStringList& other);  // items, objects and the sort settings

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const;
  const std::string& Strings(int index) const { return (*this)[index]; }
  void Put(int index, const std::string& s);  // not on a sorted list
  void* Objects(int index) const;
  void PutObject(int index, void* object);

  int Add(const std::string& s);  // the index it went to
  int AddObject(const std::string& s, void* object);
  void AddStrings(const TStringList& other);
  void Insert(int index, const std::string& s);
  void InsertObject(int index, const std::string& s, void* object);
  void Delete(int index);
  void Exchange(int a, int b);
  void Move(int from, int to);
  void Clear();

  int IndexOf(const std::string& s) const;
  int IndexOfObject(const void* object) const;
  // Sorted lists: binary search; index is the match or where s would go.
  bool Find(const std::string& s, int& index) const;
  void Sort();
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool on);
  TDuplicates Duplicates = dupIgnore;

  // Name=value pairs. Values(name) is empty when the name is missing; SetValue with an empty
  // value deletes the pair, otherwise it replaces the pair's value or adds "name=value".
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(const std::string& name) const;
  std::string Values(const std::string& name) const;
  void SetValue(const std::string& name, const std::string& value);

  // Text: every item followed by CR LF. SetText splits at CR LF, LF or CR; a last line without
  // an ending is kept, a final line ending adds no empty item.
  std::string Text() const;
  void SetText(const std::string& text);

  // Comma text: items joined by ","; an item that is empty among others stays empty, an item
  // holding a blank, a control character, a comma or a double quote is quoted ("a ""b"" c").
  // Reading splits at commas and, outside quotes, at blanks and control characters.
  std::string CommaText() const { return DelimitedText(); }
  void SetCommaText(const std::string& text) { SetDelimitedText(text); }
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);
  char Delimiter = ',';
  char QuoteChar = '"';

  // Text through streams: Load reads from the position to the end, Save writes at the position.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  // Files (Windows only, with FileUtils.cpp): SaveToFile replaces the file safely (WriteFileSafely).
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // Fired after each change; BeginUpdate/EndUpdate hold it back and fire once at the end.
  std::function<void()> OnChange;
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };
  int Compare(const std::string& a, const std::string& b) const;
  void CheckIndex(int index) const;
  void InsertItem(int index, const std::string& s, void* object);
  void Changed();

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  int updating_ = 0;
  bool changedWhileUpdating_ = false;
};
