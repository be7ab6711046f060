/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The scratch build's dmesg: reads, clears and follows the file that the
// stand-in reporter writes in place of the kernel log, so that tests never
// clear the machine's own. Only the three calls the recorder makes.

#include "systempaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char *const logPath = SystemPaths::kernelLog;

int usage()
{
    std::fprintf(stderr,
                 "usage: dmesg [-C | -w]\n"
                 "  (none)  print the log %s\n"
                 "  -C      clear it\n"
                 "  -w      print it and follow new lines\n",
                 logPath);
    return 1;
}

bool makeParent()
{
    std::string dir(logPath);
    dir.erase(dir.rfind('/'));
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        if (mkdir(dir.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

int clear()
{
    const int fd = makeParent() ? open(logPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640) : -1;
    if (fd < 0) {
        std::fprintf(stderr, "dmesg: cannot clear %s: %s\n", logPath, std::strerror(errno));
        return 1;
    }
    close(fd);
    return 0;
}

// Copies whole lines from @p offset on; returns the offset after the last one.
off_t copyLines(int fd, off_t offset)
{
    std::string pending;
    char buffer[65536];
    for (;;) {
        const ssize_t length = pread(fd, buffer, sizeof buffer, offset + off_t(pending.size()));
        if (length <= 0) {
            break;
        }
        pending.append(buffer, size_t(length));
        const size_t end = pending.rfind('\n');
        if (end == std::string::npos) {
            continue;
        }
        std::fwrite(pending.data(), 1, end + 1, stdout);
        std::fflush(stdout);
        offset += off_t(end + 1);
        pending.erase(0, end + 1);
    }
    return offset;
}

int print()
{
    const int fd = open(logPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        return 0; // no reporter has written yet: an empty log
    }
    if (fd < 0) {
        std::fprintf(stderr, "dmesg: %s: %s\n", logPath, std::strerror(errno));
        return 1;
    }
    copyLines(fd, 0);
    close(fd);
    return 0;
}

// Polls: the log is a plain file, and a tenth of a second is well inside
// what the recorder waits for an application.
int follow()
{
    int fd = -1;
    off_t offset = 0;
    struct stat opened {
    };
    for (;;) {
        struct stat now {
        };
        const bool exists = stat(logPath, &now) == 0;
        if (fd >= 0 && (!exists || now.st_ino != opened.st_ino || now.st_dev != opened.st_dev)) {
            close(fd);
            fd = -1;
        }
        if (fd < 0 && exists) {
            fd = open(logPath, O_RDONLY | O_CLOEXEC);
            offset = 0;
            if (fd >= 0) {
                fstat(fd, &opened);
            }
        }
        if (fd >= 0) {
            fstat(fd, &now);
            if (now.st_size < offset) {
                offset = 0; // cleared: the next line starts the log again
            }
            offset = copyLines(fd, offset);
        }
        usleep(100000);
    }
}
}

int main(int argc, char **argv)
{
    if (argc == 1) {
        return print();
    }
    if (argc == 2 && std::strcmp(argv[1], "-C") == 0) {
        return clear();
    }
    if (argc == 2 && std::strcmp(argv[1], "-w") == 0) {
        return follow();
    }
    return usage();
}
