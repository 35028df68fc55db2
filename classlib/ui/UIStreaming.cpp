#include "classlib/ui/UIStreaming.h"

#include <mutex>

#include "classlib/ui/Controls.h"
#include "classlib/ui/Graphics.h"

namespace ordvane {

const char* const kAlignmentNames[3] = {"taLeftJustify", "taRightJustify", "taCenter"};
const char* const kBiDiModeNames[4] = {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                       "bdRightToLeftReadingOnly"};
const char* const kBorderStyleNames[6] = {"bsNone",   "bsSingle",     "bsSizeable",
                                          "bsDialog", "bsToolWindow", "bsSizeToolWin"};

namespace {

constexpr const char* kAlignNames[] = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
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

void RegisterControls() {
  StoredProperties<TControl>()
      .Integer("Left", &TControl::Left, &TControl::SetLeft, std::nullopt)
      .Integer("Top", &TControl::Top, &TControl::SetTop, std::nullopt)
      .Integer("Width", &TControl::Width, &TControl::SetWidth, std::nullopt)
      .Integer("Height", &TControl::Height, &TControl::SetHeight, std::nullopt)
      .Enum("Align", &TControl::Align, &TControl::SetAlign, kAlignNames, alNone)
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
    RegisterControls();
  });
}

}  // namespace ordvane
