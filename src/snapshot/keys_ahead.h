#pragma once
// The sort keys of the drive lists, made while the walk still runs (its
// follower, see parallel_walk.h): when the walk ends, only the keys of the
// entries the follower had no time for are left for the sort to make.
#include "toolkit/string_list.h"

#include <string_view>
#include <windows.h>

namespace snapshot {

class ListKeysAhead {
public:
    void operator()(bool directory, std::string_view entry) {
        if (!lowered_) {
            // The keys take the time the walk leaves: where the processors are
            // busy, the walk goes first and the sort makes the rest.
            ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
            lowered_ = true;
        }
        (directory ? dirs : files).Add(entry);
    }

    tk::SortKeysAhead dirs, files;

private:
    bool lowered_ = false; // on the follower's thread, which ends with the walk
};

} // namespace snapshot
