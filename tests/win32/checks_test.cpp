// The registry read of the Program Files folder against a throw-away key of
// the current user, and the directory picker driven from a second thread.
#include "app/program_files_dir.h"
#include "runtime/errors.h"
#include "toolkit/dir_picker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

constexpr const char* kKey = "Software\\KELvarChecksTest";

class RegistryRead : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(key_);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    }
    void Set(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(::RegSetValueExA(key_, "ProgramFilesDir", 0, type, static_cast<const BYTE*>(data),
                                   size),
                  ERROR_SUCCESS);
    }
    std::string Read() { return ReadDirValue(HKEY_CURRENT_USER, kKey, "ProgramFilesDir"); }
    HKEY key_ = nullptr;
};

TEST_F(RegistryRead, StringsAreTakenAsStoredWithOneBackslash) {
    Set(REG_SZ, "C:\\Programme", 13);
    EXPECT_EQ(Read(), "C:\\Programme\\");
    // No expansion of variables.
    Set(REG_EXPAND_SZ, "%SystemDrive%\\Programme", 24);
    EXPECT_EQ(Read(), "%SystemDrive%\\Programme\\");
    // Up to the first zero; also when stored without a terminator.
    Set(REG_SZ, "D:\\Prog\0Rest", 13);
    EXPECT_EQ(Read(), "D:\\Prog\\");
    Set(REG_SZ, "E:\\P", 4);
    EXPECT_EQ(Read(), "E:\\P\\");
}

TEST_F(RegistryRead, MissingOrEmptyValueReadsAsEmpty) {
    EXPECT_EQ(Read(), "\\");
    Set(REG_SZ, "", 1);
    EXPECT_EQ(Read(), "\\");
    Set(REG_EXPAND_SZ, "", 0);
    EXPECT_EQ(Read(), "\\");
    // A key that is not there is not created, and reads as empty text.
    EXPECT_EQ(
        ReadDirValue(HKEY_CURRENT_USER, "Software\\KELvarChecksTest\\Nope", "ProgramFilesDir"), "");
    HKEY probe = nullptr;
    EXPECT_NE(
        ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KELvarChecksTest\\Nope", 0, KEY_READ, &probe),
        ERROR_SUCCESS);
}

TEST_F(RegistryRead, OtherTypesRaiseTheInvalidTypeError) {
    const DWORD dword = 5;
    for (DWORD type : {REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_QWORD}) {
        Set(type, &dword, sizeof dword);
        try {
            Read();
            ADD_FAILURE() << "no error for type " << type;
        } catch (const rt::ERegistryException& e) {
            EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'ProgramFilesDir'");
        }
    }
    // An empty value of another type is still of another type.
    Set(REG_BINARY, nullptr, 0);
    EXPECT_THROW(Read(), rt::ERegistryException);
}

TEST_F(RegistryRead, TheMachineValueIsReadThroughTheSameRoute) {
    // The prefix's own value; whatever it is, it ends in exactly the one added backslash.
    const std::string dir = ReadProgramFilesDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
}

// --- The directory picker ---------------------------------------------------

// Finds the picker of this process, waiting a few seconds.
HWND WaitForWindow(const char* cls, const char* caption) {
    for (int i = 0; i < 200; ++i) {
        HWND h = ::FindWindowA(cls, caption);
        if (h && ::IsWindowVisible(h))
            return h;
        ::Sleep(25);
    }
    return nullptr;
}

std::string Text(HWND h) {
    char buf[MAX_PATH * 2] = {};
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

// Runs the picker on this thread while `drive` acts on it from another.
bool RunPicker(const std::string& start, std::string& chosen,
               const std::function<void(HWND dlg)>& drive) {
    std::thread t([&] {
        HWND dlg = WaitForWindow("#32770", "Verzeichnis auswählen");
        if (!dlg) {
            ADD_FAILURE() << "picker did not open";
            return;
        }
        drive(dlg);
    });
    const bool ok = tk::SelectDirectory(nullptr, start, chosen);
    t.join();
    return ok;
}

void Click(HWND dlg, int id) {
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
}

class Picker : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, tmp);
        base_ = std::string(tmp) + "kelvar-picker";
        ::CreateDirectoryA(base_.c_str(), nullptr);
        ::CreateDirectoryA((base_ + "\\Sub").c_str(), nullptr);
        HANDLE f = ::CreateFileA((base_ + "\\datei.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr);
        ::CloseHandle(f);
        char cwd[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, cwd);
        cwd_ = cwd;
    }
    void TearDown() override {
        ::DeleteFileA((base_ + "\\datei.txt").c_str());
        ::RemoveDirectoryA((base_ + "\\Sub").c_str());
        ::RemoveDirectoryA(base_.c_str());
    }
    std::string CurrentDir() {
        char cwd[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, cwd);
        return cwd;
    }
    std::string base_, cwd_;
};

