// wdrive: drives a running GUI program from outside, as a user would, for the
// end-to-end tests under Wine. `wdrive --serve` reads one JSON request per line
// on stdin and answers each with one JSON line on stdout:
//   {"cmd":"windows"}                          top-level windows
//   {"cmd":"find","class":..,"text":..,"pid":..,"timeout_ms":..}
//   {"cmd":"tree","hwnd":..}                   the window and all its descendants
//   {"cmd":"click","hwnd":..[,"x":..,"y":..]}  a real mouse click (SendInput)
//   {"cmd":"key","keys":"alt+z"}  {"cmd":"type","text":"Müller"}
//   {"cmd":"fit","hwnd":..}  labels, check boxes and buttons whose text does not
//                            fit their client area in their own font, or runs
//                            under a sibling placed above it
//   {"cmd":"resize","hwnd":..,"w":..,"h":..[,"x":..,"y":..]}
//   {"cmd":"dacl","path":..}  a file's or folder's access list as SDDL text
// and more below (see Dispatch). Texts are read and written with the wide
// functions, so the answer shows exactly what the window shows; every answer
// carries "ok", failures an "error" text.
#include "fit.h"
#include "json.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

using wd::Obj;
using wd::Request;

const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
std::u16string U(const wchar_t* s, size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}
std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

struct Failure {
    std::string what;
};
[[noreturn]] void Fail(const std::string& what) {
    throw Failure{what};
}

long long Id(HWND h) {
    return static_cast<long long>(reinterpret_cast<intptr_t>(h));
}
HWND Hwnd(const Request& r, const char* key = "hwnd") {
    HWND h = reinterpret_cast<HWND>(static_cast<intptr_t>(r.Int(key, 0)));
    if (!IsWindow(h))
        Fail("no such window: " + std::to_string(r.Int(key, 0)));
    return h;
}

const UINT kMsgTimeout = 2000;

std::u16string ClassOf(HWND h) {
    wchar_t buf[256];
    int n = GetClassNameW(h, buf, 256);
    return U(buf, n > 0 ? n : 0);
}

bool IsClass(HWND h, const wchar_t* cls) {
    return _wcsicmp(W(ClassOf(h)), cls) == 0;
}

// The text as the window itself reports it (WM_GETTEXT also works across
// processes and reflects what was typed into an edit field); a window that
// does not answer in time falls back to the text the system keeps for it.
std::u16string TextOf(HWND h) {
    DWORD_PTR len = 0;
    if (SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMsgTimeout, &len)) {
        std::vector<wchar_t> buf(len + 2);
        DWORD_PTR got = 0;
        if (SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                                SMTO_ABORTIFHUNG, kMsgTimeout, &got))
            return U(buf.data(), wcsnlen(buf.data(), buf.size()));
    }
    wchar_t buf[1024];
    int n = InternalGetWindowText(h, buf, 1024);
    return U(buf, n > 0 ? n : 0);
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) on "[" + std::string&&.
std::string NumbersJson(std::initializer_list<long> numbers) {
    std::string out = "[";
    for (long n : numbers) {
        if (out.size() > 1)
            out += ',';
        out += std::to_string(n);
    }
    return out += ']';
}

std::string RectJson(const RECT& r) {
    return NumbersJson({r.left, r.top, r.right, r.bottom});
}

Obj Info(HWND h) {
    Obj o;
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(h, &pid);
    RECT wr{}, cr{};
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    LONG style = GetWindowLongW(h, GWL_STYLE);
    o.Add("hwnd", Id(h))
        .Add("parent", Id(GetAncestor(h, GA_PARENT) == GetDesktopWindow() ? nullptr : GetParent(h)))
        .Add("owner", Id(GetWindow(h, GW_OWNER)))
        .Add("pid", static_cast<long long>(pid))
        .Add("tid", static_cast<long long>(tid))
        .Add("class", ClassOf(h))
        .Add("text", TextOf(h))
        .Add("id", static_cast<long long>(GetDlgCtrlID(h)))
        .Add("visible", IsWindowVisible(h) != FALSE)
        .Add("wsvisible", (style & WS_VISIBLE) != 0)
        .Add("enabled", IsWindowEnabled(h) != FALSE)
        .Add("style", static_cast<long long>(static_cast<DWORD>(style)))
        .Add("exstyle", static_cast<long long>(static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE))))
        .AddRaw("rect", RectJson(wr))
        .AddRaw("client",
                RectJson(RECT{origin.x, origin.y, origin.x + cr.right, origin.y + cr.bottom}));
    return o;
}

