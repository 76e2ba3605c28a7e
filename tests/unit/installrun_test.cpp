// The installation run against a fake window and file system: the order of
// what the user sees, each failure path, the volumes beside a packed file.
#include "app/install_run.h"
#include "runtime/errors.h"
#include "runtime/install_values.h"
#include "runtime/strutil.h"
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <stdexcept>

namespace {

const std::string kSetup = "D:\\Setup";
const std::string kTarget = "C:\\Programme\\KELvar";
const std::string kTemp1 = "C:\\Kvr5~tmp", kTemp2 = "C:\\Kvr5tmp~";

std::string Parent(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

std::string Name(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
}

// Records what the run shows and does; the file system is two containers.
class FakeHost : public app::RunWizard, public app::RunDisplay, public app::InstallHost {
public:
    std::vector<std::string> log;
    std::set<std::string> dirs{"C:", "D:", kSetup};
    std::map<std::string, std::string> files;
    std::set<std::string> uncreatable, unwritable;
    std::set<std::string> appearing;           // made by someone else after the existence test
    std::map<std::string, bool> restoreResult; // by packed name; default true
    std::string raiseOnRestore;                // packed name whose restore raises
    std::set<std::string> foreign;             // names whose copies are not the publisher's
    std::string foreignOnOpen;                 // packed name whose restore meets a foreign volume
    std::map<std::string, std::vector<std::string>> seenBesideCopy; // temp folder at restore
    bool answerYes = true;
    int bar = 0;

    FakeHost() {
        for (const rt::PackedFile& row : rt::kPackedFiles)
            files[kSetup + "\\" + row.packed] = row.packed;
        files[kSetup + "\\Kvrinf.kvr"] = "info";
    }

    std::vector<std::string> FilesIn(const std::string& dir) const {
        std::vector<std::string> names;
        for (const auto& [path, content] : files)
            if (Parent(path) == dir)
                names.push_back(Name(path));
        return names;
    }
    // The log without the file operations and the session's state: what the user sees, in order.
    std::vector<std::string> Seen() const {
        std::vector<std::string> seen;
        for (const std::string& e : log)
            if (e.rfind("fs ", 0) != 0 && e.rfind("session ", 0) != 0)
                seen.push_back(e);
        return seen;
    }
    // What the user sees and when a logoff waits.
    std::vector<std::string> SeenAndSession() const {
        std::vector<std::string> seen;
        for (const std::string& e : log)
            if (e.rfind("fs ", 0) != 0 && e.rfind("file ", 0) != 0 && e.rfind("bar ", 0) != 0 &&
                e.rfind("restore ", 0) != 0)
                seen.push_back(e);
        return seen;
    }

    void ShowProgressPage() override { log.push_back("progress page"); }
    void ShowCopyStep() override { log.push_back("copy step"); }
    void ShowCurrentFile(const std::string& packed, const std::string& installed) override {
        log.push_back("file " + packed + " " + installed);
    }
    void StepBar() override { log.push_back("bar " + std::to_string(++bar)); }
    void BackToNamePage() override { log.push_back("name page"); }
    void ShowDriveStep(const std::string& drive) override { log.push_back("drive " + drive); }
    void EndDriveStep() override { log.push_back("drive done"); }
    void ShowError(const std::string& text) override { log.push_back("error " + text); }
    void BlockSessionEnd() override { log.push_back("session held"); }
    void AllowSessionEnd() override { log.push_back("session free"); }
    bool Confirm(const std::string&) override {
        log.push_back("question");
        return answerYes;
    }
    void Close() override { log.push_back("close"); }

    bool DirectoryExists(const std::string& path) override { return dirs.count(path) != 0; }
    bool ForceDirectories(const std::string& path) override {
        log.push_back("fs mkdir " + path);
        if (uncreatable.count(path) || files.count(path))
            return false;
        dirs.insert(path);
        return true;
    }
    app::NewTempDir CreateTempDir(const std::string& path) override {
        log.push_back("fs mkdir " + path);
        if (appearing.count(path))
            dirs.insert(path);
        if (dirs.count(path))
            return app::NewTempDir::Taken;
        if (uncreatable.count(path) || files.count(path))
            return app::NewTempDir::Failed;
        dirs.insert(path);
        return app::NewTempDir::Created;
    }
    std::vector<std::string> FindFiles(const std::string& dir,
                                       const std::string& pattern) override {
        // Enough of a wildcard for "stem.*", without regard to case.
        const std::string prefix = pattern.substr(0, pattern.size() - 1);
        std::vector<std::string> names;
        for (const std::string& n : FilesIn(dir))
            if (rt::SameTextAZ(n.substr(0, prefix.size()), prefix))
                names.push_back(n);
        return names;
    }
    bool Copy(const std::string& from, const std::string& to) override {
        log.push_back("fs copy " + from + " " + to);
        if (!files.count(from) || !dirs.count(Parent(to)))
            return false;
        files[to] = files[from];
        return true;
    }
    bool IsGenuine(const std::string& path) override {
        log.push_back("fs check " + path);
        const bool inTemp = Parent(path) == kTemp1 || Parent(path) == kTemp2;
        return inTemp && !foreign.count(Name(path));
    }
    void SetArchiveOnly(const std::string& path) override { log.push_back("fs attr " + path); }
    void Delete(const std::string& path) override {
        log.push_back("fs delete " + path);
        files.erase(path);
    }
    bool RemoveDir(const std::string& path) override {
        log.push_back("fs rmdir " + path);
        if (!FilesIn(path).empty() || !dirs.count(path))
            return false;
        for (const std::string& d : dirs)
            if (Parent(d) == path && d != path)
                return false;
        dirs.erase(path);
        return true;
    }
    void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) override {
        log.push_back("fs write " + path);
        if (unwritable.count(path))
            throw rt::EInOutError(5);
        std::string text;
        for (const std::string& l : lines)
            text += l + "\r\n";
        files[path] = text;
    }
    app::RestoreResult Restore(const std::string& archive, const std::string& targetDir) override {
        const std::string name = Name(archive);
        log.push_back("restore " + name + " " + targetDir);
        seenBesideCopy[name] = FilesIn(Parent(archive));
        if (name == raiseOnRestore)
            throw rt::EReadError("Stream-Read-Fehler");
        for (const rt::PackedFile& row : rt::kPackedFiles)
            if (row.packed == name)
                files[targetDir + row.installed] = "restored";
        if (name == foreignOnOpen)
            return app::RestoreResult::Foreign;
        return !restoreResult.count(name) || restoreResult[name] ? app::RestoreResult::Restored
                                                                 : app::RestoreResult::Failed;
    }
    void TakeDriveSnapshot(char letter, const std::string& designation,
                           const std::string& dir) override {
        log.push_back("read " + (letter ? std::string(1, letter) : "none") + " " + designation +
                      " into " + dir);
    }
    void TakeRegistrySnapshot(const std::string& dir) override {
        log.push_back("registry into " + dir);
    }
    void ShowShortcutDialog(const std::string& dir) override { log.push_back("shortcuts " + dir); }
    void StartLauncher(const std::string& path) override { log.push_back("launch " + path); }
};

class InstallRun : public ::testing::Test {
protected:
    FakeHost host;
    wizard::WizardModel input{"Büro 3", kTarget + "\\",
                              wizard::DriveChoice::FromItem("c: [SYSTEM]", shell::dtFixed),
                              "KELvar"};

