// Run-time errors as the routines above the OS boundary see them: a number and a description,
// numbered like the platform's own (5 "Invalid procedure call or argument", 429 "ActiveX
// component can't create object", ...). Routines that go on after an error catch them one
// statement at a time through resumeNext(); routines that return a failure value catch once.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "platform/function_ref.h"

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

// Runs one statement; a RuntimeError (or a C++ failure such as bad_alloc, reported as
// run-time error 7) goes to onError, and execution continues after the statement.
// Returns false when the statement failed.
bool resumeNext(FunctionRef<void()> statement, FunctionRef<void(const RuntimeError&)> onError);
// The same without a report: the error is only swallowed.
bool resumeNext(FunctionRef<void()> statement, std::nullptr_t);

// Converts any exception escaping a statement into a RuntimeError. ProcessEnded passes through.
RuntimeError asRuntimeError(std::exception_ptr ep);

}  // namespace tsy
