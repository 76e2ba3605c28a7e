#pragma once
// The wizard's work lists: append, optionally sorted, saved as CR LF text.
#include <string>
#include <vector>

namespace tk {

class TStringList {
public:
    void Add(std::string s);
    void Clear() { items_.clear(); }
    std::size_t Count() const { return items_.size(); }
    const std::string& operator[](std::size_t i) const { return items_[i]; }
    const std::vector<std::string>& Items() const { return items_; }

    // Switching to sorted sorts once with the user's locale, case ignored,
    // duplicates kept; while sorted, Add inserts at the sorted place.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    // Every entry followed by CR LF, into a file created anew. Raises rt errors.
    void SaveToFile(const std::string& path) const;

private:
    std::vector<std::string> items_;
    bool sorted_ = false;
};

} // namespace tk
