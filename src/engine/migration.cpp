#include "engine/migration.h"

#include <vector>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy::engine {

const char* const kMigrationPrefix = "rev30_";

namespace {

// The rename is best effort: whatever goes wrong, the installation must go on.
OnError bestEffort(const std::string& what) {
    return OnError::swallow().because("Migration: " + what + " failed; the installation goes on");
}

// A rename onto a name that is taken fails. Left under its own name, the customer's file would
// then be overwritten by the database package's new template, and the files after it in its
// category would never be renamed at all. So a taken name gives way to the next free one of
// "rev30_(2) ", "rev30_(3) ", ... (still beginning with the prefix, so never renamed again).
// The candidates are tried by moving, not by listing, so that an open envelope listing is not
// disturbed.
constexpr int kMaxTwins = 9;

std::string renamedAs(const std::string& name, int attempt) {
    return attempt == 1 ? kMigrationPrefix + name
                        : kMigrationPrefix + ("(" + std::to_string(attempt) + ") ") + name;
}

// One candidate: true to go on with the next, false when the category ends.
bool renameOne(const std::string& folder, const std::string& name) {
    if (istartsWith(name, kMigrationPrefix)) return true;
    bool moved = false;
    for (int attempt = 1; attempt <= kMaxTwins && !moved; ++attempt) {
        moved = catchOnce(
            [&] { return os().moveFile(folder + name, folder + renamedAs(name, attempt)); },
            OnError::swallow(), false);
    }
    if (moved) return true;
    logDecision("Migration: " + folder + name + " could not be renamed; it and the templates "
                "after it in its folder are left as they are");
    if (sys().gbDebug)
        resumeNext([&] { os().msgBox("Unable to rename file:" + name, mb::OkOnly, ""); },
                   OnError::swallow());
    return false;
}

std::string existing(const std::string& path) {
    return catchOnce([&] { return os().dirFirst(path, attr::Normal); },
                     bestEffort("looking for " + path), std::string());
}

}  // namespace

void migrateUserFiles(const std::string& targetFolder, const std::string& sep) {
    const std::string base =
        targetFolder + sep + "Documents" + sep + "Templates" + sep;

    // Envelopes: every *.env. The listing stays open while files are renamed, so it can meet a
    // file again under its new name; the prefix test above keeps that from being renamed twice.
    // The pattern also meets "Letter.envelope" by its short name LETTER~1.ENV: no envelope.
    {
        const std::string folder = base + "Envelopes" + sep;
        std::string name = existing(folder + "*.env");
        while (!name.empty() && (!iendsWith(name, ".env") || renameOne(folder, name)))
            name = catchOnce([] { return os().dirNext(); }, bestEffort("listing " + folder),
                             std::string());
    }

    // Labels: the one standard label file.
    {
        const std::string folder = base + "Labels" + sep;
        std::string name = existing(folder + "Address Labels (8160).lbl");
        if (!name.empty()) renameOne(folder, name);
    }

    // Reports: a missing one does not end the category, a failed rename does.
    {
        const std::string folder = base + "Reports" + sep;
        for (const char* report : {"Activity by Contact.rpt", "Phone List by Company.rpt",
                                   "Phone List by Contact.rpt"}) {
            std::string name = existing(folder + report);
            if (name.empty()) continue;
            if (!renameOne(folder, name)) break;
        }
    }
}

}  // namespace tsy::engine
