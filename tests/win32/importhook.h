#pragma once
// Replaces one function this program imports with a test's own for the hook's
// lifetime, so a test can see what the program's state is at the moment of the
// call (the program calls the platform through its import table).
#include <cstring>
#include <vector>
#include <windows.h>

class ImportHook {
public:
    ImportHook(const char* dll, const char* function, const void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* imp =
                 reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
             imp->Name != 0; ++imp) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                    continue;
                slot_ = &slots->u1.Function;
                original_ = *slot_;
                Write(reinterpret_cast<ULONG_PTR>(replacement));
                return;
            }
        }
    }
    ~ImportHook() {
        if (slot_)
            Write(original_);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Active() const { return slot_ != nullptr; }
    template <class F> F Original() const { return reinterpret_cast<F>(original_); }

private:
    void Write(ULONG_PTR value) {
        DWORD old = 0;
        ::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = value;
        ::VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    decltype(IMAGE_THUNK_DATA::u1.Function)* slot_ = nullptr;
    ULONG_PTR original_ = 0;
};

// The process error mode at each call of a spied function, in call order.
inline std::vector<UINT> errorModesSeen;

// Records the error mode in force at each call of one kernel32 function,
// then calls it: ErrorModeSpy<decltype(::GetFileAttributesA)> spy("GetFileAttributesA").
template <class Fn> class ErrorModeSpy;
template <class R, class... A> class ErrorModeSpy<R(A...)> {
public:
    explicit ErrorModeSpy(const char* function)
        : hook_("kernel32.dll", function, reinterpret_cast<const void*>(&Spy)) {
        real_ = hook_.Original<R(WINAPI*)(A...)>();
        errorModesSeen.clear();
    }
    bool Active() const { return hook_.Active(); }

private:
    static R WINAPI Spy(A... args) {
        errorModesSeen.push_back(::GetErrorMode());
        return real_(args...);
    }
    static inline R(WINAPI* real_)(A...) = nullptr;
    ImportHook hook_;
};
