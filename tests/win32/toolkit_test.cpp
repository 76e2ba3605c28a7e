// The toolkit under Wine: the message dialog's buttons, default and Escape,
// the default error handler, and the error mode around drive probes.
#include "answer_window.h"
#include "importhook.h"
#include "show_watch.h"
#include "runtime/errors.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/dir_picker.h"
#include "toolkit/error_handler.h"
#include "toolkit/files.h"
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

namespace {

struct SeenBox {
    std::string caption, text;
    std::vector<std::string> buttons;
    std::string focused;
    std::vector<HWND> windows; // the box and its children
};

// Finds the open message dialog of this thread, once it shows.
HWND FindBox() {
    HWND box = ::FindWindowA(tk::kMsgDlgClass, nullptr);
    return box && ::IsWindowVisible(box) ? box : nullptr;
}

std::string Text(HWND h) {
    char buf[1024] = {};
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

SeenBox Inspect(HWND box) {
    SeenBox seen;
    seen.caption = Text(box);
    seen.windows.push_back(box);
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        seen.windows.push_back(c);
        char cls[64] = {};
        ::GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0)
            seen.buttons.push_back(Text(c));
        else if (::GetDlgCtrlID(c) == 1000)
            seen.text = Text(c);
    }
    seen.focused = Text(::GetFocus());
    return seen;
}

// Runs `show` while a timer inspects the box and then sends it one key.
struct BoxDriver {
    static inline SeenBox seen;
    static inline WPARAM key = 0;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindBox();
        if (!box)
            return;
        ::KillTimer(nullptr, id);
        seen = Inspect(box);
        HWND target = ::GetFocus();
        ::PostMessageA(target, WM_KEYDOWN, key, 0);
        ::PostMessageA(target, WM_KEYUP, key, 0xC0000000);
    }
};

tk::ModalResult ShowAndPress(const std::string& text, tk::MsgDlgType type, unsigned buttons,
                             WPARAM key) {
    BoxDriver::seen = {};
    BoxDriver::key = key;
    ::SetTimer(nullptr, 0, 50, BoxDriver::OnTimer);
    return tk::MessageDlg(text, type, buttons);
}

TEST(MessageDlg, ConfirmationYesNo) {
    EXPECT_EQ(ShowAndPress("Frage?", tk::MsgDlgType::mtConfirmation, tk::mbYesNo, VK_RETURN),
              tk::ModalResult::mrYes);
    EXPECT_EQ(BoxDriver::seen.caption, "Bestätigung");
    EXPECT_EQ(BoxDriver::seen.text, "Frage?");
    EXPECT_EQ(BoxDriver::seen.buttons, (std::vector<std::string>{"&Ja", "&Nein"}));
    EXPECT_EQ(BoxDriver::seen.focused, "&Ja");
    EXPECT_EQ(ShowAndPress("Frage?", tk::MsgDlgType::mtConfirmation, tk::mbYesNo, VK_ESCAPE),
              tk::ModalResult::mrNo);
}

TEST(MessageDlg, CaptionsAndEscapeByKind) {
    EXPECT_EQ(ShowAndPress("a\rb", tk::MsgDlgType::mtWarning, tk::mbOK, VK_ESCAPE),
              tk::ModalResult::mrOk);
    EXPECT_EQ(BoxDriver::seen.caption, "Warnung");
    EXPECT_EQ(BoxDriver::seen.text, "a\rb"); // a lone CR is kept as the line break
    ShowAndPress("x", tk::MsgDlgType::mtError, tk::mbOK, VK_RETURN);
    EXPECT_EQ(BoxDriver::seen.caption, "Fehler");
    ShowAndPress("x", tk::MsgDlgType::mtInformation, tk::mbOK, VK_RETURN);
    EXPECT_EQ(BoxDriver::seen.caption, "Information");
    EXPECT_EQ(ShowAndPress("Diskette", tk::MsgDlgType::mtConfirmation, tk::mbOKCancel, VK_ESCAPE),
              tk::ModalResult::mrCancel);
    EXPECT_EQ(BoxDriver::seen.buttons, (std::vector<std::string>{"OK", "Abbrechen"}));
    EXPECT_EQ(BoxDriver::seen.focused, "OK");
    EXPECT_EQ(ShowAndPress("Diskette", tk::MsgDlgType::mtConfirmation, tk::mbOKCancel, VK_RETURN),
              tk::ModalResult::mrOk);
}

