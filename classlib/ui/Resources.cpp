#include "classlib/ui/Resources.h"

#include <map>
#include <mutex>
#include <span>
#include <string_view>

namespace ordvane {

namespace {

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<AnsiString, TPixelArt>& Registry() {
  static std::map<AnsiString, TPixelArt> registry;
  return registry;
}

const TArtColor* FindKey(const TPixelArt& art, char key) {
  for (const TArtColor& entry : art.palette)
    if (entry.key == key) return &entry;
  return nullptr;
}

std::vector<std::string> Transposed(const std::vector<std::string>& rows) {
  std::vector<std::string> result(rows.empty() ? 0 : rows[0].size(), std::string(rows.size(), '.'));
  for (std::size_t y = 0; y < rows.size(); ++y)
    for (std::size_t x = 0; x < rows[y].size(); ++x) result[x][y] = rows[y][x];
  return result;
}

std::vector<std::string> MirroredRows(std::vector<std::string> rows) {
  for (std::string& row : rows) row = std::string(row.rbegin(), row.rend());
  return rows;
}

// The cursors' artwork is constant data: nothing is made (and nothing can fail) before
// the program starts.
constexpr TArtColor kCursorPalette[] = {{'.', clNone}, {'X', clBlack}, {'o', clWhite}};

constexpr std::string_view kArrow[] = {
    "X...........", "XX..........", "XoX.........", "XooX........", "XoooX.......",
    "XooooX......", "XoooooX.....", "XooooooX....", "XoooooooX...", "XooooooooX..",
    "XoooooXXXXX.", "XooXooX.....", "XoX.XooX....", "XX..XooX....", "X....XooX...",
    ".....XooX...", "......XooX..", "......XooX..", ".......XX...",
};
constexpr std::string_view kIBeam[] = {
    "XXX.XXX", "...X...", "...X...", "...X...", "...X...", "...X...", "...X...", "...X...",
    "...X...", "...X...", "...X...", "...X...", "...X...", "...X...", "...X...", "XXX.XXX",
};
constexpr std::string_view kCross[] = {
    ".......X.......", ".......X.......", ".......X.......", ".......X.......", ".......X.......",
    ".......X.......", ".......X.......", "XXXXXXXXXXXXXXX", ".......X.......", ".......X.......",
    ".......X.......", ".......X.......", ".......X.......", ".......X.......", ".......X.......",
};
constexpr std::string_view kSizeWE[] = {
    "...X.......X...", "..XX.......XX..", ".XoXXXXXXXXXoX.", "XoooooooooooooX",
    ".XoXXXXXXXXXoX.", "..XX.......XX..", "...X.......X...",
};
constexpr std::string_view kSizeNWSE[] = {
    "XXXXXX.....", "XooooX.....", "XoooX......", "XooXoX.....", "XoX.XoX....", "XX...XoX...",
    "....XoX.XX.", ".....XoXoX.", "......XooX.", ".....XoooX.", "....XooooX.", "....XXXXXX.",
};
constexpr std::string_view kHSplit[] = {
    ".....XooX.....", ".....XooX.....", ".....XooX.....", "..X..XooX..X..",
    ".XX..XooX..XX.", "XoXXXXooXXXXoX", ".XX..XooX..XX.", "..X..XooX..X..",
    ".....XooX.....", ".....XooX.....", ".....XooX.....",
};
constexpr std::string_view kHourGlass[] = {
    "XXXXXXXXXXX", "XoooooooooX", ".XoooooooX.", "..XoooooX..", "...XoooX...", "....XoX....",
    "...XoooX...", "..XoooooX..", ".XoooooooX.", "XoooooooooX", "XXXXXXXXXXX",
};
constexpr std::string_view kUpArrow[] = {
    "....X....", "...XoX...", "..XoooX..", ".XoooooX.", "XXXXoXXXX", "...XoX...",
    "...XoX...", "...XoX...", "...XoX...", "...XoX...", "...XoX...", "...XXX...",
};
constexpr std::string_view kSizeAll[] = {
    ".......X.......", "......XoX......", ".....XoooX.....", "......XoX......", "...X..XoX..X...",
    "..XX..XoX..XX..", ".XoXXXXoXXXXoX.", "XoooooooooooooX", ".XoXXXXoXXXXoX.", "..XX..XoX..XX..",
    "...X..XoX..X...", "......XoX......", ".....XoooX.....", "......XoX......", ".......X.......",
};

std::vector<std::string> Rows(std::span<const std::string_view> art) {
  return {art.begin(), art.end()};
}

TPixelArt Cursor(std::vector<std::string> rows, TPoint hotSpot) {
  return {"", {std::begin(kCursorPalette), std::end(kCursorPalette)}, std::move(rows), hotSpot};
}

TCursorImage CursorFromArt(const TPixelArt& art) {
  TCursorImage cursor;
  int height = static_cast<int>(art.rows.size());
  int width = height == 0 ? 0 : static_cast<int>(art.rows[0].size());
  cursor.image.SetSize(width, height);
  cursor.opaque.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), false);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const TArtColor* entry =
          FindKey(art, art.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
      if (entry == nullptr || entry->color == clNone) continue;
      cursor.image.SetPixel(x, y, ColorToRGB(entry->color));
      cursor.opaque[PixelIndex(x, y, width)] = true;
    }
  cursor.hotSpot = art.hotSpot;
  return cursor;
}

}  // namespace

