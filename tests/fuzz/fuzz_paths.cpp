// The path routines: SYS_ParseRev, SYS_SplitFolder and SYS_GetParentFolder on any text. They
// take paths apart without touching the disk, so every result must be made of the input's
// own characters: a token from its end, a parent that is a prefix of it.
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "services/system.h"
#include "services/text.h"
#include "startup/startup.h"

using namespace tsy;

namespace {

void parseRev(const std::string& text, const std::string& delim) {
    std::string sText = text;
    std::optional<std::string> token = SYS_ParseRev(sText, delim);
    const std::string detail = "text [" + text + "] delim [" + delim + "] token [" +
                               token.value_or("<empty>") + "] rest [" + sText + "]";
    if (text.size() < 2) {
        TSY_FUZZ_CHECK(!token && sText == text, detail);
        return;
    }
    TSY_FUZZ_CHECK(token.has_value(), detail);
    TSY_FUZZ_CHECK(fuzz::startsWith(text, sText), detail);
    TSY_FUZZ_CHECK(token->size() + sText.size() <= text.size(), detail);
    TSY_FUZZ_CHECK(text.find(*token) != std::string::npos, detail);
    if (!iequals(delim, "Line")) {
        // The token is the tail of the text, after the delimiter and its blanks.
        TSY_FUZZ_CHECK(fuzz::endsWith(text, *token), detail);
        if (sText.empty() && *token != text) TSY_FUZZ_CHECK(ifind(text, delim) != 0, detail);
        if (!delim.empty() && ifind(text, delim) == 0)
            TSY_FUZZ_CHECK(*token == text && sText.empty(), detail);
        if (!delim.empty() && !token->empty() && delim.find(' ') == std::string::npos)
            TSY_FUZZ_CHECK(ifind(*token, delim) == 0, detail);
    }
    TSY_FUZZ_CHECK(sText.empty() || sText.back() != ' ', detail);
}

void splitFolder(const std::string& path) {
    std::string parent = "<untouched>";
    const std::string name = SYS_SplitFolder(path, parent);
    const std::string detail = "path [" + path + "] name [" + name + "] parent [" + parent + "]";
    const bool back = contains(path, '\\');
    const bool slash = contains(path, '/');
    if (path.empty() || (!back && !slash)) {
        TSY_FUZZ_CHECK(name == path && parent == "<untouched>", detail);
        return;
    }
    const char sep = back ? '\\' : '/';
    TSY_FUZZ_CHECK(!parent.empty() && parent.back() == sep, detail);
    TSY_FUZZ_CHECK(name.find(sep) == std::string::npos, detail);
    TSY_FUZZ_CHECK(name.size() + parent.size() <= path.size() + 1, detail);
    // The parent, without its separator, begins the path.
    TSY_FUZZ_CHECK(fuzz::startsWith(path, parent.substr(0, parent.size() - 1)), detail);
}

void parentFolder(const std::string& path, const std::string& dbPath) {
    sys().gsDBPath = dbPath;
    const std::string parent = SYS_GetParentFolder(path);
    const std::string& of = path.empty() ? dbPath : path;
    const std::string detail = "path [" + of + "] parent [" + parent + "]";
    TSY_FUZZ_CHECK(fuzz::startsWith(of, parent), detail);
    // Nothing is left over, or a real parent is: never the path with just its separator lost.
    if (parent != of) {
        TSY_FUZZ_CHECK(!parent.empty(), detail);
        const char sep = contains(of, '/') ? '/' : '\\';
        TSY_FUZZ_CHECK(of.find(sep, parent.size()) != std::string::npos, detail);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    test::FakeOs& f = fuzz::fresh();
    configureEdition("TSYPRO_3");
    fuzz::Reader in(data, size);
    const std::uint8_t mode = in.byte();
    sys().gbDebug = mode & 1;
    std::string delim;
    switch ((mode >> 1) & 3) {
        case 0: delim = "\\"; break;
        case 1: delim = "/"; break;
        case 2: delim = (mode & 8) ? "Line" : "lINE"; break;
        default: delim = in.text(6); break;
    }
    const std::string dbPath = in.text();
    const std::string text = in.rest();

    parseRev(text, delim);
    splitFolder(text);
    parentFolder(text, dbPath);
    TSY_FUZZ_CHECK(f.messages().empty(), "an error report without an error");
    return 0;
}
