// How the binding makes calls on a module. Every call runs on the module's own thread while the
// Python thread that asked for it waits with the GIL released: other Python threads run meanwhile,
// and the waiting thread stays free to notice Ctrl-C, which Python delivers only to the main
// thread and only between bytecodes.
#ifndef ZEL_PYTHON_SESSION_H
#define ZEL_PYTHON_SESSION_H

#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "device/module.h"

namespace zel::python {

class BlockingCall;

// An opened module and the thread that runs its calls, one at a time, in the order asked.
class Session {
public:
    explicit Session(Module module);
    // Every caller holds the session until its call has ended, so the thread is idle here.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // For what needs no call of its own (info, cancel, unplug).
    Module& module() { return module_; }

    // Calls that have not begun fail as on a closed module; the one in progress is cancelled.
    void close();
    bool closed() const { return closed_.load(); }

private:
    friend class BlockingCall;
    void serve();

    Module module_;
    std::atomic<bool> closed_{false};
    std::mutex mutex_;                   // guards everything below and every BlockingCall's state
    std::condition_variable workToDo_;   // the session's thread waits here
    std::condition_variable callEnded_;  // callers wait here for their call (or its progress)
    std::deque<BlockingCall*> queue_;
    BlockingCall* running_ = nullptr;
    bool stopping_ = false;
    std::thread thread_;
};

class BlockingCall {
public:
    // How often the waiting thread takes the GIL back to run Python's signal handlers.
    static constexpr std::chrono::milliseconds kSignalPoll{50};

    // `progress`, when not None, is called as progress(done, total) on the waiting thread for
    // every report().
    explicit BlockingCall(Session& session, pybind11::object progress = pybind11::none());

    // Runs `work` (a call on the session's module) on the session's thread and waits for it with
    // the GIL released. Whenever the waiting thread holds the GIL again (every kSignalPoll, and
    // on progress) it runs the signal handlers and the progress callback. If either raises
    // (KeyboardInterrupt on Ctrl-C), the call is withdrawn if it has not begun and cancelled if
    // it has, and that Python exception propagates once the call has ended. Otherwise whatever
    // `work` threw (zel::Error) propagates. Called with the GIL held.
    void run(const std::function<void()>& work);

    // From the session's thread, during `work`: hands (done, total) to the progress callback.
    void report(int done, int total);

private:
    friend class Session;
    // On the session's thread.
    void execute();

    Session& session_;
    pybind11::object progress_;
    const std::function<void()>* work_ = nullptr;
    std::exception_ptr failure_;
    bool finished_ = false;
    std::vector<std::pair<int, int>> reports_;
};

// Runs `body` as a BlockingCall on `session` and returns its result.
template <typename Body>
auto blocking(Session& session, Body&& body) -> decltype(body())
{
    using Result = decltype(body());
    BlockingCall call(session);
    if constexpr (std::is_void_v<Result>) {
        call.run(body);
    } else {
        std::optional<Result> result;
        call.run([&] { result.emplace(body()); });
        return std::move(*result);
    }
}

}  // namespace zel::python

#endif
