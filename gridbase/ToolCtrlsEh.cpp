// Edit buttons, their faces and the check-box cell. The drop-down windows are in
// ToolCtrlsEhDropDowns.cpp.

#include "gridbase/ButtonFacesEh.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/EditButtonsEh.h"
#include "gridbase/GridsEh.h"
#include "gridbase/TreeOutlineEh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <tuple>

#include "classlib/core/MessageQueue.h"
#include "classlib/core/SyncObjs.h"
#include "classlib/ui/Themes.h"

namespace ordvane {

bool CloseUpToOwnerEh(const TComponent* dropDown, bool accept) {
  auto* owner = dynamic_cast<IPopupEditOwnerEh*>(dropDown ? dropDown->Owner() : nullptr);
  if (!owner) return false;
  owner->CloseUp(accept);
  return true;
}

TEditButtonDrawKindEh EditButtonDrawKindEh(TEditButtonStyleEh style) {
  switch (style) {
    case ebsEllipsisEh:
      return bcsEllipsisEh;
    case ebsUpDownEh:
      return bcsUpDownEh;
    case ebsPlusEh:
      return bcsPlusEh;
    case ebsMinusEh:
      return bcsMinusEh;
    case ebsDropDownEh:
    case ebsGlyphEh:
      break;
  }
  return bcsDropDownEh;
}

// ---- Widths ---------------------------------------------------------------------------

int EditButtonWidthForTextHeightEh(int textHeight) {
  int width = (std::max(0, textHeight) * 2 + 1) / 3;  // two thirds, to the nearest integer
  if (width % 2 == 0) ++width;
  return std::min(width, GetSystemMetrics(SM_CXVSCROLL));
}

int DefaultEditButtonWidthEh() {
  static const int width = [] {
    TRaster raster(1, 1);
    TRasterDC dc(raster);
    const TFont screenFont;
    dc.SelectFont(screenFont.LogFont());
    TTextMetric metrics;
    dc.GetTextMetrics(metrics);
    return EditButtonWidthForTextHeightEh(metrics.tmHeight);
  }();
  return width;
}

int ScaleButtonWidthEh(int width, bool scaled) {
  if (!scaled) return width;
  return static_cast<int>(std::lround(width * 1.5));
}

// ---- Check boxes ----------------------------------------------------------------------

TSize InitCheckBoxSizeEh() {
  static const TSize size = [] {
    TBitmap boxes;
    boxes.LoadFromOemBitmap(OBM_CHECKBOXES);
    return TSize{boxes.Width() / 4, boxes.Height() / 3};
  }();
  return size;
}

TRect CheckBoxRectEh(const TRect& rect, TAlignment alignment, TTextLayout layout) {
  const TSize box = InitCheckBoxSizeEh();
  const int width = std::min(box.cx, rect.Width());
  const int height = std::min(box.cy, rect.Height());
  int left = rect.left;
  if (alignment == taRightJustify)
    left = rect.right - width;
  else if (alignment == taCenter)
    left = rect.left + (rect.Width() - width) / 2;
  int top = rect.top;
  if (layout == tlBottom)
    top = rect.bottom - height;
  else if (layout == tlCenter)
    top = rect.top + (rect.Height() - height) / 2;
  return Bounds(left, top, width, height);
}

namespace {

TThemedButton ThemedCheckBox(TCheckBoxState state, bool enabled, bool pressed) {
  const int base = state == cbChecked  ? tbCheckBoxCheckedNormal
                   : state == cbGrayed ? tbCheckBoxMixedNormal
                                       : tbCheckBoxUncheckedNormal;
  const int offset = !enabled ? 3 : pressed ? 2 : 0;
  return static_cast<TThemedButton>(base + offset);
}

}  // namespace

void DrawCheckBoxEh(HDC dc, const TRect& rect, TCheckBoxState state, bool enabled, bool pressed, bool flat) {
  TRect cell = CheckBoxRectEh(rect, taCenter, tlCenter);
  if (ThemeServices()->ThemesEnabled()) {
    // The element is drawn at its own size: a smaller cell must not spill over.
    TDeviceContext::TClipGuard clip(*dc, cell);
    ThemeServices()->DrawElement(
        dc, TThemeServices::GetElementDetails(ThemedCheckBox(state, enabled, pressed)), cell);
    return;
  }
  unsigned flags = DFCS_BUTTONCHECK;
  if (state == cbChecked) flags |= DFCS_CHECKED;
  if (state == cbGrayed) flags |= DFCS_BUTTON3STATE | DFCS_CHECKED;
  if (!enabled) flags |= DFCS_INACTIVE;
  if (pressed) flags |= DFCS_PUSHED;
  std::optional<TDeviceContext::TClipGuard> clip;
  if (flat) clip.emplace(*dc, Rect(cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1));
  DrawFrameControl(dc, cell, DFC_BUTTON, flags);
}

// ---- Tree outline ---------------------------------------------------------------------

namespace {

// Draws a tree cell in pens of scaleX by scaleY pixels, so a cell at scale 2 is the cell
// at scale 1 with every pixel doubled.
class TTreeCellPainter {
 public:
  TTreeCellPainter(TCanvas* canvas, const TRect& rect, int scaleX, int scaleY, int dotParity)
      : fCanvas(canvas),
        fRect(rect),
        fSx(std::max(scaleX, 1)),
        fSy(std::max(scaleY, 1)),
        fParity(dotParity & 1),
        // The pen at the centre, counted in whole pens from the left and top edges.
        fCx(rect.left + rect.Width() / fSx / 2 * fSx),
        fCy(rect.top + rect.Height() / fSy / 2 * fSy) {}

