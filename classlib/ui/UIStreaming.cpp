#include "classlib/ui/UIStreaming.h"

#include <mutex>
#include <string>
#include <vector>

#include "classlib/core/Streams.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Graphics.h"
#include "classlib/ui/Menus.h"

namespace ordvane {

const char* const kAlignmentNames[3] = {"taLeftJustify", "taRightJustify", "taCenter"};
const char* const kBiDiModeNames[4] = {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                       "bdRightToLeftReadingOnly"};
const char* const kBorderStyleNames[6] = {"bsNone",   "bsSingle",     "bsSizeable",
                                          "bsDialog", "bsToolWindow", "bsSizeToolWin"};

namespace {

constexpr const char* kAlignNames[] = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
constexpr const char* kAnchorNames[] = {"akLeft", "akTop", "akRight", "akBottom"};
constexpr const char* kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

// A font writes its name and height always, so that a stored font is whole.
void RegisterFont() {
  const TFont fresh;
  StoredProperties<TFont>()
      .Integer("Charset", &TFont::Charset, &TFont::SetCharset, fresh.Charset())
      .Integer("Color", &TFont::Color, &TFont::SetColor, fresh.Color())
      .Integer("Height", &TFont::Height, &TFont::SetHeight, std::nullopt)
      .String("Name", &TFont::Name, &TFont::SetName, std::nullopt)
      .SetOf(
          "Style", [](const TFont& f) { return SetBits(f.Style()); },
          [](TFont& f, UInt64 v) { f.SetStyle(SetFromBits<TFontStyles>(v)); }, kFontStyleNames, 0);
}

constexpr Int64 kBitmapHeaderSize = 12;
constexpr Integer kBitmapPixelFormat = 24;
constexpr Int64 kBitmapBytesPerPixel = 3;

void WriteLE32(TStream& stream, Cardinal value) {
  const Byte bytes[4] = {static_cast<Byte>(value), static_cast<Byte>(value >> 8),
                         static_cast<Byte>(value >> 16), static_cast<Byte>(value >> 24)};
  stream.WriteBuffer(bytes, 4);
}

Cardinal ReadLE32(const Byte* bytes) {
  return static_cast<Cardinal>(bytes[0]) | static_cast<Cardinal>(bytes[1]) << 8 |
         static_cast<Cardinal>(bytes[2]) << 16 | static_cast<Cardinal>(bytes[3]) << 24;
}

void WriteBitmapData(const TBitmap& bitmap, TStream& stream) {
  const TRaster& raster = bitmap.Raster();
  WriteLE32(stream, static_cast<Cardinal>(raster.Width()));
  WriteLE32(stream, static_cast<Cardinal>(raster.Height()));
  WriteLE32(stream, kBitmapPixelFormat);
  std::vector<Byte> row(static_cast<std::size_t>(raster.Width()) * kBitmapBytesPerPixel);
  for (int y = 0; y < raster.Height(); ++y) {
    const std::uint32_t* pixels = raster.Row(y);
    for (std::size_t x = 0; x < static_cast<std::size_t>(raster.Width()); ++x) {
      row[3 * x] = static_cast<Byte>(pixels[x]);
      row[3 * x + 1] = static_cast<Byte>(pixels[x] >> 8);
      row[3 * x + 2] = static_cast<Byte>(pixels[x] >> 16);
    }
    stream.WriteBuffer(row.data(), static_cast<Int64>(row.size()));
  }
}

// The data is outside input: every size is checked against the bytes present before the
// bitmap is resized, so a lying header can neither over-read nor make a huge bitmap.
void ReadBitmapData(TBitmap& bitmap, TStream& stream) {
  const Int64 size = stream.Size() - stream.Position();
  Byte header[kBitmapHeaderSize];
  if (size < kBitmapHeaderSize || stream.Read(header, kBitmapHeaderSize) != kBitmapHeaderSize)
    throw EReadError("bitmap data shorter than its header");
  const Cardinal width = ReadLE32(header);
  const Cardinal height = ReadLE32(header + 4);
  if (ReadLE32(header + 8) != kBitmapPixelFormat) throw EReadError("unknown bitmap pixel format");
  if (width > TRaster::kMaxSide || height > TRaster::kMaxSide) throw EReadError("bitmap too large");
  const Int64 pixelBytes = Int64{width} * Int64{height} * kBitmapBytesPerPixel;
  if (pixelBytes != size - kBitmapHeaderSize)
    throw EReadError("bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels needs " + std::to_string(pixelBytes) + " bytes of pixels, found " +
                     std::to_string(size - kBitmapHeaderSize));
  std::vector<Byte> pixels(static_cast<std::size_t>(pixelBytes));
  stream.ReadBuffer(pixels.data(), pixelBytes);
  bitmap.SetSize(static_cast<int>(width), static_cast<int>(height));
  const Byte* pixel = pixels.data();
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x, pixel += kBitmapBytesPerPixel)
      bitmap.Canvas()->SetPixels(x, y, static_cast<TColor>(RGB(pixel[0], pixel[1], pixel[2])));
}

void RegisterBitmap() {
  RegisterDefineProperties(TBitmap::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& bitmap = static_cast<TBitmap&>(object);
    filer.DefineBinaryProperty(
        "Data", [&bitmap](TStream& data) { ReadBitmapData(bitmap, data); },
        [&bitmap](TStream& data) { WriteBitmapData(bitmap, data); }, !bitmap.Empty());
  });
}

