// The registry snapshot: the names of all keys below the five roots.
#include "snapshot/snapshot.h"
#include "snapshot/lines.h"
#include "snapshot/walk.h"
#include "toolkit/app.h"
#include "toolkit/files.h"
#include "toolkit/handles.h"

#include <vector>
#include <windows.h>

namespace snapshot {

namespace {

// The registry accessor: one open key at a time, opened with full access and
// never created.
class Win32Reg {
public:
    explicit Win32Reg(HKEY root) : root_(root) {}

    bool Open(const std::string& path) {
        key_.reset();
        HKEY k = nullptr;
        // "\" + path names the key below the root; the root itself is "".
        const char* sub = path.empty() ? nullptr : path.c_str() + (path[0] == '\\' ? 1 : 0);
        if (::RegOpenKeyExA(root_, sub, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
            return false;
        key_.reset(k);
        return true;
    }

    template <class List, class Ui> void SubkeyNames(List& out, Ui& ui) {
        if (!key_)
            return;
        DWORD count = 0, maxLen = 0;
        if (::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &count, &maxLen, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        name_.resize(maxLen + 1);
        for (DWORD i = 0; i < count;) {
            DWORD len = static_cast<DWORD>(name_.size());
            const LSTATUS r = ::RegEnumKeyExA(key_.get(), i, name_.data(), &len, nullptr, nullptr,
                                              nullptr, nullptr);
            if (r == ERROR_MORE_DATA && name_.size() < 4096) {
                // A longer name was added since the query: make room and ask again.
                name_.resize(name_.size() * 2 + 256);
                continue;
            }
            if (r != ERROR_SUCCESS)
                break; // keys removed meanwhile: the list ends here
            out.Add(std::string(name_.data(), len));
            ++i;
            ui.Pump();
        }
    }

private:
    HKEY root_;
    tk::RegKey key_;
    std::vector<char> name_;
};

// The walk runs on a worker: the window's thread answers the window itself.
struct NoPump {
    void Pump() {}
};

// Walks the five roots into their files, and writes the count.
void ListRegistry(WorkLists& lists, const std::string& targetDir, const HKEY (&roots)[5]) {
    tk::TStringList& keys = lists.dirsOrKeys;
    tk::TStringList& names = lists.filesOrSubkeys;
    keys.Clear();
    names.Clear();
    keys.SetSorted(false);
    names.SetSorted(false);

    std::int32_t total = 0;
    NoPump ui;
    for (int i = 0; i < kRegRootCount; ++i) {
        Win32Reg reg(roots[i]);
        total += static_cast<std::int32_t>(WalkRegistryRoot(keys, names, reg, ui));
        keys.SaveToFile(RegListPath(targetDir, i));
        keys.Clear();
    }
    tk::WriteTextFile(RegCountPath(targetDir), {std::to_string(total)});
}

} // namespace

void TakeRegistrySnapshot(Host& host, WorkLists& lists, const std::string& targetDir,
                          const HKEY (&roots)[5]) {
    // A million keys take minutes, a root's file some 60 MB, and the freeing of
    // its list a while: the walk, the lists and the files are all the
    // worker's, while this thread waits and answers each message as it comes.
    // The lists are not touched here meanwhile: a run refuses every command
    // while it pumps.
    tk::PumpDuring([&] { ListRegistry(lists, targetDir, roots); },
                   [&host] { host.ProcessMessages(); });
}

void TakeRegistrySnapshot(Host& host, WorkLists& lists, const std::string& targetDir) {
    static const HKEY kRoots[5] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                   HKEY_USERS, HKEY_CURRENT_CONFIG};
    TakeRegistrySnapshot(host, lists, targetDir, kRoots);
}

} // namespace snapshot
