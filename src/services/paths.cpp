// Taking folder paths apart as text; nothing here touches the file system.
#include <optional>
#include <string>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy {

namespace {

// 1-based position of the last character of the last occurrence of delim, ignoring case;
// 0 when absent. An empty delimiter is never found, so a split always makes progress.
std::size_t lastDelimiterEnd(const std::string& text, const std::string& delim) {
    if (delim.empty() || delim.size() > text.size()) return 0;
    std::size_t p = toUpper(text).rfind(toUpper(delim));
    return p == std::string::npos ? 0 : p + delim.size();
}

}  // namespace

// No caller hands over a text with line breaks. For completeness: the delimiter "Line" (any
// case) asks for the last line, split at the last carriage return with the line feed of a
// CR LF pair dropped from the token; any other delimiter treats line breaks as ordinary text.
std::optional<std::string> SYS_ParseRev(std::string& sText, const std::string& sDelim) {
    if (sText.size() < 2) return std::nullopt;
    return catchOnce(
        [&]() -> std::optional<std::string> {
            bool lines = iequals(sDelim, "Line");
            std::string delim = lines ? std::string("\r") : sDelim;
            std::size_t end = lastDelimiterEnd(sText, delim);
            if (end == 0) {
                std::string token = sText;
                sText.clear();
                return token;
            }
            std::string token = sText.substr(end);
            if (lines && !token.empty() && token[0] == '\n') token.erase(0, 1);
            token = trimLeftSpaces(token);
            sText = trimRightSpaces(sText.substr(0, end - delim.size()));
            return token;
        },
        OnError::reportInDebug("errHdl_SYS_ParseRev: ", sys().gbDebug)
            .text([](const RuntimeError& e) {
                return "errHdl_SYS_ParseRev: " + std::to_string(e.number()) + sys().gsSpace +
                       e.description();
            }),
        [&]() -> std::optional<std::string> {
            std::string token = sText;
            sText.clear();
            return token;
        });
}

std::string SYS_SplitFolder(const std::string& sPath, std::string& sParent) {
    if (sPath.empty()) return "";
    std::string sep;
    if (contains(sPath, '\\'))
        sep = "\\";
    else if (contains(sPath, '/'))
        sep = "/";
    else
        return sPath;

    std::string rest = sPath;
    if (rest.back() == sep[0]) rest.pop_back();
    std::string name = SYS_ParseRev(rest, sep).value_or("");
    sParent = rest + sep;
    return name;
}

std::string SYS_GetParentFolder(std::string sPath) {
    if (sPath.empty()) sPath = sys().gsDBPath;
    std::string sep = separatorOf(sPath);
    std::string rest = sPath;
    if (!rest.empty() && rest.back() == sep[0]) rest.pop_back();
    SYS_ParseRev(rest, sep);
    return rest.empty() ? sPath : rest;
}

}  // namespace tsy
