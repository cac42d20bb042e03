// A thread of its own, started once and reused: it runs one piece of work
// at a time, handed over by start() and waited for by finish().
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class Worker {
public:
    Worker();
    // Waits for the work under way, then ends the thread.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Hands over the next work; waits first for the one before.
    void start(std::function<bool(std::string&)> work);
    // Waits for the work; false with its error when it failed.  True when
    // there was none.
    bool finish(std::string& error);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<bool(std::string&)> work_;
    bool busy_ = false, ok_ = true, ending_ = false;
    std::string error_;
    std::thread thread_;
};
