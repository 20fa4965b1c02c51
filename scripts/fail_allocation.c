/* Preloaded into a program to make one chosen allocation fail, as memory
 * that runs out would: the Nth call (counted from 1) to malloc, calloc,
 * realloc or an aligned allocation returns NULL with errno ENOMEM.
 *
 *   FAIL_ALLOCATION=N         the call that fails; unset or 0: none
 *   FAIL_ALLOCATION_IN=iconv_open
 *                             only calls made inside iconv_open are counted
 *                             (a converter that cannot be opened leaves a
 *                             page's text layer read as empty)
 *   FAIL_ALLOCATION_REPORT=F  as each process ends (by exit or _exit), the
 *                             number of calls it counted is appended to the
 *                             file F as a line
 *
 * A forked child goes on from its parent's count, so the largest number in
 * F is the last point a run reaches. Built and used by
 * scripts/fail_allocations.py. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <iconv.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t count, size_t size);
extern void *__libc_realloc(void *old, size_t size);
extern void *__libc_memalign(size_t alignment, size_t size);

static atomic_ulong counted;
static unsigned long failing;
static int withinIconvOpen;
static __thread int insideIconvOpen;

__attribute__((constructor)) static void chosen(void) {
    const char *value = getenv("FAIL_ALLOCATION");
    const char *within = getenv("FAIL_ALLOCATION_IN");
    failing = value ? strtoul(value, NULL, 10) : 0;
    withinIconvOpen = within && strcmp(within, "iconv_open") == 0;
}

typedef iconv_t (*IconvOpen)(const char *, const char *);

iconv_t iconv_open(const char *to, const char *from) {
    const IconvOpen opened = (IconvOpen)dlsym(RTLD_NEXT, "iconv_open");
    insideIconvOpen = 1;
    const iconv_t converter = opened(to, from);
    insideIconvOpen = 0;
    return converter;
}

__attribute__((destructor)) static void report(void) {
    const char *path = getenv("FAIL_ALLOCATION_REPORT");
    if (!path) return;
    char text[32];
    const int length = snprintf(text, sizeof text, "%lu\n", atomic_load(&counted));
    const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (write(fd, text, (size_t)length) != length) { /* the caller sees a short report */ }
    close(fd);
}

/* Workers end with _exit, past the destructor. */
void _exit(int status) {
    report();
    syscall(SYS_exit_group, status);
    __builtin_unreachable();
}

static int fails(void) {
    if (withinIconvOpen && !insideIconvOpen) return 0;
    if (atomic_fetch_add(&counted, 1) + 1 != failing) return 0;
    errno = ENOMEM;
    return 1;
}

void *malloc(size_t size) { return fails() ? NULL : __libc_malloc(size); }
void *calloc(size_t count, size_t size) { return fails() ? NULL : __libc_calloc(count, size); }
void *realloc(void *old, size_t size) { return fails() ? NULL : __libc_realloc(old, size); }
void *memalign(size_t alignment, size_t size) { return fails() ? NULL : __libc_memalign(alignment, size); }
void *aligned_alloc(size_t alignment, size_t size) { return fails() ? NULL : __libc_memalign(alignment, size); }

int posix_memalign(void **result, size_t alignment, size_t size) {
    if (fails()) return ENOMEM;
    void *memory = __libc_memalign(alignment, size);
    if (!memory) return ENOMEM;
    *result = memory;
    return 0;
}
