#include "toolkit/stringlist.h"

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/files.h"
#include "toolkit/handles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
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
// not. Paths share long key prefixes, which shapes both halves:
// - Memory: a key is kept without the bytes it shares with the key before it
//   (every 16th in full, so that no lookup walks far back), with its closing
//   zero, in 1 MB blocks that are filled and never moved.
// - Time: the sort goes by eight key bytes at a time (a most-significant-first
//   radix sort), so each pass sorts plain integers held in the records and no
//   shared prefix is compared twice.
class SortKeys {
public:
    struct Entry {
        std::uint64_t chunk; // eight key bytes from the current depth, big-endian
        std::uint32_t item;  // index into the list
    };

    SortKeys(const std::vector<std::string>& items, std::vector<Entry>& entries) : items_(items) {
        where_.reserve(items.size());
        shared_.reserve(items.size());
        entries.reserve(items.size());
        for (std::uint32_t i = 0; i < items.size(); ++i) {
            Append(items[i], i % 16 == 0);
            entries.push_back({0, i});
        }
    }

    void Sort(Entry* first, Entry* last, std::size_t depth) const {
        // Where all chunks agree (common at the start of paths) there is nothing
        // to sort: go deeper in a loop, so that long equal prefixes cost no stack.
        for (;; depth += 8) {
            bool same = true;
            for (Entry* e = first; e != last; ++e) {
                e->chunk = Chunk(e->item, depth);
                same = same && e->chunk == first->chunk;
            }
            if (!same || (first->chunk & 0xFF) == 0)
                break;
        }
        std::sort(first, last, [](const Entry& a, const Entry& b) { return a.chunk < b.chunk; });
        while (first != last) {
            Entry* run = first + 1;
            while (run != last && run->chunk == first->chunk)
                ++run;
            if (run - first > 1) {
                if (first->chunk & 0xFF)
                    Sort(first, run, depth + 8);
                else // the keys ended here and are equal: the raw bytes decide, so that
                     // the order never depends on the order in which entries were added
                    std::sort(first, run, [this](const Entry& a, const Entry& b) {
                        return items_[a.item] < items_[b.item];
                    });
            }
            first = run;
        }
    }

private:
    static constexpr std::uint32_t kBlockBits = 20; // 1 MB blocks, 4096 of them at most
    static constexpr std::size_t kBlock = std::size_t(1) << kBlockBits;

    // Eight bytes of item i's key from depth on, never read past its closing
    // zero. A byte the key shares with the key before it is stored there (or
    // further back): walk back to the key that holds it.
    std::uint64_t Chunk(std::uint32_t i, std::size_t depth) const {
        std::uint64_t c = 0;
        std::size_t b = depth;
        while (b < depth + 8) {
            std::uint32_t j = i;
            std::size_t same = SIZE_MAX; // bytes below this are equal in keys j..i
            while (b < shared_[j]) {
                same = std::min<std::size_t>(same, shared_[j]);
                --j;
            }
            const unsigned char* p = blocks_[where_[j] >> kBlockBits].get() +
                                     (where_[j] & (kBlock - 1)) + (b - shared_[j]);
            for (; b < depth + 8 && b < same; ++b, ++p) {
                if (*p == 0)
                    return c << (8 * (depth + 8 - b));
                c = c << 8 | *p;
            }
        }
        return c;
    }

    void Append(const std::string& s, bool full) {
        // A key takes about two bytes per character; four is room enough.
        const std::size_t room = std::min(s.size() * 4 + 64, kBlock);
        if (key_.size() < room)
            key_.resize(room);
        std::size_t n = 0;
        if (!s.empty()) {
            const int r =
                ::LCMapStringA(kSortLocale, LCMAP_SORTKEY | kSortFlags, s.data(),
                               static_cast<int>(s.size()), key_.data(), static_cast<int>(room));
            if (r > 0) {
                n = static_cast<std::size_t>(r) - 1; // the key holds no zero but its last byte
            } else {
                // No key to be had: the bytes themselves, still deterministic.
                n = std::min(s.size(), room - 1);
                std::memcpy(key_.data(), s.data(), n);
            }
        }
        key_[n] = 0;
        std::size_t shared = 0;
        if (!full)
            while (shared < std::min<std::size_t>(n, 0xFFFF) && key_[shared] == prev_[shared])
                ++shared;
        const std::size_t stored = n + 1 - shared;
        if (blocks_.empty() || used_ + stored > kBlock) {
            if (blocks_.size() >= (std::size_t(1) << (32 - kBlockBits)))
                throw std::length_error("sort keys");
            blocks_.emplace_back(new unsigned char[kBlock]);
            used_ = 0;
        }
        std::memcpy(blocks_.back().get() + used_, key_.data() + shared, stored);
        where_.push_back(static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | used_));
        shared_.push_back(static_cast<std::uint16_t>(shared));
        used_ += stored;
        key_.swap(prev_);
    }

    const std::vector<std::string>& items_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t used_ = 0;
    std::vector<std::uint32_t> where_;  // per item: where its stored bytes start
    std::vector<std::uint16_t> shared_; // per item: leading bytes shared with the key before
    std::vector<char> key_, prev_;      // this key and the one before, in full
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

    std::vector<SortKeys::Entry> order;
    {
        const SortKeys keys(items_, order);
        keys.Sort(order.data(), order.data() + order.size(), 0);
    } // the keys are gone before the strings are moved into place
    std::vector<std::string> sortedItems;
    sortedItems.reserve(items_.size());
    for (const auto& e : order)
        sortedItems.push_back(std::move(items_[e.item]));
    items_.swap(sortedItems);
}

void TStringList::SaveToFile(const std::string& path) const {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw rt::EFCreateError(rt::Format(txt::SFCreateError, path.c_str()));

    if (!WriteLines(file.get(), items_))
        throw rt::EWriteError(txt::SWriteError);
    if (!::CloseHandle(file.release()))
        throw rt::EWriteError(txt::SWriteError);
}

} // namespace tk
