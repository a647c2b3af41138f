#pragma once

// The one way the platform layer reports a failure: a call that can fail
// returns a Result, which holds either what was asked for or why not.

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace corvane::platform {

// Why a call failed: the system's error number (0 where the failure is not
// the system's) and a few English words, fit for a log line.
struct Error {
  int code = 0;
  std::string text;
};

// A failure, to be turned into any Result with the same error type.
template <typename E>
struct Failure {
  E error;
};

// The system's error `code` (an errno value) with the system's own text.
inline Failure<Error> SystemFailure(int code) { return {{code, std::strerror(code)}}; }
// A failure the system did not report, told in `text`.
inline Failure<Error> Failed(std::string text) { return {{0, std::move(text)}}; }

template <typename T, typename E = Error>
class [[nodiscard]] Result {
 public:
  // Implicit, so that a function returns its value or its failure as it is.
  // NOLINTNEXTLINE(google-explicit-constructor)
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  // NOLINTNEXTLINE(google-explicit-constructor)
  Result(Failure<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

  explicit operator bool() const { return state_.index() == 0; }
  // Only when it holds a value.
  T& operator*() & { return std::get<0>(state_); }
  const T& operator*() const& { return std::get<0>(state_); }
  T&& operator*() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }
  // Only when it holds no value.
  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

// Success carries nothing; a failure carries its error.
template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  // NOLINTNEXTLINE(google-explicit-constructor)
  Result(Failure<E> failure) : error_(std::move(failure.error)) {}

  explicit operator bool() const { return !error_.has_value(); }
  // Only when it failed.
  const E& error() const { return *error_; }

 private:
  std::optional<E> error_;
};

}  // namespace corvane::platform
