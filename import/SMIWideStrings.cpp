#include "import/SMIWideStrings.h"

namespace ordvane {

void TWideStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index > limit) throw Exception("WideStrings index out of bounds");
}

WideString TWideStrings::Strings(int index) const { return InList(index) ? fItems[index].text : WideString(); }

TObject* TWideStrings::Objects(int index) const { return InList(index) ? fItems[index].object : nullptr; }

void TWideStrings::SetStrings(int index, const WideString& text) {
  CheckIndex(index, Count());
  if (index == Count())
    Add(text);
  else
    fItems[index].text = text;
}

void TWideStrings::SetObjects(int index, TObject* object) {
  CheckIndex(index, Count() - 1);
  fItems[index].object = object;
}

int TWideStrings::AddObject(const WideString& text, TObject* object) {
  fItems.push_back({text, object});
  return Count() - 1;
}

void TWideStrings::Delete(int index) {
  CheckIndex(index, Count() - 1);
  fItems.erase(fItems.begin() + index);
}

}  // namespace ordvane
