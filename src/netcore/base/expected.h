#pragma once

// How a fallible operation says that it failed, everywhere in Wirelark:
// - std::optional<T> where absence is the only failure (a key not found, bytes that do not
//   decode); the caller has nothing to learn about why.
// - Expected<T, std::error_code> where the system refused (a syscall, the kernel, a file). A
//   system operation without a value returns a [[nodiscard]] std::error_code, false when it
//   worked. Codes are errno values in std::generic_category(), made with errnoCode(errno).
// - Expected<T, OwnError> (Expected<void, OwnError> without a value) where a subsystem has its
//   own enumeration of failures with the texts the user sees: HttpError, LookupError,
//   RecordingLockError, BusError.
// No out-parameters for the reason, no lastError() to ask afterwards, no int errno returns.

#include <cassert>
#include <exception>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

namespace wirelark {

// A system error from an errno value.
inline std::error_code errnoCode(int value) {
    return {value, std::generic_category()};
}

// Thrown by value() of an Expected that holds an error, and by error() of one that holds none.
class BadExpectedAccess : public std::exception {
public:
    const char* what() const noexcept override { return "Expected accessed for what it lacks"; }
};

// The error an Expected is built from: `return Unexpected(errnoCode(errno));`.
template <typename E>
class Unexpected {
public:
    static_assert(std::is_object_v<E> && !std::is_array_v<E> && !std::is_const_v<E>,
                  "an error is a plain value type");

    constexpr explicit Unexpected(E error) : error_(std::move(error)) {}

    constexpr const E& error() const& noexcept { return error_; }
    constexpr E& error() & noexcept { return error_; }
    constexpr E&& error() && noexcept { return std::move(error_); }

    bool operator==(const Unexpected&) const = default;

private:
    E error_;
};

template <typename E>
Unexpected(E) -> Unexpected<E>;

namespace detail {

template <typename>
inline constexpr bool isUnexpected = false;
template <typename E>
inline constexpr bool isUnexpected<Unexpected<E>> = true;

} // namespace detail

// A value of T, or the error E that kept it from being made.
template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    static_assert(std::is_object_v<T> && !detail::isUnexpected<std::remove_cv_t<T>>);

    using value_type = T;
    using error_type = E;

    constexpr Expected() requires std::is_default_constructible_v<T>
        : state_(std::in_place_index<0>) {}

    template <typename U = T>
    requires(!std::is_same_v<std::remove_cvref_t<U>, Expected> &&
             !detail::isUnexpected<std::remove_cvref_t<U>> &&
             std::is_constructible_v<T, U>) constexpr explicit(!std::is_convertible_v<U, T>)
        Expected(U&& value)
        : state_(std::in_place_index<0>, std::forward<U>(value)) {}

    template <typename G>
    requires std::is_constructible_v<E, const G&>
    constexpr Expected(const Unexpected<G>& error)
        : state_(std::in_place_index<1>, error.error()) {}

    template <typename G>
    requires std::is_constructible_v<E, G>
    constexpr Expected(Unexpected<G>&& error)
        : state_(std::in_place_index<1>, std::move(error).error()) {}

    constexpr bool has_value() const noexcept { return state_.index() == 0; }
    constexpr explicit operator bool() const noexcept { return has_value(); }

    constexpr T& value() & { return checkedValue(*this); }
    constexpr const T& value() const& { return checkedValue(*this); }
    constexpr T&& value() && { return std::move(checkedValue(*this)); }

    constexpr E& error() & { return checkedError(*this); }
    constexpr const E& error() const& { return checkedError(*this); }
    constexpr E&& error() && { return std::move(checkedError(*this)); }

    // Unchecked: only on an Expected that holds a value.
    constexpr T& operator*() & noexcept { return *valuePointer(); }
    constexpr const T& operator*() const& noexcept { return *valuePointer(); }
    constexpr T&& operator*() && noexcept { return std::move(*valuePointer()); }
    constexpr T* operator->() noexcept { return valuePointer(); }
    constexpr const T* operator->() const noexcept { return valuePointer(); }

    template <typename U = T>
    constexpr T value_or(U&& fallback) const& {
        return has_value() ? **this : static_cast<T>(std::forward<U>(fallback));
    }
    template <typename U = T>
    constexpr T value_or(U&& fallback) && {
        return has_value() ? std::move(**this) : static_cast<T>(std::forward<U>(fallback));
    }

    bool operator==(const Expected&) const = default;

private:
    template <typename Self>
    static constexpr auto& checkedValue(Self& self) {
        if (!self.has_value()) {
            throw BadExpectedAccess();
        }
        return *std::get_if<0>(&self.state_);
    }
    template <typename Self>
    static constexpr auto& checkedError(Self& self) {
        if (self.has_value()) {
            throw BadExpectedAccess();
        }
        return *std::get_if<1>(&self.state_);
    }
    constexpr T* valuePointer() noexcept {
        assert(has_value());
        return std::get_if<0>(&state_);
    }
    constexpr const T* valuePointer() const noexcept {
        assert(has_value());
        return std::get_if<0>(&state_);
    }

    std::variant<T, E> state_;
};

// Success without a value, or the error E.
template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    using value_type = void;
    using error_type = E;

    constexpr Expected() noexcept = default;

    template <typename G>
    requires std::is_constructible_v<E, const G&>
    constexpr Expected(const Unexpected<G>& error) : error_(std::in_place, error.error()) {}

    template <typename G>
    requires std::is_constructible_v<E, G>
    constexpr Expected(Unexpected<G>&& error) : error_(std::in_place, std::move(error).error()) {}

    constexpr bool has_value() const noexcept { return !error_.has_value(); }
    constexpr explicit operator bool() const noexcept { return has_value(); }

    constexpr void value() const {
        if (!has_value()) {
            throw BadExpectedAccess();
        }
    }

    constexpr E& error() & { return checkedError(*this); }
    constexpr const E& error() const& { return checkedError(*this); }
    constexpr E&& error() && { return std::move(checkedError(*this)); }

    bool operator==(const Expected&) const = default;

private:
    template <typename Self>
    static constexpr auto& checkedError(Self& self) {
        if (self.has_value()) {
            throw BadExpectedAccess();
        }
        return *self.error_;
    }

    std::optional<E> error_;
};

} // namespace wirelark