TEST_F(Picker, OpensAtTheStartFolderWithItsTreeFilesAndDrives) {
    std::string path, chosen;
    std::vector<std::string> dirs, files;
    std::string drive, network;
    const bool ok = RunPicker(base_, chosen, [&](HWND dlg) {
        path = Text(::GetDlgItem(dlg, tk::kPickerPath));
        HWND d = ::GetDlgItem(dlg, tk::kPickerDirs), f = ::GetDlgItem(dlg, tk::kPickerFiles);
        char buf[MAX_PATH];
        for (int i = 0; i < ::SendMessageA(d, LB_GETCOUNT, 0, 0); ++i) {
            ::SendMessageA(d, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
            dirs.push_back(buf);
        }
        for (int i = 0; i < ::SendMessageA(f, LB_GETCOUNT, 0, 0); ++i) {
            ::SendMessageA(f, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
            files.push_back(buf);
        }
        HWND c = ::GetDlgItem(dlg, tk::kPickerDrives);
        const LRESULT sel = ::SendMessageA(c, CB_GETCURSEL, 0, 0);
        if (sel != CB_ERR) {
            ::SendMessageA(c, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(buf));
            drive = buf;
        }
        network = Text(::GetDlgItem(dlg, tk::kPickerNetwork));
        Click(dlg, IDCANCEL);
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(chosen.empty());
    EXPECT_TRUE(::lstrcmpiA(path.c_str(), base_.c_str()) == 0) << path;
    ASSERT_GE(dirs.size(), 3u);
    EXPECT_TRUE(::lstrcmpiA(dirs[0].c_str(), (base_.substr(0, 3)).c_str()) == 0) << dirs[0];
    EXPECT_EQ(dirs.back(), "Sub");
    EXPECT_EQ(files, (std::vector<std::string>{"datei.txt"}));
    const char letter = static_cast<char>(base_[0] | 0x20); // drive letters are a-z
    EXPECT_EQ(drive, std::string("[-") + letter + "-]");
    EXPECT_EQ(network, "Ne&tzwerk...");
    // Browsing changed the process's current directory only while the picker was open.
    EXPECT_EQ(CurrentDir(), cwd_);
}

TEST_F(Picker, ATypedExistingPathIsReturnedFullAndWithoutBackslash) {
    std::string chosen;
    ::SetCurrentDirectoryA(base_.c_str());
    const bool ok = RunPicker("", chosen, [&](HWND dlg) {
        // Relative to the folder shown, which is the current directory.
        ::SetDlgItemTextA(dlg, tk::kPickerPath, "Sub\\");
        Click(dlg, IDOK);
    });
    ::SetCurrentDirectoryA(cwd_.c_str());
    EXPECT_TRUE(ok);
    EXPECT_TRUE(::lstrcmpiA(chosen.c_str(), (base_ + "\\Sub").c_str()) == 0) << chosen;
}

TEST_F(Picker, StartFolderThatCannotBeEnteredFallsBackToTheCurrentDirectory) {
    std::string path, chosen;
    RunPicker(base_ + "\\gibt-es-nicht", chosen, [&](HWND dlg) {
        path = Text(::GetDlgItem(dlg, tk::kPickerPath));
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(path, cwd_);
}

TEST_F(Picker, ANewPathIsAskedForAndNotCreated) {
    const std::string fresh = base_ + "\\Neu\\Tiefer";
    std::string chosen;
    std::atomic<int> questions{0};
    std::string question, caption;
    const bool ok = RunPicker(base_, chosen, [&](HWND dlg) {
        ::SetDlgItemTextA(dlg, tk::kPickerPath, fresh.c_str());
        for (const char* answer : {"&Nein", "&Ja"}) {
            Click(dlg, IDOK);
            HWND box = WaitForWindow("TMessageForm", nullptr);
            if (!box) {
                ADD_FAILURE() << "no question";
                return;
            }
            ++questions;
            caption = Text(box);
            char text[256] = {};
            HWND child = nullptr;
            while ((child = ::FindWindowExA(box, child, "Static", nullptr)))
                if (::GetWindowTextA(child, text, sizeof text) > 0)
                    question = text;
            HWND button = ::FindWindowExA(box, nullptr, "Button", answer);
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
            for (int i = 0; i < 200 && ::IsWindow(box); ++i)
                ::Sleep(25);
            // "&Nein" leaves the picker open with the typed path.
            if (std::string(answer) == "&Nein") {
                EXPECT_TRUE(::IsWindowVisible(dlg));
                EXPECT_EQ(Text(::GetDlgItem(dlg, tk::kPickerPath)), fresh);
            }
        }
    });
    EXPECT_EQ(questions.load(), 2);
    EXPECT_EQ(caption, "Bestätigung");
    EXPECT_EQ(question, "Das angegebene Verzeichnis existiert nicht. Soll es angelegt werden?");
    EXPECT_TRUE(ok);
    EXPECT_EQ(chosen, fresh);
    // Left to the installation run, which refuses nothing that Next let pass.
    EXPECT_EQ(::GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesA((base_ + "\\Neu").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