  // An expand box, pens -4 .. +4 around the centre, with a minus or a plus.
  void Box(bool plus) {
    const TRect outer = Rect(fCx - 4 * fSx, fCy - 4 * fSy, fCx + 5 * fSx, fCy + 5 * fSy);
    Fill(outer, clBtnShadow);
    Fill(Rect(outer.left + fSx, outer.top + fSy, outer.right - fSx, outer.bottom - fSy), clWindow);
    Fill(Rect(fCx - 2 * fSx, fCy, fCx + 3 * fSx, fCy + fSy), clWindowText);
    if (plus) Fill(Rect(fCx, fCy - 2 * fSy, fCx + fSx, fCy + 3 * fSy), clWindowText);
  }
  int BoxTop() const { return fCy - 4 * fSy; }
  int BoxBottom() const { return fCy + 5 * fSy; }
  int BoxRight() const { return fCx + 5 * fSx; }
  int CentreX() const { return fCx; }
  int CentreBottom() const { return fCy + fSy; }

  // Dotted connectors along the centre column and the centre row.
  void Vertical(int top, int bottom) {
    Dotted(top, bottom, fSy, [&](int a, int b) { return Rect(fCx, a, fCx + fSx, b); });
  }
  void Horizontal(int left) {
    Dotted(left, fRect.right, fSx, [&](int a, int b) { return Rect(a, fCy, b, fCy + fSy); });
  }
  int Top() const { return fRect.top; }
  int Bottom() const { return fRect.bottom; }
  int CentreY() const { return fCy; }

 private:
  void Fill(const TRect& r, TColor color) {
    fCanvas->Brush()->SetColor(color);
    fCanvas->FillRect(r);
  }
  // A dot is one pen long on every pen whose number, counted in the canvas from 0, has
  // the requested parity; so the dots of neighbouring cells continue one another.
  template <class Span>
  void Dotted(int from, int to, int pen, Span span) {
    const auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    for (int k = floorDiv(from, pen); k * pen < to; ++k)
      if ((k & 1) == fParity) Fill(span(std::max(from, k * pen), std::min(to, (k + 1) * pen)), clBtnShadow);
  }

