// The form interceptor: what it captures of a form, and how it puts the form back on a
// screen of another resolution, with a stored active control that may have gone.

#include <gtest/gtest.h>

#include <memory>

#include "gridbase/PropFilerEh.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::NewForm;
using test::TProbe;

// What the platform's MulDiv gives for positive numbers, worked out apart from it.
int ScaledFrom144(int value) {
  return (value * 96 + 72) / 144;
}

TEST(FormInterceptor, AMaximizedFormIsCapturedByItsNormalRectangleAsEdges) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 120, 400, 320)));
  form->SetWindowState(wsMaximized);
  form->Show();
  ui.Process();
  ASSERT_EQ(form->BoundsRect(), Screen->WorkAreaRect());
  TFormStoragePropertyInterceptor stored(form.get());
  EXPECT_EQ(stored.Left(), 100);
  EXPECT_EQ(stored.Top(), 120);
  EXPECT_EQ(stored.Width(), 400);  // the right edge
  EXPECT_EQ(stored.Height(), 320);  // the bottom edge
  EXPECT_EQ(stored.PixelsPerInch(), 96);
  EXPECT_EQ(stored.WindowState(), wsMaximized);
  EXPECT_TRUE(stored.NeedApplyProperties());

  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 50, 50);
  stored.ApplyProperties();
  EXPECT_EQ(form->BoundsRect(), Screen->WorkAreaRect());
  form->SetWindowState(wsNormal);
  EXPECT_EQ(form->BoundsRect(), Rect(100, 120, 400, 320));
}

TEST(FormInterceptor, BoundsStoredAtAnotherResolutionAreScaledToTheScreens) {
  test::UiDriver ui;
  for (bool shown : {true, false}) {
    std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 50, 50)));
    if (shown) form->Show();
    TFormStoragePropertyInterceptor stored(form.get());
    stored.SetPixelsPerInch(144);
    stored.SetLeft(151);
    stored.SetTop(75);
    stored.SetWidth(752);
    stored.SetHeight(377);
    stored.ApplyProperties();
    EXPECT_EQ(form->HandleAllocated(), shown);
    EXPECT_EQ(form->BoundsRect(),
              Rect(ScaledFrom144(151), ScaledFrom144(75), ScaledFrom144(752), ScaledFrom144(377)))
        << shown;
  }
}

TEST(FormInterceptor, BoundsNeverCapturedAtAKnownResolutionAreAppliedAsTheyAre) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 50, 50)));
  form->Show();
  TFormStoragePropertyInterceptor stored(form.get());
  stored.SetPixelsPerInch(0);
  stored.SetLeft(10);
  stored.SetTop(20);
  stored.SetWidth(310);
  stored.SetHeight(220);
  stored.ApplyProperties();
  EXPECT_EQ(form->BoundsRect(), Rect(10, 20, 310, 220));
}

TEST(FormInterceptor, AFormWithoutAWindowKeepsItsSizeThroughARoundTrip) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(30, 40, 330, 240)));
  TFormStoragePropertyInterceptor stored(form.get());
  EXPECT_EQ(stored.Width(), 330);
  form->SetBounds(0, 0, 10, 10);
  stored.ApplyProperties();
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 330, 240));
  stored.ApplyProperties();  // again: nothing grows
  EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 330, 240));
}

TEST(FormInterceptor, ACentredFormWithAStoredPlaceKeepsThePlaceWhenShownAgain) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 200, 100)));
  form->SetPosition(poScreenCenter);
  form->Show();
  ui.Process();
  const TRect centred = form->BoundsRect();
  ASSERT_NE(centred.left, 0);

  TFormStoragePropertyInterceptor captured(form.get());
  captured.ApplyProperties();  // nothing was set: the form stays centred
  EXPECT_EQ(form->Position(), poScreenCenter);

  TFormStoragePropertyInterceptor stored(form.get());
  stored.SetLeft(10);
  stored.SetTop(20);
  stored.SetWidth(210);
  stored.SetHeight(120);
  stored.ApplyProperties();
  EXPECT_EQ(form->Position(), poDesigned);
  form->Hide();
  form->Show();
  ui.Process();
  EXPECT_EQ(form->BoundsRect(), Rect(10, 20, 210, 120));
}

TEST(FormInterceptor, AStoredControlThatCannotTakeTheFocusIsSkippedAndTheRestApplied) {
  enum class Fate { Focusable, Destroyed, Hidden, Disabled, OnAnotherForm };
  for (Fate fate : {Fate::Focusable, Fate::Destroyed, Fate::Hidden, Fate::Disabled, Fate::OnAnotherForm}) {
    test::UiDriver ui;
    std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 300, 200)));
    std::unique_ptr<TForm> other(NewForm(Rect(400, 0, 600, 200)));
    auto* stored = new TProbe(form.get(), form.get(), Rect(10, 10, 60, 30));
    auto* current = new TProbe(form.get(), form.get(), Rect(10, 50, 60, 70));
    auto* elsewhere = new TProbe(other.get(), other.get(), Rect(10, 10, 60, 30));
    form->Show();
    other->Show();
    ui.Process();
    form->SetActiveControl(stored);
    TFormStoragePropertyInterceptor interceptor(form.get());
    ASSERT_EQ(interceptor.ActiveControl(), stored);
    form->SetActiveControl(current);
    switch (fate) {
      case Fate::Focusable:
        break;
      case Fate::Destroyed:
        delete stored;
        EXPECT_EQ(interceptor.ActiveControl(), nullptr);
        break;
      case Fate::Hidden:
        stored->Hide();
        break;
      case Fate::Disabled:
        stored->SetEnabled(false);
        break;
      case Fate::OnAnotherForm:
        interceptor.SetActiveControl(elsewhere);
        break;
    }
    interceptor.SetLeft(40);
    interceptor.SetWindowState(wsMaximized);
    EXPECT_NO_THROW(interceptor.ApplyProperties()) << static_cast<int>(fate);
    EXPECT_EQ(form->ActiveControl(), fate == Fate::Focusable ? stored : current) << static_cast<int>(fate);
    EXPECT_EQ(form->BoundsRect(), Screen->WorkAreaRect()) << static_cast<int>(fate);
    form->SetWindowState(wsNormal);
    EXPECT_EQ(form->BoundsRect(), Rect(40, 0, 300, 200)) << static_cast<int>(fate);
  }
}

TEST(FormInterceptor, AnInterceptorOfAnotherObjectOrOfADestroyedFormDoesNothing) {
  test::UiDriver ui;
  TComponent notAForm(nullptr);
  TFormStoragePropertyInterceptor ofComponent(&notAForm);
  EXPECT_EQ(ofComponent.InterceptObject(), &notAForm);
  EXPECT_EQ(ofComponent.Width(), 0);
  ofComponent.ApplyProperties();

  auto* form = NewForm(Rect(0, 0, 300, 200));
  TFormStoragePropertyInterceptor stored(form);
  delete form;
  stored.ApplyProperties();
  EXPECT_EQ(Screen->CustomFormCount(), 0);
}

}  // namespace
}  // namespace ordvane
