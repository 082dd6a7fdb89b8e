// No signal ever reaches a wasm program (node ends it itself on SIGINT or SIGTERM), and emscripten's
// sigwait fails at once, so the end-signal watchers of app/replay.cpp would spin a core each for the
// whole run. This sigwait takes the place of the C library's and waits for ever, as on a machine
// where nobody sends one.
#include <pthread.h>

#include <csignal>

extern "C" int sigwait(const sigset_t*, int*) {
    static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    static pthread_cond_t never = PTHREAD_COND_INITIALIZER;
    pthread_mutex_lock(&lock);
    for (;;) pthread_cond_wait(&never, &lock);
}
