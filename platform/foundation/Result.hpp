#pragma once
// Recoverable errors are returned, not thrown: a value or an error, never both.

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

namespace platform::foundation {

/// Wraps an error value so that a Result can be built from it unambiguously.
template <class E> struct Failure {
    E error;
};
template <class E> Failure(E) -> Failure<E>;

/// A value of type T, or an error of type E that says where and what went wrong.
template <class T, class E> class [[nodiscard]] Result {
public:
    Result(T value) : storage_(std::in_place_index<0>, std::move(value)) {}
    template <class F>
        requires std::is_constructible_v<E, F>
    Result(Failure<F> failure) : storage_(std::in_place_index<1>, std::move(failure.error)) {}

    bool hasValue() const { return storage_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() & { assert(hasValue()); return std::get<0>(storage_); }
    const T& value() const& { assert(hasValue()); return std::get<0>(storage_); }
    T&& value() && { assert(hasValue()); return std::get<0>(std::move(storage_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const { assert(!hasValue()); return std::get<1>(storage_); }
    E& error() { assert(!hasValue()); return std::get<1>(storage_); }

private:
    std::variant<T, E> storage_;
};

/// The Result of an operation that yields nothing but may fail.
struct Success {
    bool operator==(const Success&) const = default;
};

} // namespace platform::foundation
