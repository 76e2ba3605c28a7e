// The payload table's parser on fuzzed rooms: it must never read outside
// its input, and whatever it accepts is the table's one spelling, so that the
// table written back is byte for byte the accepted text and reads back the same.
#include "runtime/payload_table.h"
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view room(reinterpret_cast<const char*>(data), size);
    const rt::PayloadTableResult r = rt::ParsePayloadTable(room);
    if (!r.ok()) {
        if (!r.table.entries.empty() || r.Message().empty())
            std::abort();
        return 0;
    }
    for (const rt::PayloadEntry& e : r.table.entries)
        if (!rt::IsPayloadName(e.name) || e.size > rt::kPayloadSizeMax)
            std::abort();
    const std::string text = rt::FormatPayloadTable(r.table);
    if (room.substr(0, text.size()) != text ||
        room.find_first_not_of('\0', text.size()) != std::string_view::npos)
        std::abort();
    const rt::PayloadTableResult again = rt::ParsePayloadTable(text);
    if (!again.ok() || again.table != r.table)
        std::abort();
    return 0;
}
