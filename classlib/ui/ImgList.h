#pragma once
// Image lists: many images of one size, each with a mask, drawn enabled or in the
// classic disabled look, and change links that tell their holders when the list changes.

#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/ui/Graphics.h"

namespace ordvane {

class TCustomImageList;

// Held by whoever shows a list's images; it unregisters itself when destroyed, and its
// Sender becomes nullptr when the list is destroyed first.
class TChangeLink : public TObject {
  ORDVANE_CLASS(TChangeLink, TObject)
 public:
  TChangeLink() = default;
  ~TChangeLink() override;

  TCustomImageList* Sender() const { return fSender; }
  // Fired with the image list as the sender.
  TNotifyEvent OnChange;
  void Change();

 private:
  friend class TCustomImageList;
  TCustomImageList* fSender = nullptr;
};

class TCustomImageList : public TComponent {
  ORDVANE_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* owner, int width = 16, int height = 16);
  ~TCustomImageList() override;

  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  // A new size empties the list.
  void SetWidth(int value) { SetSize(value, fHeight); }
  void SetHeight(int value) { SetSize(fWidth, value); }
  void SetSize(int width, int height);
  int Count() const { return static_cast<int>(fImages.size()); }

  // Adds the images of a bitmap, cut into pieces of the list's width (a narrower bitmap
  // gives one image); a mask's white pixels are transparent, no mask means opaque.
  // Answers the index of the first image added.
  int Add(const TBitmap& image, const TBitmap* mask);
  // The same with the pixels of one colour transparent; clDefault takes the colour of
  // the bitmap's bottom-left pixel.
  int AddMasked(const TBitmap& image, TColor maskColor);
  void Replace(int index, const TBitmap& image, const TBitmap* mask);
  void ReplaceMasked(int index, const TBitmap& image, TColor maskColor);
  void Delete(int index);
  void Clear();

  // Draws an image with its top-left at (x, y). Disabled, its dark pixels show embossed:
  // in the highlight colour one pixel down and right, then in the shadow colour.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  TNotifyEvent OnChange;

 protected:
  void Change();

 private:
  struct Image {
    TRaster pixels;
    std::vector<bool> opaque;
  };
  template <class IsOpaque>
  std::vector<Image> Cut(const TBitmap& image, IsOpaque isOpaque) const;
  std::vector<Image> CutWithMask(const TBitmap& image, const TBitmap* mask) const;
  std::vector<Image> CutMasked(const TBitmap& image, TColor maskColor) const;
  void CheckIndex(int index) const;
  int Append(std::vector<Image> images);
  void Put(int index, std::vector<Image> images);

  int fWidth;
  int fHeight;
  std::vector<Image> fImages;
  std::vector<TChangeLink*> fLinks;
};

class TImageList : public TCustomImageList {
  ORDVANE_CLASS(TImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

}  // namespace ordvane
