#include "classlib/ui/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <tuple>

#include "classlib/core/CodePages.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

constexpr int kDefaultPixelsPerEm = 12;
constexpr int kMaxPixelsPerEm = 2048;

bool SameName(const AnsiString& a, const char* b) {
  return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// The original platform's faces and the installed family that stands in for each.
struct Substitute {
  const char* original;
  const char* installed;
};
constexpr std::array<Substitute, 19> kSubstitutes = {{
    {"MS Sans Serif", "DejaVu Sans"},
    {"Microsoft Sans Serif", "DejaVu Sans"},
    {"MS Shell Dlg", "DejaVu Sans"},
    {"MS Shell Dlg 2", "DejaVu Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Arial", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
    {"Segoe UI", "DejaVu Sans"},
    {"System", "DejaVu Sans"},
    {"Default", "DejaVu Sans"},
    {"Courier New", "DejaVu Sans Mono"},
    {"Courier", "DejaVu Sans Mono"},
    {"Lucida Console", "DejaVu Sans Mono"},
    {"Fixedsys", "DejaVu Sans Mono"},
    {"Terminal", "DejaVu Sans Mono"},
    {"Consolas", "DejaVu Sans Mono"},
    {"Times New Roman", "DejaVu Serif"},
    {"MS Serif", "DejaVu Serif"},
    {"Times", "DejaVu Serif"},
}};

// The FreeType library and the instances made with it; the instances go before the
// library does.
struct FontSystem {
  FT_Library library = nullptr;
  std::mutex mutex;
  std::map<std::tuple<AnsiString, int, int, bool, Byte>, std::shared_ptr<TFontInstance>> cache;
  FontSystem() {
    if (FcInit() != FcTrue) throw EInvalidOperation("The font configuration cannot be read");
    if (FT_Init_FreeType(&library) != 0) throw EInvalidOperation("The font renderer cannot start");
  }
  ~FontSystem() {
    cache.clear();
    FT_Done_FreeType(library);
    FcFini();
  }
};

FontSystem& Fonts() {
  static FontSystem system;
  return system;
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

// The font file fontconfig finds for a family, weight and slant.
std::pair<std::string, int> MatchFontFile(const AnsiString& family, bool bold, bool italic) {
  PatternPtr pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
    throw EInvalidOperation("No font is installed for \"" + family + "\"");
  int index = 0;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  return {reinterpret_cast<const char*>(file), index};
}

int RoundScaled(double units, double scale) {
  return static_cast<int>(std::lround(units * scale));
}

}  // namespace

AnsiString SubstituteFontName(const AnsiString& faceName, Byte pitchAndFamily) {
  for (const Substitute& s : kSubstitutes)
    if (SameName(faceName, s.original)) return s.installed;
  if (faceName.empty()) return (pitchAndFamily & 0x03) == FIXED_PITCH ? "DejaVu Sans Mono" : "DejaVu Sans";
  return faceName;
}

bool GetOutlineTextMetrics(HDC dc, OUTLINETEXTMETRIC& metrics) {
  if (dc == nullptr) return false;
  metrics = TFontInstance::For(dc->CurrentFont())->Outline();
  return dc->GetTextMetrics(metrics.otmTextMetrics);
}

std::u32string AnsiToCodePoints(const AnsiString& text) {
  WideString wide = AnsiToWide(text);
  std::u32string result;
  result.reserve(wide.size());
  for (std::size_t pos = 0; pos < wide.size();) result.push_back(DecodeUtf16Char(wide, pos));
  return result;
}

struct TFontInstance::TFace {
  FT_Face face = nullptr;
  ~TFace() {
    if (face != nullptr) FT_Done_Face(face);
  }
};

TFontInstance::~TFontInstance() = default;

std::shared_ptr<TFontInstance> TFontInstance::For(const TLogFont& font) {
  FontSystem& fonts = Fonts();
  bool bold = font.lfWeight >= 600;
  auto key =
      std::make_tuple(font.lfFaceName, font.lfHeight, bold ? 1 : 0, font.lfItalic, font.lfPitchAndFamily);
  std::lock_guard lock(fonts.mutex);
  auto it = fonts.cache.find(key);
  if (it != fonts.cache.end()) return it->second;
  auto [file, index] =
      MatchFontFile(SubstituteFontName(font.lfFaceName, font.lfPitchAndFamily), bold, font.lfItalic);
  std::shared_ptr<TFontInstance> instance(new TFontInstance(file, index, font));
  fonts.cache.emplace(key, instance);
  return instance;
}

TFontInstance::TFontInstance(const std::string& fileName, int faceIndex, const TLogFont& font)
    : fFileName(fileName), fFace(std::make_unique<TFace>()) {
  if (FT_New_Face(Fonts().library, fileName.c_str(), faceIndex, &fFace->face) != 0)
    throw EInvalidOperation("The font file \"" + fileName + "\" cannot be read");
  FT_Face face = fFace->face;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1000;
  // The cell is the one the platform uses: the Windows ascent and descent of the OS/2
  // table when the font has one.
  double ascentUnits = os2 != nullptr ? os2->usWinAscent : face->ascender;
  double descentUnits = os2 != nullptr ? os2->usWinDescent : -face->descender;
  if (ascentUnits + descentUnits <= 0) {
    ascentUnits = unitsPerEm * 0.8;
    descentUnits = unitsPerEm * 0.2;
  }
  // Measured wide and kept within the largest size: a height from a form may be any int.
  double pixelsPerEm = kDefaultPixelsPerEm;
  if (font.lfHeight < 0)
    pixelsPerEm = -static_cast<double>(font.lfHeight);
  else if (font.lfHeight > 0)
    pixelsPerEm = std::round(font.lfHeight * unitsPerEm / (ascentUnits + descentUnits));
  fPixelsPerEm = static_cast<int>(std::clamp(pixelsPerEm, 1.0, static_cast<double>(kMaxPixelsPerEm)));
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(fPixelsPerEm));
  double scale = fPixelsPerEm / unitsPerEm;

  fMetrics.tmAscent = RoundScaled(ascentUnits, scale);
  fMetrics.tmDescent = RoundScaled(descentUnits, scale);
  fMetrics.tmHeight = fMetrics.tmAscent + fMetrics.tmDescent;
  fMetrics.tmInternalLeading = fMetrics.tmHeight - fPixelsPerEm;
  double hheaHeight = face->ascender - face->descender;
  fMetrics.tmExternalLeading = std::max(
      0, RoundScaled(face->height - hheaHeight - ((ascentUnits + descentUnits) - hheaHeight), scale));
  fMetrics.tmAveCharWidth =
      os2 != nullptr && os2->xAvgCharWidth > 0 ? RoundScaled(os2->xAvgCharWidth, scale) : Advance(U'x');
  fMetrics.tmMaxCharWidth = RoundScaled(face->bbox.xMax - face->bbox.xMin, scale);
  fMetrics.tmWeight =
      os2 != nullptr ? static_cast<int>(os2->usWeightClass)
                     : static_cast<int>((face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? FW_BOLD : FW_NORMAL);
  fMetrics.tmOverhang = 0;
  fMetrics.tmPitchAndFamily = FT_IS_FIXED_WIDTH(face) ? 0 : 1;  // the platform's bit 0 means "variable"

  // The typographic metrics of the OS/2 table, the horizontal header's without one.
  fOutline.otmEMSquare = static_cast<unsigned>(unitsPerEm);
  fOutline.otmAscent = RoundScaled(os2 != nullptr ? os2->sTypoAscender : face->ascender, scale);
  fOutline.otmDescent = RoundScaled(os2 != nullptr ? os2->sTypoDescender : face->descender, scale);
  fOutline.otmLineGap = static_cast<unsigned>(
      std::max(0, RoundScaled(os2 != nullptr ? os2->sTypoLineGap : face->height - hheaHeight, scale)));

  fLineThickness = std::max(1, RoundScaled(face->underline_thickness, scale));
  fUnderlineOffset = std::max(1, RoundScaled(-face->underline_position, scale));
  fStrikeoutOffset = os2 != nullptr && os2->yStrikeoutPosition > 0
                         ? -RoundScaled(os2->yStrikeoutPosition, scale)
                         : -fMetrics.tmAscent / 3;
}

int TFontInstance::Advance(char32_t ch) {
  auto it = fAdvances.find(ch);
  if (it != fAdvances.end()) return it->second;
  FT_Face face = fFace->face;
  FT_Fixed advance = 0;
  FT_UInt glyph = FT_Get_Char_Index(face, ch);
  if (FT_Get_Advance(face, glyph, FT_LOAD_NO_HINTING, &advance) != 0) advance = 0;
  int pixels = static_cast<int>((advance + 0x8000) >> 16);
  fAdvances.emplace(ch, pixels);
  return pixels;
}

const TGlyphImage& TFontInstance::Glyph(char32_t ch, int escapement) {
  escapement %= 3600;
  if (escapement < 0) escapement += 3600;
  auto key = std::make_pair(ch, escapement);
  auto it = fGlyphs.find(key);
  if (it != fGlyphs.end()) return it->second;
  FT_Face face = fFace->face;
  if (escapement == 0) {
    FT_Set_Transform(face, nullptr, nullptr);
  } else {
    double angle = escapement * M_PI / 1800.0;
    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(std::cos(angle) * 0x10000));
    matrix.xy = static_cast<FT_Fixed>(std::lround(-std::sin(angle) * 0x10000));
    matrix.yx = static_cast<FT_Fixed>(std::lround(std::sin(angle) * 0x10000));
    matrix.yy = matrix.xx;
    FT_Set_Transform(face, &matrix, nullptr);
  }
  TGlyphImage image;
  if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0 &&
      face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    image.left = face->glyph->bitmap_left;
    image.top = face->glyph->bitmap_top;
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.coverage.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
      std::copy_n(bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch, image.width,
                  image.coverage.begin() + static_cast<std::ptrdiff_t>(y) * image.width);
  }
  FT_Set_Transform(face, nullptr, nullptr);
  return fGlyphs.emplace(key, std::move(image)).first->second;
}

}  // namespace ordvane