  TCanvas* fCanvas;
  TRect fRect;
  int fSx, fSy, fParity, fCx, fCy;
};

}  // namespace

void DrawTreeElementEh(TCanvas* canvas, const TRect& rect, TTreeElementEh kind, int scaleX, int scaleY,
                       int dotParity) {
  if (kind < tehMinusUpDown || kind > tehVLine) return;
  TBrush saved;
  saved.Assign(canvas->Brush());
  TTreeCellPainter cell(canvas, rect, scaleX, scaleY, dotParity);
  if (kind <= tehPlusDown) {
    // Up-down, up and down repeat for the minus and the plus.
    const int connector = kind % 3;
    cell.Box(kind >= tehPlusUpDown);
    cell.Horizontal(cell.BoxRight());
    if (connector != 2) cell.Vertical(cell.Top(), cell.BoxTop());
    if (connector != 1) cell.Vertical(cell.BoxBottom(), cell.Bottom());
  } else {
    const int top = kind == tehCrossDown ? cell.CentreY() : cell.Top();
    const int bottom = kind == tehCrossUp ? cell.CentreBottom() : cell.Bottom();
    cell.Vertical(top, bottom);
    if (kind != tehVLine) cell.Horizontal(cell.CentreX());
  }
  canvas->Brush()->Assign(&saved);
}

// ---- Faces ----------------------------------------------------------------------------

namespace {

struct TFace {
  TEditButtonDrawKindEh kind;
  int pressedPart;
  bool flat;
  bool active;
  bool enabled;
  TCheckBoxState checkState;
  bool themed;
  TColorRef background;
  auto Tie() const {
    return std::tie(kind, pressedPart, flat, active, enabled, checkState, themed, background);
  }
};

enum class TArrow { Up, Down };

TColorRef Rgb(TColor color) {
  return ColorToRGB(color);
}

// A triangle pointing up or down, centred in the rectangle.
void DrawArrow(HDC dc, const TRect& r, TArrow direction, TColorRef color) {
  const int rows = std::clamp(std::min(r.Width() / 4, r.Height() / 2), 1, 4);
  const int cx = r.left + r.Width() / 2;
  const int top = r.top + (r.Height() - rows) / 2;
  for (int i = 0; i < rows; ++i) {
    const int half = direction == TArrow::Down ? rows - 1 - i : i;
    dc->FillRect(Rect(cx - half, top + i, cx + half + 1, top + i + 1), color);
  }
}

void DrawEllipsis(HDC dc, const TRect& r, TColorRef color) {
  const int dot = r.Width() >= 10 ? 2 : 1;
  const int span = 5 * dot;
  const int left = r.left + (r.Width() - span) / 2;
  const int top = r.top + (r.Height() - dot) / 2;
  for (int i = 0; i < 3; ++i) dc->FillRect(Bounds(left + 2 * dot * i, top, dot, dot), color);
}

void DrawPlusMinus(HDC dc, const TRect& r, bool plus, TColorRef color) {
  const int length = std::max(3, (std::min(r.Width(), r.Height()) - 6) | 1);
  const int cx = r.left + r.Width() / 2;
  const int cy = r.top + r.Height() / 2;
  dc->FillRect(Rect(cx - length / 2, cy, cx + length / 2 + 1, cy + 1), color);
  if (plus) dc->FillRect(Rect(cx, cy - length / 2, cx + 1, cy + length / 2 + 1), color);
}

// The body of one button (or one half of an up-down pair); answers where its glyph goes.
TRect DrawButtonBody(HDC dc, TRect r, const TFace& face, bool pressed) {
  if (face.themed) {
    dc->FillRect(r, Rgb(pressed ? clBtnShadow : clBtnFace));
    dc->FrameRect(r, Rgb(face.active ? clHighlight : clBtnShadow));
    return r;
  }
  if (face.flat) {
    dc->FillRect(r, Rgb(clBtnFace));
    if (face.active) DrawEdge(dc, r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  } else {
    DrawEdge(dc, r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  if (pressed) OffsetRect(r, 1, 1);
  return r;
}

void DrawGlyph(HDC dc, const TRect& r, TEditButtonDrawKindEh kind, TArrow arrow, bool enabled) {
  const TColorRef color = Rgb(enabled ? clBtnText : clGrayText);
  switch (kind) {
    case bcsEllipsisEh:
      DrawEllipsis(dc, r, color);
      break;
    case bcsPlusEh:
    case bcsMinusEh:
      DrawPlusMinus(dc, r, kind == bcsPlusEh, color);
      break;
    case bcsDropDownEh:
    case bcsUpDownEh:
      DrawArrow(dc, r, arrow, color);
      break;
    case bcsCheckboxEh:  // drawn whole by DrawCheckBoxEh
      break;
  }
}

void DrawUpDown(HDC dc, const TRect& r, const TFace& face) {
  const int middle = r.top + r.Height() / 2;
  const int line = (r.Height() % 2 != 0 || face.flat) ? 1 : 0;
  const TRect upper = Rect(r.left, r.top, r.right, middle);
  const TRect lower = Rect(r.left, middle + line, r.right, r.bottom);
  DrawGlyph(dc, DrawButtonBody(dc, upper, face, face.pressedPart == 1), bcsUpDownEh, TArrow::Up,
            face.enabled);
  DrawGlyph(dc, DrawButtonBody(dc, lower, face, face.pressedPart == 2), bcsUpDownEh, TArrow::Down,
            face.enabled);
  if (line) dc->FillRect(Rect(r.left, middle, r.right, middle + 1), face.background);
}

void DrawFaceDirect(HDC dc, const TRect& rect, const TFace& face) {
  if (face.kind == bcsCheckboxEh) {
    dc->FillRect(rect, face.background);
    DrawCheckBoxEh(dc, rect, face.checkState, face.enabled, face.pressedPart != 0, face.flat);
    return;
  }
  const bool inset = face.flat && !face.active && !face.themed;
  const TRect inner = inset ? Rect(rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1) : rect;
  {
    TDeviceContext::TClipGuard clip(*dc, inner);
    if (face.kind == bcsUpDownEh)
      DrawUpDown(dc, inner, face);
    else
      DrawGlyph(dc, DrawButtonBody(dc, inner, face, face.pressedPart != 0), face.kind, TArrow::Down,
                face.enabled);
  }
  if (inset) dc->FrameRect(rect, face.background);
}

// The process-wide faces, keyed by size and look; readers share the lock, a new face takes
// it alone. Emptied under the write lock when the program ends.
class TFaceCache {
 public:
  static constexpr int kLargestSide = 256;  // larger faces are drawn straight

  ~TFaceCache() {
    fLock.BeginWrite();
    fFaces.clear();
    fLock.EndWrite();
  }

  void Draw(HDC dc, const TRect& rect, const TFace& face) {
    const TKey key{rect.Width(), rect.Height(), face};
    fLock.BeginRead();
    const TEntry* entry = Find(key);
    fLock.EndRead();
    if (!entry) entry = Make(key);
    // Entries are never removed while the program runs, so the pointer stays valid.
    dc->StretchBlt(rect.left, rect.top, rect.Width(), rect.Height(), entry->dc, 0, 0, key.width, key.height,
                   SRCCOPY);
  }

  int Count() {
    fLock.BeginRead();
    const int count = static_cast<int>(fFaces.size());
    fLock.EndRead();
    return count;
  }

  bool enabled = true;

 private:
  struct TKey {
    int width;
    int height;
    TFace face;
    bool operator<(const TKey& other) const {
      return std::tuple_cat(std::tie(width, height), face.Tie()) <
             std::tuple_cat(std::tie(other.width, other.height), other.face.Tie());
    }
  };
  struct TEntry {
    TEntry(int width, int height) : raster(width, height), dc(raster) {}
    TRaster raster;
    TRasterDC dc;
  };

  const TEntry* Find(const TKey& key) const {
    const auto found = fFaces.find(key);
    return found == fFaces.end() ? nullptr : found->second.get();
  }

  const TEntry* Make(const TKey& key) {
    fLock.BeginWrite();
    auto& slot = fFaces[key];
    if (!slot) {
      slot = std::make_unique<TEntry>(key.width, key.height);
      DrawFaceDirect(&slot->dc, Rect(0, 0, key.width, key.height), key.face);
    }
    const TEntry* entry = slot.get();
    fLock.EndWrite();
    return entry;
  }

  TMultiReadExclusiveWriteSynchronizer fLock;
  std::map<TKey, std::unique_ptr<TEntry>> fFaces;
};

TFaceCache& FaceCache() {
  static TFaceCache cache;
  return cache;
}

}  // namespace

void DrawEditButtonControlEh(HDC dc, const TRect& rect, TColor background, TEditButtonDrawKindEh kind,
                             int pressedPart, bool flat, bool active, bool enabled,
                             TCheckBoxState checkState) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const TFace face{.kind = kind,
                   .pressedPart = pressedPart,
                   .flat = flat,
                   .active = active,
                   .enabled = enabled,
                   .checkState = checkState,
                   .themed = ThemeServices()->ThemesEnabled(),
                   .background = Rgb(background)};
  TFaceCache& cache = FaceCache();
  if (cache.enabled && rect.Width() <= TFaceCache::kLargestSide && rect.Height() <= TFaceCache::kLargestSide)
    cache.Draw(dc, rect, face);
  else
    DrawFaceDirect(dc, rect, face);
}

bool EditButtonFaceCacheEnabledEh() {
  return FaceCache().enabled;
}

void SetEditButtonFaceCacheEnabledEh(bool value) {
  FaceCache().enabled = value;
}

int EditButtonFaceCacheCountEh() {
  return FaceCache().Count();
}

// ---- The action link ------------------------------------------------------------------

TEditButtonActionLinkEh::TEditButtonActionLinkEh(TEditButtonEh* button)
    : TActionLink(
          button,
          TActionClient{
              {},
              {[button] { return button->Enabled(); }, [button](bool v) { button->SetEnabled(v); }},
              {[button] { return button->Hint(); }, [button](const AnsiString& v) { button->SetHint(v); }},
              {[button] { return button->ShortCut(); }, [button](TShortCut v) { button->SetShortCut(v); }},
              {[button] { return button->Visible(); }, [button](bool v) { button->SetVisible(v); }},
              {},
          }) {}

// ---- Edit buttons ---------------------------------------------------------------------

// Clears the button's menu when the menu dies.
class TEditButtonEh::TMenuWatch : public TComponent {
 public:
  explicit TMenuWatch(TEditButtonEh& button) : TComponent(nullptr), fButton(button) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == fButton.fDropdownMenu) fButton.fDropdownMenu = nullptr;
  }