std::string InfoOrNull(HWND h) {
    return h ? Info(h).Str() : "null";
}

// --- finding windows -------------------------------------------------------

struct Filter {
    bool hasClass = false, hasText = false, hasPid = false, visibleOnly = true;
    std::u16string cls, text;
    DWORD pid = 0;
    bool Match(HWND h) const {
        if (visibleOnly && !IsWindowVisible(h))
            return false;
        if (hasPid) {
            DWORD p = 0;
            GetWindowThreadProcessId(h, &p);
            if (p != pid)
                return false;
        }
        if (hasClass && ClassOf(h) != cls)
            return false;
        if (hasText && TextOf(h) != text)
            return false;
        return true;
    }
};

Filter FilterOf(const Request& r) {
    Filter f;
    f.hasClass = r.Has("class");
    f.cls = r.Str("class");
    f.hasText = r.Has("text");
    f.text = r.Str("text");
    f.hasPid = r.Has("pid");
    f.pid = static_cast<DWORD>(r.Int("pid"));
    f.visibleOnly = r.Bool("visible", true);
    return f;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> out;
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

// Depth-first in z-order, which for our forms is the order of creation.
void Descendants(HWND parent, int depth, std::vector<std::pair<HWND, int>>& out) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        out.emplace_back(c, depth);
        Descendants(c, depth + 1, out);
    }
}

std::string CmdWindows(const Request& r) {
    Filter f = FilterOf(r);
    f.visibleOnly = r.Bool("visible", false);
    std::string items;
    for (HWND h : TopLevel()) {
        if (!f.Match(h))
            continue;
        if (!items.empty())
            items += ',';
        items += Info(h).Str();
    }
    return Obj().Add("ok", true).AddRaw("windows", wd::Array(items)).Str();
}

std::string CmdFind(const Request& r) {
    Filter f = FilterOf(r);
    DWORD timeout = static_cast<DWORD>(r.Int("timeout_ms", 0));
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND h : TopLevel())
            if (f.Match(h))
                return Info(h).Add("ok", true).Str();
        if (GetTickCount() - start >= timeout)
            Fail("timeout: no matching window");
        Sleep(30);
    }
}

// Waits until the window is destroyed or hidden.
std::string CmdGone(const Request& r) {
    HWND h = reinterpret_cast<HWND>(static_cast<intptr_t>(r.Int("hwnd")));
    DWORD timeout = static_cast<DWORD>(r.Int("timeout_ms", 0));
    DWORD start = GetTickCount();
    while (IsWindow(h) && IsWindowVisible(h)) {
        if (GetTickCount() - start >= timeout)
            Fail("timeout: window still shown");
        Sleep(30);
    }
    return Obj().Add("ok", true).Add("exists", IsWindow(h) != FALSE).Str();
}

std::string CmdTree(const Request& r) {
    HWND h = Hwnd(r);
    std::vector<std::pair<HWND, int>> all;
    Descendants(h, 1, all);
    std::string items;
    for (auto& [c, depth] : all) {
        if (!items.empty())
            items += ',';
        items += Info(c).Add("depth", depth).Str();
    }
    return Obj()
        .Add("ok", true)
        .AddRaw("window", Info(h).Str())
        .AddRaw("children", wd::Array(items))
        .Str();
}

std::string CmdInfo(const Request& r) {
    HWND h = reinterpret_cast<HWND>(static_cast<intptr_t>(r.Int("hwnd")));
    if (!IsWindow(h))
        return Obj().Add("ok", true).Add("exists", false).Str();
    return Info(h).Add("ok", true).Add("exists", true).Str();
}