    void Run() { app::InstallRun(input, kSetup, host, host, host); }
    std::string PathError(const std::string& path, const std::string& sentence) {
        return "error \"" + path + "\"\r\r" + sentence;
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> e;
        for (const std::string& s : host.log)
            if (s.rfind("error ", 0) == 0)
                e.push_back(s);
        return e;
    }
    bool Logged(const std::string& entry) const {
        return std::find(host.log.begin(), host.log.end(), entry) != host.log.end();
    }
};

const char* const kFileNotCreated = "Datei kann nicht erstellt werden!";

TEST_F(InstallRun, FullRunShowsEveryStepInOrderAndLeavesOnlyTheInstallation) {
    Run();
    const std::vector<std::string> seen = host.Seen();
    ASSERT_EQ(seen.size(), 2 + 14 * 3 + 8u);
    EXPECT_EQ(seen[0], "progress page");
    EXPECT_EQ(seen[1], "copy step");
    // Each row: what is copied, then its restore, then the bar; full exactly at the last row.
    EXPECT_EQ(seen[2], "file Lockbox.kvr C:\\Programme\\KELvar\\Lockbox.exe");
    EXPECT_EQ(seen[3], "restore Lockbox.kvr C:\\Programme\\KELvar");
    EXPECT_EQ(seen[4], "bar 1");
    EXPECT_EQ(seen[41], "file Kelvar5h.kvr C:\\Programme\\KELvar\\Kelvar5.hlp");
    EXPECT_EQ(seen[43], "bar 14");
    // The target's drive is watched: the registry's key names are listed too.
    const std::vector<std::string> tail(seen.begin() + 44, seen.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"drive C:", "read c KELvar into C:\\Programme\\KELvar",
                                        "registry into C:\\Programme\\KELvar", "drive done",
                                        "shortcuts C:\\Programme\\KELvar", "question",
                                        "launch C:\\Programme\\KELvar\\Launch.exe", "close"}));

    // A logoff waits while the run copies and lists, not during the questions after.
    EXPECT_EQ(
        host.SeenAndSession(),
        (std::vector<std::string>{"progress page", "copy step", "session held",
                                  "drive C:", "read c KELvar into C:\\Programme\\KELvar",
                                  "registry into C:\\Programme\\KELvar", "drive done",
                                  "session free", "shortcuts C:\\Programme\\KELvar", "question",
                                  "launch C:\\Programme\\KELvar\\Launch.exe", "close"}));

    // The temporary folder is made before the target and is gone at the end;
    // the info files are written before the drive step.
    EXPECT_EQ(host.log[3], "fs mkdir " + kTemp1);
    EXPECT_EQ(host.log[4], "fs mkdir " + kTarget);
    EXPECT_FALSE(host.dirs.count(kTemp1));
    EXPECT_EQ(host.files[kTarget + "\\Kvrinf.cfg"], "info");
    EXPECT_TRUE(Logged("fs attr " + kTarget + "\\Kvrinf.cfg"));
    EXPECT_EQ(host.files[kTarget + "\\Kvrinf2.cfg"], "KVR-INF_DAT\r\nBüro 3\r\n");
    // Every temporary copy, the info file's too, was made writable right
    // before its deletion: a copy from a CD is read-only and would stay.
    int deleted = 0;
    for (std::size_t i = 1; i < host.log.size(); ++i)
        if (host.log[i].rfind("fs delete " + kTemp1, 0) == 0) {
            ++deleted;
            EXPECT_EQ(host.log[i - 1], "fs attr " + host.log[i].substr(10));
        }
    EXPECT_EQ(deleted, 15);
}

