#include "app/install_run.h"
#include "backup/format.h"
#include "runtime/install_values.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include <algorithm>

namespace app {

namespace {

std::string PathError(const std::string& path, const std::string& sentence) {
    return "\"" + path + "\"\r\r" + sentence;
}

std::string Stem(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

class InstallSession {
public:
    InstallSession(const wizard::WizardModel& model, const std::string& programDir,
                   RunWizard& wizard, RunDisplay& display, InstallHost& host)
        : model_(model), programDir_(programDir), wizard_(wizard), display_(display), host_(host),
          target_(model.TargetDir()) {}

    void Execute() {
        wizard_.ShowProgressPage();
        display_.ShowCopyStep();
        host_.BlockSessionEnd();
        // A temporary folder of this run's own for the packed files' copies.
        if (!PrepareTempDir()) {
            host_.AllowSessionEnd();
            wizard_.Close();
            return;
        }
        // The target directory; failing here is the only way back into the wizard.
        if (!host_.ForceDirectories(target_)) {
            host_.ShowError(txt::TargetNotCreated);
            host_.AllowSessionEnd();
            wizard_.BackToNamePage();
            return;
        }
        // Copy and unpack each packed file.
        for (const rt::PackedFile& row : rt::kPackedFiles)
            InstallRow(row);
        // The first info file, by way of a checked copy like the packed files.
        const std::string info = tempDir_ + "\\Kvrinf.kvr", cfg = target_ + "\\Kvrinf.cfg";
        if (host_.Copy(programDir_ + "\\Kvrinf.kvr", info)) {
            if (host_.IsGenuine(info) && host_.Copy(info, cfg))
                host_.SetArchiveOnly(cfg);
            // A copy from a CD is read-only, and so would stay.
            host_.SetArchiveOnly(info);
            host_.Delete(info);
        }
        // The temporary folder goes again.
        if (!host_.RemoveDir(tempDir_))
            host_.ShowError(PathError(tempDir_, txt::TempDirNotRemoved));
        // The second info file.
        host_.WriteTextFile(target_ + "\\Kvrinf2.cfg", rt::Kvrinf2Lines(model_.name));
        // The snapshot of the chosen drive, and of the registry's key names
        // when that drive holds the product.
        display_.ShowDriveStep(model_.drive.Root());
        host_.TakeDriveSnapshot(model_.drive.Letter(), model_.designation, target_);
        if (model_.drive.Holds(target_))
            host_.TakeRegistrySnapshot(target_);
        display_.EndDriveStep();
        host_.AllowSessionEnd();
        // Shortcuts, then the offer to start the product.
        host_.ShowShortcutDialog(target_);
        if (host_.Confirm(txt::FinalQuestion))
            host_.StartLauncher(target_ + "\\Launch.exe");
        wizard_.Close();
    }

private:
    bool PrepareTempDir() {
        const auto [first, second] = rt::TempDirNames(target_);
        tempDir_ = host_.DirectoryExists(first) ? second : first;
        // A name that appears between the test and the creation is as taken
        // as one that existed: never reuse a folder this run did not create.
        NewTempDir made = NewTempDir::Taken;
        if (tempDir_ == first)
            made = host_.CreateTempDir(first);
        if (made == NewTempDir::Taken) {
            tempDir_ = second;
            made = host_.DirectoryExists(second) ? NewTempDir::Taken : host_.CreateTempDir(second);
        }
        if (made == NewTempDir::Taken) {
            host_.ShowError(rt::TempDirBusyMessage(second));
            return false;
        }
        if (made == NewTempDir::Failed) {
            host_.ShowError(PathError(tempDir_, txt::TempDirNotCreated));
            return false;
        }
        return true;
    }

    void InstallRow(const rt::PackedFile& row) {
        const std::string installed = target_ + row.installed;
        display_.ShowCurrentFile(row.packed, installed);
        std::vector<std::string> temps;
        if (!CopyRow(row, temps) || !Restore(temps.front(), installed))
            host_.ShowError(PathError(installed, txt::FileNotCreated));
        for (const std::string& t : temps) {
            host_.SetArchiveOnly(t);
            host_.Delete(t);
        }
        display_.StepBar();
    }

    // Copies the packed file and its continuation volumes into the temporary
    // folder, where only administrators can change them, and checks each copy
    // against the table bound into the installer: a download folder is no
    // place to trust. False when the packed file cannot be copied or a copy
    // is not the publisher's; temps lists the copies made.
    bool CopyRow(const rt::PackedFile& row, std::vector<std::string>& temps) {
        const std::string copy = tempDir_ + "\\" + row.packed;
        if (!host_.Copy(programDir_ + "\\" + row.packed, copy))
            return false;
        temps.push_back(copy);
        bool genuine = host_.IsGenuine(copy);
        // The restore looks for continuation volumes beside the copy.
        for (const std::string& v :
             VolumeNames(row.packed, host_.FindFiles(programDir_, Stem(row.packed) + ".*")))
            if (host_.Copy(programDir_ + "\\" + v, tempDir_ + "\\" + v)) {
                temps.push_back(tempDir_ + "\\" + v);
                genuine = host_.IsGenuine(temps.back()) && genuine;
            }
        return genuine;
    }

    // A volume that the restore found only after its disk prompt and that is
    // not the publisher's ends the restore: what it wrote of the file goes.
    bool Restore(const std::string& copy, const std::string& installed) {
        switch (host_.Restore(copy, target_)) {
        case RestoreResult::Restored:
            return true;
        case RestoreResult::Failed:
            break;
        case RestoreResult::Foreign:
            host_.Delete(installed);
            break;
        }
        return false;
    }

    const wizard::WizardModel& model_;
    const std::string& programDir_;
    RunWizard& wizard_;
    RunDisplay& display_;
    InstallHost& host_;
    const std::string target_; // as typed, without a trailing backslash
    std::string tempDir_;
};

} // namespace

void InstallRun(const wizard::WizardModel& model, const std::string& programDir, RunWizard& wizard,
                RunDisplay& display, InstallHost& host) {
    InstallSession(model, programDir, wizard, display, host).Execute();
}

std::vector<std::string> VolumeNames(const std::string& packedName,
                                     std::vector<std::string> namesInFolder) {
    const std::string stem = Stem(packedName);
    std::erase_if(namesInFolder, [&](const std::string& n) {
        return n.size() != stem.size() + 4 || n[stem.size()] != '.' ||
               !rt::SameTextAZ(std::string_view(n).substr(0, stem.size()), stem) ||
               !backup::IsVolumeDigits(std::string_view(n).substr(stem.size() + 1));
    });
    std::sort(namesInFolder.begin(), namesInFolder.end(), [&](const auto& a, const auto& b) {
        return a.substr(stem.size()) < b.substr(stem.size());
    });
    return namesInFolder;
}

} // namespace app