// Focus, active and capture window of the thread that owns hwnd (or of the
// foreground thread), and the foreground window.
std::string CmdFocus(const Request& r) {
    DWORD tid = 0;
    if (r.Has("hwnd"))
        tid = GetWindowThreadProcessId(Hwnd(r), nullptr);
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    if (!GetGUIThreadInfo(tid, &gi))
        Fail("GetGUIThreadInfo failed");
    return Obj()
        .Add("ok", true)
        .AddRaw("foreground", InfoOrNull(GetForegroundWindow()))
        .AddRaw("active", InfoOrNull(gi.hwndActive))
        .AddRaw("focus", InfoOrNull(gi.hwndFocus))
        .AddRaw("capture", InfoOrNull(gi.hwndCapture))
        .Add("menumode", (gi.flags & GUI_INMENUMODE) != 0)
        .Str();
}

// --- standard controls ------------------------------------------------------

std::u16string ItemText(HWND h, bool combo, int i) {
    UINT lenMsg = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    UINT textMsg = combo ? CB_GETLBTEXT : LB_GETTEXT;
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, lenMsg, i, 0, SMTO_ABORTIFHUNG, kMsgTimeout, &len))
        Fail("list does not answer");
    if (static_cast<LRESULT>(len) < 0)
        return u"";
    std::vector<wchar_t> buf(len + 2);
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, textMsg, i, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        kMsgTimeout, &got);
    return U(buf.data(), wcsnlen(buf.data(), buf.size()));
}

LRESULT Ask(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR res = 0;
    if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, kMsgTimeout, &res))
        Fail("window does not answer");
    return static_cast<LRESULT>(res);
}

