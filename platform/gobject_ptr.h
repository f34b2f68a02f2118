// GObjectPtr: one owned reference to a GObject, given back when the holder
// goes, so no early return forgets it. Made by AdoptGObject (a reference the
// caller already owns: what a "transfer full" call returns), RefGObject (a
// reference of its own to an object someone else holds) or RefSinkGObject
// (a new widget's floating reference, taken over). Move-only; null allowed
// everywhere. For the layers only: it brings in GLib's headers.
#pragma once

#include <glib-object.h>

#include <cstddef>
#include <utility>

namespace platform {

template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  GObjectPtr(std::nullptr_t) {}  // null converts, as to a pointer
  ~GObjectPtr() { reset(); }
  GObjectPtr(GObjectPtr&& other) noexcept : object_(other.release()) {}
  GObjectPtr& operator=(GObjectPtr&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  GObjectPtr(const GObjectPtr&) = delete;
  GObjectPtr& operator=(const GObjectPtr&) = delete;

  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Hands the reference to the caller, who then gives it back.
  [[nodiscard]] T* release() { return std::exchange(object_, nullptr); }
  // Gives back the reference held, if any, and takes over object's (one
  // the caller owned). The holder has the new object before the old
  // reference goes, so whatever that release runs finds it so.
  void reset(T* object = nullptr) {
    if (T* old = std::exchange(object_, object)) g_object_unref(old);
  }

 private:
  template <typename U>
  friend GObjectPtr<U> AdoptGObject(U* object);

  explicit GObjectPtr(T* object) : object_(object) {}

  T* object_ = nullptr;
};

template <typename T>
GObjectPtr<T> AdoptGObject(T* object) {
  return GObjectPtr<T>(object);
}

template <typename T>
GObjectPtr<T> RefGObject(T* object) {
  return AdoptGObject(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

template <typename T>
GObjectPtr<T> RefSinkGObject(T* object) {
  return AdoptGObject(object ? static_cast<T*>(g_object_ref_sink(object)) : nullptr);
}

}  // namespace platform
