#pragma once
// Move-only owners for Win32 handles, and a guard for the COM apartment.
#include <windows.h>
#include <objbase.h>
#include <atomic>
#include <utility>

namespace tk {

// GDI objects and DCs the wrappers below hold now: a count that the tests
// read before and after creating windows (Wine's GetGuiResources counts nothing).
inline std::atomic<long>& LiveGdiObjects() {
    static std::atomic<long> count{0};
    return count;
}

template <class Traits> class UniqueHandle {
public:
    using T = typename Traits::Type;
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T h) noexcept : h_(h) { Count(h_, 1); }
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o)
            reset(std::exchange(o.h_, Traits::Invalid()));
        return *this;
    }
    T get() const noexcept { return h_; }
    T* put() noexcept {
        reset();
        return &h_;
    }
    T release() noexcept { return std::exchange(h_, Traits::Invalid()); }
    void reset(T h = Traits::Invalid()) noexcept {
        if (h_ != Traits::Invalid()) {
            Traits::Close(h_);
            Count(h_, -1);
        }
        h_ = h;
        Count(h_, 1);
    }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }

private:
    static void Count(T h, long delta) noexcept {
        if constexpr (Traits::kGdi)
            if (h != Traits::Invalid())
                LiveGdiObjects() += delta;
    }
    T h_ = Traits::Invalid();
};

struct FileHandleTraits {
    static constexpr bool kGdi = false;
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
// Threads, events and other handles whose failure value is null.
struct KernelHandleTraits {
    static constexpr bool kGdi = false;
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
    static constexpr bool kGdi = false;
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};
struct RegKeyTraits {
    static constexpr bool kGdi = false;
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
template <class G> struct GdiTraits {
    static constexpr bool kGdi = true;
    using Type = G;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {
    static constexpr bool kGdi = true;
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Font = UniqueHandle<GdiTraits<HFONT>>;
using Bitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using Brush = UniqueHandle<GdiTraits<HBRUSH>>;
using Pen = UniqueHandle<GdiTraits<HPEN>>;
using Icon = UniqueHandle<IconTraits>;

struct DCTraits {
    static constexpr bool kGdi = true;
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};
using MemoryDCHandle = UniqueHandle<DCTraits>;

// Selects a GDI object into a DC for the guard's lifetime.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~SelectGuard() { ::SelectObject(dc_, old_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The UI thread's single-threaded apartment; left again only if entered.
class ComApartment {
public:
    ComApartment() noexcept : ok_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (ok_)
            ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Entered() const noexcept { return ok_; }

private:
    bool ok_;
};

} // namespace tk