// Items of a list box or combo box. An owner-drawn list without strings
// keeps no texts; then only count and selection are reported.
std::string CmdItems(const Request& r) {
    HWND h = Hwnd(r);
    bool combo = IsClass(h, L"ComboBox");
    if (!combo && !IsClass(h, L"ListBox") && !IsClass(h, L"ComboLBox"))
        Fail("not a list box or combo box");
    LONG style = GetWindowLongW(h, GWL_STYLE);
    bool ownerDrawn = combo ? (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0
                            : (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
    bool hasStrings = !ownerDrawn || (style & (combo ? CBS_HASSTRINGS : LBS_HASSTRINGS)) != 0;
    int count = static_cast<int>(Ask(h, combo ? CB_GETCOUNT : LB_GETCOUNT));
    std::string items;
    for (int i = 0; hasStrings && i < count; ++i) {
        if (!items.empty())
            items += ',';
        items += wd::Quote(ItemText(h, combo, i));
    }
    Obj o;
    o.Add("ok", true)
        .Add("count", count)
        .Add("hasstrings", hasStrings)
        .Add("selected", static_cast<long long>(Ask(h, combo ? CB_GETCURSEL : LB_GETCURSEL)));
    if (hasStrings)
        o.AddRaw("items", wd::Array(items));
    else
        o.AddNull("items");
    if (combo)
        o.Add("dropped", Ask(h, CB_GETDROPPEDSTATE) != 0);
    else
        o.Add("top", static_cast<long long>(Ask(h, LB_GETTOPINDEX)));
    return o.Str();
}

std::string CmdCheck(const Request& r) {
    HWND h = Hwnd(r);
    return Obj().Add("ok", true).Add("state", static_cast<long long>(Ask(h, BM_GETCHECK))).Str();
}

std::string CmdText(const Request& r) {
    HWND h = Hwnd(r);
    Obj o;
    o.Add("ok", true).Add("text", TextOf(h));
    if (IsClass(h, L"Edit")) {
        DWORD from = 0, to = 0;
        Ask(h, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        o.Add("selstart", static_cast<long long>(from)).Add("selend", static_cast<long long>(to));
    }
    return o.Str();
}

// Not a user action: for preparing a field where typing is not under test.
std::string CmdSetText(const Request& r) {
    HWND h = Hwnd(r);
    std::u16string text = r.Str("text");
    Ask(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(W(text)));
    return Obj().Add("ok", true).Str();
}

// Generic message, for what no other command covers (numbers only).
std::string CmdSend(const Request& r) {
    HWND h = Hwnd(r);
    UINT msg = static_cast<UINT>(r.Int("msg"));
    WPARAM wp = static_cast<WPARAM>(r.Int("wparam"));
    LPARAM lp = static_cast<LPARAM>(r.Int("lparam"));
    if (r.Bool("post")) {
        if (!PostMessageW(h, msg, wp, lp))
            Fail("PostMessage failed");
        return Obj().Add("ok", true).Str();
    }
    return Obj().Add("ok", true).Add("result", static_cast<long long>(Ask(h, msg, wp, lp))).Str();
}

// --- input ------------------------------------------------------------------

std::string CmdActivate(const Request& r) {
    HWND h = Hwnd(r);
    if (IsIconic(h))
        ShowWindow(h, SW_RESTORE);
    SetForegroundWindow(h);
    DWORD start = GetTickCount();
    while (GetForegroundWindow() != h) {
        if (GetTickCount() - start >= static_cast<DWORD>(r.Int("timeout_ms", 3000)))
            Fail("window did not become the foreground window");
        Sleep(20);
        SetForegroundWindow(h);
    }
    return Obj().Add("ok", true).Str();
}

void Send(std::vector<INPUT>& in) {
    if (in.empty())
        return;
    UINT sent = SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    if (sent != in.size())
        Fail("SendInput failed");
}

INPUT MouseInput(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT i{};
    i.type = INPUT_MOUSE;
    i.mi.dx = x;
    i.mi.dy = y;
    i.mi.dwFlags = flags;
    return i;
}

void MoveTo(POINT p) {
    SetCursorPos(p.x, p.y);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> in{MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                                     MulDiv(p.x, 65535, w > 1 ? w - 1 : 1),
                                     MulDiv(p.y, 65535, h > 1 ? h - 1 : 1))};
    Send(in);
}

// Click at the window's centre, or at (x, y) in its client coordinates.
std::string CmdClick(const Request& r) {
    HWND h = Hwnd(r);
    POINT p;
    if (r.Has("x")) {
        p = POINT{static_cast<LONG>(r.Int("x")), static_cast<LONG>(r.Int("y"))};
        ClientToScreen(h, &p);
    } else {
        RECT rc;
        GetWindowRect(h, &rc);
        p = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    std::string button = r.Ascii("button", "left");
    DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
    if (button == "right")
        down = MOUSEEVENTF_RIGHTDOWN, up = MOUSEEVENTF_RIGHTUP;
    else if (button != "left")
        Fail("button must be left or right");
    MoveTo(p);
    std::vector<INPUT> in;
    for (int k = 0; k < (r.Bool("double") ? 2 : 1); ++k) {
        in.push_back(MouseInput(down));
        in.push_back(MouseInput(up));
    }
    Send(in);
    return Obj()
        .Add("ok", true)
        .Add("x", static_cast<long long>(p.x))
        .Add("y", static_cast<long long>(p.y))
        .Str();
}

std::string CmdMove(const Request& r) {
    MoveTo(POINT{static_cast<LONG>(r.Int("x")), static_cast<LONG>(r.Int("y"))});
    return Obj().Add("ok", true).Str();
}

INPUT KeyInput(WORD vk, bool up, WORD scan = 0, DWORD flags = 0) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.wScan = scan ? scan : static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    i.ki.dwFlags = flags | (up ? KEYEVENTF_KEYUP : 0);
    switch (vk) { // keys of the extended block
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
        i.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    return i;
}

WORD VkOf(const std::string& name) {
    struct Named {
        const char* name;
        WORD vk;
    };
    static const Named names[] = {
        {"enter", VK_RETURN},  {"return", VK_RETURN}, {"esc", VK_ESCAPE},     {"escape", VK_ESCAPE},
        {"tab", VK_TAB},       {"space", VK_SPACE},   {"backspace", VK_BACK}, {"delete", VK_DELETE},
        {"insert", VK_INSERT}, {"home", VK_HOME},     {"end", VK_END},        {"pageup", VK_PRIOR},
        {"pagedown", VK_NEXT}, {"left", VK_LEFT},     {"right", VK_RIGHT},    {"up", VK_UP},
        {"down", VK_DOWN},     {"alt", VK_MENU},      {"ctrl", VK_CONTROL},   {"shift", VK_SHIFT},
        {"f1", VK_F1},         {"f2", VK_F2},         {"f3", VK_F3},          {"f4", VK_F4},
        {"f5", VK_F5},         {"f6", VK_F6},         {"f7", VK_F7},          {"f8", VK_F8},
        {"f9", VK_F9},         {"f10", VK_F10},       {"f11", VK_F11},        {"f12", VK_F12},
    };
    for (const Named& n : names)
        if (_stricmp(n.name, name.c_str()) == 0)
            return n.vk;
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z')
            return static_cast<WORD>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return static_cast<WORD>(c);
        SHORT v = VkKeyScanA(c);
        if (v != -1 && (v >> 8) == 0)
            return static_cast<WORD>(v & 0xff);
    }
    Fail("unknown key: " + name);
}

// "alt+z", "shift+tab", "enter": modifiers are held while the last key is
// pressed and released; "count" repeats the whole chord.
std::string CmdKey(const Request& r) {
    std::string keys = r.Ascii("keys");
    std::vector<WORD> chord;
    size_t start = 0;
    while (start <= keys.size()) {
        size_t plus = keys.find('+', start == keys.size() ? start : start + 1);
        if (plus == std::string::npos)
            plus = keys.size();
        std::string part = keys.substr(start, plus - start);
        if (part.empty())
            Fail("empty key name in '" + keys + "'");
        chord.push_back(VkOf(part));
        start = plus + 1;
    }
    std::vector<INPUT> in;
    for (long long k = 0; k < r.Int("count", 1); ++k) {
        for (WORD vk : chord)
            in.push_back(KeyInput(vk, false));
        for (auto it = chord.rbegin(); it != chord.rend(); ++it)
            in.push_back(KeyInput(*it, true));
    }
    Send(in);
    return Obj().Add("ok", true).Str();
}

// Types text as characters; each arrives as WM_CHAR, so umlauts need no
// keyboard layout. A CR in the text is sent as the Enter key.
std::string CmdType(const Request& r) {
    std::u16string text = r.Str("text");
    std::vector<INPUT> in;
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n') {
            in.push_back(KeyInput(VK_RETURN, false));
            in.push_back(KeyInput(VK_RETURN, true));
            continue;
        }
        in.push_back(KeyInput(0, false, c, KEYEVENTF_UNICODE));
        in.push_back(KeyInput(0, true, c, KEYEVENTF_UNICODE));
    }
    Send(in);
    return Obj().Add("ok", true).Str();
}

