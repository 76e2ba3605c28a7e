#include "backup/backup_file.h"

#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/files.h"
#include <cstdlib>
#include <utility>

// --- Files ---------------------------------------------------------------

std::unique_ptr<TFileStream> TFileStream::Create(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw rt::EFCreateError(rt::Format(txt::SFCreateError, path.c_str()));
    return std::unique_ptr<TFileStream>(new TFileStream(h, path));
}

std::unique_ptr<TFileStream> TFileStream::OpenAppend(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw rt::EFOpenError(rt::Format(txt::SFOpenError, path.c_str()));
    LARGE_INTEGER zero{};
    ::SetFilePointerEx(h, zero, nullptr, FILE_END);
    return std::unique_ptr<TFileStream>(new TFileStream(h, path));
}

TFileStream::~TFileStream() {
    if (h_ != INVALID_HANDLE_VALUE)
        ::CloseHandle(h_);
}

void TFileStream::Close() {
    const HANDLE h = std::exchange(h_, INVALID_HANDLE_VALUE);
    // Closing a file of some hundred MB just written can take the file system
    // a tenth of a second (Linux hands its data to the disk then): the window
    // goes on meanwhile. Below 64 MB a close stays well under that, and a
    // thread costs a few milliseconds under Wine: no thread for it.
    constexpr std::uint64_t kBig = 64u << 20;
    if (written_ >= kBig)
        tk::WhilePumping([h] { return ::CloseHandle(h) != FALSE; });
    else
        ::CloseHandle(h);
}

void TFileStream::Write(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n != 0) {
        const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        DWORD written = 0;
        // A short write (a full disk) must not pass as a restored file.
        if (!::WriteFile(h_, p, want, &written, nullptr) || written == 0)
            throw rt::EWriteError(txt::SWriteError);
        p += written;
        n -= written;
        written_ += written;
    }
}

void TFileStream::SetDateTime(std::int32_t dosDateTime) {
    const auto u = static_cast<std::uint32_t>(dosDateTime);
    FILETIME local, utc;
    if (::DosDateTimeToFileTime(static_cast<WORD>(u >> 16), static_cast<WORD>(u & 0xFFFF),
                                &local) &&
        ::LocalFileTimeToFileTime(&local, &utc))
        ::SetFileTime(h_, nullptr, nullptr, &utc);
}

std::int64_t TFileStream::Size() const {
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h_, &size);
    return size.QuadPart;
}

TFileSource::TFileSource(const std::string& path)
    : h_(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (h_ == INVALID_HANDLE_VALUE)
        throw rt::EFOpenError(rt::Format(txt::SFOpenError, path.c_str()));
}

TFileSource::~TFileSource() {
    ::CloseHandle(h_);
}

