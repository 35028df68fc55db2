#pragma once
// Actions: a command with the caption, enabled state, hint, short cut, visibility and
// check mark that every control and menu item linked to it shows. An action without an
// OnExecute (OnUpdate) handler finds its target among the active form's controls. A link ties one client
// to one action; a client property follows the action's only while the two are equal,
// so a client that changed one of its properties itself keeps its own value. An action
// that dies leaves its links without an action (never dangling), and a link that dies
// leaves the action's list.

#include <functional>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/ui/Menus.h"

namespace ordvane {

class TBasicActionLink;

class TBasicAction : public TComponent {
  ORDVANE_CLASS(TBasicAction, TComponent)
  friend class TBasicActionLink;

 public:
  explicit TBasicAction(TComponent* owner);
  ~TBasicAction() override;

  // Fires OnExecute when assigned; otherwise the action looks for a target (RouteAction):
  // answers whether the handler or a target took it.
  virtual bool Execute();
  // Fires OnUpdate when assigned; otherwise asks the target the same way.
  virtual bool Update();

  // The target protocol: whether the action can act on `target`, acting on it, and
  // bringing the action's state (enabled, checked) in line with it. The base handles
  // no target.
  virtual bool HandlesTarget(TObject* target);
  virtual void ExecuteTarget(TObject* target);
  virtual void UpdateTarget(TObject* target);
  // The client that executes the action now (nullptr outside Execute, or once gone).
  TComponent* ActionComponent() const { return fActionComponent; }
  void SetActionComponent(TComponent* value);

  // Whether some control or menu item is linked to the action.
  bool HasClients() const { return !fLinks.empty(); }

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  const std::vector<TBasicActionLink*>& Links() const { return fLinks; }

 private:
  std::vector<TBasicActionLink*> fLinks;
  TComponent* fActionComponent = nullptr;
};

class TBasicActionLink {
 public:
  explicit TBasicActionLink(TObject* client) : fClient(client) {}
  virtual ~TBasicActionLink();
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TBasicAction* Action() const { return fAction; }
  // Leaves the old action's list and joins the new one's, then takes over the new
  // action's properties.
  void SetAction(TBasicAction* action);
  TObject* Client() const { return fClient; }
  // Executes the action on behalf of `component` (its ActionComponent meanwhile).
  bool Execute(TComponent* component);
  bool Update();

 protected:
  virtual void AssignAction() {}

 private:
  friend class TBasicAction;
  TObject* fClient;
  TBasicAction* fAction = nullptr;
};

// How a link reads and writes one property of its client; an empty getter means the
// client has no such property.
template <class T>
struct TLinkedProperty {
  std::function<T()> get;
  std::function<void(const T&)> set;
};

struct TActionClient {
  TLinkedProperty<AnsiString> caption;
  TLinkedProperty<bool> enabled;
  TLinkedProperty<AnsiString> hint;
  TLinkedProperty<TShortCut> shortCut;
  TLinkedProperty<bool> visible;
  TLinkedProperty<bool> checked;
};

class TCustomAction;

class TActionLink : public TBasicActionLink {
 public:
  TActionLink(TObject* client, TActionClient properties)
      : TBasicActionLink(client), fProperties(std::move(properties)) {}

  // Whether the client's property follows the action: it has the property, an action is
  // linked, and the client's value equals the action's.
  bool IsCaptionLinked() const;
  bool IsEnabledLinked() const;
  bool IsHintLinked() const;
  bool IsShortCutLinked() const;
  bool IsVisibleLinked() const;
  bool IsCheckedLinked() const;
  // The action's new values (called before the action takes them): each reaches the
  // client when the property is linked.
  void SetCaption(const AnsiString& value);
  void SetEnabled(bool value);
  void SetHint(const AnsiString& value);
  void SetShortCut(TShortCut value);
  void SetVisible(bool value);
  void SetChecked(bool value);

 protected:
  void AssignAction() override;

 private:
  const TCustomAction* CustomAction() const;
  template <class T, class Value>
  bool IsLinked(const TLinkedProperty<T>& property, const Value& actionValue) const;

  TActionClient fProperties;
};

class TCustomAction : public TBasicAction {
  ORDVANE_CLASS(TCustomAction, TBasicAction)

 public:
  explicit TCustomAction(TComponent* owner) : TBasicAction(owner) {}

  // An update that neither a handler nor a target took disables the action when
  // DisableIfNoHandler is set (the standard actions set it: without a target they have
  // nothing to act on).
  bool Update() override;
  bool DisableIfNoHandler() const { return fDisableIfNoHandler; }
  void SetDisableIfNoHandler(bool value) { fDisableIfNoHandler = value; }

  const AnsiString& Caption() const { return fCaption; }
  void SetCaption(const AnsiString& value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value);
  const AnsiString& Hint() const { return fHint; }
  void SetHint(const AnsiString& value);
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  bool Checked() const { return fChecked; }
  void SetChecked(bool value);

 private:
  // Tells every link of a property's new value before the action keeps it.
  void ForEachLink(const std::function<void(TActionLink&)>& tell) const;

  AnsiString fCaption;
  bool fEnabled = true;
  AnsiString fHint;
  TShortCut fShortCut = scNone;
  bool fVisible = true;
  bool fChecked = false;
  bool fDisableIfNoHandler = false;
};

class TAction : public TCustomAction {
  ORDVANE_CLASS(TAction, TCustomAction)

 public:
  explicit TAction(TComponent* owner) : TCustomAction(owner) {}
};

// One member of an action family whose base finds the target: the member says only what it
// does to the target (Act) and when it can (CanAct).
#define ORDVANE_TARGET_ACTION(Name, Base, Target) \
  class Name : public Base {                      \
    ORDVANE_CLASS(Name, Base)                     \
                                                  \
   public:                                        \
    using Base::Base;                             \
                                                  \
   protected:                                     \
    void Act(Target& target) override;            \
    bool CanAct(Target& target) override;         \
  };

// Offers the action to the active form (Screen's), which asks its focused control and
// that control's parents first, then itself and its visible controls (TCustomForm's
// ExecuteAction / UpdateAction). Answers whether a target took it.
bool RouteAction(TBasicAction& action, bool execute);

// Updates every action that some client shows; the message loop runs it when idle.
void UpdateActions();

}  // namespace ordvane
