#pragma once
// The event type of every component: holds a bound member function or any callable,
// can be tested for assignment, and compares two bound members by (object, method) so
// that callback lists can find and remove a handler.

#include <cstring>
#include <functional>
#include <memory>
#include <utility>

namespace ordvane {

template <class Signature>
class TEvent;

template <class R, class... Args>
class TEvent<R(Args...)> {
 public:
  TEvent() = default;
  TEvent(std::nullptr_t) {}

  // Any callable (a lambda, a free function). Such a handler has no object identity:
  // it compares equal only to itself (a copy of the same event).
  template <class F, class = std::enable_if_t<std::is_invocable_r_v<R, F&, Args...> &&
                                              !std::is_same_v<std::decay_t<F>, TEvent>>>
  TEvent(F&& f) : fFunction(std::forward<F>(f)), fIdentity(std::make_shared<char>()) {}

  // A member function bound to its object; two such events are equal when they bind the
  // same method of the same object.
  template <class C, class M>
  static TEvent Bind(C* object, M method) {
    TEvent e;
    e.fFunction = [object, method](Args... args) -> R {
      return (object->*method)(std::forward<Args>(args)...);
    };
    e.fObject = object;
    static_assert(sizeof(M) <= sizeof(e.fMethod), "member pointer too large");
    std::memcpy(e.fMethod, &method, sizeof(M));
    e.fMethodSize = sizeof(M);
    return e;
  }

  bool Assigned() const { return static_cast<bool>(fFunction); }
  explicit operator bool() const { return Assigned(); }
  void Clear() { *this = TEvent(); }

  // The object a bound member belongs to (nullptr for other handlers), as the original's
  // TMethod.Data: used to drop handlers of an object that dies.
  const void* Object() const { return fObject; }

  R operator()(Args... args) const { return fFunction(std::forward<Args>(args)...); }

  bool operator==(const TEvent& other) const {
    if (!Assigned() || !other.Assigned()) return Assigned() == other.Assigned();
    if (fObject != nullptr || other.fObject != nullptr)
      return fObject == other.fObject && fMethodSize == other.fMethodSize &&
             std::memcmp(fMethod, other.fMethod, fMethodSize) == 0;
    return fIdentity == other.fIdentity;
  }

 private:
  std::function<R(Args...)> fFunction;
  const void* fObject = nullptr;
  unsigned char fMethod[2 * sizeof(void*)] = {};
  std::size_t fMethodSize = 0;
  std::shared_ptr<char> fIdentity;
};

class TObject;
using TNotifyEvent = TEvent<void(TObject* sender)>;

}  // namespace ordvane
