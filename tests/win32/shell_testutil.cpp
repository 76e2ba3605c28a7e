#include "shell_testutil.h"

#include "shell/com_ptr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <objidl.h>
#include <sstream>

namespace shelltest {

namespace {
std::atomic<int> g_counter{0};

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else {
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(full.c_str());
            }
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

std::wstring Wide(const std::string& s) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    w.resize(static_cast<std::size_t>(n > 0 ? n - 1 : 0));
    return w;
}

constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
} // namespace

TempDir::TempDir(const std::string& stem) {
    char tmp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tmp);
    std::string base = tmp;
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    path_ = base + "\\" + stem + std::to_string(::GetCurrentProcessId()) + "_" +
            std::to_string(g_counter++);
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

std::string TempDir::Sub(const std::string& name, bool create) const {
    const std::string p = path_ + "\\" + name;
    if (create)
        ::CreateDirectoryA(p.c_str(), nullptr);
    return p;
}

bool FileExists(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = fd.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return names;
}

LinkInfo ReadLink(const std::string& linkFile) {
    LinkInfo info;
    shell::ComPtr<IShellLinkA> link;
    if (::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           link.put_void()) < 0)
        return info;
    shell::ComPtr<IPersistFile> file;
    if (link->QueryInterface(IID_IPersistFile, file.put_void()) < 0)
        return info;
    if (file->Load(Wide(linkFile).c_str(), STGM_READ) < 0)
        return info;
    info.loaded = true;
    char buf[MAX_PATH] = {};
    link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
    info.path = buf;
    buf[0] = 0;
    link->GetDescription(buf, MAX_PATH);
    info.description = buf;
    buf[0] = 0;
    link->GetWorkingDirectory(buf, MAX_PATH);
    info.workingDir = buf;
    buf[0] = 0;
    link->GetArguments(buf, MAX_PATH);
    info.arguments = buf;
    buf[0] = 0;
    link->GetIconLocation(buf, MAX_PATH, &info.iconIndex);
    info.iconPath = buf;
    link->GetHotkey(&info.hotkey);
    link->GetShowCmd(&info.showCmd);
    return info;
}

ShellFolderRedirect::ShellFolderRedirect(const std::string& desktop, const std::string& startMenu,
                                         const std::string& programs) {
    const std::pair<const char*, std::string> values[] = {
        {"Desktop", desktop}, {"Start Menu", startMenu}, {"Programs", programs}};
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kUserShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot open User Shell Folders";
        return;
    }
    for (int i = 0; i < 3; ++i) {
        Saved& s = saved_[i];
        s.name = values[i].first;
        char buf[1024] = {};
        DWORD size = sizeof buf;
        s.present = ::RegQueryValueExA(key, s.name.c_str(), nullptr, &s.type,
                                       reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS;
        if (s.present)
            s.value.assign(buf, size);
        const std::string& v = values[i].second;
        ::RegSetValueExA(key, s.name.c_str(), 0, REG_EXPAND_SZ,
                         reinterpret_cast<const BYTE*>(v.c_str()), DWORD(v.size() + 1));
    }
    ::RegCloseKey(key);
}

ShellFolderRedirect::~ShellFolderRedirect() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kUserShellFolders, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return;
    for (const Saved& s : saved_) {
        if (s.name.empty())
            continue;
        if (s.present)
            ::RegSetValueExA(key, s.name.c_str(), 0, s.type,
                             reinterpret_cast<const BYTE*>(s.value.data()), DWORD(s.value.size()));
        else
            ::RegDeleteValueA(key, s.name.c_str());
    }
    ::RegCloseKey(key);
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

UserDriver::UserDriver(const char* windowClass, std::function<void(UserDriver&)> script)
    : uiThread_(::GetCurrentThreadId()) {
    thread_ =
        std::thread([this, windowClass, script = std::move(script)] { Run(windowClass, script); });
}

UserDriver::~UserDriver() {
    if (thread_.joinable())
        thread_.join();
}

void UserDriver::Run(const char* windowClass, std::function<void(UserDriver&)> script) {
    struct Find {
        const char* cls;
        HWND found;
    } find{windowClass, nullptr};
    const bool shown = WaitFor([&] {
        ::EnumThreadWindows(
            uiThread_,
            [](HWND h, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                char cls[64] = {};
                ::GetClassNameA(h, cls, sizeof cls);
                if (std::string(cls) == f->cls && ::IsWindowVisible(h)) {
                    f->found = h;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found != nullptr;
    });
    if (!shown) {
        ADD_FAILURE() << "window " << windowClass << " was not shown";
        return;
    }
    hwnd_ = find.found;
    script(*this);
    if (!WaitFor([&] { return !::IsWindowVisible(hwnd_); })) {
        ADD_FAILURE() << "window still open after the script; closing it";
        ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    }
}

HWND UserDriver::Focus() const {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return ::GetGUIThreadInfo(uiThread_, &gui) ? gui.hwndFocus : nullptr;
}

HWND UserDriver::ChildByText(const std::string& text) const {
    for (HWND c = ::GetWindow(hwnd_, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        char buf[256] = {};
        ::GetWindowTextA(c, buf, sizeof buf);
        if (text == buf)
            return c;
    }
    return nullptr;
}

void UserDriver::Key(WORD vk) const {
    HWND target = Focus();
    if (!target)
        target = hwnd_;
    const UINT scan = ::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    ::PostMessageA(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    ::PostMessageA(target, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void UserDriver::AltKey(char letter) const {
    HWND target = Focus();
    if (!target)
        target = hwnd_;
    // Bit 29: the Alt key is down, as TranslateMessage reports it.
    ::PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(letter), 1 | (1u << 29));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void UserDriver::Click(HWND control) const {
    RECT rc{};
    ::GetClientRect(control, &rc);
    const LPARAM pt = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, pt);
    ::PostMessageA(control, WM_LBUTTONUP, 0, pt);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void UserDriver::CloseBox() const {
    ::PostMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace shelltest