// Under Wine making the box and showing it take some milliseconds each: a
// message that waits meanwhile is answered before the box shows, and the show
// leaves the painting to the queue, where waiting messages come first.
TEST(MessageDlg, AWaitingMessageIsAnsweredBeforeTheBoxShowsAndPaints) {
    std::vector<std::string> events;
    AnswerWindow other(events);
    ASSERT_NE(other.Handle(), nullptr);
    ShowWatch watch(tk::kMsgDlgClass, events);
    ASSERT_TRUE(watch.Active());
    other.Post();
    EXPECT_EQ(ShowAndPress("Frage?", tk::MsgDlgType::mtConfirmation, tk::mbYesNo, VK_RETURN),
              tk::ModalResult::mrYes);
    EXPECT_EQ(events, (std::vector<std::string>{"answered", "show"}));
    EXPECT_TRUE(watch.ErasedWhileShowing().empty()) << watch.ErasedWhileShowing().size();
    // By the time the key was pressed, the box and each of its children were drawn.
    ASSERT_EQ(BoxDriver::seen.windows.size(), 5u); // box, icon, text, two buttons
    for (std::size_t i = 0; i < BoxDriver::seen.windows.size(); ++i)
        EXPECT_TRUE(watch.ErasedLater(BoxDriver::seen.windows[i])) << i;
}

TEST(ErrorHandler, ShowsRuntimeTextWithFullStopUnderTheTitle) {
    tk::SetApplicationTitle("KELvar 5.0 - Setup");
    BoxDriver::seen = {};
    BoxDriver::key = VK_RETURN;
    ::SetTimer(nullptr, 0, 50, BoxDriver::OnTimer);
    bool after = false;
    const bool ok = tk::Guard([&] {
        throw rt::EInOutError(5);
        after = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(after);
    EXPECT_EQ(BoxDriver::seen.caption, "KELvar 5.0 - Setup");
    EXPECT_EQ(BoxDriver::seen.text, "Dateizugriff verweigert.");
    EXPECT_EQ(BoxDriver::seen.buttons, (std::vector<std::string>{"OK"}));
}

} // namespace

// --- The error mode in force while a drive that may hold no medium is probed ---

namespace {

// Windows shows its "no disk" box only when critical errors are not suppressed;
// Wine never does, so the mode at the moment of each probe is what is checked.
class ErrorModeAroundProbes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(attributes_.Active() && directory_.Active());
        previous_ = ::SetErrorMode(kOwnMode);
    }
    void TearDown() override { ::SetErrorMode(previous_); }

    void ExpectEveryProbeSuppressedAndTheModeBack() {
        for (UINT mode : errorModesSeen)
            EXPECT_EQ(mode, UINT(SEM_FAILCRITICALERRORS));
        EXPECT_EQ(::GetErrorMode(), kOwnMode);
    }

    static constexpr UINT kOwnMode = SEM_NOGPFAULTERRORBOX;
    ErrorModeSpy<decltype(::GetFileAttributesA)> attributes_{"GetFileAttributesA"};
    ErrorModeSpy<decltype(::SetCurrentDirectoryA)> directory_{"SetCurrentDirectoryA"};
    UINT previous_ = 0;
};

// Chooses drive c: in the open picker's drive list, then cancels.
struct PickerDriver {
    static inline std::size_t beforeChange = 0, afterChange = 0;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
        HWND dlg = ::FindWindowA("#32770", txt::PickerCaption);
        if (!dlg)
            return;
        ::KillTimer(nullptr, id);
        HWND drives = ::GetDlgItem(dlg, tk::kPickerDrives);
        const LRESULT at = ::SendMessageA(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>("[-c-]"));
        ::SendMessageA(drives, CB_SETCURSEL, at, 0);
        beforeChange = errorModesSeen.size();
        ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(tk::kPickerDrives, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(drives));
        afterChange = errorModesSeen.size();
        ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
};

} // namespace

TEST_F(ErrorModeAroundProbes, DirectoryTestOfTheDrivePage) {
    for (const char* root : {"C:\\", "A:\\", "\\"})
        tk::DirectoryExists(root);
    EXPECT_EQ(errorModesSeen.size(), 3u);
    ExpectEveryProbeSuppressedAndTheModeBack();
}

TEST_F(ErrorModeAroundProbes, PickerEnteringFoldersAndChangingDrives) {
    PickerDriver::beforeChange = PickerDriver::afterChange = 0;
    ::SetTimer(nullptr, 0, 50, PickerDriver::OnTimer);
    std::string chosen;
    EXPECT_FALSE(tk::SelectDirectory(nullptr, "C:\\windows", chosen));
    EXPECT_GT(PickerDriver::beforeChange, 0u);                        // the start folder
    EXPECT_GT(PickerDriver::afterChange, PickerDriver::beforeChange); // the drive change
    ExpectEveryProbeSuppressedAndTheModeBack();
}

