#pragma once
// Resource identifiers (shared by the .rc files and the code).

#define IDI_KELVAR 1               // 32x32, 16-colour product icon
#define IDB_BACKGROUND 100         // 632x453, 256-colour background picture
#define IDB_ARROW_LEFT 101         // 16x16 glyph, white transparent
#define IDB_ARROW_RIGHT 102        // 16x16 glyph, white transparent
#include "shell/drive_resources.h" // the drive list's pictures
#define IDR_FINDFOLDER_AVI 120     // fallback find-folder animation, 80x50
#define IDB_SHELL_FIRST 200        // 200-219: shortcut dialog glyphs
