#pragma once
// The import's own list of wide strings, each with an object reference. The workbook
// reader keeps its shared-string table in one. Reading outside the list gives an empty
// string or nil; changing outside it raises "WideStrings index out of bounds".

#include <vector>

#include "classlib/core/Objects.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

class TWideStrings : public TObject {
  ORDVANE_CLASS(TWideStrings, TObject)

 public:
  TWideStrings() = default;

  int Count() const { return static_cast<int>(fItems.size()); }
  WideString Strings(int index) const;
  TObject* Objects(int index) const;
  // index may equal Count, which appends.
  void SetStrings(int index, const WideString& text);
  void SetObjects(int index, TObject* object);

  int Add(const WideString& text) { return AddObject(text, nullptr); }
  int AddObject(const WideString& text, TObject* object);
  // Later items move up.
  void Delete(int index);
  // The objects are not owned: clearing forgets them.
  void Clear() { fItems.clear(); }

 private:
  struct Item {
    WideString text;
    TObject* object = nullptr;
  };
  bool InList(int index) const { return index >= 0 && index < Count(); }
  void CheckIndex(int index, int limit) const;

  std::vector<Item> fItems;
};

}  // namespace ordvane
