#include "platform/thread.h"

#include <windows.h>

#include <new>

namespace kelvane::platform {
namespace {

// Stack of a call's second thread: it only writes blocks, so a small one does.
constexpr SIZE_T THREAD_STACK_SIZE = 256u << 10;

DWORD WINAPI runJob(LPVOID running) {
    const ThreadJob& job = *static_cast<ThreadJob*>(running);
    job.job(job.context);
    return 0;
}

struct MonitorState {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};
static_assert(sizeof(MonitorState) <= Monitor::STATE_SIZE && alignof(MonitorState) <= 16, "the monitor's room");

MonitorState& stateOf(unsigned char* state) { return *std::launder(reinterpret_cast<MonitorState*>(state)); }

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
    running_ = ThreadJob{job, context, 0};
    // CreateThread, not _beginthreadex: the job calls no C runtime that keeps per-thread state.
    const HANDLE thread =
        CreateThread(nullptr, THREAD_STACK_SIZE, runJob, &running_, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    started_ = thread != nullptr;
    running_.handle = reinterpret_cast<std::uintptr_t>(thread);
    return started_;
}

void Thread::join() {
    if (!started_) return;
    const auto thread = reinterpret_cast<HANDLE>(running_.handle);
    WaitForSingleObject(thread, INFINITE);  // our own thread, which ends with its job
    CloseHandle(thread);
    started_ = false;
}

// SRW locks and condition variables need no destroying.
Monitor::Monitor() { new (state_) MonitorState; }
Monitor::~Monitor() = default;

void Monitor::enter() { AcquireSRWLockExclusive(&stateOf(state_).lock); }
void Monitor::leave() { ReleaseSRWLockExclusive(&stateOf(state_).lock); }
void Monitor::wait() { SleepConditionVariableSRW(&stateOf(state_).condition, &stateOf(state_).lock, INFINITE, 0); }
void Monitor::notify() { WakeAllConditionVariable(&stateOf(state_).condition); }

}  // namespace kelvane::platform
