#include "app/wizard/page_rules.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"

namespace wizard {

int DriveNumber(char c) {
    const char u = rt::UpperAZ(c);
    return (u >= 'A' && u <= 'Z') ? u - 'A' + 1 : 0;
}

bool EnoughFreeSpace(std::int64_t available) {
    return available >= kMinFreeSpace;
}

std::string DefaultTargetDir(const std::string& programFiles) {
    std::string dir = programFiles;
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir + kProductFolder;
}

std::optional<Complaint> CheckAgreement(bool agreed) {
    if (agreed)
        return std::nullopt;
    return Complaint{txt::MustAgree, Severity::Information, Focus::Unchanged};
}

NameCheck CheckNamePage(const std::string& name, const std::string& target,
                        const NameCheckPlatform& platform) {
    // Blanks decide emptiness only; everything after works with the text as typed.
    if (rt::Trim(name).empty())
        return NameCheck::NoName;
    if (rt::Trim(target).empty())
        return NameCheck::NoTarget;
    if (platform.directoryExists(rt::WithoutTrailingBackslash(target)))
        return NameCheck::TargetExists;
    // Only a full drive path: "Cxy" or "C:xy" would install relative to
    // whatever folder happens to be current.
    const std::string& win = platform.windowsDir;
    if (win.empty() || target.size() < 3 || target[1] != ':' || target[2] != '\\' ||
        rt::UpperAZ(target[0]) != rt::UpperAZ(win[0]))
        return NameCheck::NotWindowsDrive;
    if (!EnoughFreeSpace(platform.freeSpace(DriveNumber(target[0]))))
        return NameCheck::TooLittleSpace;
    return NameCheck::Ok;
}

std::optional<Complaint> ComplaintFor(NameCheck check) {
    switch (check) {
    case NameCheck::NoName:
        return Complaint{txt::NoName, Severity::Information, Focus::Name};
    case NameCheck::NoTarget:
        return Complaint{txt::NoTarget, Severity::Information, Focus::Target};
    case NameCheck::TargetExists:
        return Complaint{txt::TargetExists, Severity::Warning, Focus::Target};
    case NameCheck::NotWindowsDrive:
        return Complaint{txt::NotWindowsDrive, Severity::Warning, Focus::Target};
    case NameCheck::TooLittleSpace:
        // The space is the drive's, not the field's: the focus stays where it was.
        return Complaint{txt::TooLittleSpace, Severity::Warning, Focus::Unchanged};
    case NameCheck::Ok:
        break;
    }
    return std::nullopt;
}

std::optional<Complaint>
CheckDrive(const DriveChoice& drive,
           const std::function<bool(const std::string&)>& directoryExists) {
    if (directoryExists(drive.RootFolder()))
        return std::nullopt;
    return Complaint{txt::DriveNotAccessible, Severity::Error, Focus::Unchanged};
}

} // namespace wizard