 private:
  TEditButtonEh& fButton;
};

TEditButtonEh::TEditButtonEh(TCollection* collection, TWinControl* editControl, bool visible,
                             TShortCut shortCut)
    : TCollectionItem(collection),
      fEditControl(editControl),
      fMenuWatch(std::make_unique<TMenuWatch>(*this)),
      fGlyph(std::make_unique<TBitmap>()),
      fShortCut(shortCut),
      fVisible(visible) {
  fGlyph->SetTransparent(true);
}

TEditButtonEh::TEditButtonEh(TCollection* collection) : TEditButtonEh(collection, nullptr, false, 0) {}

TEditButtonEh::TEditButtonEh(TWinControl* editControl) : TEditButtonEh(nullptr, editControl, false, 0) {}

TEditButtonEh::~TEditButtonEh() {
  if (fDropdownMenu) fDropdownMenu->RemoveFreeNotification(fMenuWatch.get());
}

TWinControl* TEditButtonEh::EditControl() const {
  if (fEditControl) return fEditControl;
  auto* buttons = dynamic_cast<TEditButtonsEh*>(Collection());
  return buttons ? buttons->EditControl() : nullptr;
}

void TEditButtonEh::NotifyChanged() {
  if (fChangeDepth > 0) {
    fChangedInside = true;
    return;
  }
  if (Collection())
    Changed(false);
  else
    FireEvent(OnChange, this);
}

template <class T>
void TEditButtonEh::Store(T& field, const T& value) {
  if (field == value) return;
  field = value;
  NotifyChanged();
}

template <class Change>
void TEditButtonEh::ChangeAtOnce(Change change) {
  if (fChangeDepth++ == 0) fChangedInside = false;
  try {
    change();
  } catch (...) {
    --fChangeDepth;
    throw;
  }
  if (--fChangeDepth == 0 && fChangedInside) NotifyChanged();
}

TBasicAction* TEditButtonEh::Action() const {
  return fActionLink ? fActionLink->Action() : nullptr;
}

void TEditButtonEh::SetAction(TBasicAction* value) {
  if (value == Action()) return;
  // The link takes over the action's properties: the edit hears of it once.
  ChangeAtOnce([&] {
    if (!value) {
      fActionLink.reset();
    } else {
      if (!fActionLink) fActionLink = std::make_unique<TEditButtonActionLinkEh>(this);
      fActionLink->SetAction(value);
    }
    NotifyChanged();
  });
}

void TEditButtonEh::SetDropdownMenu(TPopupMenu* value) {
  if (value == fDropdownMenu) return;
  if (fDropdownMenu) fDropdownMenu->RemoveFreeNotification(fMenuWatch.get());
  fDropdownMenu = value;
  if (fDropdownMenu) fDropdownMenu->FreeNotification(fMenuWatch.get());
  NotifyChanged();
}

void TEditButtonEh::SetEnabled(bool value) {
  Store(fEnabled, value);
}

void TEditButtonEh::SetGlyph(const TBitmap& value) {
  fGlyph->Assign(&value);
  NotifyChanged();
}

void TEditButtonEh::SetHint(const AnsiString& value) {
  Store(fHint, value);
}

void TEditButtonEh::SetNumGlyphs(int value) {
  Store(fNumGlyphs, std::clamp(value, 1, 4));
}

void TEditButtonEh::SetShortCut(TShortCut value) {
  Store(fShortCut, value);
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh value) {
  Store(fStyle, value);
}

void TEditButtonEh::SetVisible(bool value) {
  Store(fVisible, value);
}

// 0 or less is the default width; a larger one is added into the edit's geometry.
void TEditButtonEh::SetWidth(int value) {
  CheckGridSettingEh("Width", value, std::numeric_limits<int>::min(), kMaxGridExtentEh);
  Store(fWidth, value);
}

void TEditButtonEh::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TEditButtonEh*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  ChangeAtOnce([&] {
    SetAction(other->Action());
    SetDropdownMenu(other->fDropdownMenu);
    SetEnabled(other->fEnabled);
    SetGlyph(*other->fGlyph);
    SetHint(other->fHint);
    SetNumGlyphs(other->fNumGlyphs);
    SetShortCut(other->fShortCut);
    SetStyle(other->fStyle);
    SetVisible(other->fVisible);
    SetWidth(other->fWidth);
  });
  OnClick = other->OnClick;
  OnDown = other->OnDown;
}

