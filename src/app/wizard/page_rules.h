#pragma once
// What decides whether a page lets the user go on, free of Windows: each
// page's check in its order, and the box it answers a failed check with. The
// platform queries are passed in, so the rules are tested natively.
#include "app/wizard/wizard_model.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace wizard {

// 20 MB as the free-space check counts them (20 x 1,048,576, not 20,000,000).
inline constexpr std::int64_t kMinFreeSpace = 20LL * 1048576;

// The folder the product goes into below the Program Files folder.
inline constexpr const char* kProductFolder = "KELvar 5.0";

// 1 for A (or a) to 26 for Z; any other character gives 0, the current drive.
int DriveNumber(char c);

// Free space as the query reports it: -1 when the query failed, which is too little.
bool EnoughFreeSpace(std::int64_t available);

// The target the agreement page proposes: the Program Files folder as read
// (with its backslash, or empty) and the product folder. "C:\Programme\" gives
// "C:\Programme\KELvar 5.0", "" gives "\KELvar 5.0".
std::string DefaultTargetDir(const std::string& programFiles);

// The box a page answers a failed check with, and where the focus goes after it.
enum class Severity { Information, Warning, Error };
enum class Focus { Unchanged, Name, Target };
struct Complaint {
    const char* text;
    Severity severity;
    Focus focus;
    bool operator==(const Complaint& o) const {
        return std::string_view(text) == o.text && severity == o.severity && focus == o.focus;
    }
};

// Agreement page: the consent box must be ticked.
std::optional<Complaint> CheckAgreement(bool agreed);

// Name page: the first check that fails, or Ok.
enum class NameCheck { Ok, NoName, NoTarget, TargetExists, NotWindowsDrive, TooLittleSpace };

struct NameCheckPlatform {
    std::function<bool(const std::string& path)> directoryExists;
    std::string windowsDir;
    // Bytes available to the user on drive 1..26, or on the current drive for 0; -1 on failure.
    std::function<std::int64_t(int drive)> freeSpace;
};

NameCheck CheckNamePage(const std::string& name, const std::string& target,
                        const NameCheckPlatform& platform);
std::optional<Complaint> ComplaintFor(NameCheck check);

// Drive page: the chosen drive's root must be there (a medium may have been taken out).
std::optional<Complaint> CheckDrive(const DriveChoice& drive,
                                    const std::function<bool(const std::string&)>& directoryExists);

} // namespace wizard
