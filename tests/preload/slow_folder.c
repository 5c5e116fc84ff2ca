/* Preloaded (LD_PRELOAD) into the Wine processes of the end-to-end tests: a
 * process started while the file named by K2_SLOW_FOLDER_FILE exists waits
 * before every look-up of a path under one folder, as a share on a sleeping
 * server does. The file's two lines: the folder as Wine's Unix side names it,
 * and the wait in milliseconds. */
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

static char folder[PATH_MAX];
static long wait_ms;

__attribute__((constructor)) static void read_settings(void) {
    const char* name = getenv("K2_SLOW_FOLDER_FILE");
    FILE* file = name ? fopen(name, "r") : NULL;
    char ms[32] = "";
    if (!file) return;
    if (!fgets(folder, sizeof folder, file) || !fgets(ms, sizeof ms, file)) folder[0] = '\0';
    folder[strcspn(folder, "\n")] = '\0';
    wait_ms = atol(ms);
    fclose(file);
}

/* Waits when `path` (relative to `dirfd` or the current folder) lies under the folder. */
static void wait_if_slow(int dirfd, const char* path) {
    char base[PATH_MAX] = "", link[64], full[2 * PATH_MAX];
    if (!folder[0] || !path) return;
    if (path[0] != '/' && dirfd == AT_FDCWD && !getcwd(base, sizeof base)) base[0] = '\0';
    if (path[0] != '/' && dirfd != AT_FDCWD) {
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        base[n > 0 ? n : 0] = '\0';
    }
    snprintf(full, sizeof full, path[0] == '/' ? "%.0s%s" : "%s/%s", base, path);
    const size_t n = strlen(folder);
    if (strncmp(full, folder, n) != 0 || (full[n] != '\0' && full[n] != '/')) return;
    const struct timespec wait = {wait_ms / 1000, (wait_ms % 1000) * 1000000L};
    nanosleep(&wait, NULL);
}

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))
#define MODE(flags) mode_t mode = 0; if ((flags) & (O_CREAT | O_TMPFILE)) { \
    va_list args; va_start(args, flags); mode = (mode_t)va_arg(args, int); va_end(args); }

int stat(const char* p, struct stat* s) { wait_if_slow(AT_FDCWD, p); return REAL(stat)(p, s); }
int lstat(const char* p, struct stat* s) { wait_if_slow(AT_FDCWD, p); return REAL(lstat)(p, s); }
int fstatat(int d, const char* p, struct stat* s, int f) { wait_if_slow(d, p); return REAL(fstatat)(d, p, s, f); }
int statx(int d, const char* p, int f, unsigned m, struct statx* s) { wait_if_slow(d, p); return REAL(statx)(d, p, f, m, s); }
int access(const char* p, int m) { wait_if_slow(AT_FDCWD, p); return REAL(access)(p, m); }
DIR* opendir(const char* p) { wait_if_slow(AT_FDCWD, p); return REAL(opendir)(p); }
int open(const char* p, int f, ...) { MODE(f) wait_if_slow(AT_FDCWD, p); return REAL(open)(p, f, mode); }
int openat(int d, const char* p, int f, ...) { MODE(f) wait_if_slow(d, p); return REAL(openat)(d, p, f, mode); }
