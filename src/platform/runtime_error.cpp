#include "platform/runtime_error.h"

#include <new>

namespace tsy {

std::string handlerText(const std::string& label, const RuntimeError& e) {
    return label + e.description() + " (" + std::to_string(e.number()) + ")";
}

RuntimeError asRuntimeError(std::exception_ptr ep) {
    try {
        std::rethrow_exception(ep);
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

bool resumeNext(FunctionRef<void()> statement, FunctionRef<void(const RuntimeError&)> onError) {
    try {
        statement();
        return true;
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        RuntimeError e = asRuntimeError(std::current_exception());
        onError(e);
        return false;
    }
}

bool resumeNext(FunctionRef<void()> statement, std::nullptr_t) {
    return resumeNext(statement, [](const RuntimeError&) {});
}

}  // namespace tsy
