#pragma once
// The payload table bound into a program's image (runtime/payload_table.h):
// read from the RCDATA room that tools/payload_table writes after the build.
#include "runtime/payload_table.h"
#include <windows.h>

namespace tk {

// The table of this program, Setup.exe: what its signature covers.
rt::PayloadTableResult OwnPayloadTable();

// The table of a loaded module (a program loaded as a data file, too).
rt::PayloadTableResult PayloadTableOf(HMODULE module);

} // namespace tk
