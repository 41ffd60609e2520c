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
// integer (32 or more is success).
long SYS_ShellOpen(const std::string& sFile, const std::string& sParams, const std::string& sDir);
bool SYS_OpenProgram(std::string& sFile, std::string& sParams);

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