// Only the target's drive brings the registry snapshot; with no drive chosen
// the drive snapshot still writes its files, with no walk.
TEST_F(InstallRun, TheRegistryIsListedOnlyWhenTheWatchedDriveHoldsTheTarget) {
    const struct {
        const char* item;
        const char* target;
        std::vector<std::string> step;
    } cases[] = {
        {"d: [DATEN]", "C:\\Neu", {"drive D:", "read d KELvar into C:\\Neu", "drive done"}},
        {"C:",
         "c:\\Neu\\",
         {"drive C:", "read C KELvar into c:\\Neu", "registry into c:\\Neu", "drive done"}},
        {"", "C:\\Neu", {"drive ", "read none KELvar into C:\\Neu", "drive done"}},
    };
    for (const auto& c : cases) {
        FakeHost fresh;
        input.drive = wizard::DriveChoice::FromItem(c.item, shell::dtFixed);
        input.target = c.target;
        app::InstallRun(input, kSetup, fresh, fresh, fresh);
        const auto seen = fresh.Seen();
        const auto at = std::find(seen.begin(), seen.end(), c.step.front());
        ASSERT_NE(at, seen.end()) << c.item;
        EXPECT_EQ(std::vector<std::string>(at, at + static_cast<long>(c.step.size())), c.step)
            << c.item;
    }
}

TEST_F(InstallRun, NoToTheQuestionStartsNothingAndTakenFirstTempNameIsLeftAlone) {
    host.answerYes = false;
    host.dirs.insert(kTemp1);
    host.files[kTemp1 + "\\keep.txt"] = "x";
    input.target = kTarget; // without a trailing backslash, used as it is
    Run();
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Logged("restore Lockbox.kvr " + kTarget));
    EXPECT_TRUE(Logged("fs copy " + kSetup + "\\Lockbox.kvr " + kTemp2 + "\\Lockbox.kvr"));
    EXPECT_FALSE(host.dirs.count(kTemp2));
    EXPECT_TRUE(host.files.count(kTemp1 + "\\keep.txt"));
    EXPECT_EQ(host.log.back(), "close");
    EXPECT_EQ(host.log[host.log.size() - 2], "question");
}

TEST_F(InstallRun, BothTempNamesTakenShowsTheMessageAndClosesWithoutChanges) {
    host.dirs.insert({kTemp1, kTemp2});
    const auto dirs = host.dirs;
    Run();
    EXPECT_EQ(host.Seen(),
              (std::vector<std::string>{"progress page", "copy step",
                                        "error " + rt::TempDirBusyMessage(kTemp2), "close"}));
    EXPECT_EQ(host.dirs, dirs);
}

