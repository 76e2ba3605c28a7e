#pragma once
// Helpers of the shell tests under Wine: temp folders, the user's shell
// folders redirected into them, reading a link back, and a second thread
// that drives a modal dialog like a user.
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace shelltest {

// A fresh folder below the temp folder (optionally with a non-ASCII name),
// removed with everything in it at the end.
class TempDir {
public:
    explicit TempDir(const std::string& stem = "kvshell");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; } // no trailing backslash
    std::string Sub(const std::string& name, bool create = true) const;

private:
    std::string path_;
};

bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Names of the files in a folder (no . and ..).
std::vector<std::string> FilesIn(const std::string& dir);

// What a saved shell link holds, read through IShellLinkA.
struct LinkInfo {
    bool loaded = false;
    std::string path, description, workingDir, arguments, iconPath;
    int iconIndex = -1;
    WORD hotkey = 0xFFFF;
    int showCmd = -1;
};
LinkInfo ReadLink(const std::string& linkFile);

// Points the current user's Desktop, Start Menu and Programs folders at the
// given paths (values of "User Shell Folders"); the old values come back at the end.
class ShellFolderRedirect {
public:
    ShellFolderRedirect(const std::string& desktop, const std::string& startMenu,
                        const std::string& programs);
    ~ShellFolderRedirect();
    ShellFolderRedirect(const ShellFolderRedirect&) = delete;
    ShellFolderRedirect& operator=(const ShellFolderRedirect&) = delete;

private:
    struct Saved {
        std::string name, value;
        DWORD type = 0;
        bool present = false;
    };
    Saved saved_[3];
};

bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

// Drives a top-level window of the calling (UI) thread from a second thread:
// waits until a visible window of the class appears, runs the script, then
// waits for the window to be hidden; if it stays, closes it and fails.
class UserDriver {
public:
    UserDriver(const char* windowClass, std::function<void(UserDriver&)> script);
    ~UserDriver(); // joins

    HWND Window() const { return hwnd_; }
    HWND Focus() const;
    HWND Child(int id) const { return ::GetDlgItem(hwnd_, id); }
    HWND ChildByText(const std::string& text) const;

    void Key(WORD vk) const;        // down and up, to the focused control
    void AltKey(char letter) const; // Alt+letter as the dialog sees it
    void Click(HWND control) const; // left button down and up in its centre
    void CloseBox() const;          // the title bar's close box

private:
    void Run(const char* windowClass, std::function<void(UserDriver&)> script);
    DWORD uiThread_;
    HWND hwnd_ = nullptr;
    std::thread thread_;
};

} // namespace shelltest
