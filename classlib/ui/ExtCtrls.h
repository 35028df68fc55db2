#pragma once
// Extra controls: bevels (frames and lines), panels (a container with a bevelled border
// and a caption), and shapes (a figure drawn with a pen and a brush).

#include "classlib/ui/Controls.h"

namespace ordvane {

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
  ORDVANE_CLASS(TBevel, TGraphicControl)

 public:
  explicit TBevel(TComponent* owner);

  TBevelShape Shape() const { return fShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return fStyle; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape fShape = bsBox;
  TBevelStyle fStyle = bsLowered;
};

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
  ORDVANE_CLASS(TPanel, TCustomControl)

 public:
  explicit TPanel(TComponent* owner);

  TPanelBevel BevelInner() const { return fBevelInner; }
  void SetBevelInner(TPanelBevel value);
  TPanelBevel BevelOuter() const { return fBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  int BevelWidth() const { return fBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return fBorderWidth; }
  void SetBorderWidth(int value);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment value);

  void Dispatch(TMessage& message) override;

 protected:
  // The children lie inside the bevels and the border.
  void AlignControls(TControl* control, TRect& rect) override;
  void Paint() override;

 private:
  int BevelSpace() const;

  TPanelBevel fBevelInner = bvNone;
  TPanelBevel fBevelOuter = bvRaised;
  int fBevelWidth = 1;
  int fBorderWidth = 0;
  TAlignment fAlignment = taCenter;
};

enum TShapeType { stRectangle, stSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
  ORDVANE_CLASS(TShape, TGraphicControl)

 public:
  explicit TShape(TComponent* owner);

  TShapeType Shape() const { return fShape; }
  void SetShape(TShapeType value);
  TPen* Pen() const { return fPen.get(); }
  TBrush* Brush() const { return fBrush.get(); }

 protected:
  void Paint() override;

 private:
  void StyleChanged(TObject* sender);

  TShapeType fShape = stRectangle;
  std::unique_ptr<TPen> fPen;
  std::unique_ptr<TBrush> fBrush;
};

}  // namespace ordvane
