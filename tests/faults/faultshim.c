// SPDX-License-Identifier: Apache-2.0
/* A shared library that makes the file-system calls of a save fail on
 * purpose: linked into a test program, or put in front of the C library
 * with LD_PRELOAD for a program that cannot be changed. See faultshim.h for
 * how it is armed. */
#define _GNU_SOURCE
#include "faultshim.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#define KEVO_RECORDED_CALLS 4096

/* What the shim was armed with and what it has seen. The counter is shared
 * by every thread of the process; arming and disarming are done by one
 * thread while the code under test is not running. */
static struct {
    int armed;
    char folder[PATH_MAX];
    size_t folderLength;
    long nth;
    int error;
    unsigned calls;
    long count;
    unsigned struck;
    unsigned kinds[KEVO_RECORDED_CALLS];
    int reportFd;
} state = {.reportFd = -1};

/* The C library's own functions, found on first use. */
typedef ssize_t (*write_fn)(int, const void*, size_t);
typedef int (*fd_fn)(int);
typedef int (*rename_fn)(const char*, const char*);
typedef int (*renameat_fn)(int, const char*, int, const char*);
typedef int (*renameat2_fn)(int, const char*, int, const char*, unsigned);
typedef int (*open_fn)(const char*, int, ...);
typedef int (*openat_fn)(int, const char*, int, ...);
typedef int (*fchmod_fn)(int, mode_t);

static void* next_symbol(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == NULL) {
        fprintf(stderr, "faultshim: %s not found in the C library\n", name);
        abort();
    }
    return symbol;
}

