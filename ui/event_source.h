// CEventSource: an event of a control (its OnNotify) to which window classes
// subscribe member functions with operator+= and MakeDelegate. A delegate
// takes the notification record as void* and returns true to let the
// notification go on.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

class CDelegateBase {
 public:
  CDelegateBase(std::function<bool(void*)> fn, std::string identity)
      : fn_(std::move(fn)), identity_(std::move(identity)) {}

  bool operator()(void* param) const { return fn_ ? fn_(param) : true; }
  // Two delegates are equal when they call the same function on the same
  // object; operator-= removes by this.
  bool Equals(const CDelegateBase& other) const { return identity_ == other.identity_; }

 private:
  std::function<bool(void*)> fn_;
  std::string identity_;
};

template <class O, class T>
CDelegateBase MakeDelegate(O* object, bool (T::*fn)(void*)) {
  // The identity is the bytes of the pointer itself, not of the object.
  std::string identity(sizeof(O*) + sizeof(fn), '\0');
  std::memcpy(identity.data(), &object, sizeof(O*));
  std::memcpy(identity.data() + sizeof(O*), &fn, sizeof(fn));
  T* target = object;
  return CDelegateBase([target, fn](void* param) { return (target->*fn)(param); }, identity);
}

inline CDelegateBase MakeDelegate(bool (*fn)(void*)) {
  std::string identity(sizeof(fn), '\0');
  std::memcpy(identity.data(), &fn, sizeof(fn));
  return CDelegateBase(fn, identity);
}

class CEventSource {
 public:
  void operator+=(const CDelegateBase& delegate) { delegates_.push_back(delegate); }
  void operator+=(bool (*fn)(void*)) { *this += MakeDelegate(fn); }
  void operator-=(const CDelegateBase& delegate) {
    for (auto it = delegates_.begin(); it != delegates_.end(); ++it) {
      if (it->Equals(delegate)) {
        delegates_.erase(it);
        return;
      }
    }
  }
  bool IsEmpty() const { return delegates_.empty(); }

  // Calls the delegates in subscription order. The first that returns false
  // stops the rest, and the result is false. A delegate may change the
  // subscriptions or destroy the control: the list is copied first and the
  // event source is not touched after a call.
  bool operator()(void* param) const {
    std::vector<CDelegateBase> copy = delegates_;
    for (const auto& delegate : copy) {
      if (!delegate(param)) return false;
    }
    return true;
  }

 private:
  std::vector<CDelegateBase> delegates_;
};
