#pragma once
// Event containers: components that hear the events of many Firebird datasets in one
// place. A container may have a master container, which hears everything its details
// hear, first. One container per thread may be the global one: it hears every dataset of
// that thread, attached or not.

#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/db/DataSet.h"
#include "datasets/FIBMetaCache.h"

namespace ordvane {

// The order is the numbering the events are stored and compared by (0 .. 19).
enum TKindDataSetEvent {
  deBeforeOpen,
  deAfterOpen,
  deBeforeClose,
  deAfterClose,
  deBeforeInsert,
  deAfterInsert,
  deBeforeEdit,
  deAfterEdit,
  deBeforePost,
  deAfterPost,
  deBeforeCancel,
  deAfterCancel,
  deBeforeDelete,
  deAfterDelete,
  deBeforeScroll,
  deAfterScroll,
  deOnNewRecord,
  deOnCalcFields,
  deBeforeRefresh,
  deAfterRefresh
};
enum TKindDataSetError { deOnEditError, deOnPostError, deOnDeleteError };

using TOnDataSetEvent = TEvent<void(TDataSet* dataSet, TKindDataSetEvent event)>;
using TOnDataSetError =
    TEvent<void(TDataSet* dataSet, TKindDataSetError event, EDatabaseError& e, TDataAction& action)>;
// A handler may give a new record's field its default itself and say so.
using TOnApplyDefaultValue = TEvent<void(TDataSet* dataSet, TField* field, bool& applied)>;
// Each field's column information, once the repository's settings were applied to it.
using TOnApplyFieldRepository = TEvent<void(TDataSet* dataSet, TField* field, const TpFIBFieldInfo& info)>;
// Sets compared when it ordered the two values; the result is then the comparison.
using TOnCompareFieldValues = TEvent<int(TField* field, const Variant& s1, const Variant& s2, bool& compared)>;

class TDataSetsContainer : public TComponent {
  ORDVANE_CLASS(TDataSetsContainer, TComponent)

 public:
  explicit TDataSetsContainer(TComponent* owner);
  // A global container leaves its thread without one: no event reaches it once freed.
  ~TDataSetsContainer() override;

  // An inactive container fires none of its own handlers but still relays to its masters.
  bool Active() const { return fActive; }
  void SetActive(bool value) { fActive = value; }
  TDataSetsContainer* MasterContainer() const { return fMasterContainer; }
  // "Circular link is not allowed." for this container or one whose master chain leads
  // back here; the attached datasets move from the old master chain to the new one.
  void SetMasterContainer(TDataSetsContainer* value);
  bool IsGlobalContainer() const { return fIsGlobalContainer; }
  // True makes this the calling thread's global container (the previous one loses its
  // flag); false on the global one leaves the thread without one. No effect at design time.
  void SetIsGlobalContainer(bool value);
  // The calling thread's global container, or nullptr.
  static TDataSetsContainer* GlobalContainer();

  // Here and in every master; the datasets are not owned.
  void AddDataSet(TDataSet* dataSet);
  void RemoveDataSet(TDataSet* dataSet);
  int DataSetCount() const { return static_cast<int>(fDataSets.size()); }
  TDataSet* DataSet(int index) const { return fDataSets.at(static_cast<std::size_t>(index)); }

  // The relays: the master chain first (the topmost master hears first), then this
  // container's handler when it is active.
  void NotifyDataSetEvent(TDataSet* dataSet, TKindDataSetEvent event);
  void DataSetError(TDataSet* dataSet, TKindDataSetError event, EDatabaseError& e, TDataAction& action);
  void ApplyDefaultValue(TDataSet* dataSet, TField* field, bool& applied);
  void ApplyFieldRepository(TDataSet* dataSet, TField* field, const TpFIBFieldInfo& info);
  // Asks this container's own handler only; false when it did not compare.
  bool CompareFieldValues(TField* field, const Variant& s1, const Variant& s2, int& result);

  TOnDataSetEvent OnDataSetEvent;
  TOnDataSetError OnDataSetError;
  TOnApplyDefaultValue OnApplyDefaultValue;
  TOnApplyFieldRepository OnApplyFieldRepository;
  TOnCompareFieldValues OnCompareFieldValues;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  template <class Fire>
  void Relay(const Fire& fire);
  bool InMasterChainOf(const TDataSetsContainer* container) const;

  bool fActive = true;
  bool fIsGlobalContainer = false;
  TDataSetsContainer* fMasterContainer = nullptr;
  std::vector<TDataSet*> fDataSets;
};

}  // namespace ordvane
