#pragma once
// Property interceptors: objects that stand in for a component while its layout (a
// form's place and size) is stored and restored. The registry pairs a target class with
// the interceptor class that stands in for it; the form interceptor is registered for
// TCustomForm when this unit is linked.

#include <optional>

#include "classlib/ui/Forms.h"

namespace ordvane {

// A control pointer that reads nullptr once the control is destroyed.
template <class T>
class TWatchedControl {
 public:
  TWatchedControl() = default;
  explicit TWatchedControl(T* control) : fControl(control) {
    if (control != nullptr) fWatch.emplace(control);
  }
  T* Get() const { return fWatch && !fWatch->Gone() ? fControl : nullptr; }

 private:
  T* fControl = nullptr;
  std::optional<TDestroyWatch> fWatch;
};

// Removes every earlier pair with the same interceptor class, then adds the pair.
void RegisterPropertyInterceptorEh(TClass targetClass, TClass interceptorClass);
// Removes every pair equal to both.
void UnregisterPropertyInterceptorEh(TClass targetClass, TClass interceptorClass);
// The interceptor class registered for the class or its nearest ancestor; nullptr when
// none is.
TClass GetPropertyInterceptorClassEh(TClass targetClass);

class TStoragePropertyInterceptor : public TPersistent {
  ORDVANE_CLASS(TStoragePropertyInterceptor, TPersistent)

 public:
  explicit TStoragePropertyInterceptor(TObject* interceptObject) : fInterceptObject(interceptObject) {}

  TObject* InterceptObject() const { return fInterceptObject; }
  // Whether the stored properties are to be applied to the object.
  virtual bool NeedApplyProperties() const { return true; }
  // Applies the stored properties to the object.
  virtual void ApplyProperties() {}

 private:
  TObject* fInterceptObject;
};

// Stands in for a form. Created for a form, it captures the form's bounds, the screen's
// pixels per inch, the window state and the active control; ApplyProperties puts them
// back, scaled to the screen's pixels per inch now.
//
// Width and Height hold the right and bottom edges (Left + Width, Top + Height), as
// stored layouts have always held them.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
  ORDVANE_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)

 public:
  explicit TFormStoragePropertyInterceptor(TObject* interceptObject);

  // The control to be focused on the form; nullptr once it is destroyed.
  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* value);
  int Left() const { return fLeft; }
  void SetLeft(int value);
  int Top() const { return fTop; }
  void SetTop(int value);
  int Width() const { return fWidth; }
  void SetWidth(int value) { fWidth = value; }
  int Height() const { return fHeight; }
  void SetHeight(int value) { fHeight = value; }
  // 0 for bounds that were never captured at a known resolution: they are applied as
  // they are.
  int PixelsPerInch() const { return fPixelsPerInch; }
  void SetPixelsPerInch(int value) { fPixelsPerInch = value; }
  TWindowState WindowState() const { return fWindowState; }
  void SetWindowState(TWindowState value) { fWindowState = value; }

  void ApplyProperties() override;

 private:
  void Capture(TCustomForm& form);
  // The recorded control when it can take the focus on the form; nullptr otherwise.
  TWinControl* FocusableActiveControl(const TCustomForm& form) const;
  static void ApplyBounds(TCustomForm& form, const TRect& edges);

  TWatchedControl<TCustomForm> fForm;
  TWatchedControl<TWinControl> fActiveControl;
  // Whether a stored place was set (rather than captured): a centred form then keeps it.
  bool fPlaceSet = false;
  int fLeft = 0;
  int fTop = 0;
  int fWidth = 0;
  int fHeight = 0;
  int fPixelsPerInch = 0;
  TWindowState fWindowState = wsNormal;
};

}  // namespace ordvane
