#pragma once
#include <windows.h>
#include <objbase.h>

namespace kelvaro {

// Holds one COM interface pointer.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (ptr_) ptr_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return ptr_; }
    T* get() const { return ptr_; }
    void** put() { return reinterpret_cast<void**>(&ptr_); }
    // For the calls that hand back a typed pointer.
    T** out() { return &ptr_; }

private:
    T* ptr_ = nullptr;
};

// COM for the duration of one call, when the thread has not started it yet
// (a thread that has keeps its own apartment).
class ComScope {
public:
    explicit ComScope(DWORD apartment = COINIT_APARTMENTTHREADED)
        : initialised_(SUCCEEDED(CoInitializeEx(nullptr, apartment))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

}  // namespace kelvaro
