// The drive list under Wine: texts, order, first selection and drawing.
// ShellDriveFixture needs the drives mapped by shell_drives.sh.
#include "importhook.h"
#include "shell/drive_list.h"
#include "shell/drive_label.h"
#include "toolkit/app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// A bare parent window: the list draws itself and sets its own item height.
class DrivePage {
public:
    explicit DrivePage(shell::TDriveTypes types = shell::kDefaultDriveTypes) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = tk::Instance();
        wc.lpszClassName = "ShellTestDrivePage";
        ::RegisterClassA(&wc);
        list.DriveTypes = types;
        hwnd = ::CreateWindowExA(0, "ShellTestDrivePage", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, tk::Instance(), nullptr);
        list.Create(hwnd, 42, 150, 129, 151, 21);
    }
    ~DrivePage() { ::DestroyWindow(hwnd); }
    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        for (int i = 0; i < list.Count(); ++i)
            items.push_back(list.ItemText(i));
        return items;
    }

    TDriveList list;
    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        return ::DefWindowProcA(h, msg, wp, lp);
    }
};

class CurrentDir {
public:
    explicit CurrentDir(const char* dir) {
        ::GetCurrentDirectoryA(MAX_PATH, old_);
        ok = ::SetCurrentDirectoryA(dir) != FALSE;
    }
    ~CurrentDir() { ::SetCurrentDirectoryA(old_); }
    bool ok;

private:
    char old_[MAX_PATH] = {};
};

int FontHeight() {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, tk::UiFont());
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

} // namespace

TEST(ShellDrives, PlatformLowerCaseMatchesCodePage1252Rule) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "ANSI code page " << ::GetACP();
    for (int c = 1; c < 256; ++c) {
        char platform[2] = {static_cast<char>(c), 0};
        ::CharLowerBuffA(platform, 1);
        EXPECT_EQ(platform[0], shell::LowerCp1252(std::string(1, char(c)))[0]) << "byte " << c;
    }
}