void TEditButtonEh::Click(TObject* sender, bool& handled) {
  if (OnClick) {
    FireEvent(OnClick, sender, handled);
    return;
  }
  if (!fActionLink || !fActionLink->Action()) return;
  TComponent* component = EditControl();
  if (!component && Collection()) component = dynamic_cast<TComponent*>(Collection()->Owner());
  fActionLink->Execute(component);
  handled = true;
}

bool TEditButtonEh::InitiateAction() {
  return fActionLink && fActionLink->Update();
}

TEditButtonControlEh* TEditButtonEh::CreateEditButtonControl() {
  TWinControl* edit = EditControl();
  if (!edit) throw EInvalidOperation("Edit button has no edit control");
  auto* control = new TEditButtonControlEh(edit);
  control->SetBounds(0, 0, 10, 17);
  control->SetVisible(true);
  control->SetTransparent(false);
  control->SetControlStyle(control->ControlStyle() + TControlStyle{csOpaque});
  control->SetParent(edit);
  return control;
}

namespace {
constexpr TShortCut kAltDown = scAlt | VK_DOWN;
}  // namespace

TVisibleEditButtonEh::TVisibleEditButtonEh(TCollection* collection)
    : TEditButtonEh(collection, nullptr, true, kAltDown) {}

TVisibleEditButtonEh::TVisibleEditButtonEh(TWinControl* editControl)
    : TEditButtonEh(nullptr, editControl, true, kAltDown) {}

