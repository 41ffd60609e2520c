// sys_parse, the token splitter of the command line, called until the text is used up as Main
// calls it. Each call must take a prefix of the text as its token, leave a suffix behind, and
// shorten the text, so that reading a command line always ends.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "services/text.h"
#include "startup/startup.h"

using namespace tsy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    test::FakeOs& f = fuzz::fresh();
    fuzz::Reader in(data, size);
    const std::uint8_t mode = in.byte();
    const bool bTrimRest = mode & 1;
    sys().gbDebug = mode & 2;
    std::string sDelim;
    switch ((mode >> 2) & 3) {
        case 0: sDelim = " "; break;
        case 1: sDelim = (mode & 16) ? "LINE" : "line"; break;
        case 2: sDelim = in.text(8); break;
        default: sDelim = "\r\n"; break;
    }
    std::string sText = in.rest();

    for (std::size_t calls = 0; !sText.empty(); ++calls) {
        TSY_FUZZ_CHECK(calls <= size, "the text never runs out");
        const std::string before = sText;
        const std::string token = sys_parse(sText, sDelim, bTrimRest);
        const std::string detail = "text [" + before + "] delim [" + sDelim + "] token [" + token +
                                   "] rest [" + sText + "]";
        TSY_FUZZ_CHECK(sText.size() < before.size(), detail);
        TSY_FUZZ_CHECK(token.size() + sText.size() < before.size() + (token.size() == before.size()),
                       detail);
        TSY_FUZZ_CHECK(fuzz::startsWith(before, token), detail);
        TSY_FUZZ_CHECK(fuzz::endsWith(before, sText), detail);
        if (bTrimRest) TSY_FUZZ_CHECK(sText.empty() || sText[0] != ' ', detail);
        // A token found by its delimiter never holds the delimiter itself.
        if (!sDelim.empty() && !iequals(sDelim, "Line") && token.size() < before.size() &&
            before.find('\r') == std::string::npos)
            TSY_FUZZ_CHECK(ifind(token, sDelim) == 0, detail);
    }
    TSY_FUZZ_CHECK(f.messages().empty(), "an error report without an error");
    return 0;
}
