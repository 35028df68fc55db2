#include "classlib/ui/ImgList.h"

#include <algorithm>

#include "classlib/core/SysUtils.h"

namespace ordvane {

TChangeLink::~TChangeLink() {
  if (fSender != nullptr) fSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(fSender);
}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), fWidth(std::max(width, 1)), fHeight(std::max(height, 1)) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : fLinks) link->fSender = nullptr;
}

void TCustomImageList::SetSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == fWidth && height == fHeight) return;
  fWidth = width;
  fHeight = height;
  fImages.clear();
  Change();
}

template <class IsOpaque>
std::vector<TCustomImageList::Image> TCustomImageList::Cut(const TBitmap& image, IsOpaque isOpaque) const {
  std::vector<Image> images;
  int pieces = std::max(1, image.Width() / fWidth);
  const TRaster& source = image.Raster();
  for (int k = 0; k < pieces; ++k) {
    Image piece{
        TRaster(fWidth, fHeight),
        std::vector<bool>(static_cast<std::size_t>(fWidth) * static_cast<std::size_t>(fHeight), false)};
    for (int y = 0; y < fHeight; ++y)
      for (int x = 0; x < fWidth; ++x) {
        int sx = k * fWidth + x;
        if (!source.Contains(sx, y)) continue;
        piece.pixels.SetPixel(x, y, source.Pixel(sx, y));
        piece.opaque[PixelIndex(x, y, fWidth)] = isOpaque(sx, y);
      }
    images.push_back(std::move(piece));
  }
  return images;
}

std::vector<TCustomImageList::Image> TCustomImageList::CutWithMask(const TBitmap& image,
                                                                   const TBitmap* mask) const {
  return Cut(image, [mask](int x, int y) {
    return mask == nullptr || !mask->Raster().Contains(x, y) ||
           (mask->Raster().Pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  });
}

std::vector<TCustomImageList::Image> TCustomImageList::CutMasked(const TBitmap& image,
                                                                 TColor maskColor) const {
  TColorRef key = maskColor == clDefault ? (image.Empty() ? 0 : image.Raster().Pixel(0, image.Height() - 1))
                                         : ColorToRGB(maskColor);
  const TRaster& raster = image.Raster();
  return Cut(image, [&raster, key](int x, int y) { return raster.Pixel(x, y) != key; });
}

int TCustomImageList::Append(std::vector<Image> images) {
  int first = Count();
  for (Image& image : images) fImages.push_back(std::move(image));
  Change();
  return first;
}

void TCustomImageList::Put(int index, std::vector<Image> images) {
  CheckIndex(index);
  fImages[static_cast<std::size_t>(index)] = std::move(images.front());
  Change();
}

int TCustomImageList::Add(const TBitmap& image, const TBitmap* mask) {
  return Append(CutWithMask(image, mask));
}

int TCustomImageList::AddMasked(const TBitmap& image, TColor maskColor) {
  return Append(CutMasked(image, maskColor));
}

void TCustomImageList::Replace(int index, const TBitmap& image, const TBitmap* mask) {
  Put(index, CutWithMask(image, mask));
}

void TCustomImageList::ReplaceMasked(int index, const TBitmap& image, TColor maskColor) {
  Put(index, CutMasked(image, maskColor));
}

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

void TCustomImageList::Delete(int index) {
  CheckIndex(index);
  fImages.erase(fImages.begin() + index);
  Change();
}

void TCustomImageList::Clear() {
  fImages.clear();
  Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  if (canvas == nullptr || index < 0 || index >= Count()) return;
  TDeviceContext* dc = canvas->Handle();
  if (dc == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  const Image& image = fImages[static_cast<std::size_t>(index)];
  if (enabled) {
    dc->DrawImage(x, y, image.pixels, &image.opaque);
    return;
  }
  // The dark pixels (darker than light gray) are the ones that show.
  std::vector<bool> ink(image.opaque.size(), false);
  for (int py = 0; py < fHeight; ++py)
    for (int px = 0; px < fWidth; ++px) {
      const std::size_t i = PixelIndex(px, py, fWidth);
      TColorRef c = image.pixels.Pixel(px, py);
      ink[i] = image.opaque[i] && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 0xC0;
    }
  TRaster highlight(fWidth, fHeight, GetSysColor(COLOR_BTNHIGHLIGHT));
  TRaster shadow(fWidth, fHeight, GetSysColor(COLOR_BTNSHADOW));
  dc->DrawImage(x + 1, y + 1, highlight, &ink);
  dc->DrawImage(x, y, shadow, &ink);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (link == nullptr || std::find(fLinks.begin(), fLinks.end(), link) != fLinks.end()) return;
  if (link->fSender != nullptr && link->fSender != this) link->fSender->UnRegisterChanges(link);
  link->fSender = this;
  fLinks.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(fLinks.begin(), fLinks.end(), link);
  if (it == fLinks.end()) return;
  (*it)->fSender = nullptr;
  fLinks.erase(it);
}

void TCustomImageList::Change() {
  // A handler may unregister links; walk a copy.
  std::vector<TChangeLink*> links = fLinks;
  for (TChangeLink* link : links)
    if (std::find(fLinks.begin(), fLinks.end(), link) != fLinks.end()) link->Change();
  if (OnChange) OnChange(this);
}

}  // namespace ordvane
