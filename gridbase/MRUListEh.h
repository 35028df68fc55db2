#pragma once
// The list of recently used values of an edit and its drop-down list box.

#include <memory>

#include "classlib/core/StringLists.h"
#include "classlib/ui/StdButtons.h"
#include "gridbase/PopupListboxEh.h"

namespace ordvane {

// Has the last word on whether an item of the recent values is offered for the typed text.
using TFilterMRUItemEventEh = TEvent<void(TObject* sender, const AnsiString& item, bool& accept)>;

class TMRUListEh : public TPersistent {
  ORDVANE_CLASS(TMRUListEh, TPersistent)

 public:
  TMRUListEh();
  ~TMRUListEh() override;

  bool Active() const { return fActive; }
  void SetActive(bool value) { fActive = value; }
  bool AutoAdd() const { return fAutoAdd; }
  void SetAutoAdd(bool value) { fAutoAdd = value; }
  bool CaseSensitive() const { return fCaseSensitive; }
  void SetCaseSensitive(bool value) { fCaseSensitive = value; }
  TStrings* Items() const { return fItems.get(); }
  void SetItems(const TStrings* value) { fItems->Assign(value); }
  int Limit() const { return fLimit; }
  void SetLimit(int value);
  int Rows() const { return fRows; }
  void SetRows(int value);

  // The trimmed text becomes the most recent value (the last item): an equal item moves
  // to the end, or the text is appended; the oldest items go beyond Limit.
  void Add(const AnsiString& text);
  // Fills the target with the items that begin with the text.
  void FilterItems(const AnsiString& text, TStrings* target) const;
  // Whether the item begins with the text, by the list's case rule.
  bool Offers(const AnsiString& item, const AnsiString& text) const;
  void Assign(const TPersistent* source) override;

  // Fired by the control that filters the items, after its own comparison.
  TFilterMRUItemEventEh OnFilterItem;

 private:
  bool SameValue(const AnsiString& a, const AnsiString& b) const;
  void CutToLimit();

  bool fActive = false;
  bool fAutoAdd = true;
  bool fCaseSensitive = false;
  std::unique_ptr<TStringList> fItems;
  int fLimit = 100;
  int fRows = 7;
};

// The drop-down of recently used values: a list box with its own vertical scroll bar, as
// wide as the system's, on the side away from the size grip.
class TMRUListboxEh : public TPopupListboxEh {
  ORDVANE_CLASS(TMRUListboxEh, TPopupListboxEh)

 public:
  explicit TMRUListboxEh(TComponent* owner);

  TScrollBar* ScrollBar() const { return fScrollBar; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Relayout() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;

 private:
  void ScrollBarScrolled(TObject* sender, TScrollCode code, int& position);
  // An item's rectangle less the bar's side.
  TRect ItemArea(const TRect& rect) const;

  TScrollBar* fScrollBar;
};

// The recent-values list box of an edit: hidden, flat, sorted, parented to the edit; a
// left-button release inside it calls `accepted`.
TMRUListboxEh* NewMRUListboxEh(TWinControl* edit, const TNotifyEvent& accepted);

}  // namespace ordvane