std::size_t TFileSource::Read(void* buf, std::size_t n) {
    char* p = static_cast<char*>(buf);
    std::size_t total = 0;
    while (total < n) {
        const std::size_t left = n - total;
        const DWORD want = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!::ReadFile(h_, p + total, want, &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total;
}

bool TFileSource::Skip(std::size_t n) {
    LARGE_INTEGER pos{}, size{}, dist{};
    if (!::SetFilePointerEx(h_, dist, &pos, FILE_CURRENT) || !::GetFileSizeEx(h_, &size))
        return false;
    if (static_cast<std::uint64_t>(size.QuadPart - pos.QuadPart) < n) {
        ::SetFilePointerEx(h_, size, nullptr, FILE_BEGIN);
        return false;
    }
    dist.QuadPart = static_cast<LONGLONG>(n);
    return ::SetFilePointerEx(h_, dist, nullptr, FILE_CURRENT) != 0;
}

// --- The platform and the events of a run -------------------------------

class TBackupFile::Host : public backup::RestoreHost {
public:
    explicit Host(TBackupFile& c) : c_(c) {}

    bool FileExists(const std::string& path) override { return tk::FileExists(path); }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& path) override {
        if (c_.AcceptVolume && !c_.AcceptVolume(path))
            throw EForeignVolume(rt::Format(txt::SFOpenError, path.c_str()));
        return std::make_unique<TFileSource>(path);
    }
    std::optional<std::int32_t> FileAge(const std::string& path) override {
        // Attributes rather than a directory search: the path is taken literally,
        // wildcards included.
        WIN32_FILE_ATTRIBUTE_DATA d;
        if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ||
            (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return std::nullopt;
        FILETIME local;
        WORD date = 0, time = 0;
        if (!::FileTimeToLocalFileTime(&d.ftLastWriteTime, &local) ||
            !::FileTimeToDosDateTime(&local, &date, &time))
            return -1;
        return backup::PackDosDateTime(date, time);
    }
    bool ForceDirectories(const std::string& dir) override {
        return !dir.empty() && tk::ForceDirectories(dir);
    }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& path) override {
        return TFileStream::Create(path);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& path) override {
        return TFileStream::OpenAppend(path);
    }
    // The run asks after every 16 KB block. On the worker there is nothing to
    // do: the window's thread answers each message as it comes. Run inline
    // (no thread to be had), pending messages are handled once the interval
    // has passed: under Wine one PeekMessage costs about as much as restoring
    // a block.
    void ProcessMessages() override {
        if (tk::OnPumpedWorker())
            return;
        const ULONGLONG now = ::GetTickCount64();
        if (now - lastPump_ < kPumpIntervalMs)
            return;
        tk::ProcessMessages();
        lastPump_ = ::GetTickCount64();
    }

    // The events and the component's own boxes run on the caller's thread,
    // as its owner expects them; the worker waits meanwhile. An event that is
    // not assigned costs no trip there (one per block would be seconds).
    void Progress(const std::string& filename, int percent, bool& cont) override {
        if (c_.OnProgress)
            tk::OnPumpingThread([&] { c_.OnProgress(&c_, filename, percent, cont); });
    }
    void NeedDisk(const std::string& disk, bool& cont) override {
        tk::OnPumpingThread([&] {
            if (c_.OnNeedDisk) {
                c_.OnNeedDisk(&c_, static_cast<std::uint16_t>(std::atoi(disk.c_str())), cont);
            } else {
                cont = tk::MessageDlg(rt::Format(txt::ArcInsertDisk, disk.c_str()),
                                      tk::MsgDlgType::mtInformation,
                                      tk::mbOKCancel) == tk::ModalResult::mrOk;
            }
        });
    }
    void RestoreFile(std::string& filename, std::int32_t fa, bool& doRestore) override {
        if (c_.OnRestoreFile)
            tk::OnPumpingThread([&] { c_.OnRestoreFile(&c_, filename, fa, doRestore); });
    }
    void FileRestored(std::string& filename, std::unique_ptr<backup::OutputFile>& out) override {
        if (!c_.OnFileRestored)
            return;
        // Every output of this host is a TFileStream.
        std::unique_ptr<TFileStream> stream(static_cast<TFileStream*>(out.release()));
        try {
            tk::OnPumpingThread([&] { c_.OnFileRestored(&c_, filename, stream); });
        } catch (...) {
            out = std::move(stream);
            throw;
        }
        out = std::move(stream);
    }
    void ReportError(int code, const std::string& text) override {
        tk::OnPumpingThread([&] { c_.ReportError(code, text); });
    }

private:
    static constexpr ULONGLONG kPumpIntervalMs = 10;
    TBackupFile& c_;
    ULONGLONG lastPump_ = 0;
};

// --- The component ---------------------------------------------------------

void TBackupFile::SetBackupMode(TBackupMode value) {
    if (value == backupMode_)
        return;
    backupMode_ = value;
    if (value == bmIncremental)
        SetArchiveFlag = true;
}

void TBackupFile::ReportError(int code, const std::string& text) {
    if (OnError)
        OnError(this, code, text);
    else
        tk::MessageDlg(text, tk::MsgDlgType::mtError, tk::mbOK);
}

bool TBackupFile::Restore(const std::string& ArchiveFile, const std::string& DestDir) {
    Host host(*this);
    backup::RestoreSettings settings;
    settings.mode = RestoreMode;
    settings.fullPath = RestoreFullPath;
    // Hundreds of MB take seconds, and a write may stall on a busy disk: the
    // blocks are read, inflated and written on a worker while this thread
    // answers the window; what the run raises is raised here.
    bool result = false;
    tk::PumpDuring([&] {
        result = backup::Restore(settings, state_, host, ArchiveFile, DestDir, SourceStream);
    });
    return result;
}
