// Renaming of the envelope, label and report templates that a 3.0 installation left behind,
// so that the database package can lay down its own without overwriting the user's edits.
#pragma once

#include <string>

namespace tsy::engine {

extern const char* const kMigrationPrefix;  // "rev30_"

// Gives the 3.0 template files below targetFolder\Documents\Templates the prefix, in their own
// folders. Never fails outward: a missing folder or a file that cannot be renamed is left
// alone, and only debug mode hears of a failed rename.
void migrateUserFiles(const std::string& targetFolder, const std::string& sep);

}  // namespace tsy::engine
