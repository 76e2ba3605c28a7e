#pragma once
// Probes of a drive that may hold no medium (an empty floppy or card reader).
// On Windows such a probe first shows the system's "no disk" box unless
// critical errors are suppressed; the program's own message is meant instead.
#include <windows.h>

namespace tk {

// Sets the process error mode to SEM_FAILCRITICALERRORS for its lifetime and
// puts the previous mode back afterwards.
class CriticalErrorsSuppressed {
public:
    CriticalErrorsSuppressed() noexcept : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~CriticalErrorsSuppressed() { ::SetErrorMode(previous_); }
    CriticalErrorsSuppressed(const CriticalErrorsSuppressed&) = delete;
    CriticalErrorsSuppressed& operator=(const CriticalErrorsSuppressed&) = delete;

private:
    UINT previous_;
};

} // namespace tk