TEST(Files, DirectoriesOfWindowsAnsiLengthOnlyAreCreated) {
    char tmp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tmp);
    const std::string base =
        std::string(tmp) + "kelvar-long-" + std::to_string(::GetCurrentProcessId());
    // Fills the path up to the given length with one more directory below base.
    const auto withLength = [&](std::size_t n) {
        return base + "\\" + std::string(n - base.size() - 1, 'x');
    };
    const std::string fits = withLength(247), tooLong = withLength(248);
    EXPECT_TRUE(tk::ForceDirectories(fits));
    EXPECT_TRUE(tk::DirectoryExists(fits));
    EXPECT_FALSE(tk::ForceDirectories(tooLong)); // Windows' ANSI limit, kept under Wine too
    EXPECT_FALSE(tk::DirectoryExists(tooLong));
    ::RemoveDirectoryA(fits.c_str());
    ::RemoveDirectoryA(tooLong.c_str());
    ::RemoveDirectoryA(base.c_str());
}

// EmptyAndDelete deletes as DeleteFileA does; a file it may not delete (open
// elsewhere without delete sharing, or read-only) keeps every byte.
TEST(Files, EmptyAndDeleteDeletesOrLeavesTheFileWhole) {
    char tmp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, tmp);
    const std::string path =
        std::string(tmp) + "emptydel-" + std::to_string(::GetCurrentProcessId());
    auto write = [&] {
        HANDLE h =
            ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        ::WriteFile(h, "twelve bytes", 12, &n, nullptr);
        ::CloseHandle(h);
    };
    auto size = [&] {
        WIN32_FILE_ATTRIBUTE_DATA d{};
        return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)
                   ? static_cast<long>(d.nFileSizeLow)
                   : -1L;
    };
    write();
    EXPECT_TRUE(tk::EmptyAndDelete(path));
    EXPECT_EQ(size(), -1L);
    EXPECT_FALSE(tk::EmptyAndDelete(path)); // nothing left to delete

    write();
    HANDLE reader = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(tk::EmptyAndDelete(path));
    ::CloseHandle(reader);
    EXPECT_EQ(size(), 12L);

    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(tk::EmptyAndDelete(path));
    EXPECT_EQ(size(), 12L);
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(tk::EmptyAndDelete(path));
}

// A big file is emptied from its end in steps of kEmptyingStep before it goes:
// under Wine a single truncation of 300 MB held every program's calls to the
// server for 50 ms. Under Wine it is written out once before the first cut,
// which otherwise waited in the server for the disk.
namespace {
std::vector<long long> sizesCut;
std::vector<int> flushesBeforeCut;
int flushes = 0;
BOOL(WINAPI* realSetEndOfFile)(HANDLE) = nullptr;
BOOL(WINAPI* realFlushFileBuffers)(HANDLE) = nullptr;
BOOL WINAPI CountingSetEndOfFile(HANDLE file) {
    LARGE_INTEGER before{}, at{};
    ::GetFileSizeEx(file, &before);
    ::SetFilePointerEx(file, LARGE_INTEGER{}, &at, FILE_CURRENT);
    sizesCut.push_back(before.QuadPart - at.QuadPart);
    flushesBeforeCut.push_back(flushes);
    return realSetEndOfFile(file);
}
BOOL WINAPI CountingFlushFileBuffers(HANDLE file) {
    ++flushes;
    return realFlushFileBuffers(file);
}
} // namespace

TEST(Files, EmptyAndDeleteCutsABigFileInSteps) {
    char tmp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, tmp);
    const std::string path =
        std::string(tmp) + "emptysteps-" + std::to_string(::GetCurrentProcessId());
    const long long bytes = 5 * tk::kEmptyingStep + 12345;
    {
        HANDLE h =
            ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end{};
        end.QuadPart = bytes;
        EXPECT_TRUE(::SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(h));
        ::CloseHandle(h);
    }
    sizesCut.clear();
    flushesBeforeCut.clear();
    flushes = 0;
    {
        ImportHook hook("kernel32.dll", "SetEndOfFile",
                        reinterpret_cast<const void*>(&CountingSetEndOfFile));
        ImportHook flush("kernel32.dll", "FlushFileBuffers",
                         reinterpret_cast<const void*>(&CountingFlushFileBuffers));
        ASSERT_TRUE(hook.Active() && flush.Active());
        realSetEndOfFile = hook.Original<BOOL(WINAPI*)(HANDLE)>();
        realFlushFileBuffers = flush.Original<BOOL(WINAPI*)(HANDLE)>();
        EXPECT_TRUE(tk::EmptyAndDelete(path));
    }
    EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(sizesCut.size(), 6u);
    long long cut = 0;
    for (long long step : sizesCut) {
        EXPECT_GT(step, 0);
        EXPECT_LE(step, tk::kEmptyingStep);
        cut += step;
    }
    EXPECT_EQ(cut, bytes);
    const int flushesWanted = tk::RunningUnderWine() ? 1 : 0;
    EXPECT_EQ(flushes, flushesWanted);
    for (int before : flushesBeforeCut)
        EXPECT_EQ(before, flushesWanted);
}

