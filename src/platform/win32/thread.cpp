#include "platform/thread.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace kelvane::platform {
namespace {

// Stack of a call's second thread: it only writes blocks, so a small one does.
constexpr SIZE_T THREAD_STACK_SIZE = 256u << 10;

struct ThreadState {
    HANDLE thread;
    Thread::Job job;
    void* context;
};

DWORD WINAPI runJob(LPVOID state) {
    auto* running = static_cast<ThreadState*>(state);
    running->job(running->context);
    return 0;
}

struct MonitorState {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

MonitorState& stateOf(void* state) { return *static_cast<MonitorState*>(state); }

int bitsSet(DWORD_PTR mask) {
    int count = 0;
    for (; mask != 0; mask &= mask - 1) ++count;
    return count;
}

}  // namespace

int usableProcessors() {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
    const int count = bitsSet(process);
    return count > 0 ? count : 1;
}

bool Thread::start(Job job, void* context) {
    join();
    auto* state = static_cast<ThreadState*>(std::malloc(sizeof(ThreadState)));
    if (state == nullptr) return false;
    state->job = job;
    state->context = context;
    // CreateThread, not _beginthreadex: the job calls no C runtime that keeps per-thread state.
    state->thread = CreateThread(nullptr, THREAD_STACK_SIZE, runJob, state, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (state->thread == nullptr) {
        std::free(state);
        return false;
    }
    state_ = state;
    return true;
}

void Thread::join() {
    if (state_ == nullptr) return;
    auto* state = static_cast<ThreadState*>(state_);
    WaitForSingleObject(state->thread, INFINITE);  // our own thread, which ends with its job
    CloseHandle(state->thread);
    std::free(state);
    state_ = nullptr;
}

Monitor::Monitor() {
    void* memory = std::malloc(sizeof(MonitorState));
    if (memory != nullptr) state_ = new (memory) MonitorState;
}

Monitor::~Monitor() { std::free(state_); }

void Monitor::enter() { AcquireSRWLockExclusive(&stateOf(state_).lock); }
void Monitor::leave() { ReleaseSRWLockExclusive(&stateOf(state_).lock); }
void Monitor::wait() { SleepConditionVariableSRW(&stateOf(state_).condition, &stateOf(state_).lock, INFINITE, 0); }
void Monitor::notify() { WakeAllConditionVariable(&stateOf(state_).condition); }

}  // namespace kelvane::platform
