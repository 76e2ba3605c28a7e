#pragma once
// A minimal owning COM interface pointer: released exactly once, on every path.
#include <unknwn.h>
#include <utility>

namespace shell {

template <class T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Address for an out parameter; drops what was held.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    void reset() noexcept {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

} // namespace shell