TEditButtonsEh::TEditButtonsEh(TWinControl* editControl, TCollectionItemClass itemClass)
    : TCollection(editControl, itemClass), fEditControl(editControl) {}

void TEditButtonsEh::Update(TCollectionItem* item) {
  TCollection::Update(item);
  FireEvent(OnChange, this);
}

// ---- The button control ---------------------------------------------------------------

void PopupEditButtonMenuEh(TWinControl* edit, TEditButtonControlEh* control, TPopupMenu* menu) {
  const bool right = menu->Alignment() == paRight;
  const TPoint at = control->ClientToScreen(TPoint{right ? control->Width() : 0, control->Height()});
  menu->SetPopupComponent(edit);
  menu->Popup(at.x, at.y);
  if (edit->HandleAllocated())
    PostMessage(edit->WindowHandle(), CM_EDITBUTTONRELEASEEH, 0, reinterpret_cast<LPARAM>(control));
  control->Perform(WM_LBUTTONUP, 0, 0);
}

bool TakeEditButtonReleaseEh(TWinControl* edit, const TObject* control) {
  if (!edit->HandleAllocated()) return false;
  TMsg pending;
  if (!PeekMessage(pending, edit->WindowHandle(), CM_EDITBUTTONRELEASEEH, CM_EDITBUTTONRELEASEEH, PM_NOREMOVE) ||
      pending.lParam != reinterpret_cast<LPARAM>(control))
    return false;
  PeekMessage(pending, edit->WindowHandle(), CM_EDITBUTTONRELEASEEH, CM_EDITBUTTONRELEASEEH, PM_REMOVE);
  return true;
}

