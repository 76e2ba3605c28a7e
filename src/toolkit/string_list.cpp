#include "toolkit/string_list.h"

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/files.h"
#include "toolkit/handles.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <cstring>
#include <stdexcept>
#include <system_error>
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

std::uint32_t BlockStore::Append(BlockStore&& other) {
    if (other.blocks_.empty())
        return 0;
    if (blocks_.size() + other.blocks_.size() > (std::size_t(1) << (32 - kBlockBits)))
        throw std::length_error("string list");
    const auto shift = static_cast<std::uint32_t>(blocks_.size() << kBlockBits);
    if (blocks_.empty())
        firstSize_ = other.firstSize_;
    for (auto& block : other.blocks_)
        blocks_.push_back(std::move(block));
    used_ = other.used_;
    size_ = other.size_;
    other.blocks_.clear();
    other.used_ = other.size_ = other.firstSize_ = 0;
    return shift;
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
SortKeyThreads g_keyThreads;

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

SortKeyThreads SetSortKeyThreads(SortKeyThreads split) {
    std::swap(split, g_keyThreads);
    return split;
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

// The threads of one step of a sort: the calling thread and up to
// threads - 1 helpers take jobs from one queue until it is empty and no job
// runs (a running job may add more). The calling thread alone calls the pump,
// also while it waits for the others. A job's error abandons the queue; Run
// raises it once every thread has stopped.
class Crew {
public:
    using Job = std::function<void(bool pumping)>;

    explicit Crew(const TStringList::Pump& pump) : pump_(pump) {}

    void Push(Job job) {
        {
            std::lock_guard<std::mutex> lock(m_);
            if (error_)
                return; // abandoned
            todo_.push_back(std::move(job));
        }
        cv_.notify_one();
    }

    // Runs the jobs pushed so far and those they push.
    void Run(std::size_t threads) {
        std::vector<std::thread> helpers;
        for (std::size_t t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back([this] { Take(false); });
            } catch (const std::system_error&) {
                break; // the threads there are share the jobs
            }
        }
        Take(true);
        for (auto& t : helpers)
            t.join();
        if (error_)
            std::rethrow_exception(error_);
    }

private:
    void Take(bool pumping) noexcept {
        std::unique_lock<std::mutex> lock(m_);
        for (;;) {
            const auto ready = [&] { return !todo_.empty() || busy_ == 0; };
            if (pumping && pump_) {
                // The pumping thread looks up every few milliseconds.
                while (!cv_.wait_for(lock, std::chrono::milliseconds(5), ready)) {
                    lock.unlock();
                    Guarded([&] { pump_(); });
                    lock.lock();
                }
            } else {
                cv_.wait(lock, ready);
            }
            if (todo_.empty()) {
                cv_.notify_all(); // no job left and none running: done
                return;
            }
            Job job = std::move(todo_.back());
            todo_.pop_back();
            ++busy_;
            lock.unlock();
            Guarded([&] { job(pumping); });
            job = nullptr;
            lock.lock();
            if (--busy_ == 0 && todo_.empty())
                cv_.notify_all();
        }
    }

    template <class F> void Guarded(F&& f) noexcept {
        try {
            f();
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_);
            if (!error_)
                error_ = std::current_exception();
            todo_.clear();
        }
    }

    const TStringList::Pump& pump_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<Job> todo_;
    std::size_t busy_ = 0; // jobs running, which may push more
    std::exception_ptr error_;
};

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
//   shared prefix is compared twice. Making the keys is most of the work: a
//   long list is split between threads, which then sort its ranges too.
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
        where_.resize(n);
        shared_.resize(n);
        fullAt_.resize(n, kNotRemade);
        entries.resize(n);
        for (std::uint32_t i = 0; i < n; ++i)
            entries[i].item = i;
        MakeKeys(n);
    }

    // Sorts [first, last) by the keys; on several threads when the keys were
    // made on several. The calling thread alone calls the pump.
    void SortAll(Entry* first, Entry* last) {
        Crew crew(pump_);
        crew.Push(
            [this, &crew, first, last](bool pumping) { Sort(first, last, 0, crew, pumping); });
        crew.Run(ThreadsFor(static_cast<std::size_t>(last - first)));
    }

