// An operation of the debug session that waits for gawk's answers without
// holding a thread: a coroutine, suspended while gawk has not answered and
// resumed by TDebugSession::Pump on the thread that pumps. An operation may
// await another; the outermost one is begun and then pumped until Done.
//
// Destroying a task destroys the operations it awaits; one that was waiting
// for answers stops waiting (the session forgets it).
#pragma once

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

namespace tolvan {

template <typename T>
class DebugTask {
 public:
  struct promise_type {
    std::optional<T> Value;
    std::exception_ptr Error;
    std::coroutine_handle<> Continuation;  // the operation awaiting this one

    DebugTask get_return_object() { return DebugTask(std::coroutine_handle<promise_type>::from_promise(*this)); }
    // Lazy: nothing runs before Begin or co_await.
    std::suspend_always initial_suspend() noexcept { return {}; }
    struct Final {
      bool await_ready() noexcept { return false; }
      // Straight back into the awaiting operation, or to whoever resumed.
      std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> h) noexcept {
        const std::coroutine_handle<> next = h.promise().Continuation;
        return next ? next : std::noop_coroutine();
      }
      void await_resume() noexcept {}
    };
    Final final_suspend() noexcept { return {}; }
    void return_value(T v) { Value = std::move(v); }
    void unhandled_exception() { Error = std::current_exception(); }
  };

  DebugTask() = default;
  DebugTask(DebugTask&& o) noexcept : h_(std::exchange(o.h_, {})) {}
  DebugTask& operator=(DebugTask&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, {});
    }
    return *this;
  }
  DebugTask(const DebugTask&) = delete;
  DebugTask& operator=(const DebugTask&) = delete;
  ~DebugTask() { Reset(); }

  // The outermost operation: runs until it first waits for gawk, or ends.
  void Begin() {
    if (h_ && !h_.done()) h_.resume();
  }
  bool Valid() const { return static_cast<bool>(h_); }
  bool Done() const { return h_ && h_.done(); }
  // Once Done: the result, or the exception the operation ended with.
  T Take() {
    if (h_.promise().Error) std::rethrow_exception(h_.promise().Error);
    return std::move(*h_.promise().Value);
  }

  // co_await: runs this operation inside the awaiting one.
  bool await_ready() const noexcept { return false; }
  std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
    h_.promise().Continuation = awaiting;
    return h_;
  }
  T await_resume() { return Take(); }

 private:
  explicit DebugTask(std::coroutine_handle<promise_type> h) : h_(h) {}
  void Reset() {
    if (h_) h_.destroy();
    h_ = {};
  }
  std::coroutine_handle<promise_type> h_;
};

}  // namespace tolvan