TEST(ShellDrives, ListedInLetterOrderWithTextsByKind) {
    DrivePage page;
    const std::vector<std::string> items = page.Items();
    ASSERT_FALSE(items.empty()); // Wine always has c:
    char last = 0;
    for (int i = 0; i < page.list.Count(); ++i) {
        const std::string& t = items[i];
        ASSERT_GE(t.size(), 2u);
        EXPECT_TRUE(t[0] >= 'a' && t[0] <= 'z') << t;
        EXPECT_EQ(t[1], ':');
        EXPECT_GT(t[0], last) << "order";
        last = t[0];
        if (page.list.ItemKind(i) == shell::dtFloppy)
            EXPECT_EQ(t.size(), 2u) << t;
        else
            EXPECT_EQ(t.substr(2, 1), " ") << t;
        const std::string root{char(t[0]), ':', '\\'};
        EXPECT_EQ(page.list.ItemKind(i), static_cast<int>(::GetDriveTypeA(root.c_str())));
    }
    // CBS_DROPDOWNLIST: nothing can be typed in.
    char cls[32] = {};
    ::GetClassNameA(page.list.Handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "ComboBox");
    EXPECT_EQ(::GetWindowLongA(page.list.Handle(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
}

// Windows would show its "no disk" box for a label read of an empty drive.
TEST(ShellDrives, LabelsAreReadWithCriticalErrorsSuppressed) {
    ErrorModeSpy<decltype(::GetVolumeInformationA)> spy("GetVolumeInformationA");
    ASSERT_TRUE(spy.Active());
    const UINT previous = ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    { DrivePage page; }
    EXPECT_EQ(::SetErrorMode(previous), UINT(SEM_NOGPFAULTERRORBOX));
    ASSERT_FALSE(errorModesSeen.empty()); // c: at least has a label to read
    for (UINT mode : errorModesSeen)
        EXPECT_EQ(mode, UINT(SEM_FAILCRITICALERRORS));
}

TEST(ShellDrives, ItemHeightIsFontOrPictureHeight) {
    DrivePage page;
    const int expected = std::max(FontHeight(), 13);
    EXPECT_EQ(page.list.ItemHeight(), expected);
    EXPECT_EQ(::SendMessageA(page.list.Handle(), CB_GETITEMHEIGHT, 0, 0), expected);
}

TEST(ShellDrives, FirstSelectionFromCurrentDirectory) {
    {
        CurrentDir cwd("C:\\windows");
        ASSERT_TRUE(cwd.ok);
        DrivePage page;
        EXPECT_EQ(page.list.Text().substr(0, 2), "c:");
        EXPECT_EQ(page.list.Text(), page.list.ItemText(page.list.ItemIndex()));
    }
    {
        // The current drive is not listed: nothing selected, the text reads as empty.
        CurrentDir cwd("C:\\windows");
        DrivePage page(shell::TDriveTypes{shell::dtCDROM, shell::dtFloppy});
        EXPECT_EQ(page.list.ItemIndex(), -1);
        EXPECT_EQ(page.list.Text(), "");
    }
}

TEST(ShellDrives, PictureDrawnTransparentBesideText) {
    CurrentDir cwd("C:\\windows");
    DrivePage page;
    const int index = page.list.ItemIndex();
    ASSERT_GE(index, 0);
    ASSERT_EQ(page.list.ItemKind(index), shell::dtFixed);
    const int h = page.list.ItemHeight();

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 120, h);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    auto draw = [&](UINT itemId, ULONG_PTR data) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_COMBOBOX;
        dis.CtlID = 42;
        dis.itemID = itemId;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = page.list.Handle();
        dis.hDC = dc;
        dis.rcItem = RECT{0, 0, 120, h};
        dis.itemData = data;
        tk::OwnerDrawn* control = tk::OwnerDrawn::Of(page.list.Handle());
        ASSERT_EQ(control, &page.list);
        control->Draw(dis);
    };
    draw(static_cast<UINT>(index), shell::dtFixed);
    const int top = (h - 13) / 2;
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(::GetPixel(dc, 2 + 6, top + 4), RGB(255, 0, 0)); // the picture, 2 from the left
    EXPECT_EQ(::GetPixel(dc, 2 + 9, top + 7), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 2 + 0, top + 0), window); // magenta is transparent
    EXPECT_EQ(::GetPixel(dc, 2 + 5, top + 4), window);
    // Text starts 6 pixels right of the picture: nothing drawn before column 24.
    bool textFound = false;
    for (int x = 0; x < 120; ++x)
        for (int y = 0; y < h; ++y) {
            const COLORREF c = ::GetPixel(dc, x, y);
            if (c != window && c != RGB(255, 0, 0)) {
                EXPECT_GE(x, 24) << "at " << x << "," << y;
                textFound = true;
            }
        }
    EXPECT_TRUE(textFound);

    // A kind whose picture resource is missing: text only, no picture.
    draw(static_cast<UINT>(index), shell::dtCDROM);
    EXPECT_EQ(::GetPixel(dc, 2 + 6, top + 4), window);

    // Only the list's own window is bound to it.
    EXPECT_EQ(tk::OwnerDrawn::Of(page.hwnd), nullptr);
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
}

// Drives mapped by shell_drives.sh: m: fixed "DATEN ARCHIV", n: CD-ROM (empty),
// o: network labelled "NETZ", p: floppy (labelled, must not be read),
// q: fixed "ÄRGER", r: RAM disk "RAMLABEL", s: CD-ROM whose target is missing.
TEST(ShellDriveFixture, MappedDrives) {
    if (!std::getenv("KELVAR_SHELL_DRIVES"))
        GTEST_SKIP() << "run through shell_drives.sh";
    CurrentDir cwd("M:\\");
    ASSERT_TRUE(cwd.ok);
    const UINT before = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
    DrivePage page;
    // The error mode is as it was before the labels were read.
    const UINT after = ::SetErrorMode(before);
    EXPECT_EQ(after, static_cast<UINT>(SEM_NOOPENFILEERRORBOX));
    std::vector<std::string> fixture;
    std::vector<int> kinds;
    for (int i = 0; i < page.list.Count(); ++i) {
        const std::string t = page.list.ItemText(i);
        if (t[0] >= 'm' && t[0] <= 's') {
            fixture.push_back(t);
            kinds.push_back(page.list.ItemKind(i));
        }
    }
    // Wine gives no remote name for a mapped folder, so the network drive shows its label.
    EXPECT_EQ(fixture, (std::vector<std::string>{"m: Daten archiv", "n: ", "o: Netz",
                                                 "p:", "q: ärger", "r: Ramlabel", "s: "}));
    EXPECT_EQ(kinds,
              (std::vector<int>{shell::dtFixed, shell::dtCDROM, shell::dtNetwork, shell::dtFloppy,
                                shell::dtFixed, shell::dtRAM, shell::dtCDROM}));
    EXPECT_EQ(page.list.Text(), "m: Daten archiv");
}
