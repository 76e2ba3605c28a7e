#include "app/wizard/wizard_model.h"
#include "runtime/strutil.h"

namespace wizard {

DriveChoice DriveChoice::FromItem(std::string_view itemText, shell::TDriveType kind) {
    DriveChoice c;
    c.shown_ = std::string(itemText.substr(0, 2));
    c.kind_ = kind;
    return c;
}

std::string DriveChoice::Root() const {
    return rt::UpperAZ(shown_);
}

std::string DriveChoice::RootFolder() const {
    return shown_ + '\\';
}

bool DriveChoice::Holds(std::string_view targetDir) const {
    // With no drive chosen there is nothing to compare.
    return !shown_.empty() && rt::SameTextAZ(shown_, targetDir.substr(0, 2));
}

std::string WizardModel::TargetDir() const {
    return rt::WithoutTrailingBackslash(target);
}

} // namespace wizard