TEST_F(InstallRun, TempNameAppearingBeforeItsCreationCountsAsTaken) {
    host.appearing.insert(kTemp1);
    Run();
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Logged("fs copy " + kSetup + "\\Lockbox.kvr " + kTemp2 + "\\Lockbox.kvr"));
    EXPECT_FALSE(Logged("fs copy " + kSetup + "\\Lockbox.kvr " + kTemp1 + "\\Lockbox.kvr"));
    EXPECT_TRUE(host.dirs.count(kTemp1)) << "the other's folder is left alone";
    EXPECT_FALSE(host.dirs.count(kTemp2));

    // Both names appearing end the run as when both existed.
    host.log.clear();
    host.dirs.erase(kTemp1);
    host.appearing.insert(kTemp2);
    const auto filesBefore = host.files;
    Run();
    EXPECT_EQ(host.Seen(),
              (std::vector<std::string>{"progress page", "copy step",
                                        "error " + rt::TempDirBusyMessage(kTemp2), "close"}));
    EXPECT_EQ(host.files, filesBefore);
}

TEST_F(InstallRun, TempFolderNotCreatableClosesBeforeTheTarget) {
    host.uncreatable.insert(kTemp1);
    Run();
    EXPECT_EQ(host.log.end()[-2], "session free")
        << "a logoff need not wait for the closing window";
    EXPECT_EQ(
        host.Seen(),
        (std::vector<std::string>{
            "progress page", "copy step",
            PathError(kTemp1, "Temporäres Verzeichnis kann nicht angelegt werden!"), "close"}));
    EXPECT_FALSE(host.dirs.count(kTarget));
}

TEST_F(InstallRun, TargetNotCreatableReturnsToTheNamePageAndRetriesUseTheSecondName) {
    host.uncreatable.insert(kTarget);
    const std::string message =
        "error Das Zielverzeichnis kann nicht angelegt werden!\r\rGeben Sie bitte ein anderes "
        "Zielverzeichnis an!";
    Run();
    EXPECT_EQ(host.Seen(),
              (std::vector<std::string>{"progress page", "copy step", message, "name page"}));
    EXPECT_TRUE(host.dirs.count(kTemp1)) << "the temporary folder stays";

    host.log.clear();
    Run();
    EXPECT_EQ(host.Seen(),
              (std::vector<std::string>{"progress page", "copy step", message, "name page"}));
    EXPECT_TRUE(host.dirs.count(kTemp2));

    host.log.clear();
    Run();
    EXPECT_EQ(host.Seen(),
              (std::vector<std::string>{"progress page", "copy step",
                                        "error " + rt::TempDirBusyMessage(kTemp2), "close"}));
}

TEST_F(InstallRun, MissingOrUnrestorablePackedFilesAreReportedAndTheRunGoesOn) {
    host.files.erase(kSetup + "\\Launch.kvr");
    host.files.erase(kSetup + "\\Kvrinf.kvr"); // no message for the info file
    host.restoreResult["Roster.kvr"] = false;
    Run();
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{PathError(kTarget + "\\Roster.lst", kFileNotCreated),
                                        PathError(kTarget + "\\Launch.exe", kFileNotCreated)}));
    // The missing file is not restored; the failed restore is reported after it.
    EXPECT_FALSE(Logged("restore Launch.kvr " + kTarget));
    const auto failed =
        std::find(host.log.begin(), host.log.end(), "restore Roster.kvr " + kTarget);
    EXPECT_EQ(*(failed + 1), PathError(kTarget + "\\Roster.lst", kFileNotCreated));
    EXPECT_EQ(host.bar, 14);
    EXPECT_EQ(host.log.back(), "close");
    EXPECT_FALSE(host.dirs.count(kTemp1)) << "the failed copy is deleted all the same";
    EXPECT_FALSE(host.files.count(kTarget + "\\Kvrinf.cfg"));
}

TEST_F(InstallRun, TempFolderNotRemovableIsReportedAndTheRunGoesOn) {
    host.dirs.insert(kTemp1 + "\\left");
    Run();
    EXPECT_EQ(
        Errors(),
        (std::vector<std::string>{PathError(
            kTemp1, "Vom Setup angelegtes (temporäres) Verzeichnis kann nicht gelöscht werden!")}));
    EXPECT_TRUE(host.files.count(kTarget + "\\Kvrinf2.cfg"));
    EXPECT_EQ(host.log.back(), "close");
}

