// A non-owning reference to something callable, for routines that run a statement they are
// handed and keep nothing of it (the "go on with the next statement" wrappers). Unlike
// std::function it needs no copy, no heap and no manager per lambda: one small thunk each,
// which matters in a setup program that every customer downloads.
#pragma once

#include <type_traits>
#include <utility>

namespace tsy {

template <typename Signature>
class FunctionRef;

template <typename R, typename... Args>
class FunctionRef<R(Args...)> {
public:
    template <typename F,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, FunctionRef>>>
    FunctionRef(F&& f) noexcept  // NOLINT: implicit on purpose, like std::function
        : object_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* o, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(o))(std::forward<Args>(args)...);
          }) {}

    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    R (*call_)(void*, Args...);
};

}  // namespace tsy
