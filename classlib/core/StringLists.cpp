#include "classlib/core/StringLists.h"

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/SortOrder.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

constexpr char kCommaQuote = '"';
constexpr char kCommaDelimiter = ',';

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

bool NeedsCommaQuotes(const AnsiString& line) {
  for (char c : line)
    if (IsBlank(c) || c == kCommaQuote || c == kCommaDelimiter) return true;
  return false;
}

class StringsUpdateBracket {
 public:
  explicit StringsUpdateBracket(TStrings& strings) : fStrings(strings) { fStrings.BeginUpdate(); }
  ~StringsUpdateBracket() { fStrings.EndUpdate(); }
  StringsUpdateBracket(const StringsUpdateBracket&) = delete;
  StringsUpdateBracket& operator=(const StringsUpdateBracket&) = delete;

 private:
  TStrings& fStrings;
};

}  // namespace

// ---- TStrings ---------------------------------------------------------------------------

int TStrings::Add(const AnsiString& text) {
  const int index = GetCount();
  Insert(index, text);
  return index;
}

int TStrings::AddObject(const AnsiString& text, TObject* object) {
  const int index = Add(text);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings* strings) {
  StringsUpdateBracket bracket(*this);
  const int count = strings->Count();  // the list may be this one
  for (int i = 0; i < count; ++i) AddObject(strings->Get(i), strings->GetObject(i));
}

void TStrings::InsertObject(int index, const AnsiString& text, TObject* object) {
  Insert(index, text);
  PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2) {
  StringsUpdateBracket bracket(*this);
  const AnsiString text = Get(index1);
  TObject* object = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, text);
  PutObject(index2, object);
}

void TStrings::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  StringsUpdateBracket bracket(*this);
  const AnsiString text = Get(currentIndex);
  TObject* object = GetObject(currentIndex);
  Delete(currentIndex);
  InsertObject(newIndex, text, object);
}

int TStrings::IndexOf(const AnsiString& text) const {
  for (int i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), text) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

bool TStrings::Equals(const TStrings* strings) const {
  if (strings->GetCount() != GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i)
    if (Get(i) != strings->Get(i)) return false;
  return true;
}

AnsiString TStrings::Names(int index) const {
  const AnsiString line = Get(index);
  const std::size_t at = line.find('=');
  return at == AnsiString::npos ? AnsiString() : line.substr(0, at);
}

int TStrings::IndexOfName(const AnsiString& name) const {
  for (int i = 0; i < GetCount(); ++i) {
    const AnsiString line = Get(i);
    const std::size_t at = line.find('=');
    if (at != AnsiString::npos && CompareStrings(line.substr(0, at), name) == 0) return i;
  }
  return -1;
}

AnsiString TStrings::Values(const AnsiString& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? AnsiString() : ValueFromIndex(index);
}

void TStrings::SetValues(const AnsiString& name, const AnsiString& value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
  } else if (index < 0) {
    Add(name + "=" + value);
  } else {
    Put(index, name + "=" + value);
  }
}

AnsiString TStrings::ValueFromIndex(int index) const {
  if (index < 0) return {};
  const AnsiString line = Get(index);
  const std::size_t at = line.find('=');
  return at == AnsiString::npos ? AnsiString() : line.substr(at + 1);
}

void TStrings::SetValueFromIndex(int index, const AnsiString& value) {
  if (value.empty()) {
    if (index >= 0) Delete(index);
  } else if (index < 0) {
    Add("=" + value);
  } else {
    const AnsiString line = Get(index);
    Put(index, line.substr(0, line.find('=')) + "=" + value);
  }
}

AnsiString TStrings::Text() const {
  AnsiString out;
  for (int i = 0; i < GetCount(); ++i) {
    out += Get(i);
    out += "\r\n";
  }
  return out;
}

