#include "toolkit/string_list.h"

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/files.h"
#include "toolkit/handles.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <windows.h>

namespace tk {

namespace detail {

char* BlockStore::Reserve(std::size_t n, std::uint32_t& ref) {
    if (blocks_.empty() || used_ + n > size_) {
        if (blocks_.size() >= (std::size_t(1) << (32 - kBlockBits)))
            throw std::length_error("string list");
        size_ = std::max(n, kBlock);
        blocks_.emplace_back(new char[size_]);
        if (blocks_.size() == 1)
            firstSize_ = size_;
        used_ = 0;
    }
    ref = static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | used_);
    char* p = blocks_.back().get() + used_;
    used_ += n;
    return p;
}

void BlockStore::Clear() {
    blocks_.resize(std::min<std::size_t>(blocks_.size(), 1));
    used_ = 0;
    size_ = blocks_.empty() ? 0 : firstSize_;
}

} // namespace detail

namespace {

constexpr LCID kSortLocale = LOCALE_USER_DEFAULT;
constexpr DWORD kSortFlags = NORM_IGNORECASE;
SortKeyRoom g_keyRoom;

int Compare(std::string_view a, std::string_view b) {
    return ::CompareStringA(kSortLocale, kSortFlags, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size()));
}

// An entry's length goes before its bytes, seven bits a byte: one byte for
// any line shorter than 128, three for the longest path.
std::size_t LengthBytes(std::size_t n) {
    std::size_t k = 1;
    for (; n >= 0x80; n >>= 7)
        ++k;
    return k;
}

} // namespace

std::uint32_t TStringList::Store(std::string_view s) {
    std::uint32_t ref = 0;
    char* p = text_.Reserve(LengthBytes(s.size()) + s.size(), ref);
    std::size_t n = s.size();
    for (; n >= 0x80; n >>= 7)
        *p++ = static_cast<char>((n & 0x7F) | 0x80);
    *p++ = static_cast<char>(n);
    if (!s.empty())
        std::memcpy(p, s.data(), s.size());
    return ref;
}

std::string_view TStringList::View(std::uint32_t ref) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text_.At(ref));
    std::size_t n = 0;
    for (unsigned shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        n |= static_cast<std::size_t>(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    return {reinterpret_cast<const char*>(p), n};
}

std::string_view TStringList::operator[](std::size_t i) const {
    return View(index_[i]);
}

std::vector<std::string> TStringList::Items() const {
    std::vector<std::string> items;
    items.reserve(Count());
    for (std::size_t i = 0; i < Count(); ++i)
        items.emplace_back((*this)[i]);
    return items;
}

void TStringList::Clear() {
    index_.clear();
    text_.Clear();
}

SortKeyRoom SetSortKeyRoom(SortKeyRoom room) {
    std::swap(room, g_keyRoom);
    return room;
}

namespace {

// The key of s into key, closed by a zero; returns its length without the zero.
// A key is never replaced by anything else: the order must be CompareStringA's.
std::size_t MakeKey(std::string_view s, std::vector<char>& key) {
    const std::size_t room = s.size() * g_keyRoom.perChar + g_keyRoom.extra;
    if (key.size() < std::max<std::size_t>(room, 1))
        key.resize(std::max<std::size_t>(room, 1));
    if (s.empty()) {
        key[0] = 0;
        return 0;
    }
    const int len = static_cast<int>(s.size());
    auto map = [&](char* out, int size) {
        return ::LCMapStringA(kSortLocale, LCMAP_SORTKEY | kSortFlags, s.data(), len, out, size);
    };
    int r = map(key.data(), static_cast<int>(key.size()));
    if (r == 0) {
        // Characters such as "ß" or "…" take up to 12 key bytes on Windows:
        // ask for the size this key needs.
        const int need = map(nullptr, 0);
        if (need > 0) {
            key.resize(static_cast<std::size_t>(need));
            r = map(key.data(), need);
        }
    }
    if (r <= 0)
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "LCMapStringA");
    return static_cast<std::size_t>(r) - 1; // the key holds no zero but its last byte
}

// The sort keys of a list, made once per entry: calling CompareStringA inside
// the sort costs seconds on a million entries, comparing ready-made keys does
// not. Paths share long key prefixes, which shapes both halves:
// - Memory: a key is kept without the bytes it shares with the key before it
//   (every 16th in full, so that no lookup walks far back), and of the rest
//   only the first kCut bytes: beyond them keys seldom still agree. Where the
//   sort does reach the end of a cut key, that one key is made again in full,
//   so the order stays the keys' order and no range is ever sorted by calls
//   of CompareStringA (ten thousand of them held the window for 180 ms).
// - Time: the sort goes by eight key bytes at a time (a most-significant-first
//   radix sort), so each pass sorts plain integers held in the records and no
//   shared prefix is compared twice.
class SortKeys {
public:
#pragma pack(push, 4) // twelve bytes, not sixteen: there is one per entry
    struct Entry {
        std::uint64_t chunk; // eight key bytes from the current depth, big-endian
        std::uint32_t item;  // index into the list
    };
#pragma pack(pop)

    SortKeys(const TStringList& list, std::vector<Entry>& entries, const TStringList::Pump& pump)
        : list_(list), pump_(pump) {
        const std::size_t n = list.Count();
        where_.reserve(n);
        shared_.reserve(n);
        entries.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            Append(list[i], i % 16 == 0);
            entries.push_back({0, i});
            if (i % kPumpEvery == 0)
                Pump();
        }
    }

    void Sort(Entry* first, Entry* last, std::size_t depth) {
        // Where all chunks agree (common at the start of paths) there is nothing
        // to sort: go deeper in a loop, so that long equal prefixes cost no stack.
        for (;; depth += 8) {
            bool same = true;
            for (Entry* e = first; e != last; ++e) {
                e->chunk = Chunk(e->item, depth);
                if ((e->chunk & 0xFF) == 0 && (shared_[e->item] & kCutFlag)) {
                    Extend(e->item); // the kept bytes end here, the key does not
                    e->chunk = Chunk(e->item, depth);
                }
                same = same && e->chunk == first->chunk;
                if ((e - first) % kPumpEvery == kPumpEvery - 1)
                    Pump();
            }
            if (!same || (first->chunk & 0xFF) == 0)
                break;
        }
        SortByChunk(first, last);
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
                        return list_[a.item] < list_[b.item];
                    });
            }
            first = run;
        }
    }

