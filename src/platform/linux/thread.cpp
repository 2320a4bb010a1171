#include "platform/thread.h"

#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <new>

namespace kelvane::platform {
namespace {

// Stack of a call's second thread: it only writes blocks, so a small one does.
constexpr std::size_t THREAD_STACK_SIZE = 256u << 10;

struct ThreadState {
    pthread_t thread;
    Thread::Job job;
    void* context;
};

void* runJob(void* state) {
    auto* running = static_cast<ThreadState*>(state);
    running->job(running->context);
    return nullptr;
}

struct MonitorState {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t condition = PTHREAD_COND_INITIALIZER;
};

MonitorState& stateOf(void* state) { return *static_cast<MonitorState*>(state); }

}  // namespace

int usableProcessors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? count : 1;
}

bool Thread::start(Job job, void* context) {
    join();
    auto* state = static_cast<ThreadState*>(std::malloc(sizeof(ThreadState)));
    if (state == nullptr) return false;
    state->job = job;
    state->context = context;
    pthread_attr_t attributes;
    bool started = pthread_attr_init(&attributes) == 0;
    if (started) {
        pthread_attr_setstacksize(&attributes, THREAD_STACK_SIZE);  // the default stays if refused
        started = pthread_create(&state->thread, &attributes, runJob, state) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (!started) {
        std::free(state);
        return false;
    }
    state_ = state;
    return true;
}

void Thread::join() {
    if (state_ == nullptr) return;
    auto* state = static_cast<ThreadState*>(state_);
    pthread_join(state->thread, nullptr);
    std::free(state);
    state_ = nullptr;
}

Monitor::Monitor() {
    void* memory = std::malloc(sizeof(MonitorState));
    if (memory != nullptr) state_ = new (memory) MonitorState;
}

Monitor::~Monitor() {
    if (state_ == nullptr) return;
    pthread_cond_destroy(&stateOf(state_).condition);
    pthread_mutex_destroy(&stateOf(state_).mutex);
    std::free(state_);
}

void Monitor::enter() { pthread_mutex_lock(&stateOf(state_).mutex); }
void Monitor::leave() { pthread_mutex_unlock(&stateOf(state_).mutex); }
void Monitor::wait() { pthread_cond_wait(&stateOf(state_).condition, &stateOf(state_).mutex); }
void Monitor::notify() { pthread_cond_broadcast(&stateOf(state_).condition); }

}  // namespace kelvane::platform