std::string CmdClose(const Request& r) {
    HWND h = Hwnd(r);
    if (!PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0))
        Fail("PostMessage failed");
    return Obj().Add("ok", true).Str();
}

// A real click on the title bar's close box: the point is found by asking
// the window's own hit test along its caption row.
std::string CmdCloseBox(const Request& r) {
    HWND h = Hwnd(r);
    RECT rc;
    GetWindowRect(h, &rc);
    int y = rc.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    auto hit = [&](int x) {
        DWORD_PTR res = 0;
        if (!SendMessageTimeoutW(h, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                                 kMsgTimeout, &res))
            Fail("window does not answer");
        return res;
    };
    int right = rc.right - 1;
    while (right > rc.right - 80 && right > rc.left && hit(right) != HTCLOSE)
        --right;
    if (hit(right) != HTCLOSE)
        Fail("no close box found in the title bar");
    int left = right;
    while (left > rc.left && hit(left - 1) == HTCLOSE)
        --left;
    POINT p{(left + right) / 2, y};
    MoveTo(p);
    std::vector<INPUT> in{MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)};
    Send(in);
    return Obj()
        .Add("ok", true)
        .Add("x", static_cast<long long>(p.x))
        .Add("y", static_cast<long long>(p.y))
        .Str();
}

// --- screenshot -------------------------------------------------------------