void TStrings::SetText(const AnsiString& text) {
  StringsUpdateBracket bracket(*this);
  Clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == AnsiString::npos) {
      Add(text.substr(pos));
      break;
    }
    Add(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
}

AnsiString TStrings::CommaText() const {
  if (GetCount() == 1 && Get(0).empty()) return AnsiString(2, kCommaQuote);
  AnsiString out;
  for (int i = 0; i < GetCount(); ++i) {
    if (i > 0) out += kCommaDelimiter;
    const AnsiString line = Get(i);
    out += NeedsCommaQuotes(line) ? AnsiQuotedStr(line, kCommaQuote) : line;
  }
  return out;
}

void TStrings::SetCommaText(const AnsiString& text) {
  StringsUpdateBracket bracket(*this);
  Clear();
  std::size_t pos = 0;
  const auto skipBlanks = [&] {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
  };
  skipBlanks();
  while (pos < text.size()) {
    if (text[pos] == kCommaQuote) {
      Add(AnsiExtractQuotedStr(text, pos, kCommaQuote));
    } else {
      const std::size_t start = pos;
      while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != kCommaDelimiter) ++pos;
      Add(text.substr(start, pos - start));
    }
    skipBlanks();
    if (pos < text.size() && text[pos] == kCommaDelimiter) {
      // A delimiter at the very end stands for a last, empty line.
      if (++pos == text.size()) Add(AnsiString());
      skipBlanks();
    }
  }
}

void TStrings::LoadFromStream(TStream* stream) {
  AnsiString text;
  char buffer[65536];
  for (Int64 n; (n = stream->Read(buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  SetText(text);
}

void TStrings::SaveToStream(TStream* stream) const {
  const AnsiString text = Text();
  stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

void TStrings::Assign(const TPersistent* source) {
  const auto* strings = dynamic_cast<const TStrings*>(source);
  if (strings == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (strings == this) return;
  StringsUpdateBracket bracket(*this);
  Clear();
  AddStrings(strings);
}

void TStrings::BeginUpdate() {
  if (fUpdateCount == 0) SetUpdateState(true);
  ++fUpdateCount;
}

void TStrings::EndUpdate() {
  if (fUpdateCount == 0) return;
  if (--fUpdateCount == 0) SetUpdateState(false);
}

TObject* TStrings::GetObject(int) const {
  return nullptr;
}

void TStrings::Put(int index, const AnsiString& text) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, text, object);
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const AnsiString& a, const AnsiString& b) const {
  return AnsiCompareText(a, b);
}

// ---- TStringList ------------------------------------------------------------------------

TStringList::~TStringList() {
  if (fOwnsObjects)
    for (Item& item : fItems) delete item.object;
}

void TStringList::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) throw EStringListError(Format("List index out of bounds (%d)", {index}));
}

void TStringList::CheckUnsorted() const {
  if (fSorted) throw EStringListError("Operation not allowed on sorted list");
}

int TStringList::AddObject(const AnsiString& text, TObject* object) {
  int index = AppendIndex;
  if (fSorted && Find(text, index)) {
    if (fDuplicates == dupIgnore) return index;
    if (fDuplicates == dupError) throw EStringListError("String list does not allow duplicates");
  }
  return InsertItem(index, text, object);
}

void TStringList::InsertObject(int index, const AnsiString& text, TObject* object) {
  CheckUnsorted();
  CheckIndex(index, GetCount() + 1);
  InsertItem(index, text, object);
}

int TStringList::InsertItem(int index, const AnsiString& text, TObject* object) {
  Changing();
  if (index == AppendIndex) index = GetCount();
  CheckIndex(index, GetCount() + 1);
  fItems.insert(fItems.begin() + index, Item{text, object});
  Changed();
  return index;
}

void TStringList::Delete(int index) {
  CheckIndex(index, GetCount());
  Changing();
  CheckIndex(index, GetCount());
  TObject* object = fItems[static_cast<std::size_t>(index)].object;
  fItems.erase(fItems.begin() + index);
  if (fOwnsObjects) delete object;
  Changed();
}

void TStringList::Clear() {
  if (fItems.empty()) return;
  Changing();
  // The list is empty before any owned object dies, in case one looks at it.
  std::vector<Item> items;
  items.swap(fItems);
  if (fOwnsObjects)
    for (Item& item : items) delete item.object;
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, GetCount());
  CheckIndex(index2, GetCount());
  Changing();
  CheckIndex(index1, GetCount());
  CheckIndex(index2, GetCount());
  std::swap(fItems[static_cast<std::size_t>(index1)], fItems[static_cast<std::size_t>(index2)]);
  Changed();
}

