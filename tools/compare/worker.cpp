// Worker: one thread, one piece of work at a time.
#include "tools/compare/worker.hpp"

Worker::Worker() : thread_([this] { run(); }) {}

Worker::~Worker()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Worker::start(std::function<bool(std::string&)> work)
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        work_ = std::move(work);
        busy_ = true;
        ok_ = true;
        error_.clear();
    }
    changed_.notify_all();
}

bool Worker::finish(std::string& error)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (!ok_) error = error_;
    const bool ok = ok_;
    ok_ = true;
    return ok;
}

void Worker::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return (busy_ && work_) || ending_; });
        if (!busy_ && ending_) return;
        std::function<bool(std::string&)> work = std::move(work_);
        work_ = nullptr;
        lock.unlock();
        std::string error;
        const bool ok = work(error);
        lock.lock();
        ok_ = ok;
        error_ = std::move(error);
        busy_ = false;
        changed_.notify_all();
    }
}
