// Reads the input as a stored form with every module's classes registered (databases,
// statements, datasets, data sources, import, edits, grids), under a host window that owns
// what a form's references may name: an open dataset "Data1" with its source "DS1", a
// popup menu "Menu1", an image list "Images1" and an action "Action1". The controls read
// are then shown on the host and painted, and the component is written back and read
// again. A damaged or hostile form may only raise an Exception, and leaves nothing behind.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "classlib/core/Filer.h"
#include "classlib/db/DBStreaming.h"
#include "classlib/db/DataSource.h"
#include "classlib/ui/ActnList.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/ImgList.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/UIStreaming.h"
#include "datasets/FIBDataSetStreaming.h"
#include "dbclient/FIBStreaming.h"
#include "grid/DBGridEhStreaming.h"
#include "gridbase/GridsEhStreaming.h"
#include "import/SMIStreaming.h"
#include "tests/support/MemDataSet.h"
#include "tests/support/UiDriver.h"

using namespace ordvane;

namespace {

constexpr int kRecords = 40;

template <class C>
C* Named(TComponent* owner, const char* name) {
  auto* component = new C(owner);
  component->SetName(name);
  return component;
}

struct FormHost {
  test::UiDriver ui;
  std::unique_ptr<TForm> window = std::make_unique<TForm>(nullptr);

  FormHost() {
    RegisterFIBStreaming();
    RegisterFIBDataSetStreaming();
    RegisterDBStreaming();
    RegisterUIStreaming();
    RegisterGridBaseStreaming();
    RegisterDBGridEhStreaming();
    RegisterSMIStreaming();
    window->SetName("Host");
    auto* data = Named<test::TMemDataSet>(window.get(), "Data1");
    data->FieldDefs().Add("ID", ftInteger);
    data->FieldDefs().Add("NAME", ftString, 20);
    data->FieldDefs().Add("DAY", ftDate);
    data->FieldDefs().Add("FLAG", ftBoolean);
    data->Open();
    for (int i = 1; i <= kRecords; ++i)
      data->AppendRecord({Variant(i), Variant("row"), Variant(45000 + i), Variant(i % 2 == 0)});
    data->First();
    Named<TDataSource>(window.get(), "DS1")->SetDataSet(data);
    Named<TPopupMenu>(window.get(), "Menu1");
    Named<TImageList>(window.get(), "Images1");
    Named<TAction>(window.get(), "Action1");
    window->SetBounds(0, 0, 640, 480);
    window->Show();
    ui.Process();
  }

  // The component's controls on the host window, painted.
  void Show(TComponent& component) {
    if (auto* control = dynamic_cast<TControl*>(&component)) control->SetParent(window.get());
    for (int i = 0; i < component.ComponentCount(); ++i)
      if (auto* control = dynamic_cast<TControl*>(component.Components(i))) control->SetParent(window.get());
    ui.Process();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Ends before the grids' shared style and the fonts, which it made after it began.
  static FormHost host;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    std::unique_ptr<TComponent> component = CreateComponentFromText(text, host.window.get());
    host.Show(*component);
    const AnsiString written = WriteComponentText(*component);
    component.reset();
    CreateComponentFromText(written, host.window.get());
  } catch (const Exception&) {
  }
  return 0;
}