private:
    static constexpr std::size_t kCut = 32;            // key bytes kept beyond the shared ones
    static constexpr std::uint16_t kCutFlag = 0x8000;  // in shared_: the key was cut
    static constexpr std::uint16_t kFullFlag = 0x4000; // in shared_: made again in full
    static constexpr std::uint16_t kSharedMax = 0x3FFF;
    static constexpr std::ptrdiff_t kPumpEvery = 1024; // entries between two calls of the pump
    static constexpr std::ptrdiff_t kSlice = 16384;    // sorted at one go between two calls

    void Pump() const {
        if (pump_)
            pump_();
    }

    // std::sort by chunk, but a large range is first split by three-way
    // partitions (each a short linear pass) with the pump called between them:
    // one std::sort of a million records would keep the window waiting.
    void SortByChunk(Entry* first, Entry* last) const {
        while (last - first > kSlice) {
            const std::uint64_t a = first->chunk, b = first[(last - first) / 2].chunk,
                                c = last[-1].chunk;
            const std::uint64_t pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
            Entry* lower =
                std::partition(first, last, [&](const Entry& e) { return e.chunk < pivot; });
            Entry* upper =
                std::partition(lower, last, [&](const Entry& e) { return e.chunk == pivot; });
            Pump();
            if (lower - first < last - upper) { // the smaller side recursively: little stack
                SortByChunk(first, lower);
                first = upper;
            } else {
                SortByChunk(upper, last);
                last = lower;
            }
        }
        std::sort(first, last, [](const Entry& x, const Entry& y) { return x.chunk < y.chunk; });
        Pump();
    }

    // Eight bytes of item i's key from depth on, never read past its closing
    // zero. A byte the key shares with the key before it is stored there (or
    // further back): walk back to the key that holds it.
    std::uint64_t Chunk(std::uint32_t i, std::size_t depth) const {
        std::uint64_t c = 0;
        if (shared_[i] & kFullFlag) {
            const auto* p = reinterpret_cast<const unsigned char*>(full_.At(fullAt_.at(i))) + depth;
            for (std::size_t b = 0; b < 8; ++b, ++p) {
                if (*p == 0)
                    return c << (8 * (8 - b));
                c = c << 8 | *p;
            }
            return c;
        }
        std::size_t b = depth;
        while (b < depth + 8) {
            std::uint32_t j = i;
            std::size_t same = SIZE_MAX; // bytes below this are equal in keys j..i
            while (b < Shared(j)) {
                same = std::min<std::size_t>(same, Shared(j));
                --j;
            }
            const auto* p =
                reinterpret_cast<const unsigned char*>(keys_.At(where_[j])) + (b - Shared(j));
            for (; b < depth + 8 && b < same; ++b, ++p) {
                if (*p == 0)
                    return c << (8 * (depth + 8 - b));
                c = c << 8 | *p;
            }
        }
        return c;
    }

    std::size_t Shared(std::uint32_t i) const {
        return shared_[i] & kSharedMax;
    }

    // Item i's whole key, kept beside its cut one: keys of later items may
    // still share the cut one's bytes.
    void Extend(std::uint32_t i) {
        const std::size_t n = MakeKey(list_[i], key_);
        std::uint32_t ref = 0;
        char* p = full_.Reserve(n + 1, ref);
        std::memcpy(p, key_.data(), n + 1);
        fullAt_.emplace(i, ref);
        shared_[i] = static_cast<std::uint16_t>((shared_[i] & kSharedMax) | kFullFlag);
    }

    void Append(std::string_view s, bool full) {
        const std::size_t n = MakeKey(s, key_);
        std::size_t shared = 0, kept = n;
        if (!full) {
            // Only the bytes the key before still holds can be shared; its
            // closing zero ends the comparison.
            const std::size_t limit = std::min<std::size_t>({n, prevKept_, kSharedMax});
            while (shared < limit && key_[shared] == prev_[shared])
                ++shared;
            kept = std::min(n, shared + kCut);
        }
        std::uint32_t ref = 0;
        char* p = keys_.Reserve(kept + 1 - shared, ref);
        std::memcpy(p, key_.data() + shared, kept - shared);
        p[kept - shared] = 0;
        where_.push_back(ref);
        shared_.push_back(static_cast<std::uint16_t>(shared | (kept < n ? kCutFlag : 0)));
        prevKept_ = kept;
        key_.swap(prev_);
    }

    const TStringList& list_;
    const TStringList::Pump& pump_;
    detail::BlockStore keys_;
    std::vector<std::uint32_t> where_;  // per item: where its stored bytes start
    std::vector<std::uint16_t> shared_; // per item: leading bytes shared with the key before
                                        // (the key kept holds them), kCutFlag when cut,
                                        // kFullFlag when made again in full
    detail::BlockStore full_;           // keys made again in full
    std::unordered_map<std::uint32_t, std::uint32_t> fullAt_; // item -> where in full_
    std::vector<char> key_, prev_; // this key and the one before, in full
    std::size_t prevKept_ = 0;     // bytes of the key before that are kept
};

} // namespace