// Copies a region of the screen (a window's outer rectangle, or the whole
// screen for hwnd 0) into a 24-bit BMP file.
std::string CmdDacl(const Request& r) {
    std::u16string path = r.Str("path");
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(path.c_str()), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                              &sd) != ERROR_SUCCESS)
        Fail("GetNamedSecurityInfo failed");
    wchar_t* text = nullptr;
    BOOL converted = ConvertSecurityDescriptorToStringSecurityDescriptorW(
        sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
    LocalFree(sd);
    if (!converted)
        Fail("ConvertSecurityDescriptorToStringSecurityDescriptor failed");
    std::u16string sddl(reinterpret_cast<const char16_t*>(text));
    LocalFree(text);
    return Obj().Add("ok", true).Add("sddl", sddl).Str();
}

std::string CmdScreenshot(const Request& r) {
    RECT rc{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (r.Int("hwnd", 0) != 0)
        GetWindowRect(Hwnd(r), &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0)
        Fail("empty region");
    std::u16string path = r.Str("path");
    if (path.empty())
        Fail("path missing");

    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BOOL copied = BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h; // bottom-up, as BMP files store it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    int lines = copied ? GetDIBits(mem, bmp, 0, h, pixels.data(), &bi, DIB_RGB_COLORS) : 0;
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (lines != h)
        Fail("could not read the screen");

    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4d42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    bi.bmiHeader.biSizeImage = static_cast<DWORD>(pixels.size());
    HANDLE f = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        Fail("cannot create the image file");
    DWORD n1 = 0, n2 = 0, n3 = 0;
    bool ok = WriteFile(f, &fh, sizeof fh, &n1, nullptr) &&
              WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n2, nullptr) &&
              WriteFile(f, pixels.data(), static_cast<DWORD>(pixels.size()), &n3, nullptr);
    CloseHandle(f);
    if (!ok || n3 != pixels.size())
        Fail("cannot write the image file");
    return Obj().Add("ok", true).Add("width", w).Add("height", h).Str();
}

std::string CmdCursor(const Request&) {
    POINT p{};
    GetCursorPos(&p);
    return Obj()
        .Add("ok", true)
        .Add("x", static_cast<long long>(p.x))
        .Add("y", static_cast<long long>(p.y))
        .Str();
}

