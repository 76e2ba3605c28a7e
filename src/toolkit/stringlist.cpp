#include "toolkit/stringlist.h"

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
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

// The sort keys of a list, made once per entry: calling CompareStringA inside
// the sort costs seconds on a million entries, comparing ready-made keys does
// not. Keys are packed into blocks that are filled and never moved, so the
// memory they take is the keys themselves and ten bytes per entry.
class SortKeys {
public:
    explicit SortKeys(const std::vector<std::string>& items) : items_(items) {
        where_.reserve(items.size());
        for (const auto& s : items)
            Append(s);
    }

    // Key comparison; equal keys fall back to the raw bytes so that the order
    // never depends on the order in which the entries were added.
    bool Less(std::uint32_t a, std::uint32_t b) const {
        const unsigned char* ka = At(a);
        const unsigned char* kb = At(b);
        const unsigned la = ka[0] | (ka[1] << 8), lb = kb[0] | (kb[1] << 8);
        const int c = std::memcmp(ka + 2, kb + 2, std::min(la, lb));
        if (c != 0)
            return c < 0;
        if (la != lb)
            return la < lb;
        return items_[a] < items_[b];
    }

private:
    static constexpr std::uint32_t kBlockBits = 20; // 1 MB blocks
    static constexpr std::size_t kBlock = std::size_t(1) << kBlockBits;

    const unsigned char* At(std::uint32_t i) const {
        const std::uint64_t w = where_[i];
        return blocks_[w >> kBlockBits].get() + (w & (kBlock - 1));
    }

    void Append(const std::string& s) {
        std::size_t n = 0;
        if (!s.empty()) {
            // A key takes about two bytes per character; four is room enough.
            if (scratch_.size() < s.size() * 4 + 64)
                scratch_.resize(s.size() * 4 + 64);
            int r = ::LCMapStringA(
                kSortLocale, LCMAP_SORTKEY | kSortFlags, s.data(), static_cast<int>(s.size()),
                reinterpret_cast<char*>(scratch_.data()), static_cast<int>(scratch_.size()));
            if (r <= 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
                r = ::LCMapStringA(kSortLocale, LCMAP_SORTKEY | kSortFlags, s.data(),
                                   static_cast<int>(s.size()), nullptr, 0);
                scratch_.resize(static_cast<std::size_t>(std::max(r, 0)) + 64);
                r = ::LCMapStringA(
                    kSortLocale, LCMAP_SORTKEY | kSortFlags, s.data(), static_cast<int>(s.size()),
                    reinterpret_cast<char*>(scratch_.data()), static_cast<int>(scratch_.size()));
            }
            if (r > 0) {
                n = static_cast<std::size_t>(r);
                if (scratch_[n - 1] == 0)
                    --n; // the closing zero carries no order
            } else {
                // No key to be had: the bytes themselves, still deterministic.
                scratch_.assign(s.begin(), s.end());
                n = s.size();
            }
        }
        n = std::min<std::size_t>(n, 0xFFFF);
        if (blocks_.empty() || used_ + n + 2 > kBlock) {
            blocks_.emplace_back(new unsigned char[std::max(kBlock, n + 2)]);
            used_ = 0;
        }
        unsigned char* p = blocks_.back().get() + used_;
        p[0] = static_cast<unsigned char>(n & 0xFF);
        p[1] = static_cast<unsigned char>(n >> 8);
        std::memcpy(p + 2, scratch_.data(), n);
        where_.push_back((static_cast<std::uint64_t>(blocks_.size() - 1) << kBlockBits) | used_);
        used_ += n + 2;
    }

    const std::vector<std::string>& items_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t used_ = 0;
    std::vector<std::uint64_t> where_;
    std::vector<unsigned char> scratch_;
};

} // namespace

void TStringList::Add(std::string s) {
    if (!sorted_) {
        items_.push_back(std::move(s));
        return;
    }
    // Sorted: after the last entry that does not sort after the new one, so
    // that duplicates are kept in the order they were added.
    auto it = std::upper_bound(
        items_.begin(), items_.end(), s,
        [](const std::string& a, const std::string& b) { return Compare(a, b) == CSTR_LESS_THAN; });
    items_.insert(it, std::move(s));
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (!sorted || items_.size() < 2)
        return;

    std::vector<std::uint32_t> order(items_.size());
    std::iota(order.begin(), order.end(), 0u);
    {
        const SortKeys keys(items_);
        std::sort(order.begin(), order.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return keys.Less(a, b); });
    } // the keys are gone before the strings are moved into place
    std::vector<std::string> sortedItems;
    sortedItems.reserve(items_.size());
    for (auto i : order)
        sortedItems.push_back(std::move(items_[i]));
    items_.swap(sortedItems);
}

void TStringList::SaveToFile(const std::string& path) const {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw rt::EFCreateError(rt::Format(txt::SFCreateError, path.c_str()));

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
        if (buffer.size() >= kChunk)
            flush();
    }
    flush();
    if (!::CloseHandle(file.release()))
        throw rt::EWriteError(txt::SWriteError);
}

} // namespace tk
