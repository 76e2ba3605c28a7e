#include "toolkit/payload_room.h"
#include "runtime/payload_room_id.h"

namespace tk {

rt::PayloadTableResult OwnPayloadTable() {
    return PayloadTableOf(::GetModuleHandleA(nullptr));
}

rt::PayloadTableResult PayloadTableOf(HMODULE module) {
    // A resource needs no freeing: it is part of the mapped image.
    HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(KELVAR_PAYLOAD_ROOM_ID),
                                 MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = info ? ::SizeofResource(module, info) : 0;
    if (!bytes || size == 0) {
        rt::PayloadTableResult none;
        none.error = rt::PayloadTableError::NoRoom;
        return none;
    }
    return rt::ParsePayloadTable(std::string_view(static_cast<const char*>(bytes), size));
}

} // namespace tk