void TStringList::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  CheckUnsorted();
  CheckIndex(currentIndex, GetCount());
  CheckIndex(newIndex, GetCount());
  Changing();
  CheckIndex(currentIndex, GetCount());
  CheckIndex(newIndex, GetCount());
  // Moved within the list: an owned object is not deleted on the way.
  Item item = std::move(fItems[static_cast<std::size_t>(currentIndex)]);
  fItems.erase(fItems.begin() + currentIndex);
  fItems.insert(fItems.begin() + newIndex, std::move(item));
  Changed();
}

bool TStringList::Find(const AnsiString& text, int& index) const {
  if (!fSorted) {
    index = TStrings::IndexOf(text);
    const bool found = index >= 0;
    if (!found) index = GetCount();
    return found;
  }
  // The first position whose line is not below text.
  int low = 0, high = GetCount();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CompareStrings(fItems[static_cast<std::size_t>(middle)].text, text) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  index = low;
  return low < GetCount() && CompareStrings(fItems[static_cast<std::size_t>(low)].text, text) == 0;
}

int TStringList::IndexOf(const AnsiString& text) const {
  if (!fSorted) return TStrings::IndexOf(text);
  int index;
  return Find(text, index) ? index : -1;
}

void TStringList::Sort() {
  if (fSorted || GetCount() < 2) return;
  SortBy([this](int a, int b) {
    return CompareStrings(fItems[static_cast<std::size_t>(a)].text,
                          fItems[static_cast<std::size_t>(b)].text) < 0;
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (fSorted || GetCount() < 2) return;
  SortBy([&](int a, int b) { return compare(this, a, b) < 0; });
}

void TStringList::SortBy(const std::function<bool(int, int)>& less) {
  Changing();
  const std::vector<int> order = StableSortOrder(GetCount(), less);
  std::vector<Item> sorted;
  sorted.reserve(order.size());
  for (int i : order) sorted.push_back(std::move(fItems[static_cast<std::size_t>(i)]));
  fItems.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == fSorted) return;
  if (sorted) Sort();
  fSorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == fCaseSensitive) return;
  fCaseSensitive = caseSensitive;
  if (fSorted) {
    fSorted = false;
    SetSorted(true);
  }
}

AnsiString TStringList::Get(int index) const {
  CheckIndex(index, GetCount());
  return fItems[static_cast<std::size_t>(index)].text;
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index, GetCount());
  return fItems[static_cast<std::size_t>(index)].object;
}

void TStringList::Put(int index, const AnsiString& text) {
  CheckUnsorted();
  CheckIndex(index, GetCount());
  Changing();
  CheckIndex(index, GetCount());
  fItems[static_cast<std::size_t>(index)].text = text;
  Changed();
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index, GetCount());
  Changing();
  CheckIndex(index, GetCount());
  TObject* previous = fItems[static_cast<std::size_t>(index)].object;
  fItems[static_cast<std::size_t>(index)].object = object;
  if (fOwnsObjects && previous != object) delete previous;
  Changed();
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const AnsiString& a, const AnsiString& b) const {
  return fCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

// The handler may change the list itself (a statement takes its conditions out of its
// text): the indexed edits check their index again after it.
void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

}  // namespace ordvane
