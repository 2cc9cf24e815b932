#pragma once
#include <windows.h>

#include <utility>

namespace kelvaro {

// Owns one Win32 handle and releases it through `Traits`. Non-copyable.
template <typename Traits>
class UniqueHandle {
    using Handle = typename Traits::Handle;
    static Handle Invalid() { return Traits::Invalid(); }

public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, Invalid());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    Handle* put() {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return handle_ != Invalid(); }
    void reset(Handle handle = Invalid()) {
        if (handle_ != Invalid()) Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Invalid();
};

template <typename H, void (*CloseFn)(H), bool InvalidIsMinusOne>
struct HandleTraits {
    using Handle = H;
    static Handle Invalid() { return InvalidIsMinusOne ? reinterpret_cast<Handle>(-1) : Handle{}; }
    static void Close(Handle h) { CloseFn(h); }
};

inline void CloseFind(HANDLE h) {
    FindClose(h);
}
inline void CloseKernelHandle(HANDLE h) {
    CloseHandle(h);
}
inline void CloseRegKey(HKEY h) {
    RegCloseKey(h);
}
inline void DestroyWindowHandle(HWND h) {
    DestroyWindow(h);
}

using UniqueFindHandle = UniqueHandle<HandleTraits<HANDLE, CloseFind, true>>;
using UniqueFileHandle = UniqueHandle<HandleTraits<HANDLE, CloseKernelHandle, true>>;
// Handles that are NULL when invalid (processes, threads, events).
using UniqueKernelHandle = UniqueHandle<HandleTraits<HANDLE, CloseKernelHandle, false>>;
using UniqueRegKey = UniqueHandle<HandleTraits<HKEY, CloseRegKey, false>>;
using UniqueWindow = UniqueHandle<HandleTraits<HWND, DestroyWindowHandle, false>>;

inline void DestroyAccelerators(HACCEL h) {
    DestroyAcceleratorTable(h);
}
using UniqueAccelerators = UniqueHandle<HandleTraits<HACCEL, DestroyAccelerators, false>>;

}  // namespace kelvaro
