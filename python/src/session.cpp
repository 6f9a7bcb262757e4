#include "session.h"

#include <algorithm>
#include <string>

namespace py = pybind11;

namespace zel::python {

Session::Session(Module module) : module_(std::move(module)), thread_([this] { serve(); }) {}

Session::~Session()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workToDo_.notify_all();
    thread_.join();
}

void Session::close()
{
    closed_ = true;
    module_.cancel();
}

void Session::serve()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        workToDo_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;
        }
        BlockingCall* const call = queue_.front();
        queue_.pop_front();
        running_ = call;
        lock.unlock();
        call->execute();
        lock.lock();
        call->finished_ = true;
        running_ = nullptr;
        callEnded_.notify_all();
    }
}

BlockingCall::BlockingCall(Session& session, py::object progress)
    : session_(session), progress_(std::move(progress))
{
}

void BlockingCall::execute()
{
    try {
        if (session_.closed()) {
            throw Error(ZEL_E_INVALID_ARGUMENT, "the module is closed");
        }
        (*work_)();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void BlockingCall::report(int done, int total)
{
    const std::lock_guard<std::mutex> lock(session_.mutex_);
    reports_.emplace_back(done, total);
    session_.callEnded_.notify_all();
}

void BlockingCall::run(const std::function<void()>& work)
{
    work_ = &work;
    {
        const std::lock_guard<std::mutex> lock(session_.mutex_);
        session_.queue_.push_back(this);
    }
    session_.workToDo_.notify_one();

    // The exception that ends the wait early: KeyboardInterrupt, or what the callback raised.
    std::exception_ptr interruption;
    for (;;) {
        std::vector<std::pair<int, int>> reports;
        bool finished = false;
        {
            const py::gil_scoped_release released;
            std::unique_lock<std::mutex> lock(session_.mutex_);
            session_.callEnded_.wait_for(lock, kSignalPoll,
                                         [&] { return finished_ || !reports_.empty(); });
            finished = finished_;
            reports.swap(reports_);
        }
        if (!interruption) {
            try {
                for (const auto& [done, total] : reports) {
                    if (!progress_.is_none()) {
                        progress_(done, total);
                    }
                }
                if (PyErr_CheckSignals() != 0) {
                    throw py::error_already_set();
                }
            } catch (...) {
                interruption = std::current_exception();
            }
        }
        if (finished) {
            break;
        }
        if (interruption) {
            const std::lock_guard<std::mutex> lock(session_.mutex_);
            const auto queued = std::find(session_.queue_.begin(), session_.queue_.end(), this);
            if (queued != session_.queue_.end()) {
                session_.queue_.erase(queued);
                break;
            }
            // Again at every round: a cancel that lands before the call has begun is forgotten.
            if (session_.running_ == this) {
                session_.module_.cancel();
            }
        }
    }
    if (interruption) {
        std::rethrow_exception(interruption);
    }
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

}  // namespace zel::python
