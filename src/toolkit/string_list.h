#pragma once
// The wizard's work lists: append, optionally sorted, saved as CR LF text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

namespace detail {
// Bytes in 1 MB blocks that are filled and never moved, each run found through
// a 32-bit reference (block number, offset). A run longer than a block gets a
// block of its own.
class BlockStore {
public:
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::size_t kBlock = std::size_t(1) << kBlockBits;
    // Room for n bytes; ref receives where they start. Raises std::length_error
    // past 4,096 blocks.
    char* Reserve(std::size_t n, std::uint32_t& ref);
    const char* At(std::uint32_t ref) const {
        return blocks_[ref >> kBlockBits].get() + (ref & (kBlock - 1));
    }
    void Clear(); // keeps the first block
    // Moves other's blocks behind this store's, where new runs then go on;
    // returns what to add to a reference into other. Raises std::length_error
    // past 4,096 blocks.
    std::uint32_t Append(BlockStore&& other);

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0, size_ = 0; // of the last block
    std::size_t firstSize_ = 0;
};
} // namespace detail

class TStringList {
public:
    // Called now and then during a long sort or save, so that a window can
    // handle its messages; it decides itself whether it is time to.
    using Pump = std::function<void()>;

    void Add(std::string_view s);
    // Empties the list; the first text block is kept for the next entries.
    void Clear();
    std::size_t Count() const { return index_.size(); }
    // Valid until the list is cleared: entries never move in memory.
    std::string_view operator[](std::size_t i) const;
    std::vector<std::string> Items() const; // a copy, in list order

    // Switching to sorted sorts once with the user's locale, case ignored,
    // duplicates kept; while sorted, Add inserts at the sorted place.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted, const Pump& pump = {});

    // Every entry followed by CR LF, into a file created anew. Raises rt errors.
    void SaveToFile(const std::string& path, const Pump& pump = {}) const;

private:
    // A snapshot list holds a million lines: each is kept as its bytes behind
    // a short length in one block store, so an entry costs a few bytes beyond
    // its text instead of a string object and an allocation of its own.
    std::uint32_t Store(std::string_view s);
    std::string_view View(std::uint32_t ref) const;
    detail::BlockStore text_;
    std::vector<std::uint32_t> index_;
    bool sorted_ = false;
};

// The sort key buffer starts at perChar bytes per character plus extra; a key
// that does not fit is asked for the size it needs. Tests shrink the start so
// that the growth path runs under Wine too, whose keys are shorter than Windows'.
struct SortKeyRoom {
    std::size_t perChar = 4;
    std::size_t extra = 64;
};
SortKeyRoom SetSortKeyRoom(SortKeyRoom room); // returns the room in force before

// A long list is sorted by several threads, each making the keys of at least
// leastPerThread entries (making a key is most of a sort's time) and then
// sorting ranges of the list. threads 0 is one per processor, at most eight.
// Tests split short lists so.
struct SortKeyThreads {
    unsigned threads = 0;
    std::size_t leastPerThread = 65536;
};
SortKeyThreads SetSortKeyThreads(SortKeyThreads split); // returns the split in force before

} // namespace tk