// Changes a window's size (a test shrinks a label to see a cut text reported).
std::string CmdResize(const Request& r) {
    HWND h = Hwnd(r);
    // x and y, when given, move the control too (screen coordinates).
    POINT at{static_cast<LONG>(r.Int("x", 0)), static_cast<LONG>(r.Int("y", 0))};
    const bool move = r.Has("x") && r.Has("y");
    if (move)
        ScreenToClient(GetParent(h), &at);
    if (!SetWindowPos(h, nullptr, at.x, at.y, static_cast<int>(r.Int("w")),
                      static_cast<int>(r.Int("h")),
                      (move ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE))
        Fail("SetWindowPos failed: " + std::to_string(GetLastError()));
    return Obj().Add("ok", true).Str();
}

// Text extents can only be measured inside the program that owns the fonts:
// the hook in wdrive_fit.dll (beside wdrive.exe) does it in the window's
// thread and hands the extents back through a named shared block.
std::string CmdFit(const Request& r) {
    HWND h = Hwnd(r);
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dll(self, n);
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"wdrive_fit.dll";
    HMODULE mod = LoadLibraryW(dll.c_str());
    auto hook = mod ? reinterpret_cast<HOOKPROC>(
                          reinterpret_cast<void*>(GetProcAddress(mod, "FitHook")))
                    : nullptr;
    if (!hook)
        Fail("cannot load FitHook from wdrive_fit.dll beside wdrive.exe");
    const std::wstring name = wd::kFitBlockPrefix + std::to_wstring(GetCurrentProcessId());
    HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(wd::FitBlock), name.c_str());
    auto* block = map ? static_cast<wd::FitBlock*>(
                            MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(wd::FitBlock)))
                      : nullptr;
    if (!block) {
        if (map)
            CloseHandle(map);
        Fail("cannot create the shared block for the measurements");
    }
    block->done = 0;
    block->count = block->unmeasured = 0;
    HHOOK hk = SetWindowsHookExW(WH_CALLWNDPROC, hook, mod, GetWindowThreadProcessId(h, nullptr));
    DWORD_PTR ignored = 0;
    if (hk) {
        SendMessageTimeoutW(h, RegisterWindowMessageW(wd::kFitMessage), GetCurrentProcessId(), 0,
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        UnhookWindowsHookEx(hk);
    }
    const wd::FitBlock result = *block;
    UnmapViewOfFile(block);
    CloseHandle(map);
    if (!hk)
        Fail("SetWindowsHookEx failed: " + std::to_string(GetLastError()));
    if (!result.done)
        Fail("the measuring hook did not run in the window's thread");
    std::string misfits;
    for (int i = 0; i < result.count; ++i) {
        const wd::FitEntry& e = result.entries[i];
        if (e.needW <= e.haveW && e.needH <= e.haveH)
            continue;
        HWND c = reinterpret_cast<HWND>(static_cast<intptr_t>(e.hwnd));
        if (!misfits.empty())
            misfits += ',';
        misfits += Obj()
                       .Add("hwnd", e.hwnd)
                       .Add("class", ClassOf(c))
                       .Add("text", TextOf(c))
                       .AddRaw("need", NumbersJson({e.needW, e.needH}))
                       .AddRaw("have", NumbersJson({e.haveW, e.haveH}))
                       .Str();
    }
    return Obj()
        .Add("ok", true)
        .Add("checked", result.count)
        .Add("unmeasured", result.unmeasured)
        .AddRaw("misfits", wd::Array(misfits))
        .Str();
}

// ---------------------------------------------------------------------------

std::string Dispatch(const Request& r) {
    struct Cmd {
        const char* name;
        std::string (*run)(const Request&);
    };
    static const Cmd cmds[] = {
        {"windows", CmdWindows},
        {"find", CmdFind},
        {"gone", CmdGone},
        {"tree", CmdTree},
        {"info", CmdInfo},
        {"focus", CmdFocus},
        {"items", CmdItems},
        {"check", CmdCheck},
        {"text", CmdText},
        {"settext", CmdSetText},
        {"send", CmdSend},
        {"activate", CmdActivate},
        {"click", CmdClick},
        {"move", CmdMove},
        {"key", CmdKey},
        {"type", CmdType},
        {"close", CmdClose},
        {"closebox", CmdCloseBox},
        {"screenshot", CmdScreenshot},
        {"cursor", CmdCursor},
        {"fit", CmdFit},
        {"resize", CmdResize},
        {"dacl", CmdDacl},
    };
    std::string name = r.Ascii("cmd");
    if (name == "ping")
        return Obj()
            .Add("ok", true)
            .Add("pid", static_cast<long long>(GetCurrentProcessId()))
            .Str();
    for (const Cmd& c : cmds)
        if (name == c.name)
            return c.run(r);
    Fail("unknown command: " + name);
}

std::string ErrorLine(const std::string& what) {
    return Obj().Add("ok", false).Add("error", U(what)).Str();
}

bool ReadLine(std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c == '\n')
            return true;
        line += static_cast<char>(c);
    }
    return !line.empty();
}

int Serve() {
    // Answers are ASCII lines ending in LF alone, whatever the C runtime prefers.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::string line;
    while (ReadLine(line)) {
        if (line.empty() || line == "\r")
            continue;
        std::string answer;
        try {
            Request r(line);
            if (r.Ascii("cmd") == "quit")
                break;
            answer = Dispatch(r);
        } catch (const Failure& f) {
            answer = ErrorLine(f.what);
        } catch (const std::exception& e) {
            answer = ErrorLine(std::string("bad request: ") + e.what());
        }
        std::fputs(answer.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--serve") == 0)
        return Serve();
    std::fputs("usage: wdrive --serve   (JSON requests on stdin, one answer line each)\n", stderr);
    return 2;
}
