// Reference counting of engine objects: the base every engine object derives
// from, the smart pointer that holds them, and the macro that gives a class
// its one thread-safe count.
#pragma once

#include <atomic>
#include <cstddef>
#include <utility>

// Every engine object is reference-counted through these three operations.
// A class with several engine bases implements them once (IMPLEMENT_REFCOUNTING)
// so that all bases share one count.
class CefBaseRefCounted {
 public:
  virtual void AddRef() const = 0;
  virtual bool Release() const = 0;  // true when this call deleted the object
  virtual bool HasOneRef() const = 0;

  // Copying a counted object would copy its count.
  CefBaseRefCounted(const CefBaseRefCounted&) = delete;
  CefBaseRefCounted& operator=(const CefBaseRefCounted&) = delete;

 protected:
  CefBaseRefCounted() = default;
  virtual ~CefBaseRefCounted() = default;
};

// The count behind IMPLEMENT_REFCOUNTING.
class CefRefCount {
 public:
  void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
  bool Release() const { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }

 private:
  mutable std::atomic<int> count_{0};
};

// Gives ClassName the reference-counting operations of every engine base it
// derives from.
#define IMPLEMENT_REFCOUNTING(ClassName)                             \
 public:                                                             \
  void AddRef() const override { ref_count_.AddRef(); }              \
  bool Release() const override {                                    \
    if (ref_count_.Release()) {                                      \
      delete static_cast<const ClassName*>(this);                    \
      return true;                                                   \
    }                                                                \
    return false;                                                    \
  }                                                                  \
  bool HasOneRef() const override { return ref_count_.HasOneRef(); } \
                                                                     \
 private:                                                            \
  CefRefCount ref_count_

// A counted reference to an engine object; null by default.
template <class T>
class CefRefPtr {
 public:
  CefRefPtr() = default;
  CefRefPtr(std::nullptr_t) {}
  CefRefPtr(T* p) : ptr_(p) {
    if (ptr_) ptr_->AddRef();
  }
  CefRefPtr(const CefRefPtr& other) : CefRefPtr(other.ptr_) {}
  template <class U>
  CefRefPtr(const CefRefPtr<U>& other) : CefRefPtr(other.get()) {}
  CefRefPtr(CefRefPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ~CefRefPtr() {
    if (ptr_) ptr_->Release();
  }

  CefRefPtr& operator=(const CefRefPtr& other) {
    if (this != &other) *this = other.ptr_;
    return *this;
  }
  CefRefPtr& operator=(CefRefPtr&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(ptr_, std::exchange(other.ptr_, nullptr));
      if (old) old->Release();
    }
    return *this;
  }
  // Takes the new reference before dropping the old one, so assigning an
  // object to the pointer that already holds it is safe.
  CefRefPtr& operator=(T* p) {
    if (p) p->AddRef();
    T* old = std::exchange(ptr_, p);
    if (old) old->Release();
    return *this;
  }
  CefRefPtr& operator=(std::nullptr_t) { return *this = static_cast<T*>(nullptr); }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  operator T*() const { return ptr_; }

 private:
  T* ptr_ = nullptr;
};