// A blocking call handed to WhilePumping runs while this thread goes on
// handling messages: here the call can only end once a message posted before
// it has been handled.
TEST(WhilePumping, MessagesAreHandledWhileTheCallRuns) {
    static HANDLE handled = nullptr;
    handled = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(handled, nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_APP)
            ::SetEvent(handled);
        return ::DefWindowProcA(h, m, w, l);
    };
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "WhilePumpingTest";
    ::RegisterClassA(&wc);
    HWND w = ::CreateWindowA("WhilePumpingTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(w, nullptr);
    ::PostMessageA(w, WM_APP, 0, 0);
    DWORD caller = ::GetCurrentThreadId(), worker = 0;
    const bool answered = tk::WhilePumping([&] {
        worker = ::GetCurrentThreadId();
        return ::WaitForSingleObject(handled, 10000) == WAIT_OBJECT_0;
    });
    EXPECT_TRUE(answered) << "the message waited until the call gave up";
    EXPECT_NE(worker, caller);

    // The call's result and its exception come back to the caller.
    EXPECT_FALSE(tk::WhilePumping([] { return false; }));
    EXPECT_THROW(tk::WhilePumping([]() -> bool { throw std::runtime_error("worker"); }),
                 std::runtime_error);
    ::DestroyWindow(w);
    ::CloseHandle(handled);
}

// Work under PumpDuring hands a piece back to the pumping thread and gets its
// error back; its own error reaches the caller with its text. A PumpDuring
// inside the work, and a hand-back outside any, run where they are called.
TEST(PumpDuring, HandedBackCallsRunOnThePumpingThread) {
    const DWORD caller = ::GetCurrentThreadId();
    DWORD worker = 0, handedBack = 0, nested = 0;
    bool workerFlag = false, callerFlag = true;
    std::string caught;
    try {
        tk::PumpDuring([&] {
            worker = ::GetCurrentThreadId();
            workerFlag = tk::OnPumpedWorker();
            tk::OnPumpingThread([&] {
                handedBack = ::GetCurrentThreadId();
                callerFlag = tk::OnPumpedWorker();
            });
            try {
                tk::OnPumpingThread([] { throw rt::EFOpenError("from the caller"); });
            } catch (const rt::EFOpenError& e) {
                caught = e.Message();
            }
            tk::PumpDuring([&] { nested = ::GetCurrentThreadId(); });
            throw rt::EFCreateError("Datei X kann nicht erstellt werden");
        });
        ADD_FAILURE() << "no error";
    } catch (const rt::EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Datei X kann nicht erstellt werden");
    }
    EXPECT_NE(worker, caller);
    EXPECT_TRUE(workerFlag);
    EXPECT_EQ(handedBack, caller);
    EXPECT_FALSE(callerFlag);
    EXPECT_EQ(caught, "from the caller");
    EXPECT_EQ(nested, worker);
    EXPECT_FALSE(tk::OnPumpedWorker());
    DWORD direct = 0;
    tk::OnPumpingThread([&] { direct = ::GetCurrentThreadId(); });
    EXPECT_EQ(direct, caller);
}

// The pump given handles the messages that come while the work runs (here the
// work waits for one it posted); a pump that raises stops pumping, but the
// work still ends, served with its hand-backs, before the pump's error is raised.
TEST(PumpDuring, TheGivenPumpHandlesMessagesAndItsErrorWaitsForTheWork) {
    const DWORD caller = ::GetCurrentThreadId();
    MSG queue;
    ::PeekMessageA(&queue, nullptr, 0, 0, PM_NOREMOVE); // a queue to post to
    HANDLE seen = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int pumps = 0;
    bool answered = false;
    auto pump = [&] {
        ++pumps;
        MSG m;
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            if (m.message == WM_APP)
                ::SetEvent(seen);
    };
    tk::PumpDuring(
        [&] {
            ::PostThreadMessageA(caller, WM_APP, 0, 0);
            answered = ::WaitForSingleObject(seen, 10000) == WAIT_OBJECT_0;
        },
        pump);
    EXPECT_TRUE(answered) << "the message waited until the work gave up";
    EXPECT_GE(pumps, 1);

    bool workEnded = false, handedBack = false;
    EXPECT_THROW(tk::PumpDuring(
                     [&] {
                         ::PostThreadMessageA(caller, WM_APP, 0, 0);
                         ::Sleep(50);
                         tk::OnPumpingThread([&] { handedBack = true; });
                         workEnded = true;
                     },
                     [] {
                         MSG m;
                         if (::PeekMessageA(&m, nullptr, WM_APP, WM_APP, PM_REMOVE))
                             throw std::runtime_error("pump");
                     }),
                 std::runtime_error);
    EXPECT_TRUE(workEnded);
    EXPECT_TRUE(handedBack);
    ::CloseHandle(seen);
}
