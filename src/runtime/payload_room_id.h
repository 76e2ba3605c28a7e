#pragma once
// The resource that reserves the room for the payload table in Setup.exe
// (RCDATA; res/payload_room.rc). Only #defines here: the resource compiler
// reads this header too.
#define KELVAR_PAYLOAD_ROOM_ID 300
