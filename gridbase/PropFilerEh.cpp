#include "gridbase/PropFilerEh.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "classlib/core/Math.h"

namespace ordvane {

namespace {

using TInterceptorPair = std::pair<TClass, TClass>;  // target class, interceptor class

std::vector<TInterceptorPair>& Interceptors() {
  static std::vector<TInterceptorPair> pairs;
  return pairs;
}

// Only a lack of memory can fail the registration, which nothing before main could handle
// either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool formInterceptorRegistered =
    (RegisterPropertyInterceptorEh(TCustomForm::StaticClass(), TFormStoragePropertyInterceptor::StaticClass()),
     true);

}  // namespace

void RegisterPropertyInterceptorEh(TClass targetClass, TClass interceptorClass) {
  std::erase_if(Interceptors(), [&](const TInterceptorPair& p) { return p.second == interceptorClass; });
  Interceptors().emplace_back(targetClass, interceptorClass);
}

void UnregisterPropertyInterceptorEh(TClass targetClass, TClass interceptorClass) {
  std::erase(Interceptors(), TInterceptorPair(targetClass, interceptorClass));
}

TClass GetPropertyInterceptorClassEh(TClass targetClass) {
  for (TClass cls = targetClass; cls != nullptr; cls = cls->ClassParent())
    for (const TInterceptorPair& p : Interceptors())
      if (p.first == cls) return p.second;
  return nullptr;
}

// TFormStoragePropertyInterceptor

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TObject* interceptObject)
    : TStoragePropertyInterceptor(interceptObject) {
  if (auto* form = dynamic_cast<TCustomForm*>(interceptObject)) Capture(*form);
}

void TFormStoragePropertyInterceptor::Capture(TCustomForm& form) {
  fForm = TWatchedControl<TCustomForm>(&form);
  TRect edges = form.BoundsRect();
  WINDOWPLACEMENT placement;
  if (form.HandleAllocated() && GetWindowPlacement(form.WindowHandle(), placement))
    edges = placement.rcNormalPosition;  // a maximized form's own bounds are the work area's
  fLeft = edges.left;
  fTop = edges.top;
  fWidth = edges.right;
  fHeight = edges.bottom;
  fPixelsPerInch = Screen->PixelsPerInch();
  fWindowState = form.WindowState();
  fActiveControl = TWatchedControl<TWinControl>(form.ActiveControl());
}

TWinControl* TFormStoragePropertyInterceptor::ActiveControl() const {
  return fActiveControl.Get();
}

void TFormStoragePropertyInterceptor::SetActiveControl(TWinControl* value) {
  fActiveControl = TWatchedControl<TWinControl>(value);
}

void TFormStoragePropertyInterceptor::SetLeft(int value) {
  fLeft = value;
  fPlaceSet = true;
}

void TFormStoragePropertyInterceptor::SetTop(int value) {
  fTop = value;
  fPlaceSet = true;
}

void TFormStoragePropertyInterceptor::ApplyProperties() {
  TCustomForm* form = fForm.Get();
  if (form == nullptr) return;
  const int screenPpi = Screen->PixelsPerInch();
  auto scaled = [&](int value) { return fPixelsPerInch > 0 ? MulDiv(value, screenPpi, fPixelsPerInch) : value; };
  const TRect edges = Rect(scaled(fLeft), scaled(fTop), scaled(fWidth), scaled(fHeight));

  form->SetWindowState(fWindowState);
  if (TWinControl* control = FocusableActiveControl(*form)) form->SetActiveControl(control);
  ApplyBounds(*form, edges);
  const bool centred = form->Position() == poScreenCenter || form->Position() == poDesktopCenter;
  if (centred && fPlaceSet && !form->ComponentState().Contains(csDesigning)) form->SetPosition(poDesigned);
}

TWinControl* TFormStoragePropertyInterceptor::FocusableActiveControl(const TCustomForm& form) const {
  TWinControl* control = fActiveControl.Get();
  if (control == nullptr || control == &form || GetParentForm(control) != &form || !control->CanFocus())
    return nullptr;
  return control;
}

void TFormStoragePropertyInterceptor::ApplyBounds(TCustomForm& form, const TRect& edges) {
  if (!form.HandleAllocated()) {
    form.SetBounds(edges.left, edges.top, edges.Width(), edges.Height());
    return;
  }
  WINDOWPLACEMENT placement;
  GetWindowPlacement(form.WindowHandle(), placement);
  placement.showCmd = form.WindowState() == wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  placement.rcNormalPosition = edges;
  SetWindowPlacement(form.WindowHandle(), placement);
}

}  // namespace ordvane
