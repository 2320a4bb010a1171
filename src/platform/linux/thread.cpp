#include "platform/thread.h"

#include <pthread.h>
#include <sched.h>

#include <new>

namespace kelvane::platform {
namespace {

// Stack of a call's second thread: it only writes blocks, so a small one does.
constexpr std::size_t THREAD_STACK_SIZE = 256u << 10;

static_assert(sizeof(pthread_t) <= sizeof(std::uintptr_t), "a thread's handle fits ThreadJob");

void* runJob(void* running) {
    const ThreadJob& job = *static_cast<ThreadJob*>(running);
    job.job(job.context);
    return nullptr;
}

struct MonitorState {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t condition = PTHREAD_COND_INITIALIZER;
};
static_assert(sizeof(MonitorState) <= Monitor::STATE_SIZE && alignof(MonitorState) <= 16, "the monitor's room");

MonitorState& stateOf(unsigned char* state) { return *std::launder(reinterpret_cast<MonitorState*>(state)); }

}  // namespace

int usableProcessors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? count : 1;
}

bool Thread::start(Job job, void* context) {
    running_ = ThreadJob{job, context, 0};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setstacksize(&attributes, THREAD_STACK_SIZE);  // the default stays if refused
    pthread_t thread;
    started_ = pthread_create(&thread, &attributes, runJob, &running_) == 0;
    pthread_attr_destroy(&attributes);
    if (started_) running_.handle = static_cast<std::uintptr_t>(thread);
    return started_;
}

void Thread::join() {
    if (!started_) return;
    pthread_join(static_cast<pthread_t>(running_.handle), nullptr);
    started_ = false;
}

Monitor::Monitor() { new (state_) MonitorState; }

Monitor::~Monitor() {
    pthread_cond_destroy(&stateOf(state_).condition);
    pthread_mutex_destroy(&stateOf(state_).mutex);
}

void Monitor::enter() { pthread_mutex_lock(&stateOf(state_).mutex); }
void Monitor::leave() { pthread_mutex_unlock(&stateOf(state_).mutex); }
void Monitor::wait() { pthread_cond_wait(&stateOf(state_).condition, &stateOf(state_).mutex); }
void Monitor::notify() { pthread_cond_broadcast(&stateOf(state_).condition); }

}  // namespace kelvane::platform
