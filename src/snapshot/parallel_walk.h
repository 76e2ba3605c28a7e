#pragma once
// The drive walk of walk.h with its directories listed by worker threads.
//
// The lists come out exactly as WalkDrive leaves them: the same entries in the
// same order, and after an error the same entries up to the same point. The
// work list is the directory list itself, as in WalkDrive: a worker takes the
// next directory in list order, lists it into a buffer of its own, and the
// buffers are appended to the lists strictly in that order, so directory k's
// subdirectories reach the list exactly where the single-threaded walk puts
// them. A directory can be taken once its parent has been appended; until
// then workers list the directories already known (the rest of a level
// breadth-first is plenty of work). How far listing may run ahead of the
// appending is capped, so the buffers stay small.
//
// The calling thread (the window's) only pumps: it waits a few milliseconds
// at a time, shows the directory most recently taken and calls ui.Pump(). An
// error raised while listing a directory (the file layer's exceptions) ends
// the walk when that directory's turn to be appended comes, after its entries
// before the error: every directory before it is appended in full, none after
// it, as when the single-threaded walk stops there. It is then raised on the
// calling thread. An error raised by the calling thread's ui stops the workers
// and is raised once they have ended.
//
// Fs as in walk.h, its List and IsDirectory called from several threads at
// once (each entry callback on the thread that called List). List is used on
// one thread at a time. Ui as in walk.h, and
//   void Wait(std::chrono::milliseconds most) -- sleeps until the next pump is
//        due or a message arrives, at most that long
// all of it on the calling thread only.
#include "snapshot/lines.h"
#include "snapshot/walk.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace snapshot {

// One worker per processor, at most eight: beyond that the file system's own
// locks, not the processors, set the pace.
inline unsigned DefaultWalkWorkers() {
    const unsigned n = std::thread::hardware_concurrency();
    return std::clamp(n, 1u, 8u);
}

struct ParallelWalkSettings {
    unsigned workers = DefaultWalkWorkers(); // 0: no thread, the walk runs on the caller's
    // The calling thread's longest wait between two pumps.
    std::chrono::milliseconds pumpEvery{10};
    // Directories listed but not yet appended: at most this many, and no new
    // one taken while their entries' bytes exceed the second figure.
    std::size_t maxAhead = 4096;
    std::size_t maxPendingBytes = std::size_t(4) << 20;
};

namespace detail {

// One directory's entries in listing order, held until every directory
// before it has been appended.
class Listing {
public:
    enum Kind : std::uint8_t { kFile, kDirectory, kDirectoryLink };

