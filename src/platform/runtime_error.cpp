#include "platform/runtime_error.h"

#include <new>

namespace tsy {

std::string handlerText(const std::string& label, const RuntimeError& e) {
    return label + e.description() + " (" + std::to_string(e.number()) + ")";
}

RuntimeError asRuntimeError(std::exception_ptr ep) {
    try {
        std::rethrow_exception(ep);
    } catch (const ProcessEnded&) {
        throw;
    } catch (const RuntimeError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return RuntimeError(err::OutOfMemory, "Out of memory");
    } catch (const std::out_of_range&) {
        return RuntimeError(err::SubscriptOutOfRange, "Subscript out of range");
    } catch (const std::exception& e) {
        return RuntimeError(err::InvalidProcedureCall, e.what());
    } catch (...) {
        return RuntimeError(51, "Internal error");
    }
}

void logDecision(const std::string& line) noexcept {
    try {
        os().note(line);
    } catch (...) {
        // The log is a witness, not a step: a line it cannot take is dropped.
    }
}

Step handleError(const OnError& p, const RuntimeError& e) {
    if (!p.reason_.empty()) logDecision(p.reason_ + ": " + handlerText("", e));
    if (p.kind_ == OnError::Kind::Swallow) return Step::Resumed;
    const bool debug = p.debug_ && *p.debug_;
    if (p.kind_ == OnError::Kind::Report && p.debug_ && !debug) return Step::Resumed;

    std::string text = p.text_ ? p.text_(e) : handlerText(p.label_, e);
    if (p.detail_) text += p.detail_();
    int style = p.style_;
    if (p.kind_ == OnError::Kind::Ask && debug) {
        text += "Resume Next?";
        style = mb::YesNo;
    }
    int answer = 0;
    auto show = [&] { answer = os().msgBox(text, style, p.title_); };
    if (p.guarded_) resumeNext(show, OnError::swallow());
    else show();

    if (p.kind_ == OnError::Kind::Report) return Step::Resumed;
    return debug && answer == mb::AnswerYes ? Step::Resumed : Step::Stopped;
}

Step resumeNext(FunctionRef<void()> statement, const OnError& policy) {
    try {
        statement();
        return Step::Ran;
    } catch (...) {
        return handleError(policy, asRuntimeError(std::current_exception()));
    }
}

}  // namespace tsy
