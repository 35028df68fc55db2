#pragma once
// Parts of the grids and edits that their virtual factories make after construction.

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>

namespace ordvane {

// A part of a control that one of its virtual factories makes when the part is first used.
// The control's constructor only arms it, so that the factory called is the one of the
// class being built when the part is first needed: a descendant's, unless the descendant's
// own constructor already used the part. Before it is armed and after it is dropped the part
// compares equal to nullptr.
template <class T>
class TFactoryPartEh {
 public:
  void Arm(std::function<void()> make) { fMake = std::move(make); }
  // Called by the maker.
  void Set(std::unique_ptr<T> part) { fPart = std::move(part); }
  void reset() {
    fMake = {};
    fPart.reset();
  }
  T* get() const {
    if (!fPart && fMake) fMake();
    return fPart.get();
  }
  // The part when it has been made, without making it.
  T* IfMade() const { return fPart.get(); }
  T& operator*() const { return *get(); }
  T* operator->() const { return get(); }
  friend bool operator==(const TFactoryPartEh& part, std::nullptr_t) { return !part.fPart && !part.fMake; }
  explicit operator bool() const { return fPart || fMake; }

 private:
  std::function<void()> fMake;
  std::unique_ptr<T> fPart;
};

}  // namespace ordvane
