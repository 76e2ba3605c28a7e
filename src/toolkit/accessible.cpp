#include "toolkit/accessible.h"
#include "runtime/strutil.h"
#include "toolkit/system_dll.h"
#include "toolkit/window.h"
#include <new>
#include <string>

namespace tk {

namespace {

// oleacc is no KnownDLL: loaded from the system directory when first asked.
constexpr SystemFunction<decltype(::AccessibleObjectFromWindow)>
    kAccessibleObjectFromWindow("oleacc.dll", "AccessibleObjectFromWindow");
constexpr SystemFunction<decltype(::LresultFromObject)> kLresultFromObject("oleacc.dll",
                                                                           "LresultFromObject");
constexpr SystemFunction<decltype(::CreateStdAccessibleObject)>
    kCreateStdAccessibleObject("oleacc.dll", "CreateStdAccessibleObject");

BSTR ToBstr(const std::string& s) {
    const int n =
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    BSTR b = ::SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (b && n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), b, n);
    return b;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The reference count and the three interfaces every object here answers
// for; any other interface is the subclass's to give.
class AccessibleObject : public IAccessible {
public:
    virtual ~AccessibleObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return OtherInterface(iid, out);
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

protected:
    virtual HRESULT OtherInterface(REFIID, void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    LONG refs_ = 1;
};

// Only the properties of the control itself exist; it has no children.
class ControlAccessible final : public AccessibleObject {
public:
    ControlAccessible(HWND hwnd, LONG role) : hwnd_(hwnd), role_(role) {}

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
        *name = ToBstr(rt::StripAccel(WindowText(hwnd_)));
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
        // A modal box disables the window beneath it, and with it every control.
        if (!::IsWindowEnabled(hwnd_) || !::IsWindowEnabled(::GetAncestor(hwnd_, GA_ROOT)))
            bits |= STATE_SYSTEM_UNAVAILABLE;
        if (role_ == ROLE_SYSTEM_LINK)
            bits |= STATE_SYSTEM_LINKED;
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
        const char accel = rt::AccelChar(WindowText(hwnd_));
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
        const char* verb = DefaultAction();
        if (!verb)
            return S_FALSE;
        *action = ToBstr(verb);
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
        if (!DefaultAction())
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
    // The verb a screen reader offers; pushing a button and following a link
    // both arrive as BM_CLICK.
    const char* DefaultAction() const {
        if (role_ == ROLE_SYSTEM_PUSHBUTTON)
            return "Drücken";
        if (role_ == ROLE_SYSTEM_LINK)
            return "Ausführen";
        return nullptr;
    }

    HWND hwnd_;
    LONG role_;
};

// A standard object of the system's with one change: its name is the text of
// a label, or its role is another. Windows takes the name of an edit or combo
// box from a "Static" control just before it in z-order; the wizard's labels
// are of a class of their own and lie elsewhere in z-order, so the control
// names itself. A message box of the program's own class is a dialog to a
// screen reader as the system's boxes are, with the system's children.
class LabelledAccessible final : public AccessibleObject {
public:
    LabelledAccessible(IAccessible* inner, HWND label, LONG role = 0)
        : inner_(inner), label_(label), role_(role) {}
    ~LabelledAccessible() override { inner_->Release(); }
    LabelledAccessible(const LabelledAccessible&) = delete;
    LabelledAccessible& operator=(const LabelledAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || !label_ || !::IsWindow(label_))
            return inner_->get_accName(child, name);
        if (!name)
            return E_POINTER;
        *name = ToBstr(rt::StripAccel(WindowText(label_)));
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // Everything else is the standard object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return inner_->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return inner_->GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                            DISPID* d) override {
        return inner_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                     EXCEPINFO* e, UINT* a) override {
        return inner_->Invoke(d, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
        return inner_->get_accParent(p);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override {
        return inner_->get_accChildCount(n);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override {
        return inner_->get_accChild(c, d);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override {
        return inner_->get_accValue(c, v);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
        return inner_->get_accDescription(c, d);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override {
        if (!role_ || !IsSelf(c))
            return inner_->get_accRole(c, r);
        if (!r)
            return E_POINTER;
        ::VariantInit(r);
        r->vt = VT_I4;
        r->lVal = role_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override {
        return inner_->get_accState(c, s);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override {
        return inner_->get_accHelp(c, h);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override {
        return inner_->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
        return inner_->get_accKeyboardShortcut(c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return inner_->get_accFocus(f); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override {
        return inner_->get_accSelection(s);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
        return inner_->get_accDefaultAction(c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) override {
        return inner_->accSelect(f, c);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
        return inner_->accLocation(x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) override {
        return inner_->accNavigate(d, s, e);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* c) override {
        return inner_->accHitTest(x, y, c);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
        return inner_->accDoDefaultAction(c);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
        return inner_->put_accName(c, n);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
        return inner_->put_accValue(c, v);
    }

private:
    // Further interfaces of the standard object (IEnumVARIANT, ...) are its own.
    HRESULT OtherInterface(REFIID iid, void** out) override {
        return inner_->QueryInterface(iid, out);
    }

    IAccessible* inner_;
    HWND label_;
    LONG role_; // 0: the standard object's
};

// The standard object of hwnd's client area with a label's name or another
// role, as the answer to WM_GETOBJECT; 0 when it cannot be made.
LRESULT AnswerWithStandard(HWND hwnd, WPARAM wp, HWND label, LONG role) {
    // A window procedure must not raise: a missing function or no memory
    // leaves the window to the system's own object.
    const auto createStandard = kCreateStdAccessibleObject.Find();
    const auto fromObject = kLresultFromObject.Find();
    IAccessible* standard = nullptr;
    if (!createStandard || !fromObject ||
        FAILED(createStandard(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                              reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* acc = new (std::nothrow) LabelledAccessible(standard, label, role);
    if (!acc) {
        standard->Release();
        return 0;
    }
    const LRESULT result = fromObject(__uuidof(IAccessible), wp, acc);
    acc->Release();
    return result;
}

// The standard control's window procedure, kept while it answers WM_GETOBJECT itself.
constexpr const char* kLabelProp = "tk.Label";
constexpr const char* kProcProp = "tk.Proc";

LRESULT CALLBACK LabelledProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto proc = reinterpret_cast<WNDPROC>(::GetPropA(hwnd, kProcProp));
    if (!proc)
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == static_cast<LONG>(OBJID_CLIENT))
        if (const LRESULT answer =
                AnswerWithStandard(hwnd, wp, static_cast<HWND>(::GetPropA(hwnd, kLabelProp)), 0))
            return answer;
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
        ::RemovePropA(hwnd, kProcProp);
        ::RemovePropA(hwnd, kLabelProp);
    }
    return ::CallWindowProcA(proc, hwnd, msg, wp, lp);
}

} // namespace

IAccessible* NewAccessible(HWND hwnd, LONG role) {
    return new ControlAccessible(hwnd, role);
}

void NameAfterLabel(HWND control, HWND label) {
    if (!control || ::GetPropA(control, kProcProp))
        return;
    ::SetPropA(control, kLabelProp, label);
    ::SetPropA(control, kProcProp,
               reinterpret_cast<HANDLE>(::SetWindowLongPtrA(
                   control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LabelledProc))));
}

LRESULT AnswerGetObjectAsDialog(HWND hwnd, WPARAM wp, LPARAM lp) {
    if (static_cast<LONG>(lp) != static_cast<LONG>(OBJID_CLIENT))
        return 0;
    return AnswerWithStandard(hwnd, wp, nullptr, ROLE_SYSTEM_DIALOG);
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
