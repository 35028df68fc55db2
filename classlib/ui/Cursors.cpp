#include "classlib/ui/Cursors.h"

#include <deque>
#include <map>
#include <optional>

namespace ordvane {

namespace {

struct CursorTable {
  // A handle is its picture's place in the list plus one; a cursor without a picture
  // has an empty slot. A deque keeps the pictures in place as the list grows.
  std::deque<std::optional<TCursorImage>> images;
  std::map<TCursor, HCURSOR> standard;
  std::map<AnsiString, HCURSOR> named;

  HCURSOR Add(std::optional<TCursorImage> image) {
    images.push_back(std::move(image));
    return images.size();
  }
};

CursorTable& Table() {
  static CursorTable table;
  return table;
}

std::optional<TCursorImage> StandardPicture(TCursor cursor) {
  try {
    return LoadCursorImage(cursor);
  } catch (const EResNotFound&) {
    return std::nullopt;
  }
}

}  // namespace

HCURSOR LoadStandardCursor(TCursor cursor) {
  if (cursor == crDefault) cursor = crArrow;
  auto& table = Table();
  auto it = table.standard.find(cursor);
  if (it != table.standard.end()) return it->second;
  HCURSOR handle = table.Add(StandardPicture(cursor));
  table.standard[cursor] = handle;
  return handle;
}

HCURSOR LoadCursor(const AnsiString& resourceName) {
  auto& table = Table();
  auto it = table.named.find(resourceName);
  if (it != table.named.end()) return it->second;
  if (!FindPixelArt(resourceName)) return 0;
  HCURSOR handle = table.Add(LoadCursorFromResourceName(resourceName));
  table.named[resourceName] = handle;
  return handle;
}

const TCursorImage* CursorImage(HCURSOR cursor) {
  auto& images = Table().images;
  if (cursor == 0 || cursor > images.size()) return nullptr;
  const auto& slot = images[cursor - 1];
  if (slot) return &*slot;
  return cursor == LoadStandardCursor(crArrow) ? nullptr : CursorImage(LoadStandardCursor(crArrow));
}

}  // namespace ordvane