void TStringList::Add(std::string_view s) {
    const std::uint32_t ref = Store(s); // s may lie in this list: blocks never move
    if (!sorted_) {
        index_.push_back(ref);
        return;
    }
    // Sorted: after the last entry that does not sort after the new one, so
    // that duplicates are kept in the order they were added.
    auto it = std::upper_bound(index_.begin(), index_.end(), s,
                               [this](std::string_view a, std::uint32_t b) {
                                   return Compare(a, View(b)) == CSTR_LESS_THAN;
                               });
    index_.insert(it, ref);
}

void TStringList::SetSorted(bool sorted, const Pump& pump) {
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (!sorted || index_.size() < 2)
        return;

    std::vector<SortKeys::Entry> order;
    {
        SortKeys keys(*this, order, pump);
        keys.Sort(order.data(), order.data() + order.size(), 0);
    } // the keys are gone before the index is rebuilt
    for (auto& e : order)
        e.item = index_[e.item];
    for (std::size_t k = 0; k < order.size(); ++k)
        index_[k] = order[k].item;
}

void TStringList::SaveToFile(const std::string& path, const Pump& pump) const {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw rt::EFCreateError(rt::Format(txt::SFCreateError, path.c_str()));

    if (!WriteLines(
            file.get(), Count(), [this](std::size_t i) { return (*this)[i]; }, pump))
        throw rt::EWriteError(txt::SWriteError);
    if (!::CloseHandle(file.release()))
        throw rt::EWriteError(txt::SWriteError);
}

} // namespace tk
