/* Preloaded into Wine processes (LD_PRELOAD) by the end-to-end tests: inside
 * K2.exe, every look-up of a path under one folder waits first, as a share on
 * a sleeping server does. The folder (a Unix path) and the wait in
 * milliseconds are the two lines of the file named by K2_SLOW_FOLDER_FILE,
 * read when the process starts; without that file nothing waits. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static char slow_folder[PATH_MAX];
static long slow_ms;

__attribute__((constructor)) static void read_settings(void) {
    const char* file = getenv("K2_SLOW_FOLDER_FILE");
    char cmdline[4096] = {0};
    FILE* self = fopen("/proc/self/cmdline", "rb");
    if (!file || !self) {
        if (self) fclose(self);
        return;
    }
    const size_t n = fread(cmdline, 1, sizeof cmdline - 1, self);
    fclose(self);
    int k2 = 0;
    for (size_t i = 0; i < n; i += strlen(cmdline + i) + 1) {
        const size_t len = strlen(cmdline + i);
        if (len >= 6 && strcasecmp(cmdline + i + len - 6, "K2.exe") == 0) k2 = 1;
    }
    FILE* settings = k2 ? fopen(file, "r") : NULL;
    if (!settings) return;
    char ms[32] = {0};
    if (fgets(slow_folder, sizeof slow_folder, settings) && fgets(ms, sizeof ms, settings)) {
        slow_folder[strcspn(slow_folder, "\r\n")] = '\0';
        slow_ms = atol(ms);
    } else {
        slow_folder[0] = '\0';
    }
    fclose(settings);
}

/* The absolute form of a path given relative to `dirfd` (or the current folder). */
static void absolute(int dirfd, const char* path, char* out) {
    char base[PATH_MAX] = {0};
    if (path[0] == '/') {
        snprintf(out, PATH_MAX, "%s", path);
        return;
    }
    if (dirfd == AT_FDCWD) {
        if (!getcwd(base, sizeof base)) base[0] = '\0';
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        const ssize_t len = readlink(link, base, sizeof base - 1);
        base[len > 0 ? len : 0] = '\0';
    }
    snprintf(out, PATH_MAX, "%s/%s", base, path);
}

static void wait_if_slow(int dirfd, const char* path) {
    if (!slow_folder[0] || !path) return;
    char full[PATH_MAX];
    absolute(dirfd, path, full);
    const size_t len = strlen(slow_folder);
    if (strncmp(full, slow_folder, len) != 0 || (full[len] != '\0' && full[len] != '/')) return;
    const struct timespec wait = {slow_ms / 1000, (slow_ms % 1000) * 1000000L};
    nanosleep(&wait, NULL);
}

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

int stat(const char* path, struct stat* st) { wait_if_slow(AT_FDCWD, path); return REAL(stat)(path, st); }
int lstat(const char* path, struct stat* st) { wait_if_slow(AT_FDCWD, path); return REAL(lstat)(path, st); }
int stat64(const char* path, struct stat64* st) { wait_if_slow(AT_FDCWD, path); return REAL(stat64)(path, st); }
int lstat64(const char* path, struct stat64* st) { wait_if_slow(AT_FDCWD, path); return REAL(lstat64)(path, st); }
int fstatat(int dirfd, const char* path, struct stat* st, int flags) {
    wait_if_slow(dirfd, path);
    return REAL(fstatat)(dirfd, path, st, flags);
}
int fstatat64(int dirfd, const char* path, struct stat64* st, int flags) {
    wait_if_slow(dirfd, path);
    return REAL(fstatat64)(dirfd, path, st, flags);
}
int statx(int dirfd, const char* path, int flags, unsigned int mask, struct statx* st) {
    wait_if_slow(dirfd, path);
    return REAL(statx)(dirfd, path, flags, mask, st);
}
int access(const char* path, int mode) { wait_if_slow(AT_FDCWD, path); return REAL(access)(path, mode); }
int faccessat(int dirfd, const char* path, int mode, int flags) {
    wait_if_slow(dirfd, path);
    return REAL(faccessat)(dirfd, path, mode, flags);
}
DIR* opendir(const char* path) { wait_if_slow(AT_FDCWD, path); return REAL(opendir)(path); }

static mode_t mode_of(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}
int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_of(flags, args);
    va_end(args);
    wait_if_slow(AT_FDCWD, path);
    return REAL(open)(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_of(flags, args);
    va_end(args);
    wait_if_slow(AT_FDCWD, path);
    return REAL(open64)(path, flags, mode);
}
int openat(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_of(flags, args);
    va_end(args);
    wait_if_slow(dirfd, path);
    return REAL(openat)(dirfd, path, flags, mode);
}
int openat64(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_of(flags, args);
    va_end(args);
    wait_if_slow(dirfd, path);
    return REAL(openat64)(dirfd, path, flags, mode);
}
