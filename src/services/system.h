// The system services other modules call: starting processes and opening files through the
// shell, file checks, and path text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tsy {

// --- processes and the shell ---------------------------------------------------------------
// Starts sCmdLine in sDir and waits (lWait ms, 0 = no limit). True when the process was
// created. A command line that starts with "msiexec.exe" is started from the Windows system
// folder (full path as the application name), so that a planted copy beside the setup never
// runs. When exitCode is given it receives the child's exit code (nullopt: not waited for).
bool SYS_CreateP(std::string& sCmdLine, const std::string& sDir, long lWait,
                 std::optional<std::uint32_t>* exitCode = nullptr);
// The shell open request: verb "open", no owner window, show-state 1. Returns the shell's
// integer (32 or more is success). A file that is not a full path (drive or share) is not
// handed to the shell, which would search the PATH and the App Paths keys for it: the answer
// is then 2, file not found. With lWait above 0 the process the shell started is waited for,
// up to lWait ms.
long SYS_ShellOpen(const std::string& sFile, const std::string& sParams, const std::string& sDir,
                   long lWait = 0);
// What a caller says about a shell answer below 32: file not found (2), path not found (3), no
// program associated (31) and any other answer, each in the caller's own words.
struct ShellAnswerTexts {
    std::string fileNotFound, pathNotFound, noAssociation, other;
    std::string reopen;  // opened once more when no program is associated
};
// The explanation of a failed shell answer. Without an associated program the shell is asked
// once more to open texts.reopen, so that it offers its "Open with" choice; what it answers
// changes nothing.
std::string explainShellAnswer(long answer, const ShellAnswerTexts& texts);
// Opens the installed program through the desktop's shell (with the desktop user's rights);
// where no desktop shell answers, through the shell open request as above.
bool SYS_OpenProgram(std::string& sFile, std::string& sParams);
// "C:\..." or "\\server\..." (either separator).
bool SYS_IsFullPath(const std::string& sPath);

// --- file checks -----------------------------------------------------------------------------
bool SYS_DirExists(const std::string& sPath, bool bCreate);
bool SYS_File_FileCheck(const std::string& sFile, const std::string& sPath, bool bCreate,
                        bool bQuiet);

// --- path text -------------------------------------------------------------------------------
// The last token, cut off sText; nullopt is the empty value (text shorter than 2 characters).
std::optional<std::string> SYS_ParseRev(std::string& sText, const std::string& sDelim);
std::string SYS_SplitFolder(const std::string& sPath, std::string& sParent);
std::string SYS_GetParentFolder(std::string sPath);

}  // namespace tsy
