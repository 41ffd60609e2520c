// What every fuzz target shares: one recording fake for the whole process (it owns a temporary
// folder, far too slow to make per input), reset to a known state before each input, and a
// reader that cuts the fuzzer's bytes into the pieces a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/os.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/show.h"

namespace tsy::fuzz {

// A broken property: say which and what, then abort so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* property, const std::string& detail) {
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n%s\n", property, detail.c_str());
    std::abort();
}

#define TSY_FUZZ_CHECK(cond, detail)                                 \
    do {                                                             \
        if (!(cond)) ::tsy::fuzz::fail(#cond, (detail));             \
    } while (0)

// The process's fake, installed once; fresh() puts it and the installer state back to how a
// new process would find them.
inline test::FakeOs& fake() {
    static test::FakeOs* instance = [] {
        auto* f = new test::FakeOs();
        setOs(f);
        return f;
    }();
    return *instance;
}

inline test::FakeOs& fresh() {
    test::FakeOs& f = fake();
    f.calls.clear();
    f.msgBoxAnswers.clear();
    f.inputBoxAnswers.clear();
    f.browseAnswers.clear();
    f.settings.clear();
    f.unwritableSettings.clear();
    f.productStates.clear();
    f.fault = nullptr;
    f.onCreateProcess = nullptr;
    f.onShellExecute = nullptr;
    f.endedWith.reset();
    resetWizard();
    resetSystemState();
    return f;
}

// Cuts the input into flags and length-prefixed texts; runs dry gracefully.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool empty() const { return p_ == end_; }
    std::uint8_t byte() { return p_ == end_ ? 0 : *p_++; }
    bool flag() { return byte() & 1; }
    // A text of at most maxLen characters, its length taken from one byte.
    std::string text(std::size_t maxLen = 255) {
        std::size_t n = byte();
        if (n > maxLen) n = maxLen;
        return take(n);
    }
    std::string rest() { return take(static_cast<std::size_t>(end_ - p_)); }

private:
    std::string take(std::size_t n) {
        if (n > static_cast<std::size_t>(end_ - p_)) n = static_cast<std::size_t>(end_ - p_);
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

inline bool startsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}
inline bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace tsy::fuzz