// The size bounds, which the control hands out for changing only.
const TSizeConstraints& ConstraintsOf(const TControl& control) {
  return const_cast<TControl&>(control).Constraints();
}

void RegisterControls() {
  StoredProperties<TControl>()
      .Integer("Left", &TControl::Left, &TControl::SetLeft, std::nullopt)
      .Integer("Top", &TControl::Top, &TControl::SetTop, std::nullopt)
      .Integer("Width", &TControl::Width, &TControl::SetWidth, std::nullopt)
      .Integer("Height", &TControl::Height, &TControl::SetHeight, std::nullopt)
      .Enum("Align", &TControl::Align, &TControl::SetAlign, kAlignNames, alNone)
      .SetOf(
          "Anchors", [](const TControl& c) { return SetBits(c.Anchors()); },
          [](TControl& c, UInt64 v) { c.SetAnchors(SetFromBits<TAnchors>(v)); }, kAnchorNames,
          SetBits(TAnchors{akLeft, akTop}))
      // The size bounds under the names of their object, as a form writes them.
      .Integer(
          "Constraints.MaxHeight", [](const TControl& c) { return ConstraintsOf(c).MaxHeight(); },
          [](TControl& c, int v) { c.Constraints().SetMaxHeight(v); }, 0)
      .Integer(
          "Constraints.MaxWidth", [](const TControl& c) { return ConstraintsOf(c).MaxWidth(); },
          [](TControl& c, int v) { c.Constraints().SetMaxWidth(v); }, 0)
      .Integer(
          "Constraints.MinHeight", [](const TControl& c) { return ConstraintsOf(c).MinHeight(); },
          [](TControl& c, int v) { c.Constraints().SetMinHeight(v); }, 0)
      .Integer(
          "Constraints.MinWidth", [](const TControl& c) { return ConstraintsOf(c).MinWidth(); },
          [](TControl& c, int v) { c.Constraints().SetMinWidth(v); }, 0)
      .Enum("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode, kBiDiModeNames, bdLeftToRight)
      .Stored([](const TControl& c) { return !c.ParentBiDiMode(); })
      .Integer("Color", &TControl::Color, &TControl::SetColor, std::nullopt)
      .Stored([](const TControl& c) { return !c.ParentColor(); })
      .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
      .Object("Font", [](TControl& c) { return c.Font(); })
      .Stored([](const TControl& c) { return !c.ParentFont(); })
      .Boolean("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode, true)
      .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true)
      .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
      .Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true)
      .Reference<TPopupMenu>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
      .String("Hint", &TControl::Hint, &TControl::SetHint, "")
      .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
      .Stored([](const TControl& c) { return !c.ParentShowHint(); })
      .Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true);
  StoredProperties<TWinControl>()
      .Boolean("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D, true)
      .Boolean("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D, true)
      .Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, std::nullopt)
      .Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, std::nullopt);
}

}  // namespace

void RegisterUIStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFont();
    RegisterBitmap();
    RegisterControls();
  });
}

}  // namespace ordvane
