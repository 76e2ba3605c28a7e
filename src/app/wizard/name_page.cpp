#include "app/wizard/name_page.h"
#include "app/program_files_dir.h"
#include "runtime/strutil.h"
#include "toolkit/accessible.h"
#include "toolkit/dir_picker.h"
#include "toolkit/error_mode.h"
#include "toolkit/files.h"

namespace wizard {

namespace {

std::string WindowsDirectory() {
    char buf[MAX_PATH + 1] = {};
    const UINT n = ::GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// Bytes available to the current user; drive 0 is the current drive. -1 when the query fails.
std::int64_t FreeSpace(int drive) {
    std::string root;
    if (drive > 0)
        root = {static_cast<char>('A' + drive - 1), ':', '\\'};
    ULARGE_INTEGER avail{};
    tk::CriticalErrorsSuppressed quiet;
    if (!::GetDiskFreeSpaceExA(root.empty() ? nullptr : root.c_str(), &avail, nullptr, nullptr))
        return -1;
    // Signed as the check compares it; no drive holds 2^63 bytes.
    return static_cast<std::int64_t>(avail.QuadPart);
}

} // namespace

void NamePage::CreateControls() {
    using namespace layout::name;
    const HWND sheet = sheet_.Handle();
    nameEdit_ = CreateStd("Edit", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, sheet,
                          kIdNameEdit, kNameEdit);
    targetEdit_ = CreateStd("Edit", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, sheet,
                            kIdTargetEdit, kTargetEdit);
    CreateLabels(sheet, kLabels, labels_);
    // A screen reader names each field after the label beside it.
    tk::NameAfterLabel(nameEdit_, labels_[kNameCaption].Handle());
    tk::NameAfterLabel(targetEdit_, labels_[kTargetCaption].Handle());
}

void NamePage::OnEnter(const WizardModel& model) {
    // Only a proposal from the agreement page changes the field: setting the
    // same text again would move the caret.
    if (tk::WindowText(targetEdit_) != model.target)
        ::SetWindowTextA(targetEdit_, model.target.c_str());
}

bool NamePage::OnLeave(WizardModel& model) {
    model.name = tk::WindowText(nameEdit_);
    model.target = tk::WindowText(targetEdit_);
    const NameCheckPlatform platform{tk::DirectoryExists, WindowsDirectory(), FreeSpace};
    const auto complaint = ComplaintFor(CheckNamePage(model.name, model.target, platform));
    if (!complaint)
        return true;
    HWND fields[] = {nullptr, nameEdit_, targetEdit_}; // by Focus
    Complain(*complaint, fields[static_cast<int>(complaint->focus)]);
    return false;
}

bool NamePage::Handles(int id, int code) const {
    return id == kIdBrowseLink && code == STN_CLICKED;
}

void NamePage::OnCommand(int, int) {
    OnBrowse();
}

void NamePage::OnBrowse() {
    std::string start = rt::WithoutTrailingBackslash(ReadProgramFilesDir());
    if (!tk::DirectoryExists(start))
        start.clear();
    std::string chosen;
    if (tk::SelectDirectory(::GetAncestor(sheet_.Handle(), GA_ROOT), start, chosen))
        ::SetWindowTextA(targetEdit_, chosen.c_str());
}

} // namespace wizard
