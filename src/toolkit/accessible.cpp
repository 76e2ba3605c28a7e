#include "toolkit/accessible.h"
#include "runtime/strutil.h"
#include "toolkit/sysdll.h"
#include <string>

namespace tk {

namespace {

// oleacc is no KnownDLL: loaded from the system directory when first asked.
constexpr SystemFunction<decltype(::AccessibleObjectFromWindow)> kAccessibleObjectFromWindow(
    "oleacc.dll", "AccessibleObjectFromWindow");
constexpr SystemFunction<decltype(::LresultFromObject)> kLresultFromObject("oleacc.dll",
                                                                            "LresultFromObject");

BSTR ToBstr(const std::string& s) {
    const int n =
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    BSTR b = ::SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (b && n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), b, n);
    return b;
}

std::string WindowCaption(HWND hwnd) {
    const int n = ::GetWindowTextLengthA(hwnd);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    s.resize(static_cast<std::size_t>(std::max(::GetWindowTextA(hwnd, s.data(), n + 1), 0)));
    return s;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// Only the properties of the control itself exist; it has no children.
class ControlAccessible final : public IAccessible {
public:
    ControlAccessible(HWND hwnd, LONG role) : hwnd_(hwnd), role_(role) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    // IDispatch: not offered; clients use the IAccessible methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n)
            *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        if (!::IsWindow(hwnd_))
            return CO_E_OBJNOTCONNECTED;
        // The client area's parent is the window object of the same window.
        const auto fromWindow = kAccessibleObjectFromWindow.Find();
        if (!fromWindow)
            return E_NOTIMPL;
        return fromWindow(hwnd_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                          reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (child)
            *child = nullptr;
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name)
            return E_POINTER;
        *name = nullptr;
        if (!IsSelf(child))
            return E_INVALIDARG;
        if (!::IsWindow(hwnd_))
            return CO_E_OBJNOTCONNECTED;
        *name = ToBstr(rt::StripAccel(WindowCaption(hwnd_)));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
        if (value)
            *value = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
        if (text)
            *text = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role)
            return E_POINTER;
        ::VariantInit(role);
        if (!IsSelf(child))
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = role_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state)
            return E_POINTER;
        ::VariantInit(state);
        if (!IsSelf(child))
            return E_INVALIDARG;
        if (!::IsWindow(hwnd_))
            return CO_E_OBJNOTCONNECTED;
        LONG bits = 0;
        if (!::IsWindowVisible(hwnd_))
            bits |= STATE_SYSTEM_INVISIBLE;
        if (!::IsWindowEnabled(hwnd_))
            bits |= STATE_SYSTEM_UNAVAILABLE;
        if (role_ == ROLE_SYSTEM_STATICTEXT)
            bits |= STATE_SYSTEM_READONLY;
        state->vt = VT_I4;
        state->lVal = bits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        if (help)
            *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file)
            *file = nullptr;
        if (topic)
            *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        if (!keys)
            return E_POINTER;
        *keys = nullptr;
        if (!IsSelf(child))
            return E_INVALIDARG;
        const char accel = rt::AccelChar(WindowCaption(hwnd_));
        if (!accel || role_ != ROLE_SYSTEM_PUSHBUTTON)
            return S_FALSE;
        *keys = ToBstr(std::string("Alt+") + accel);
        return *keys ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus)
            return E_POINTER;
        ::VariantInit(focus); // VT_EMPTY: the control never has the focus
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection)
            ::VariantInit(selection);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action)
            return E_POINTER;
        *action = nullptr;
        if (!IsSelf(child))
            return E_INVALIDARG;
        if (role_ != ROLE_SYSTEM_PUSHBUTTON)
            return S_FALSE;
        *action = ToBstr("Drücken");
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h,
                                          VARIANT child) override {
        if (!x || !y || !w || !h)
            return E_POINTER;
        if (!IsSelf(child))
            return E_INVALIDARG;
        RECT r{};
        if (!::GetWindowRect(hwnd_, &r))
            return CO_E_OBJNOTCONNECTED;
        *x = r.left;
        *y = r.top;
        *w = r.right - r.left;
        *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT* end) override {
        if (end)
            ::VariantInit(end);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        if (!child)
            return E_POINTER;
        ::VariantInit(child);
        RECT r{};
        if (!::GetWindowRect(hwnd_, &r))
            return CO_E_OBJNOTCONNECTED;
        if (!::PtInRect(&r, POINT{x, y}))
            return S_FALSE;
        child->vt = VT_I4;
        child->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child))
            return E_INVALIDARG;
        if (role_ != ROLE_SYSTEM_PUSHBUTTON)
            return DISP_E_MEMBERNOTFOUND;
        if (!::IsWindow(hwnd_))
            return CO_E_OBJNOTCONNECTED;
        // Posted: a screen reader's call must not wait for the handler.
        ::PostMessageA(hwnd_, BM_CLICK, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    LONG refs_ = 1;
    HWND hwnd_;
    LONG role_;
};

} // namespace

IAccessible* NewAccessible(HWND hwnd, LONG role) {
    return new ControlAccessible(hwnd, role);
}

LRESULT AnswerGetObject(HWND hwnd, LONG role, WPARAM wp, LPARAM lp) {
    if (static_cast<LONG>(lp) != static_cast<LONG>(OBJID_CLIENT))
        return 0;
    const auto fromObject = kLresultFromObject.Find();
    if (!fromObject)
        return 0; // the system's own object answers then
    IAccessible* acc = NewAccessible(hwnd, role);
    const LRESULT result = fromObject(__uuidof(IAccessible), wp, acc);
    acc->Release();
    return result;
}

} // namespace tk
