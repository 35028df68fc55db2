// The filter row's editor and the tags of its drop-down list's command lines.

#include "grid/DBGridEhFilterEdit.h"

namespace ordvane {

namespace {

class TFilterCommandTagEh : public TObject {
 public:
  explicit TFilterCommandTagEh(TFilterListCommandEh command) : Command(command) {}
  const TFilterListCommandEh Command;
};

}  // namespace

TObject* FilterListCommandObjectEh(TFilterListCommandEh command) {
  static TFilterCommandTagEh tags[] = {
      TFilterCommandTagEh(fcValueEh),          TFilterCommandTagEh(fcNullEh),
      TFilterCommandTagEh(fcNotNullEh),        TFilterCommandTagEh(fcAllEh),
      TFilterCommandTagEh(fcClearFilterEh),    TFilterCommandTagEh(fcSeparatorEh),
      TFilterCommandTagEh(fcSortDescendingEh), TFilterCommandTagEh(fcSortAscendingEh),
  };
  return &tags[command];
}

TFilterListCommandEh FilterListCommandOfEh(const TObject* object) {
  const auto* tag = dynamic_cast<const TFilterCommandTagEh*>(object);
  return tag != nullptr ? tag->Command : fcValueEh;
}

TRect TInplaceFilterEditEh::GetEditRect() {
  TRect rect = TDBComboBoxEh::GetEditRect();
  ++rect.top;
  return rect;
}

}  // namespace ordvane