void RegisterPixelArt(TPixelArt art) {
  for (const std::string& row : art.rows) {
    if (row.size() != art.rows[0].size())
      throw EInvalidOperation("Artwork \"" + art.name + "\" has rows of different lengths");
    for (char key : row)
      if (FindKey(art, key) == nullptr)
        throw EInvalidOperation("Artwork \"" + art.name + "\" uses '" + key + "', which its palette lacks");
  }
  std::lock_guard lock(RegistryMutex());
  AnsiString name = art.name;
  Registry()[name] = std::move(art);
}

const TPixelArt* FindPixelArt(const AnsiString& name) {
  std::lock_guard lock(RegistryMutex());
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : &it->second;
}

TRaster LoadArtRaster(const AnsiString& name) {
  const TPixelArt* art = FindPixelArt(name);
  if (art == nullptr) throw EResNotFound("Resource " + name + " not found");
  return CursorFromArt(*art).image;
}

TCursorImage LoadCursorImage(TCursor cursor) {
  switch (cursor) {
    case crDefault:
    case crArrow:
      return CursorFromArt(Cursor(Rows(kArrow), {0, 0}));
    case crNone:
      return {};
    case crCross:
      return CursorFromArt(Cursor(Rows(kCross), {7, 7}));
    case crIBeam:
      return CursorFromArt(Cursor(Rows(kIBeam), {3, 8}));
    case crSizeNESW:
      return CursorFromArt(Cursor(MirroredRows(Rows(kSizeNWSE)), {5, 5}));
    case crSizeNS:
      return CursorFromArt(Cursor(Transposed(Rows(kSizeWE)), {3, 7}));
    case crSizeNWSE:
      return CursorFromArt(Cursor(Rows(kSizeNWSE), {5, 5}));
    case crSizeWE:
      return CursorFromArt(Cursor(Rows(kSizeWE), {7, 3}));
    case crUpArrow:
      return CursorFromArt(Cursor(Rows(kUpArrow), {4, 0}));
    case crHourGlass:
    case crSQLWait:
      return CursorFromArt(Cursor(Rows(kHourGlass), {5, 5}));
    case crHSplit:
      return CursorFromArt(Cursor(Rows(kHSplit), {6, 5}));
    case crVSplit:
      return CursorFromArt(Cursor(Transposed(Rows(kHSplit)), {5, 6}));
    case crSizeAll:
      return CursorFromArt(Cursor(Rows(kSizeAll), {7, 7}));
    default:
      throw EResNotFound("Cursor " + std::to_string(cursor) + " not found");
  }
}

TCursorImage LoadCursorFromResourceName(const AnsiString& name) {
  const TPixelArt* art = FindPixelArt(name);
  if (art == nullptr) throw EResNotFound("Resource " + name + " not found");
  return CursorFromArt(*art);
}

}  // namespace ordvane