private:
    // A range longer than share_ entries is handed to the crew, so that an
    // idle thread can take it.
    void Sort(Entry* first, Entry* last, std::size_t depth, Crew& crew, bool pumping) {
        // Where all chunks agree (common at the start of paths) there is nothing
        // to sort: go deeper in a loop, so that long equal prefixes cost no stack.
        for (;; depth += 8) {
            bool same = true;
            for (Entry* e = first; e != last; ++e) {
                e->chunk = Chunk(e->item, depth);
                if ((e->chunk & 0xFF) == 0 && (shared_[e->item] & kCutFlag) &&
                    fullAt_[e->item] == kNotRemade) {
                    Extend(e->item); // the kept bytes end here, the key does not
                    e->chunk = Chunk(e->item, depth);
                }
                same = same && e->chunk == first->chunk;
                if (pumping && (e - first) % kPumpEvery == kPumpEvery - 1)
                    Pump();
            }
            if (!same || (first->chunk & 0xFF) == 0)
                break;
        }
        SortByChunk(first, last, pumping);
        while (first != last) {
            Entry* run = first + 1;
            while (run != last && run->chunk == first->chunk)
                ++run;
            if (run - first > 1) {
                if ((first->chunk & 0xFF) && static_cast<std::size_t>(run - first) > share_)
                    crew.Push([this, &crew, first, run, depth](bool p) {
                        Sort(first, run, depth + 8, crew, p);
                    });
                else if (first->chunk & 0xFF)
                    Sort(first, run, depth + 8, crew, pumping);
                else // the keys ended here and are equal: the raw bytes decide, so that
                     // the order never depends on the order in which entries were added
                    std::sort(first, run, [this](const Entry& a, const Entry& b) {
                        return list_[a.item] < list_[b.item];
                    });
            }
            first = run;
        }
    }

    // The keys of items [begin, end), made into a store of its own. Every 16th
    // key is kept in full, so a part that begins at a multiple of 16 keeps
    // exactly the bytes one pass over the whole list would.
    struct Part {
        std::size_t begin = 0, end = 0;
        detail::BlockStore keys;
        std::vector<char> key, prev; // this key and the one before, in full
        std::size_t prevKept = 0;    // bytes of the key before that are kept
    };

    // Threads for n entries: each makes the keys of at least leastPerThread.
    static std::size_t ThreadsFor(std::size_t n) {
        const unsigned most = g_keyThreads.threads
                                  ? g_keyThreads.threads
                                  : std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        return std::clamp<std::size_t>(n / LeastPerThread(), 1, most);
    }
    static std::size_t LeastPerThread() {
        return std::max<std::size_t>(g_keyThreads.leastPerThread, 16);
    }

    void MakeKeys(std::size_t n) {
        const std::size_t count = ThreadsFor(n);
        std::vector<Part> parts(count); // never resized: the jobs hold references
        Crew crew(pump_);
        for (std::size_t p = 0; p < count; ++p) {
            parts[p].begin = p == 0 ? 0 : parts[p - 1].end;
            parts[p].end = p + 1 == count ? n : (n * (p + 1) / count) & ~std::size_t(15);
            crew.Push([this, &part = parts[p]](bool pumping) { MakePart(part, pumping); });
        }
        crew.Run(count);
        keys_ = std::move(parts[0].keys);
        for (std::size_t p = 1; p < count; ++p) {
            const std::uint32_t shift = keys_.Append(std::move(parts[p].keys));
            for (std::size_t i = parts[p].begin; i < parts[p].end; ++i)
                where_[i] += shift;
        }
    }

    void MakePart(Part& part, bool pumping) {
        for (std::size_t i = part.begin; i < part.end; ++i) {
            Append(part, i, list_[i], i % 16 == 0);
            if (pumping && i % kPumpEvery == 0)
                Pump();
        }
    }

    static constexpr std::size_t kCut = 32;           // key bytes kept beyond the shared ones
    static constexpr std::uint16_t kCutFlag = 0x8000; // in shared_: the key was cut
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
    void SortByChunk(Entry* first, Entry* last, bool pumping) const {
        while (last - first > kSlice) {
            const std::uint64_t a = first->chunk, b = first[(last - first) / 2].chunk,
                                c = last[-1].chunk;
            const std::uint64_t pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
            Entry* lower =
                std::partition(first, last, [&](const Entry& e) { return e.chunk < pivot; });
            Entry* upper =
                std::partition(lower, last, [&](const Entry& e) { return e.chunk == pivot; });
            if (pumping)
                Pump();
            if (lower - first < last - upper) { // the smaller side recursively: little stack
                SortByChunk(first, lower, pumping);
                first = upper;
            } else {
                SortByChunk(upper, last, pumping);
                last = lower;
            }
        }
        std::sort(first, last, [](const Entry& x, const Entry& y) { return x.chunk < y.chunk; });
        if (pumping)
            Pump();
    }

    // Eight bytes of item i's key from depth on, never read past its closing
    // zero. A byte the key shares with the key before it is stored there (or
    // further back): walk back to the key that holds it.
    std::uint64_t Chunk(std::uint32_t i, std::size_t depth) const {
        std::uint64_t c = 0;
        if (fullAt_[i] != kNotRemade) {
            const auto* p = reinterpret_cast<const unsigned char*>(full_.At(fullAt_[i])) + depth;
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
        thread_local std::vector<char> key;
        const std::size_t n = MakeKey(list_[i], key);
        fullAt_[i] = full_.Add(key.data(), n + 1);
    }

    // Keys made again in full, by any of the sorting threads: stored under a
    // lock into blocks that never move, and read without one. Item i's key is
    // read only by the thread sorting its range, which learnt where it lies
    // from the thread that made it, or through the crew's lock from one before.
    class FullKeys {
    public:
        FullKeys() : blocks_(kMaxBlocks) {} // never resized: other threads read it
        std::uint32_t Add(const char* key, std::size_t n) {
            std::lock_guard<std::mutex> lock(m_);
            if (count_ == 0 || used_ + n > kBlock) {
                if (count_ == kMaxBlocks)
                    throw std::length_error("sort keys");
                blocks_[count_++].reset(new char[std::max(n, kBlock)]);
                used_ = 0;
            }
            const auto ref = static_cast<std::uint32_t>(((count_ - 1) << kBits) | used_);
            std::memcpy(blocks_[count_ - 1].get() + used_, key, n);
            used_ += n;
            return ref;
        }
        const char* At(std::uint32_t ref) const {
            return blocks_[ref >> kBits].get() + (ref & (kBlock - 1));
        }

    private:
        static constexpr unsigned kBits = detail::BlockStore::kBlockBits;
        static constexpr std::size_t kBlock = detail::BlockStore::kBlock;
        static constexpr std::size_t kMaxBlocks = std::size_t(1) << (32 - kBits);
        std::mutex m_;
        std::vector<std::unique_ptr<char[]>> blocks_;
        std::size_t count_ = 0, used_ = 0; // blocks in use; bytes used of the last
    };

    // Each part's thread writes only its own items' places.
    void Append(Part& part, std::size_t i, std::string_view s, bool full) {
        const std::size_t n = MakeKey(s, part.key);
        std::size_t shared = 0, kept = n;
        if (!full) {
            // Only the bytes the key before still holds can be shared; its
            // closing zero ends the comparison.
            const std::size_t limit = std::min<std::size_t>({n, part.prevKept, kSharedMax});
            while (shared < limit && part.key[shared] == part.prev[shared])
                ++shared;
            kept = std::min(n, shared + kCut);
        }
        char* p = part.keys.Reserve(kept + 1 - shared, where_[i]);
        std::memcpy(p, part.key.data() + shared, kept - shared);
        p[kept - shared] = 0;
        shared_[i] = static_cast<std::uint16_t>(shared | (kept < n ? kCutFlag : 0));
        part.prevKept = kept;
        part.key.swap(part.prev);
    }

    const TStringList& list_;
    const TStringList::Pump& pump_;
    detail::BlockStore keys_;
    std::vector<std::uint32_t> where_;  // per item: where its stored bytes start
    std::vector<std::uint16_t> shared_; // per item: leading bytes shared with the key before
                                        // (the key kept holds them), kCutFlag when cut
    static constexpr std::uint32_t kNotRemade = UINT32_MAX;
    std::vector<std::uint32_t> fullAt_; // per item: where in full_ its whole key is, once made
    FullKeys full_;                     // keys made again in full
    const std::size_t share_ = LeastPerThread(); // a longer range is offered to other threads
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
    if (sorted && index_.size() >= 2) {
        // A sort that fails (its pump raised, say) leaves the list as it was,
        // unsorted: flagged sorted, later Adds would go by an order it lacks.
        std::vector<SortKeys::Entry> order;
        {
            SortKeys keys(*this, order, pump);
            keys.SortAll(order.data(), order.data() + order.size());
        } // the keys are gone before the index is rebuilt
        for (auto& e : order)
            e.item = index_[e.item];
        for (std::size_t k = 0; k < order.size(); ++k)
            index_[k] = order[k].item;
    }
    sorted_ = sorted;
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
