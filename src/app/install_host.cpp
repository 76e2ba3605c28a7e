#include "app/install_host.h"
#include "shell/shortcut_dialog.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/file_hash.h"
#include "toolkit/files.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"
#include <shellapi.h>
#include <windows.h>

namespace app {

InstallRunHost::~InstallRunHost() {
    // A drive of a million entries leaves some 100 MB in the lists: freeing
    // them takes a while of its own, so a worker does it while the window
    // answers.
    try {
        tk::PumpDuring([this] { lists_ = snapshot::WorkLists{}; });
    } catch (...) {
        // Freeing raises nothing; whatever a handler might, the run is over.
    }
}

void InstallRunHost::ShowError(const std::string& text) {
    tk::MessageDlg(text, tk::MsgDlgType::mtError, tk::mbOK);
}

bool InstallRunHost::Confirm(const std::string& text) {
    return tk::MessageDlg(text, tk::MsgDlgType::mtConfirmation, tk::mbYesNo) ==
           tk::ModalResult::mrYes;
}

void InstallRunHost::BlockSessionEnd() {
    if (!sessionEnd_)
        sessionEnd_.emplace(window_, txt::SessionEndReason);
}

// --- The machine -------------------------------------------------------------------

bool InstallRunHost::DirectoryExists(const std::string& path) {
    return tk::DirectoryExists(path);
}

bool InstallRunHost::ForceDirectories(const std::string& path) {
    // Launch.exe is started elevated at the end: nothing that someone else
    // made or linked may lie on the way, ordinary users must not be able to
    // change the folder, and it is held so that it cannot be swapped.
    // The name page found the target missing: if it is there now, someone
    // else made it meanwhile.
    if (tk::CreateTargetFolder(path) != tk::TargetFolder::Created)
        return false;
    targetHold_ = tk::HoldFolder(path);
    return static_cast<bool>(targetHold_);
}

NewTempDir InstallRunHost::CreateTempDir(const std::string& path) {
    switch (tk::CreateAdminFolder(path, tempDirHold_)) {
    case tk::NewFolder::Created:
        tempDir_ = path + "\\";
        return NewTempDir::Created;
    case tk::NewFolder::Taken:
        return NewTempDir::Taken;
    case tk::NewFolder::Failed:
        break;
    }
    return NewTempDir::Failed;
}

std::vector<std::string> InstallRunHost::FindFiles(const std::string& dir,
                                                   const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    tk::FindHandle find(::FindFirstFileA((dir + "\\" + pattern).c_str(), &fd));
    if (!find)
        return names;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(fd.cFileName);
    while (::FindNextFileA(find.get(), &fd));
    return names;
}

bool InstallRunHost::Copy(const std::string& from, const std::string& to) {
    // A big packed file or a slow medium (CD, USB stick, network share) must
    // not freeze the window: the copy runs on a worker while this thread
    // handles messages, with no gap while one chunk is read. Pumping inside a
    // progress routine would leave such gaps, and a modal loop entered there
    // would hold the copy with the destination open. The buttons are hidden
    // or disabled, a second command and a close request are refused, so
    // handling messages here starts nothing.
    const bool intoTemp = !tempDir_.empty() && to.size() > tempDir_.size() &&
                          to.compare(0, tempDir_.size(), tempDir_) == 0 &&
                          to.find('\\', tempDir_.size()) == std::string::npos;
    if (!intoTemp)
        return tk::WhilePumping([&] {
            return ::CopyFileExA(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, 0) != FALSE;
        });
    // Each copy into the temporary folder is checked next: hashed on its way
    // in, a big packed file is read once instead of twice, and its hash costs
    // little beyond the copy.
    copied_.erase(to);
    std::uint64_t bytes = 0;
    rt::Sha256 hash{};
    if (!tk::WhilePumping([&] { return tk::CopyFileSha256(from, to, bytes, hash); }))
        return false;
    copied_.emplace(to, rt::RecordedDigest(to, bytes, hash));
    return true;
}

bool InstallRunHost::IsGenuine(const std::string& path) {
    if (!payload_.ok())
        return false;
    tk::PlatformDigests digests(/*pumping=*/true);
    const auto recorded = copied_.find(path);
    rt::FileDigests& source =
        recorded != copied_.end() ? static_cast<rt::FileDigests&>(recorded->second) : digests;
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    if (rt::Check(payload_.table, name, path, source) != rt::Verdict::Ok)
        return false;
    genuine_.insert(path);
    return true;
}

void InstallRunHost::SetArchiveOnly(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

void InstallRunHost::Delete(const std::string& path) {
    copied_.erase(path);
    genuine_.erase(path);
    // Freeing a copy of a few hundred MB takes the file system a while: a
    // worker does it. Under Wine the server unlinks a file, and answers no
    // program meanwhile (0.1 to 0.2 s for 300 MB here): the worker empties it
    // first, so that the unlink has nothing left to free.
    tk::WhilePumping([&] { return tk::EmptyAndDelete(path); });
}

bool InstallRunHost::RemoveDir(const std::string& path) {
    tempDirHold_.Release();
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

void InstallRunHost::WriteTextFile(const std::string& path, const std::vector<std::string>& lines) {
    tk::WriteTextFile(path, lines);
}

// --- The other components -------------------------------------------------------------

RestoreResult InstallRunHost::Restore(const std::string& archive, const std::string& targetDir) {
    // A volume that a disk prompt leads to was not there when the row was
    // copied and checked: it is checked as the restore opens it.
    archive_.AcceptVolume = [this](const std::string& path) {
        return genuine_.count(path) != 0 || IsGenuine(path);
    };
    try {
        return archive_.Restore(archive, targetDir) ? RestoreResult::Restored
                                                    : RestoreResult::Failed;
    } catch (const EForeignVolume&) {
        return RestoreResult::Foreign;
    }
}

void InstallRunHost::TakeDriveSnapshot(char letter, const std::string& designation,
                                       const std::string& targetDir) {
    snapshot::TakeDriveSnapshot(snapshots_, lists_, letter, designation, targetDir);
}

void InstallRunHost::TakeRegistrySnapshot(const std::string& targetDir) {
    snapshots_.ShowStatus(txt::RegistryReading);
    snapshot::TakeRegistrySnapshot(snapshots_, lists_, targetDir);
}

void InstallRunHost::ShowShortcutDialog(const std::string& targetDir) {
    if (shortcuts_)
        shortcuts_->ShowModal(targetDir);
}

void InstallRunHost::StartLauncher(const std::string& path) {
    // The product's own folder as its working directory: a DLL it looks for by
    // name must not come from the folder Setup.exe was downloaded to.
    const std::string folder = path.substr(0, path.find_last_of('\\'));
    ::ShellExecuteA(tk::ApplicationWindow(), "open", path.c_str(), nullptr, folder.c_str(),
                    SW_SHOWNORMAL);
}

std::string InstallerFolder() {
    char path[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string exe(path, n);
    const auto slash = exe.find_last_of("\\:");
    // "D:\Setup.exe" gives "D:"; the backslash of a root is not kept.
    return rt::WithoutTrailingBackslash(slash == std::string::npos ? std::string()
                                                                   : exe.substr(0, slash + 1));
}

} // namespace app
