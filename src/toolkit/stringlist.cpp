#include "toolkit/stringlist.h"

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <windows.h>

namespace tk {

namespace {

constexpr LCID kSortLocale = LOCALE_USER_DEFAULT;
constexpr DWORD kSortFlags = NORM_IGNORECASE;

int Compare(const std::string& a, const std::string& b) {
    return ::CompareStringA(kSortLocale, kSortFlags, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size()));
}

// All sort keys of a list in one block: calling CompareStringA inside the sort
// costs seconds on a million entries, comparing ready-made keys does not.
class SortKeys {
public:
    explicit SortKeys(const std::vector<std::string>& items) {
        offsets_.reserve(items.size() + 1);
        // A key takes roughly two bytes per character plus its section marks.
        std::size_t guess = 0;
        for (const auto& s : items) guess += s.size() * 2 + 8;
        bytes_.reserve(guess);
        for (const auto& s : items) Append(s);
        offsets_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    }

    // Key comparison; equal keys fall back to the raw bytes so that the order
    // never depends on the order in which the entries were added.
    bool Less(std::uint32_t a, std::uint32_t b, const std::vector<std::string>& items) const {
        const auto la = offsets_[a + 1] - offsets_[a];
        const auto lb = offsets_[b + 1] - offsets_[b];
        const int c = std::memcmp(bytes_.data() + offsets_[a], bytes_.data() + offsets_[b], std::min(la, lb));
        if (c != 0) return c < 0;
        if (la != lb) return la < lb;
        return items[a] < items[b];
    }

private:
    void Append(const std::string& s) {
        offsets_.push_back(static_cast<std::uint32_t>(bytes_.size()));
        if (s.empty()) return; // LCMapStringA rejects a zero length; the empty key sorts first
        const int len = static_cast<int>(s.size());
        const std::size_t at = bytes_.size();
        std::size_t room = s.size() * 3 + 16;
        for (;;) {
            bytes_.resize(at + room);
            const int n = ::LCMapStringA(kSortLocale, LCMAP_SORTKEY | kSortFlags, s.data(), len,
                                         reinterpret_cast<char*>(bytes_.data() + at), static_cast<int>(room));
            if (n > 0) {
                // The key ends with a zero byte that carries no order.
                bytes_.resize(at + static_cast<std::size_t>(n) - (bytes_[at + n - 1] == 0 ? 1 : 0));
                return;
            }
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || room > s.size() * 16 + 64) {
                // No key to be had: fall back to the bytes themselves, still deterministic.
                bytes_.resize(at);
                bytes_.insert(bytes_.end(), s.begin(), s.end());
                return;
            }
            room *= 2;
        }
    }

    std::vector<unsigned char> bytes_;
    std::vector<std::uint32_t> offsets_;
};

} // namespace

void TStringList::Add(std::string s) {
    if (!sorted_) {
        items_.push_back(std::move(s));
        return;
    }
    // Sorted: after the last entry that does not sort after the new one, so
    // that duplicates are kept in the order they were added.
    auto it = std::upper_bound(items_.begin(), items_.end(), s,
                               [](const std::string& a, const std::string& b) { return Compare(a, b) == CSTR_LESS_THAN; });
    items_.insert(it, std::move(s));
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (!sorted || items_.size() < 2) return;

    std::vector<std::uint32_t> order(items_.size());
    std::iota(order.begin(), order.end(), 0u);
    {
        const SortKeys keys(items_);
        std::sort(order.begin(), order.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return keys.Less(a, b, items_); });
    } // the keys are gone before the strings are moved into place
    std::vector<std::string> sortedItems;
    sortedItems.reserve(items_.size());
    for (auto i : order) sortedItems.push_back(std::move(items_[i]));
    items_.swap(sortedItems);
}

void TStringList::SaveToFile(const std::string& path) const {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw rt::EFCreateError(rt::Format(txt::SFCreateError, path.c_str()));

    constexpr std::size_t kChunk = 1 << 20;
    std::string buffer;
    buffer.reserve(kChunk + 4096);
    auto flush = [&] {
        const char* p = buffer.data();
        std::size_t left = buffer.size();
        while (left > 0) {
            DWORD written = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
            if (!::WriteFile(file.get(), p, want, &written, nullptr) || written == 0)
                throw rt::EWriteError(txt::SWriteError);
            p += written;
            left -= written;
        }
        buffer.clear();
    };
    for (const auto& s : items_) {
        buffer += s;
        buffer += "\r\n";
        if (buffer.size() >= kChunk) flush();
    }
    flush();
    if (!::CloseHandle(file.release())) throw rt::EWriteError(txt::SWriteError);
}

} // namespace tk