    void Add(Kind kind, const std::string& text) {
        text_ += text;
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
        kinds_.push_back(kind);
    }
    void AddFile(const std::string& dir, const ListedEntry& e) {
        AppendFileLine(text_, dir, e.name, e.sizeLow, e.dosDateTime, e.attributes);
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
        kinds_.push_back(kFile);
    }
    std::size_t Count() const { return kinds_.size(); }
    Kind KindAt(std::size_t i) const { return static_cast<Kind>(kinds_[i]); }
    std::string_view At(std::size_t i) const {
        const std::size_t begin = i ? ends_[i - 1] : 0;
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    std::size_t Bytes() const { return text_.size() + ends_.size() * 5; }

    // Ready for the next directory; a buffer that a huge directory grew is let go.
    void Reset() {
        constexpr std::size_t kKeep = std::size_t(1) << 20;
        if (text_.capacity() > kKeep) {
            std::string().swap(text_);
            std::vector<std::uint32_t>().swap(ends_);
            std::vector<std::uint8_t>().swap(kinds_);
        }
        text_.clear();
        ends_.clear();
        kinds_.clear();
        error = nullptr;
        done = false;
    }

    std::exception_ptr error; // what ended the listing early, after its entries
    bool done = false;        // listed (or found to be a link); under the walk's lock

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
    std::vector<std::uint8_t> kinds_;
};

} // namespace detail

template <class List, class Fs> class ParallelDriveWalk {
public:
    ParallelDriveWalk(List& dirs, List& files, Fs& fs, const ParallelWalkSettings& settings)
        : dirs_(dirs), files_(files), fs_(fs), settings_(settings), link_(dirs.Count(), false) {}
    ParallelDriveWalk(const ParallelDriveWalk&) = delete;
    ParallelDriveWalk& operator=(const ParallelDriveWalk&) = delete;

    template <class Ui> void Run(Ui& ui) {
        if (dirs_.Count() == 0 || dirs_[0].empty())
            return; // no drive: no walk, as in WalkDrive
        Workers workers(*this);
        workers.threads.reserve(settings_.workers);
        for (unsigned i = 0; i < settings_.workers; ++i) {
            try {
                workers.threads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break; // the walk goes on with the workers there are
            }
        }
        if (workers.threads.empty()) {
            WalkDrive(dirs_, files_, fs_, ui);
            return;
        }
        std::uint64_t shownSeq = 0;
        std::string shown;
        for (;;) {
            ui.Wait(settings_.pumpEvery);
            const bool ended = ended_.load(std::memory_order_acquire);
            if (ShownChanged(shownSeq, shown))
                ui.ShowDirectory(shown);
            if (ended)
                break;
            ui.Pump();
        }
        workers.Join();
        if (error_)
            std::rethrow_exception(error_);
        ui.Pump();
    }

private:
    using Listing = detail::Listing;
    struct Abandoned {}; // unwinds a listing that is no longer wanted

    // Stops and joins the workers however Run is left.
    struct Workers {
        explicit Workers(ParallelDriveWalk& w) : walk(w) {}
        ~Workers() {
            walk.Stop();
            Join();
        }
        void Join() {
            for (auto& t : threads)
                if (t.joinable())
                    t.join();
        }
        ParallelDriveWalk& walk;
        std::vector<std::thread> threads;
    };

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_.store(true, std::memory_order_relaxed);
        }
        workCv_.notify_all();
    }

    bool Finished() const { return merged_ == dirs_.Count(); }
    bool CanTake() const {
        return next_ < dirs_.Count() &&
               (next_ == merged_ || (next_ - merged_ < settings_.maxAhead &&
                                     pendingBytes_ <= settings_.maxPendingBytes));
    }

    void Work() noexcept {
        try {
            Loop();
        } catch (...) {
            // Not a listing's error (those wait for their turn): the walk's own
            // bookkeeping ran out of memory. It ends here.
            std::lock_guard<std::mutex> lock(m_);
            if (!error_)
                error_ = std::current_exception();
            End();
        }
    }

    void Loop() {
        std::string dir;
        std::unique_lock<std::mutex> lock(m_);
        for (;;) {
            workCv_.wait(lock, [this] {
                return stop_.load(std::memory_order_relaxed) || Finished() || CanTake();
            });
            if (stop_.load(std::memory_order_relaxed) || Finished())
                return;
            const std::size_t k = next_++;
            Listing& out = NewListing();
            dir.assign(dirs_[k]);
            // A link is recorded but never entered, so the walk cannot run in a
            // cycle or off the drive.
            const bool descend = !link_[k];
            lock.unlock();
            Publish(k, dir);
            if (descend)
                ListInto(dir, out);
            lock.lock();
            out.done = true;
            pendingBytes_ += out.Bytes();
            Merge();
        }
    }

    Listing& NewListing() {
        std::unique_ptr<Listing> l;
        if (!spare_.empty()) {
            l = std::move(spare_.back());
            spare_.pop_back();
        } else {
            l = std::make_unique<Listing>();
        }
        pending_.push_back(std::move(l));
        return *pending_.back();
    }

    void ListInto(const std::string& dir, Listing& out) {
        std::string path;
        try {
            // A listing that cannot be started leaves the directory as it is recorded.
            fs_.List(dir, [&](const ListedEntry& e) {
                if (stop_.load(std::memory_order_relaxed))
                    throw Abandoned{};
                if (IsDotOrDotDot(e.name))
                    return;
                path.assign(dir).append(1, '\\').append(e.name);
                if (fs_.IsDirectory(path, e))
                    out.Add(e.directoryLink ? Listing::kDirectoryLink : Listing::kDirectory, path);
                else
                    out.AddFile(dir, e);
            });
        } catch (const Abandoned&) {
        } catch (...) {
            out.error = std::current_exception();
        }
    }

    // Appends the listings that are next in list order, under the lock: the
    // lists see the same Adds in the same order as in WalkDrive. Whoever
    // finishes the head listing appends it and every finished one behind it.
    void Merge() {
        bool more = false;
        while (!stop_.load(std::memory_order_relaxed) && !pending_.empty() &&
               pending_.front()->done) {
            Listing& head = *pending_.front();
            for (std::size_t i = 0; i < head.Count(); ++i) {
                const auto kind = head.KindAt(i);
                if (kind == Listing::kFile) {
                    files_.Add(head.At(i));
                } else {
                    dirs_.Add(head.At(i));
                    link_.push_back(kind == Listing::kDirectoryLink);
                    more = true;
                }
            }
            if (head.error) {
                error_ = head.error;
                End();
                return;
            }
            pendingBytes_ -= head.Bytes();
            head.Reset();
            spare_.push_back(std::move(pending_.front()));
            pending_.pop_front();
            ++merged_;
            more = true;
        }
        if (Finished())
            End();
        else if (more)
            workCv_.notify_all();
    }

    // Under the lock: no more work; everyone is told.
    void End() {
        stop_.store(true, std::memory_order_relaxed);
        ended_.store(true, std::memory_order_release);
        workCv_.notify_all();
    }

    // The status line follows the directory most recently taken; the root is
    // never shown. Taken in list order, so the last one is the list's last.
    void Publish(std::size_t k, const std::string& dir) {
        if (k == 0)
            return;
        std::lock_guard<std::mutex> lock(shownM_);
        if (k <= shownIndex_)
            return;
        shownIndex_ = k;
        shownPath_ = dir;
        ++shownSeq_;
    }
    bool ShownChanged(std::uint64_t& seq, std::string& path) {
        std::lock_guard<std::mutex> lock(shownM_);
        if (shownSeq_ == seq)
            return false;
        seq = shownSeq_;
        path = shownPath_;
        return true;
    }

    List& dirs_;
    List& files_;
    Fs& fs_;
    const ParallelWalkSettings settings_;

    std::mutex m_; // everything below up to shownM_
    std::condition_variable workCv_;
    std::vector<bool> link_; // parallel to dirs_
    std::size_t next_ = 0;   // the next directory to take
    std::size_t merged_ = 0; // directories appended in full; pending_ holds merged_..next_-1
    std::deque<std::unique_ptr<Listing>> pending_;
    std::vector<std::unique_ptr<Listing>> spare_;
    std::size_t pendingBytes_ = 0; // of the finished listings in pending_
    std::exception_ptr error_;
    std::atomic<bool> stop_{false};  // set under m_; read by listings without it
    std::atomic<bool> ended_{false}; // set under m_; read by the calling thread

    std::mutex shownM_;
    std::size_t shownIndex_ = 0;
    std::string shownPath_;
    std::uint64_t shownSeq_ = 0;
};

// WalkDrive's lists, the directories listed in parallel.
template <class List, class Fs, class Ui>
void ParallelWalkDrive(List& dirs, List& files, Fs& fs, Ui& ui,
                       const ParallelWalkSettings& settings = {}) {
    ParallelDriveWalk<List, Fs> walk(dirs, files, fs, settings);
    walk.Run(ui);
}

} // namespace snapshot