TEST_F(InstallRun, AnErrorRaisedByTheRestoreEndsTheRunWithTheCopyLeft) {
    host.raiseOnRestore = "Parcel.kvr";
    EXPECT_THROW(Run(), rt::EReadError);
    EXPECT_EQ(host.bar, 2);
    EXPECT_EQ(host.FilesIn(kTemp1), std::vector<std::string>{"Parcel.kvr"});
    EXPECT_FALSE(host.files.count(kTarget + "\\Kvrinf2.cfg"));
    EXPECT_FALSE(Logged("close"));
}

TEST_F(InstallRun, InfoFileNotWritableEndsTheRunBeforeTheDriveStep) {
    host.unwritable.insert(kTarget + "\\Kvrinf2.cfg");
    EXPECT_THROW(Run(), rt::EInOutError);
    EXPECT_EQ(host.bar, 14);
    EXPECT_TRUE(host.files.count(kTarget + "\\Kvrinf.cfg"));
    EXPECT_EQ(host.log.back(), "fs write " + kTarget + "\\Kvrinf2.cfg");
}

// A packed file, a volume or the info file that is not the publisher's (not
// in the table bound into the signed installer) is handled as a damaged
// archive: its message, nothing of it in the target, and the run goes on.
TEST_F(InstallRun, ForeignFilesAreNeverRestoredAndTheRunGoesOn) {
    host.files[kSetup + "\\Kelvar5.002"] = "volume";
    host.foreign = {"Launch.kvr", "Kelvar5.002", "Kvrinf.kvr"};
    host.foreignOnOpen = "Parcel.kvr"; // a volume found only after the disk prompt
    Run();
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{PathError(kTarget + "\\Parcel.exe", kFileNotCreated),
                                        PathError(kTarget + "\\Launch.exe", kFileNotCreated),
                                        PathError(kTarget + "\\Kelvar5.exe", kFileNotCreated)}));
    EXPECT_FALSE(Logged("restore Launch.kvr " + kTarget));
    EXPECT_FALSE(Logged("restore Kelvar5.kvr " + kTarget));
    // Each copy was checked where only administrators can change it.
    EXPECT_TRUE(Logged("fs check " + kTemp1 + "\\Launch.kvr"));
    EXPECT_TRUE(Logged("fs check " + kTemp1 + "\\Kelvar5.002"));
    for (const char* gone : {"\\Parcel.exe", "\\Launch.exe", "\\Kelvar5.exe", "\\Kvrinf.cfg"})
        EXPECT_FALSE(host.files.count(kTarget + gone)) << gone;
    EXPECT_TRUE(host.files.count(kTarget + "\\Unfold.exe"));
    EXPECT_TRUE(host.files.count(kTarget + "\\Kvrinf2.cfg"));
    EXPECT_TRUE(host.FilesIn(kTemp1).empty()) << "the rejected copies are deleted too";
    EXPECT_FALSE(host.dirs.count(kTemp1));
    EXPECT_EQ(host.bar, 14);
    EXPECT_EQ(host.log.back(), "close");
}

// An installer bound to no payload accepts nothing: every row is reported.
TEST_F(InstallRun, AnEmptyTableInstallsNothing) {
    for (const rt::PackedFile& row : rt::kPackedFiles)
        host.foreign.insert(row.packed);
    host.foreign.insert("Kvrinf.kvr");
    Run();
    EXPECT_EQ(Errors().size(), 14u);
    for (const std::string& e : host.log)
        EXPECT_NE(e.rfind("restore ", 0), 0u) << e;
    EXPECT_EQ(host.FilesIn(kTarget), std::vector<std::string>{"Kvrinf2.cfg"});
}

TEST_F(InstallRun, EveryNumberedVolumeIsCopiedBesideItsPackedFileAndRemovedAgain) {
    // A gap after .002: the marker of .002 may name .010.
    for (const char* name : {"Kelvar5.002", "Kelvar5.010", "KELVAR5.011", "Kelvar5.01",
                             "Kelvar5.0100", "Kelvar5.x02", "Kelvar50.002", "Kelvar5h.003"})
        host.files[kSetup + "\\" + name] = name;
    Run();
    EXPECT_EQ(
        host.seenBesideCopy["Kelvar5.kvr"],
        (std::vector<std::string>{"KELVAR5.011", "Kelvar5.002", "Kelvar5.010", "Kelvar5.kvr"}));
    EXPECT_EQ(host.seenBesideCopy["Kelvar5h.kvr"],
              (std::vector<std::string>{"Kelvar5h.003", "Kelvar5h.kvr"}));
    EXPECT_EQ(host.seenBesideCopy["Lockbox.kvr"], std::vector<std::string>{"Lockbox.kvr"});
    EXPECT_TRUE(Errors().empty());
    EXPECT_FALSE(host.dirs.count(kTemp1)) << "every volume is deleted again";
}

} // namespace