namespace {
constexpr Cardinal kFirstRepeatDelay = 400;
constexpr Cardinal kRepeatInterval = 100;
}  // namespace

TEditButtonControlEh::TEditButtonControlEh(TComponent* owner) : TSpeedButton(owner) {}

TEditButtonControlEh::~TEditButtonControlEh() = default;

void TEditButtonControlEh::SetStyle(TEditButtonStyleEh value) {
  ChangeAndInvalidate(this, fStyle, value);
}

void TEditButtonControlEh::SetActive(bool value) {
  ChangeAndInvalidate(this, fActive, value);
}

void TEditButtonControlEh::SetAlwaysDown() {
  SetAllowAllUp(false);
  SetGroupIndex(1);
  SetDown(true);
}

void TEditButtonControlEh::SetAlwaysUp() {
  SetAllowAllUp(true);
  SetDown(false);
  SetGroupIndex(0);
}

int TEditButtonControlEh::PartAt(int x, int y) const {
  if (fStyle != ebsUpDownEh || !PtInRect(ClientRect(), {x, y})) return 0;
  return y < Height() / 2 ? 1 : 2;
}

void TEditButtonControlEh::SetShownPart(int value) {
  ChangeAndInvalidate(this, fShownPart, value);
}

bool TEditButtonControlEh::ButtonDown(bool autoRepeat) {
  bool handled = false;
  FireEvent(OnButtonDown, this, fPressedPart == 1, autoRepeat, handled);
  return autoRepeat;
}

void TEditButtonControlEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  TSpeedButton::MouseDown(button, shift, x, y);
  if (watch.Gone() || button != mbLeft || !Enabled()) return;
  fHeld = true;
  fPressedPart = PartAt(x, y);
  SetShownPart(fPressedPart);
  const bool autoRepeat = ButtonDown(fStyle == ebsUpDownEh);
  if (watch.Gone() || !autoRepeat || !fHeld) return;
  if (!fRepeatTimer) {
    fRepeatTimer = std::make_unique<TTimer>(nullptr);
    fRepeatTimer->SetOnTimer(TNotifyEvent::Bind(this, &TEditButtonControlEh::RepeatTick));
  }
  fRepeatTimer->SetInterval(kFirstRepeatDelay);
  fRepeatTimer->SetEnabled(true);
}

void TEditButtonControlEh::RepeatTick(TObject* /*sender*/) {
  fRepeatTimer->SetInterval(kRepeatInterval);
  // Out of the pressed part the repeat waits, as a held scroll arrow does.
  if (!fHeld || fShownPart != fPressedPart || State() != bsDown) return;
  TDestroyWatch watch(this);
  const bool autoRepeat = ButtonDown(true);
  if (!watch.Gone() && !autoRepeat) StopRepeat();
}

void TEditButtonControlEh::StopRepeat() {
  if (fRepeatTimer) fRepeatTimer->SetEnabled(false);
}

void TEditButtonControlEh::MouseMove(TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  TSpeedButton::MouseMove(shift, x, y);
  if (watch.Gone() || !fHeld) return;
  SetShownPart(PartAt(x, y) == fPressedPart ? fPressedPart : 0);
}

void TEditButtonControlEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    fHeld = false;
    StopRepeat();
    SetShownPart(0);
  }
  TSpeedButton::MouseUp(button, shift, x, y);
}

void TEditButtonControlEh::Dispatch(TMessage& message) {
  if (message.Msg == WM_CANCELMODE) {
    fHeld = false;
    StopRepeat();
    SetShownPart(0);
  }
  TSpeedButton::Dispatch(message);
}

void TEditButtonControlEh::Paint() {
  if (fStyle == ebsGlyphEh) {
    PaintGlyphFace();
    return;
  }
  const TButtonState look = Enabled() ? State() : bsDisabled;
  const bool pressed = look == bsDown || look == bsExclusive;
  const int part = fStyle == ebsUpDownEh ? fShownPart : (pressed ? 1 : 0);
  const TColor background = Parent() ? Parent()->Color() : Color();
  DrawEditButtonControlEh(Canvas()->Handle(), ClientRect(), background, EditButtonDrawKindEh(fStyle), part,
                          Flat(), fActive, Enabled());
}

// A glyph button paints as a speed button; flat, its edge shows the edit's look: raised
// or sunken while active, else a frame in the parent's colour.
void TEditButtonControlEh::PaintGlyphFace() {
  if (!Flat()) {
    TSpeedButton::Paint();
    return;
  }
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  TRect r = ClientRect();
  const TButtonState look = Enabled() ? State() : bsDisabled;
  const bool pressed = look == bsDown || look == bsExclusive;
  dc->FillRect(r, Rgb(Color()));
  {
    std::optional<TDeviceContext::TClipGuard> clip;
    if (!ThemeServices()->ThemesEnabled())
      clip.emplace(*dc, Rect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1));
    PaintGlyphAndCaption(*canvas, r, pressed);
  }
  if (fActive)
    DrawEdge(dc, r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  else
    dc->FrameRect(r, Rgb(Parent() ? Parent()->Color() : Color()));
}

}  // namespace ordvane
