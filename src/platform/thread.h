// A second thread for the length of one call, and the lock the two threads hand work over
// under. The system's own calls on each platform: std::thread would bring the C++
// runtime's thread code into the DLL. A thread is made and joined inside the call that
// needs it, so that nothing of the library runs once a call has returned.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane::platform {

// How many processors this process may run on; at least 1.
int usableProcessors();

// What a started thread runs, and the system's handle of it.
struct ThreadJob {
    void (*job)(void* context) = nullptr;
    void* context = nullptr;
    std::uintptr_t handle = 0;  // pthread_t, or the thread's HANDLE
};

// A thread running one job until it is joined.
class Thread {
public:
    using Job = void (*)(void* context);

    Thread() = default;
    ~Thread() { join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts `job(context)` on a thread of its own; false when none can be made, and then
    // nothing runs. Once per Thread.
    bool start(Job job, void* context);
    // Waits for the job to end; returns at once when none was started.
    void join();

private:
    ThreadJob running_;
    bool started_ = false;
};

// A lock with one condition.
class Monitor {
public:
    Monitor();
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    void enter();
    void leave();
    // Leaves, sleeps until notified (or, rarely, for no reason), and enters again.
    void wait();
    // Wakes every thread waiting.
    void notify();

    // Room for the system's lock and condition, whichever the platform's are.
    static constexpr std::size_t STATE_SIZE = 128;

private:
    alignas(16) unsigned char state_[STATE_SIZE];
};

}  // namespace kelvane::platform
