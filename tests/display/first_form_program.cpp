// A program as a person starts it: its first form, centred on the screen, is made and
// shown before the loop runs, and a second one is centred on it. It prints the screen it
// sees, where the forms are and where the first one's close button is, runs its loop and
// says so when the loop ended (the person closed the main form).

#include <cstdio>
#include <memory>

#include "classlib/core/Application.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/Windows.h"

int main() {
  using namespace ordvane;
  auto main = std::make_unique<TForm>(nullptr);
  main->SetCaption("Main form");
  main->SetBounds(0, 0, 980, 600);
  main->SetPosition(poScreenCenter);
  main->Show();
  auto second = std::make_unique<TForm>(nullptr);
  second->SetCaption("Second form");
  second->SetBorderStyle(bsDialog);
  second->SetBounds(0, 0, 300, 120);
  second->SetPosition(poMainFormCenter);
  second->Show();
  const TRect close = CaptionButtonRect(main->Handle(), HTCLOSE);
  std::printf("screen %d %d main %d %d dialog %d %d close %d %d\n", Screen->Width(), Screen->Height(),
              main->Left(), main->Top(), second->Left(), second->Top(),
              main->Left() + (close.left + close.right) / 2, main->Top() + (close.top + close.bottom) / 2);
  std::fflush(stdout);
  Application->Run();
  std::printf("the loop ended\n");
  return 0;
}
