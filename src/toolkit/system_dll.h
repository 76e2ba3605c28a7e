#pragma once
// Functions of DLLs that are not KnownDLLs (mpr, oleacc), loaded at run time
// from the system directory only. Imported at load time they would be looked
// up in the folder of Setup.exe first, before WinMain could harden the search:
// a planted copy in a download folder would run as administrator.
#include <windows.h>
#include <string>

namespace tk {

// The module from the system directory, loaded once and kept for the life of
// the process; null when it cannot be loaded.
HMODULE SystemModule(const char* dll);

// The address of a function of a system DLL, or null.
void* FindSystemFunction(const char* dll, const char* name);

// The text of the error raised when a function is missing.
std::string MissingFunctionText(const char* dll, const char* name);

// One function, typed as its declaration: SystemFunction<decltype(::X)>.
// Find() gives null when it is missing (for COM methods, which must not
// raise); Get() and the call raise rt::Exception naming the function and DLL.
template <class Fn> class SystemFunction {
public:
    constexpr SystemFunction(const char* dll, const char* name) : dll_(dll), name_(name) {}

    Fn* Find() const { return reinterpret_cast<Fn*>(FindSystemFunction(dll_, name_)); }
    Fn* Get() const;
    template <class... Args> auto operator()(Args&&... args) const {
        return Get()(static_cast<Args&&>(args)...);
    }

private:
    const char* dll_;
    const char* name_;
};

[[noreturn]] void RaiseMissingFunction(const char* dll, const char* name);

template <class Fn> Fn* SystemFunction<Fn>::Get() const {
    Fn* fn = Find();
    if (!fn)
        RaiseMissingFunction(dll_, name_);
    return fn;
}

} // namespace tk
