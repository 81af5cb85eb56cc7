// SPDX-License-Identifier: Apache-2.0
/* The fault shim's interface for a process that links it (or finds it with
 * dlsym after LD_PRELOAD): arm it for one folder, let the code under test
 * run, and ask what it counted and whether it struck.
 *
 * The shim replaces write, fsync, fdatasync, rename (renameat, renameat2),
 * open and openat with O_CREAT, close and fchmod. Only calls on files in the
 * armed folder (or on the folder itself) are counted; every other call goes
 * straight to the C library. The Nth counted call of an enabled kind fails
 * with the chosen error instead of doing anything (close still releases the
 * descriptor, as close(2) does when it reports an error).
 *
 * A program that cannot call the functions (the real kevoconf, started with
 * LD_PRELOAD) arms the shim through its environment at start-up:
 *
 *   KEVO_FAULT_DIR     the folder whose calls count (absolute, no symbolic
 *                      links); without it the shim does nothing
 *   KEVO_FAULT_NTH     the counted call that fails, from 1; 0 or unset: none
 *   KEVO_FAULT_ERROR   ENOSPC, EIO, EACCES (default ENOSPC), or EINTR or SHORT
 *                      (a write interrupted before it wrote anything, or one
 *                      that writes only half of what it was given)
 *   KEVO_FAULT_CALLS   the kinds that count, comma-separated, from write,
 *                      fsync, rename, create, close, fchmod; default
 *                      write,fsync,rename,create
 *   KEVO_FAULT_REPORT  a file to which the shim appends one line per counted
 *                      call ("3 fsync /tmp/x/.setup.ini.kevo-ab12cd34") and
 *                      "fail 3 fsync ENOSPC" when it strikes
 */
#ifndef KEVO_TESTS_FAULTS_FAULTSHIM_H
#define KEVO_TESTS_FAULTS_FAULTSHIM_H

#ifdef __cplusplus
extern "C" {
#endif

enum kevo_fault_call {
    KEVO_FAULT_WRITE = 1 << 0,
    KEVO_FAULT_FSYNC = 1 << 1,
    KEVO_FAULT_RENAME = 1 << 2,
    KEVO_FAULT_CREATE = 1 << 3, /* open or openat with O_CREAT */
    KEVO_FAULT_CLOSE = 1 << 4,
    KEVO_FAULT_FCHMOD = 1 << 5,
    KEVO_FAULT_DEFAULT_CALLS =
        KEVO_FAULT_WRITE | KEVO_FAULT_FSYNC | KEVO_FAULT_RENAME | KEVO_FAULT_CREATE,
    KEVO_FAULT_ALL_CALLS = (1 << 6) - 1
};

/* Errors that are not errno values. */
enum {
    KEVO_FAULT_SHORT_WRITE = -1 /* the write writes half of its bytes */
};

/* Starts counting the calls on files in folder (an absolute path without
 * symbolic links); the nth counted call of a kind in calls fails with error
 * (an errno value or KEVO_FAULT_SHORT_WRITE). nth 0 only counts. Resets the
 * count and the record of what happened. */
void kevo_fault_arm(const char* folder, long nth, int error, unsigned calls);

/* The name of one kind of call ("write", "fsync", ...; "none" for 0) and of
 * an error the shim can inject ("ENOSPC", "EIO", "EACCES", "EINTR", "SHORT";
 * "other" for the rest), as the report file writes them. */
const char* kevo_fault_call_name(unsigned kind);
const char* kevo_fault_error_name(int error);

/* Stops counting; the record stays readable. */
void kevo_fault_disarm(void);

/* How many calls were counted since kevo_fault_arm. */
long kevo_fault_count(void);

/* The kind of the call that failed (a kevo_fault_call), 0 when none did. */
unsigned kevo_fault_struck(void);

/* The kind of the counted call number n (from 1), 0 past the last one; the
 * first 4096 calls are recorded. */
unsigned kevo_fault_call_kind(long n);

#ifdef __cplusplus
}
#endif

#endif
