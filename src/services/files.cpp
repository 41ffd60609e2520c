// Is something on disk: a file or folder by path, a named file in a folder.
#include <string>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy {

namespace {
// Read-only, hidden, system and folder entries: anything that is there counts.
constexpr int AnyEntry = attr::ReadOnly | attr::Hidden | attr::System | attr::Directory;
}  // namespace

bool SYS_DirExists(const std::string& sPath, bool bCreate) {
    if (sPath.empty()) return false;
    return catchOnce(
        [&] {
            if (!os().dirFirst(sPath, AnyEntry).empty()) return true;
            if (!bCreate) return false;
            os().createFolder(sPath);
            return !os().dirFirst(sPath, AnyEntry).empty();
        },
        OnError::swallow(), false);
}

bool SYS_File_FileCheck(const std::string& sFile, const std::string& sPath, bool bCreate,
                        bool bQuiet) {
    // A quiet check reports nothing, not even in debug mode.
    static const bool never = false;
    const bool* debug = bQuiet ? &never : &sys().gbDebug;
    const OnError onError = OnError::reportInDebug("errHdl_SYS_File_FileCheck: ", *debug);

    bool folderThere = false;
    resumeNext([&] { folderThere = SYS_DirExists(sPath, bCreate); }, onError);
    if (!folderThere) return false;

    std::string sep = separatorOf(sPath, '/');
    std::string fullName = sPath + sep + sFile;

    // An ordinary-attribute listing: a hidden or system file is not seen, and a wildcard in
    // sFile cannot pass because the name listed must equal it.
    bool present = false;
    auto look = [&] { present = iequals(os().dirFirst(fullName, attr::Normal), sFile); };
    resumeNext(look, onError);

    if (!present && bCreate) {
        resumeNext([&] { os().createEmptyFile(fullName); }, onError);
        resumeNext(look, onError);
    }

    if (!present && !bQuiet) {
        resumeNext(
            [&] {
                const std::string& cr = sys().gsCR;
                os().msgBox("FILE: " + sFile + cr + "PATH: " + sPath + cr + cr +
                                "Windows was unable to create this file:" + cr +
                                "Please ensure you have permission to write to this drive and "
                                "that there is available space." +
                                cr,
                            mb::OkOnly | mb::Critical, "File Create Error");
            },
            onError);
    }
    return present;
}

}  // namespace tsy