#define REAL(type, name)                                                                           \
    static type real_##name;                                                                       \
    if (real_##name == NULL)                                                                       \
        real_##name = (type)next_symbol(#name);

const char* kevo_fault_call_name(unsigned kind) {
    switch (kind) {
    case KEVO_FAULT_WRITE:
        return "write";
    case KEVO_FAULT_FSYNC:
        return "fsync";
    case KEVO_FAULT_RENAME:
        return "rename";
    case KEVO_FAULT_CREATE:
        return "create";
    case KEVO_FAULT_CLOSE:
        return "close";
    case KEVO_FAULT_FCHMOD:
        return "fchmod";
    default:
        return "none";
    }
}

const char* kevo_fault_error_name(int error) {
    switch (error) {
    case ENOSPC:
        return "ENOSPC";
    case EIO:
        return "EIO";
    case EACCES:
        return "EACCES";
    case EINTR:
        return "EINTR";
    case KEVO_FAULT_SHORT_WRITE:
        return "SHORT";
    default:
        return "other";
    }
}

static void report(const char* text) {
    if (state.reportFd < 0)
        return;
    REAL(write_fn, write)
    const size_t length = strlen(text);
    (void)!real_write(state.reportFd, text, length);
}

/* Whether an absolute path names the armed folder or something in it. */
static int in_folder(const char* path) {
    if (path == NULL || strncmp(path, state.folder, state.folderLength) != 0)
        return 0;
    return path[state.folderLength] == '\0' || path[state.folderLength] == '/';
}

/* A path as the process sees it: relative ones are taken from the current
 * folder, or from the folder open as dirfd. */
static int path_in_folder(int dirfd, const char* path) {
    if (path == NULL)
        return 0;
    if (path[0] == '/')
        return in_folder(path);
    char full[PATH_MAX * 2];
    char base[PATH_MAX];
    if (dirfd == AT_FDCWD) {
        if (getcwd(base, sizeof base) == NULL)
            return 0;
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        if (n <= 0)
            return 0;
        base[n] = '\0';
    }
    snprintf(full, sizeof full, "%s/%s", base, path);
    return in_folder(full);
}

static int fd_in_folder(int fd) {
    char link[64];
    char target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return 0;
    target[n] = '\0';
    return in_folder(target);
}

/* Counts one call of a kind on a file in the folder; gives the error it is
 * to fail with, or 0 when it goes ahead. */
static int strike(unsigned kind, const char* what) {
    if (!(state.calls & kind))
        return 0;
    const long n = __atomic_add_fetch(&state.count, 1, __ATOMIC_SEQ_CST);
    if (n <= KEVO_RECORDED_CALLS)
        state.kinds[n - 1] = kind;
    char line[PATH_MAX + 64];
    snprintf(line, sizeof line, "%ld %s %s\n", n, kevo_fault_call_name(kind),
             what != NULL ? what : "");
    report(line);
    if (n != state.nth)
        return 0;
    if ((state.error == EINTR || state.error == KEVO_FAULT_SHORT_WRITE) && kind != KEVO_FAULT_WRITE)
        return 0;
    state.struck = kind;
    snprintf(line, sizeof line, "fail %ld %s %s\n", n, kevo_fault_call_name(kind),
             kevo_fault_error_name(state.error));
    report(line);
    return state.error;
}

static const char* fd_text(int fd, char* buffer, size_t size) {
    snprintf(buffer, size, "fd %d", fd);
    return buffer;
}

/* ------------------------------------------------------------------ arming */

void kevo_fault_arm(const char* folder, long nth, int error, unsigned calls) {
    state.armed = 0;
    snprintf(state.folder, sizeof state.folder, "%s", folder);
    state.folderLength = strlen(state.folder);
    while (state.folderLength > 1 && state.folder[state.folderLength - 1] == '/')
        state.folder[--state.folderLength] = '\0';
    state.nth = nth;
    state.error = error;
    state.calls = calls;
    state.count = 0;
    state.struck = 0;
    memset(state.kinds, 0, sizeof state.kinds);
    __atomic_store_n(&state.armed, 1, __ATOMIC_SEQ_CST);
}

void kevo_fault_disarm(void) {
    __atomic_store_n(&state.armed, 0, __ATOMIC_SEQ_CST);
}

long kevo_fault_count(void) {
    return __atomic_load_n(&state.count, __ATOMIC_SEQ_CST);
}

unsigned kevo_fault_struck(void) {
    return state.struck;
}

unsigned kevo_fault_call_kind(long n) {
    if (n < 1 || n > KEVO_RECORDED_CALLS || n > kevo_fault_count())
        return 0;
    return state.kinds[n - 1];
}

static int is_armed(void) {
    return __atomic_load_n(&state.armed, __ATOMIC_SEQ_CST);
}

static unsigned parse_calls(const char* text) {
    if (text == NULL || *text == '\0')
        return KEVO_FAULT_DEFAULT_CALLS;
    unsigned calls = 0;
    static const unsigned kinds[] = {KEVO_FAULT_WRITE,  KEVO_FAULT_FSYNC, KEVO_FAULT_RENAME,
                                     KEVO_FAULT_CREATE, KEVO_FAULT_CLOSE, KEVO_FAULT_FCHMOD};
    for (size_t i = 0; i < sizeof kinds / sizeof kinds[0]; ++i) {
        const char* name = kevo_fault_call_name(kinds[i]);
        const size_t length = strlen(name);
        for (const char* p = text; (p = strstr(p, name)) != NULL; p += length) {
            if ((p == text || p[-1] == ',') && (p[length] == ',' || p[length] == '\0'))
                calls |= kinds[i];
        }
    }
    return calls;
}

static int parse_error(const char* text) {
    if (text == NULL || strcmp(text, "ENOSPC") == 0)
        return ENOSPC;
    if (strcmp(text, "EIO") == 0)
        return EIO;
    if (strcmp(text, "EACCES") == 0)
        return EACCES;
    if (strcmp(text, "EINTR") == 0)
        return EINTR;
    if (strcmp(text, "SHORT") == 0)
        return KEVO_FAULT_SHORT_WRITE;
    fprintf(stderr, "faultshim: unknown KEVO_FAULT_ERROR %s, using ENOSPC\n", text);
    return ENOSPC;
}

/* A program started with LD_PRELOAD is armed from its environment before
 * its own code runs. */
__attribute__((constructor)) static void arm_from_environment(void) {
    const char* folder = getenv("KEVO_FAULT_DIR");
    if (folder == NULL || folder[0] != '/')
        return;
    const char* reportPath = getenv("KEVO_FAULT_REPORT");
    if (reportPath != NULL && reportPath[0] != '\0') {
        REAL(open_fn, open)
        state.reportFd = real_open(reportPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
    const char* nth = getenv("KEVO_FAULT_NTH");
    kevo_fault_arm(folder, nth != NULL ? atol(nth) : 0, parse_error(getenv("KEVO_FAULT_ERROR")),
                   parse_calls(getenv("KEVO_FAULT_CALLS")));
}

/* --------------------------------------------------------------- the calls */

ssize_t write(int fd, const void* data, size_t size) {
    REAL(write_fn, write)
    if (!is_armed() || fd == state.reportFd || !fd_in_folder(fd))
        return real_write(fd, data, size);
    char text[32];
    const int error = strike(KEVO_FAULT_WRITE, fd_text(fd, text, sizeof text));
    if (error == KEVO_FAULT_SHORT_WRITE)
        return real_write(fd, data, size > 1 ? size / 2 : size);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return real_write(fd, data, size);
}

static int sync_call(fd_fn real, int fd) {
    if (!is_armed() || !fd_in_folder(fd))
        return real(fd);
    char text[32];
    const int error = strike(KEVO_FAULT_FSYNC, fd_text(fd, text, sizeof text));
    if (error != 0) {
        errno = error;
        return -1;
    }
    return real(fd);
}

int fsync(int fd) {
    REAL(fd_fn, fsync)
    return sync_call(real_fsync, fd);
}

int fdatasync(int fd) {
    REAL(fd_fn, fdatasync)
    return sync_call(real_fdatasync, fd);
}

int close(int fd) {
    REAL(fd_fn, close)
    if (!is_armed() || !(state.calls & KEVO_FAULT_CLOSE) || !fd_in_folder(fd))
        return real_close(fd);
    char text[32];
    const int error = strike(KEVO_FAULT_CLOSE, fd_text(fd, text, sizeof text));
    const int result = real_close(fd);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return result;
}

int fchmod(int fd, mode_t mode) {
    REAL(fchmod_fn, fchmod)
    if (!is_armed() || !(state.calls & KEVO_FAULT_FCHMOD) || !fd_in_folder(fd))
        return real_fchmod(fd, mode);
    char text[32];
    const int error = strike(KEVO_FAULT_FCHMOD, fd_text(fd, text, sizeof text));
    if (error != 0) {
        errno = error;
        return -1;
    }
    return real_fchmod(fd, mode);
}

static int rename_strikes(int fromDir, const char* from, int toDir, const char* to) {
    if (!is_armed() || !(path_in_folder(fromDir, from) || path_in_folder(toDir, to)))
        return 0;
    return strike(KEVO_FAULT_RENAME, to);
}

int rename(const char* from, const char* to) {
    REAL(rename_fn, rename)
    const int error = rename_strikes(AT_FDCWD, from, AT_FDCWD, to);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return real_rename(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    REAL(renameat_fn, renameat)
    const int error = rename_strikes(fromDir, from, toDir, to);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return real_renameat(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    REAL(renameat2_fn, renameat2)
    const int error = rename_strikes(fromDir, from, toDir, to);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return real_renameat2(fromDir, from, toDir, to, flags);
}

static int create_strikes(int dirfd, const char* path, int flags) {
    if (!(flags & O_CREAT) || !is_armed() || !path_in_folder(dirfd, path))
        return 0;
    return strike(KEVO_FAULT_CREATE, path);
}

static mode_t mode_argument(int flags, va_list arguments) {
    const int needsMode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    return needsMode ? (mode_t)va_arg(arguments, unsigned) : 0;
}

#define OPEN_WRAPPER(name)                                                                         \
    int name(const char* path, int flags, ...) {                                                   \
        REAL(open_fn, name)                                                                        \
        va_list arguments;                                                                         \
        va_start(arguments, flags);                                                                \
        const mode_t mode = mode_argument(flags, arguments);                                       \
        va_end(arguments);                                                                         \
        const int error = create_strikes(AT_FDCWD, path, flags);                                   \
        if (error != 0) {                                                                          \
            errno = error;                                                                         \
            return -1;                                                                             \
        }                                                                                          \
        return real_##name(path, flags, mode);                                                     \
    }

#define OPENAT_WRAPPER(name)                                                                       \
    int name(int dirfd, const char* path, int flags, ...) {                                        \
        REAL(openat_fn, name)                                                                      \
        va_list arguments;                                                                         \
        va_start(arguments, flags);                                                                \
        const mode_t mode = mode_argument(flags, arguments);                                       \
        va_end(arguments);                                                                         \
        const int error = create_strikes(dirfd, path, flags);                                      \
        if (error != 0) {                                                                          \
            errno = error;                                                                         \
            return -1;                                                                             \
        }                                                                                          \
        return real_##name(dirfd, path, flags, mode);                                              \
    }

OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)
OPENAT_WRAPPER(openat)
OPENAT_WRAPPER(openat64)
