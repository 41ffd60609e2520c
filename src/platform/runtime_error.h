// Run-time errors as the routines above the OS boundary see them: a number and a description,
// numbered like the platform's own (5 "Invalid procedure call or argument", 429 "ActiveX
// component can't create object", ...), and the one way of handling them.
//
// A routine that goes on after an error runs each statement through resumeNext() with its
// rule (an OnError); a routine that returns a failure value runs its body through catchOnce().
// Ending the process (ProcessEnded, thrown by the fake OS) is not a run-time error: it leaves
// every handler here untouched, because asRuntimeError(), which every handler goes through,
// throws it on.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/function_ref.h"
#include "platform/os.h"

namespace tsy {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number), description_(description) {}
    int number() const { return number_; }
    const std::string& description() const { return description_; }

private:
    int number_;
    std::string description_;
};

// Thrown by the fake OS when the program ends its process, so that a test regains control
// exactly where the real program would have stopped.
struct ProcessEnded {
    int exitCode;
};

namespace err {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyExists = 58;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccessError = 75;
constexpr int PathNotFound = 76;
constexpr int CantCreateObject = 429;
constexpr int AutomationError = 440;
}  // namespace err

// "<label>" + description + " (" + number + ")": the text every error handler shows.
std::string handlerText(const std::string& label, const RuntimeError& e);

// Converts the exception being handled into a RuntimeError (a C++ failure such as bad_alloc
// becomes run-time error 7). ProcessEnded is thrown on, not converted.
RuntimeError asRuntimeError(std::exception_ptr ep);

// Writes one line to the setup log: a choice that skips or changes work, with its reason.
// Never fails and never changes the run: without a log the line is dropped.
void logDecision(const std::string& line) noexcept;

// What became of one statement.
enum class Step {
    Ran,      // no error
    Resumed,  // an error, handled; the routine goes on with its next statement
    Stopped,  // an error after which the routine's rule stops it
};

// A routine's rule for the statement that failed.
class OnError {
public:
    // Swallowed: the routine goes on as if the statement had done nothing.
    static OnError swallow() { return OnError(Kind::Swallow, ""); }
    // The error box, handlerText(label, e) + detail, every time.
    static OnError report(std::string label) { return OnError(Kind::Report, std::move(label)); }
    // The error box only while debug (read when the error happens) is set.
    static OnError reportInDebug(std::string label, const bool& debug) {
        OnError p(Kind::Report, std::move(label));
        p.debug_ = &debug;
        return p;
    }
    // In debug mode the box asks "Resume Next?": Yes goes on, No stops the routine. Otherwise
    // the box is shown and the routine stops.
    static OnError askInDebug(std::string label, const bool& debug) {
        OnError p(Kind::Ask, std::move(label));
        p.debug_ = &debug;
        return p;
    }

    // A box that fails in its turn is swallowed instead of reaching the routine's caller.
    OnError& guarded() { guarded_ = true; return *this; }
    OnError& style(int s) { style_ = s; return *this; }
    OnError& title(std::string t) { title_ = std::move(t); return *this; }
    // Appended to the box's text (the value being worked on), computed when the error happens.
    OnError& detail(std::function<std::string()> d) { detail_ = std::move(d); return *this; }
    // Replaces handlerText() for a routine whose box words the error its own way.
    OnError& text(std::function<std::string(const RuntimeError&)> t) { text_ = std::move(t); return *this; }
    // Logged with the error when the error is swallowed by design.
    OnError& because(std::string reason) { reason_ = std::move(reason); return *this; }

private:
    enum class Kind { Swallow, Report, Ask };
    OnError(Kind k, std::string label) : kind_(k), label_(std::move(label)) {}
    friend Step handleError(const OnError&, const RuntimeError&);

    Kind kind_;
    std::string label_;
    const bool* debug_ = nullptr;
    bool guarded_ = false;
    int style_ = mb::OkOnly;
    std::string title_;
    std::function<std::string()> detail_;
    std::function<std::string(const RuntimeError&)> text_;
    std::string reason_;
};

// Applies the rule to an error already caught.
Step handleError(const OnError& policy, const RuntimeError& e);

// Runs one statement under the routine's rule.
Step resumeNext(FunctionRef<void()> statement, const OnError& policy);

// Runs a routine's body once; on an error, the rule, then the fallback (a value, or a callable
// that makes it when the error happens).
template <typename Body, typename Fallback>
auto catchOnce(Body&& body, const OnError& policy, Fallback&& fallback) -> decltype(body()) {
    using T = decltype(body());
    std::optional<T> value;
    if (resumeNext([&] { value.emplace(body()); }, policy) == Step::Ran) return std::move(*value);
    if constexpr (std::is_invocable_v<Fallback>) return fallback();
    else return std::forward<Fallback>(fallback);
}

}  // namespace tsy
