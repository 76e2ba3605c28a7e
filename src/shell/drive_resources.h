#pragma once
// Resource ids of the drive list's pictures (16x13, bottom-left pixel
// transparent). The program's resource script binds them to its files.

#define IDB_DRIVE_FLOPPY 110
#define IDB_DRIVE_FIXED 111
#define IDB_DRIVE_NETWORK 112
#define IDB_DRIVE_CDROM 113
#define IDB_DRIVE_RAM 114
