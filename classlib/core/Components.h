#pragma once
// Components: objects with an owner, a name and free notification.
//
// Ownership: TComponent(owner) registers with its owner, and an owner deletes the
// components it owns in its destructor, newest first. Deleting a component removes it
// from its owner. A component that refers to another one it does not own calls
// FreeNotification(other); when either of the two dies, the survivor's
// Notification(dying, opRemove) runs, so no pointer is left dangling. When a component
// leaves its owner, the owner and everything it owns are told the same way.
//
// C++ destroys the derived part of an object first, so by the time ~TComponent frees the
// owned components and sends the notifications, only the TComponent part of the dying
// object is left: receivers may compare the pointer but not call into it. A class whose
// owned components need its own members while they die calls DestroyComponents() in its
// destructor; one that must be seen as destroying earlier calls Destroying() first.

#include <vector>

#include "classlib/core/Objects.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EComponentError, Exception);

enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  ORDVANE_CLASS(TComponent, TPersistent)

 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return fOwner; }
  TPersistent* GetOwner() const override { return fOwner; }

  int ComponentCount() const { return static_cast<int>(fComponents.size()); }
  // The owned component at index (creation order); EListError outside the list.
  TComponent* Components(int index) const;
  // This component's index in its owner's list, -1 without an owner.
  int ComponentIndex() const;
  // The owned component of that name (ASCII case-insensitive), or nullptr. An empty name
  // finds nothing.
  TComponent* FindComponent(const AnsiString& name) const;

  // Takes component over from its previous owner (if any) as the newest owned one.
  void InsertComponent(TComponent* component);
  // Releases an owned component: it has no owner afterwards, and its creator must delete it.
  // A component owned by someone else is left alone.
  void RemoveComponent(TComponent* component);
  // Deletes every owned component, newest first.
  void DestroyComponents();
  // Marks this component and everything it owns as csDestroying.
  void Destroying();

  const AnsiString& Name() const { return fName; }
  // A name is empty or an identifier (ASCII letters, digits, '_', not starting with a
  // digit), unique among the owner's components: otherwise EComponentError.
  virtual void SetName(const AnsiString& name);
  Integer Tag() const { return fTag; }
  void SetTag(Integer tag) { fTag = tag; }

  TComponentState ComponentState() const { return fState; }
  void SetDesigning(bool designing, bool setChildren = true);
  // Stored settings are applied between BeginLoading and EndLoading, as reading a form
  // did: the component is csLoading and csReading meanwhile, and EndLoading calls Loaded.
  void BeginLoading();
  void EndLoading();
  // Leaves loading without Loaded: the stored settings could not all be applied, so
  // nothing may act on them.
  void CancelLoading();

  // Asks to be told (Notification(component, opRemove)) when component dies, and tells
  // component when this one dies. Raises EAssertionFailed when either is being destroyed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

 protected:
  // component was inserted into (opInsert) or is leaving (opRemove) this component's
  // owner, or a component registered with FreeNotification is dying. Overrides must call
  // the base, which forgets the leaving component and passes the news on to every owned
  // component.
  virtual void Notification(TComponent* component, TOperation operation);
  // The end of loading: clears csLoading. Overrides call the base first.
  virtual void Loaded();

 private:
  void ValidateRename(const TComponent* component, const AnsiString& currentName,
                      const AnsiString& newName) const;
  // The list operations alone, without notification.
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  // The owner's list and each component's owner agree (checked in debug builds).
  bool OwnershipAgrees() const;

  TComponent* fOwner = nullptr;
  std::vector<TComponent*> fComponents;
  std::vector<TComponent*> fFreeNotifies;
  AnsiString fName;
  Integer fTag = 0;
  TComponentState fState;
};

}  // namespace ordvane
