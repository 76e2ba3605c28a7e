#pragma once
// TBackupFile: the non-visual component that restores packed archives (.kvr)
// into a directory. The format and the run itself live in archive_reader.h; this adds
// the published properties, the events, Win32 files and the message boxes.
#include "backup/archive_reader.h"
#include "runtime/errors.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <windows.h>

// An output file opened by the component; closed when destroyed.
class TFileStream : public backup::OutputFile {
public:
    // Created anew with normal attributes, replacing a file, opened exclusively.
    // Raises rt::EFCreateError.
    static std::unique_ptr<TFileStream> Create(const std::string& path);
    // An existing file opened for writing, exclusively, positioned at its end.
    // Raises rt::EFOpenError.
    static std::unique_ptr<TFileStream> OpenAppend(const std::string& path);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    void Write(const void* data, std::size_t n) override; // raises rt::EWriteError
    void SetDateTime(std::int32_t dosDateTime) override;
    void Close() override;
    std::int64_t Size() const;
    HANDLE Handle() const { return h_; }
    const std::string& FileName() const { return name_; }

private:
    TFileStream(HANDLE h, std::string name) : h_(h), name_(std::move(name)) {}
    HANDLE h_;
    std::string name_;
    std::uint64_t written_ = 0;
};

// A volume opened for reading, sharing denying nothing.
class TFileSource : public backup::ByteSource {
public:
    // Raises rt::EFOpenError.
    explicit TFileSource(const std::string& path);
    ~TFileSource() override;
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;
    std::size_t Read(void* buf, std::size_t n) override;
    bool Skip(std::size_t n) override;

private:
    HANDLE h_;
};

// A volume the component's AcceptVolume refused; its text is the file-open
// error's, for a caller that does not tell it apart.
class EForeignVolume : public rt::EFOpenError {
public:
    using rt::EFOpenError::EFOpenError;
};

enum TBackupMode : std::uint8_t { bmAll, bmIncremental };
enum TCompressionLevel : std::uint8_t { clFastest, clNone, clDefault, clMax };
using backup::rmAll;
using backup::rmExisting;
using backup::rmExistingNewer;
using backup::rmNewer;
using backup::rmNoOverwrite;
using backup::TRestoreMode;
using TPercentage = int;

class TBackupFile;

// Events are method references: empty means the component's own behaviour.
// Parameters passed by reference are in-out.
using TProgressEvent = std::function<void(TBackupFile* Sender, const std::string& Filename,
                                          TPercentage Percent, bool& Continue)>;
using TNeedDiskEvent =
    std::function<void(TBackupFile* Sender, std::uint16_t DiskID, bool& Continue)>;
using TRestoreFileEvent =
    std::function<void(TBackupFile* Sender, std::string& Filename, int FA, bool& DoRestore)>;
using TFileRestoredEvent = std::function<void(TBackupFile* Sender, std::string& Filename,
                                              std::unique_ptr<TFileStream>& Stream)>;
using TBackupErrorEvent =
    std::function<void(TBackupFile* Sender, int Error, const std::string& ErrString)>;

// Binds a member function to its object as an event handler.
template <class Obj, class... Args>
std::function<void(TBackupFile*, Args...)> MethodRef(Obj* obj,
                                                     void (Obj::*method)(TBackupFile*, Args...)) {
    return [obj, method](TBackupFile* sender, Args... args) {
        (obj->*method)(sender, std::forward<Args>(args)...);
    };
}

class TBackupFile {
public:
    TBackupFile() = default;
    TBackupFile(const TBackupFile&) = delete;
    TBackupFile& operator=(const TBackupFile&) = delete;

    // Restores every file of the archive (or ":STREAM": SourceStream) into DestDir.
    // True when the run ends with no error code and not cancelled. Structural
    // faults of the archive and file-layer failures are raised as rt errors.
    // The blocks go on a worker while the calling thread handles its window
    // messages; events and message boxes come on the calling thread. A second
    // Restore of the same component from a message handler meanwhile would
    // share its run state with the first: the caller refuses such commands.
    bool Restore(const std::string& ArchiveFile, const std::string& DestDir);

    // --- Published properties ---
    std::string Version() const { return "5.10"; }
    void SetVersion(const std::string&) {} // accepted, changes nothing
    std::string BackupTitle;
    TBackupMode BackupMode() const { return backupMode_; }
    void SetBackupMode(TBackupMode value);
    TCompressionLevel CompressionLevel = clFastest;
    TRestoreMode RestoreMode = rmAll;
    int MaxSize = 0;
    bool SetArchiveFlag = false;
    TProgressEvent OnProgress;
    TNeedDiskEvent OnNeedDisk;
    TRestoreFileEvent OnRestoreFile;
    TFileRestoredEvent OnFileRestored;
    TBackupErrorEvent OnError;
    bool RestoreFullPath = false;
    bool SaveFileID = false;

    // --- Run state ---
    const std::string& CurrentFile() const { return state_.currentFile; }
    int ErrorCode() const { return state_.errorCode; }
    bool Continue() const { return state_.cont; }
    // A source a caller attaches in place of an archive file; never opened,
    // rewound or closed by the component.
    backup::ByteSource* SourceStream = nullptr;

    // Not published: asked before each archive volume is opened, the first
    // and every one a disk prompt leads to. A volume it refuses ends the run
    // with EForeignVolume, every file of the run closed. Empty: every volume is read.
    std::function<bool(const std::string& path)> AcceptVolume;

private:
    class Host;
    friend class Host;
    void ReportError(int code, const std::string& text);

    TBackupMode backupMode_ = bmAll;
    backup::RunState state_;
};
