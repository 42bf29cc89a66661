/* path_swapper: a native Linux program that exchanges two paths (renameat2 RENAME_EXCHANGE)
 * under a running Windows program, at a moment chosen by inotify, with no hook in that program.
 *
 *   path_swapper [-r] STATUS A B now
 *   path_swapper [-r] STATUS A B open DIR
 *   path_swapper [-r] STATUS A B entry DIR NAME
 *
 * Triggers: "now" at once; "open" when DIR itself is opened (listed: the inotify event without a
 * name); "entry" when an entry of DIR whose name matches the pattern NAME (fnmatch) is opened or
 * created. A trigger that does not fire within 60 s gives up. When the watched folder is removed,
 * the program ends without a status.
 * -r: after the trigger, exchange A and B again and again until SIGTERM or SIGINT (at most ten
 * minutes), ending with the two as they began.
 *
 * Except for a single "now" exchange, which is done before the program ends, the program goes on
 * in the background once its watch is in place and prints that process's id. STATUS (written whole,
 * by rename) then reads "swapped", "stopped <exchanges>", "timeout" or "failed <errno>".
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <linux/fs.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

static const char* status_path;
static volatile sig_atomic_t stop_requested;

static void on_stop(int signal_number) {
    (void)signal_number;
    stop_requested = 1;
}

/* Writes `word`, and `number` unless it is negative, as the status line. */
static void write_status(const char* word, long number) {
    char partial[4096];
    snprintf(partial, sizeof partial, "%s.part", status_path);
    FILE* file = fopen(partial, "w");
    if (file != NULL) {
        fprintf(file, number < 0 ? "%s\n" : "%s %ld\n", word, number);
        fclose(file);
        rename(partial, status_path);
    }
}

static int exchange(const char* a, const char* b) {
    return (int)syscall(SYS_renameat2, AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE);
}

static long now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

/* Waits for the trigger on `watch`: 1 when it fired, 0 when `limit_ms` passed, -1 when the
 * watched folder went away, -2 when a stop was requested. An empty `pattern` waits for the
 * folder's own opening. */
static int wait_for_trigger(int watch, const char* pattern, long limit_ms) {
    char buffer[4096] __attribute__((aligned(__alignof__(struct inotify_event))));
    const long deadline = now_ms() + limit_ms;
    for (;;) {
        struct pollfd ready = {watch, POLLIN, 0};
        const long left = deadline - now_ms();
        const int polled = left <= 0 ? 0 : poll(&ready, 1, (int)left);
        if (stop_requested) {
            return -2;
        }
        if (polled <= 0) {
            if (polled < 0 && errno == EINTR) {
                continue;
            }
            return 0;
        }
        const ssize_t length = read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const struct inotify_event* event = (const struct inotify_event*)(buffer + at);
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF)) {
                return -1;
            }
            if (*pattern == '\0' ? event->len == 0 && (event->mask & IN_OPEN)
                                 : event->len > 0 && fnmatch(pattern, event->name, 0) == 0) {
                return 1;
            }
            at += (ssize_t)(sizeof *event + event->len);
        }
    }
}

int main(int argc, char** argv) {
    int repeat = 0;
    const long limit_ms = 60000;
    for (int option; (option = getopt(argc, argv, "r")) != -1;) {
        if (option != 'r') {
            return 2;
        }
        repeat = 1;
    }
    char** args = argv + optind;
    const int count = argc - optind;
    const int on_open = count == 5 && strcmp(args[3], "open") == 0;
    const int on_entry = count == 6 && strcmp(args[3], "entry") == 0;
    if (!(count == 4 && strcmp(args[3], "now") == 0) && !on_open && !on_entry) {
        fprintf(stderr, "usage: path_swapper [-r] STATUS A B now|open DIR|entry DIR NAME\n");
        return 2;
    }
    status_path = args[0];
    const char* a = args[1];
    const char* b = args[2];

    int watch = -1;
    if (on_open || on_entry) {
        watch = inotify_init1(IN_CLOEXEC);
        const uint32_t events = IN_DELETE_SELF | (on_open ? IN_OPEN | IN_ONLYDIR
                                                          : IN_OPEN | IN_CREATE | IN_MOVED_TO);
        if (watch < 0 || inotify_add_watch(watch, args[4], events) < 0) {
            perror("path_swapper: inotify");
            return 1;
        }
    } else if (!repeat) {
        const int failed = exchange(a, b) != 0;
        write_status(failed ? "failed" : "swapped", failed ? errno : -1);
        return failed;
    }

    /* The watch is in place: the caller may go on while the rest runs in the background. */
    const pid_t child = fork();
    if (child != 0) {
        printf("%ld\n", (long)child);
        return child < 0;
    }
    setsid();
    signal(SIGTERM, on_stop);
    signal(SIGINT, on_stop);
    freopen("/dev/null", "r", stdin);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);

    if (watch >= 0) {
        const int fired = wait_for_trigger(watch, on_entry ? args[5] : "", limit_ms);
        if (fired == -1) {
            return 1;  /* the caller removed the folder: nobody waits for a status any more */
        }
        if (fired == -2) {
            write_status("stopped", 0);
            return 0;
        }
        if (fired == 0) {
            write_status("timeout", -1);
            return 1;
        }
    }
    if (exchange(a, b) != 0) {
        write_status("failed", errno);
        return 1;
    }
    if (!repeat) {
        write_status("swapped", -1);
        return 0;
    }
    long exchanges = 1;
    const long deadline = now_ms() + 10L * 60 * 1000;
    while ((!stop_requested && now_ms() < deadline) || exchanges % 2 != 0) {
        if (exchange(a, b) != 0) {
            write_status("failed", errno);
            return 1;
        }
        ++exchanges;
    }
    write_status("stopped", exchanges);
    return 0;
}
