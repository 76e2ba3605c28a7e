// Launch.exe of the KELvar 5.0 demo package: reads the user's name from
// "Kvrinf2.cfg" in its own folder and greets the user in a small window that
// also says where KELvar 5.0 is installed. A missing or damaged info file gets
// a clear error box instead.
#include "kvrinf2.h"

#include <windows.h>

#include <string>

namespace {

constexpr const char* kClassName = "TKelvarLaunch";
constexpr const char* kCaption = "KELvar 5.0";
constexpr int kClientWidth = 440;
constexpr int kClientHeight = 236;
constexpr int kBannerHeight = 64;
constexpr int kIdClose = IDCANCEL;

struct Launcher {
    std::string folder;
    std::string greeting;
    HBITMAP banner = nullptr; // Kvrbn.bmp from the product folder, when present
    HFONT font = nullptr;
    HFONT bold = nullptr;
};
Launcher g;

std::string ModulePath() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size())
            return buf.substr(0, n);
        buf.resize(buf.size() * 2);
    }
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string p = folder;
    if (!p.empty() && p.back() != '\\')
        p += '\\';
    return p.append(name);
}

// The whole file, or false when it cannot be opened or read. Reads at most
// limit + 1 bytes, enough to tell an oversized file.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& out) {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    out.assign(limit + 1, '\0');
    std::size_t got = 0;
    bool ok = true;
    while (got < out.size()) {
        DWORD n = 0;
        if (!::ReadFile(h, out.data() + got, static_cast<DWORD>(out.size() - got), &n, nullptr)) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::CloseHandle(h);
    out.resize(got);
    return ok;
}

void ShowError(const std::string& text) {
    ::MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Layout is given at 96 DPI; the fonts grow with the screen's DPI, so do the controls.
int Scale(int px96) {
    static const int dpi = [] {
        HDC dc = ::GetDC(nullptr);
        const int d = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc)
            ::ReleaseDC(nullptr, dc);
        return d > 0 ? d : 96;
    }();
    return ::MulDiv(px96, dpi, 96);
}

HWND AddControl(HWND parent, const char* cls, const std::string& text, DWORD style, int x, int y,
                int w, int h, int id, HFONT font) {
    HWND c = ::CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, Scale(x),
                               Scale(y), Scale(w), Scale(h),
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

void CreateControls(HWND hwnd) {
    int y = kBannerHeight + 14;
    AddControl(hwnd, "STATIC", g.greeting, SS_NOPREFIX, 16, y, 408, 18, -1, g.bold);
    y += 28;
    AddControl(hwnd, "STATIC", "KELvar 5.0 ist installiert in:", SS_NOPREFIX, 16, y, 408, 16, -1,
               g.font);
    y += 18;
    AddControl(hwnd, "STATIC", g.folder, SS_NOPREFIX | SS_PATHELLIPSIS | SS_SUNKEN, 16, y, 408, 20,
               -1, g.font);
    y += 32;
    AddControl(hwnd, "STATIC",
               "Dies ist das Demo-Paket: Die Überwachung des Laufwerks ist darin nicht enthalten.",
               SS_NOPREFIX, 16, y, 408, 30, -1, g.font);
    HWND close = AddControl(hwnd, "BUTTON", "&Beenden", WS_TABSTOP | BS_DEFPUSHBUTTON,
                            kClientWidth - 112, kClientHeight - 36, 96, 25, kIdClose, g.font);
    ::SetFocus(close);
}

void PaintBanner(HWND hwnd, HDC dc) {
    RECT band{0, 0, Scale(kClientWidth), Scale(kBannerHeight)};
    if (g.banner) {
        BITMAP bm{};
        ::GetObjectA(g.banner, sizeof bm, &bm);
        HDC mem = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(mem, g.banner);
        ::SetStretchBltMode(dc, HALFTONE);
        ::StretchBlt(dc, 0, 0, band.right, band.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight,
                     SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteDC(mem);
    } else {
        HBRUSH b = ::CreateSolidBrush(RGB(0, 51, 102));
        ::FillRect(dc, &band, b);
        ::DeleteObject(b);
    }
    (void)hwnd;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls(hwnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        PaintBanner(hwnd, dc);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
        if (LOWORD(wp) == kIdClose || LOWORD(wp) == IDOK)
            ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

HFONT MakeFonts() {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    LOGFONTA lf{};
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        lf = ncm.lfMessageFont;
    } else {
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    }
    g.font = ::CreateFontIndirectA(&lf);
    lf.lfWeight = FW_BOLD;
    lf.lfHeight = lf.lfHeight < 0 ? lf.lfHeight - 2 : lf.lfHeight + 2;
    g.bold = ::CreateFontIndirectA(&lf);
    return g.font;
}

int RunWindow(HINSTANCE inst, int show) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hIcon = ::LoadIconA(inst, MAKEINTRESOURCEA(1));
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExA(&wc))
        return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    ::AdjustWindowRectEx(&r, style, FALSE, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HWND hwnd = ::CreateWindowExA(0, kClassName, kCaption, style, x, y, w, h, nullptr, nullptr,
                                  inst, nullptr);
    if (!hwnd)
        return 1;
    ::ShowWindow(hwnd, show);
    ::UpdateWindow(hwnd);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageA(hwnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
    g.folder = demo::FolderOf(ModulePath());
    const std::string infoPath = JoinPath(g.folder, demo::kInfoFile);
    std::string bytes;
    if (!ReadSmallFile(infoPath, demo::kMaxInfoSize, bytes)) {
        ShowError(demo::InfoMissing(infoPath));
        return 2;
    }
    const demo::Info info = demo::ParseInfo(bytes);
    if (info.status != demo::InfoStatus::ok) {
        ShowError(demo::InfoProblem(info.status, infoPath));
        return 2;
    }
    g.greeting = demo::Greeting(info.name);
    g.banner = static_cast<HBITMAP>(::LoadImageA(nullptr, JoinPath(g.folder, "Kvrbn.bmp").c_str(),
                                                 IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    MakeFonts();
    const int rc = RunWindow(inst, show);
    if (g.banner)
        ::DeleteObject(g.banner);
    ::DeleteObject(g.font);
    ::DeleteObject(g.bold);
    return rc;
}
