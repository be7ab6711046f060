/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// tavrix-traced: the stand-in for the module's trace mode. Runs as root in
// the foreground until SIGTERM or SIGINT; see README.md.

#include "tracereporter.h"

#include <QTextCodec>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    Q_UNUSED(argv);
    if (argc != 1) {
        std::fprintf(stderr, "usage: tavrix-traced\n");
        return 1;
    }
    // Profiles are UTF-8 whatever locale root's service runs in.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int stopFd = signalfd(-1, &stop, SFD_CLOEXEC);

    // The lowest real-time priority lets the reporter read a process's uid
    // before the process is reaped, and its thread that answers program
    // starts (which inherits it) keep up under a flood on a single core;
    // without the right to it, it runs as any.
    const sched_param priority{1};
    sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &priority);

    TraceReporter reporter;
    QString error;
    QStringList notes;
    if (stopFd < 0 || !reporter.start(&error, &notes)) {
        std::fprintf(stderr, "tavrix-traced: %s\n", stopFd < 0 ? "cannot watch for signals" : qPrintable(error));
        return 1;
    }
    for (const QString &note : qAsConst(notes)) {
        std::fprintf(stderr, "tavrix-traced: %s\n", qPrintable(note));
    }

    std::vector<pollfd> fds{{stopFd, POLLIN, 0}};
    for (const int group : reporter.groups()) {
        fds.push_back({group, POLLIN, 0});
    }
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        // Counts of held-back reports reach the log soon after a flood
        // stops, not only with the next access.
        const int ready = poll(fds.data(), fds.size(), reporter.countsDueWithinMs());
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("tavrix-traced: poll");
            return 1;
        }
        if (ready == 0) {
            reporter.flushCounts();
            continue;
        }
        if (fds[0].revents) {
            break;
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                reporter.handle(fds[i].fd);
            }
        }
    }
    if (reporter.missed() > 0) {
        std::fprintf(stderr,
                     "tavrix-traced: %lld accesses dropped, their processes ended before their uid was read\n",
                     static_cast<long long>(reporter.missed()));
    }
    return 0;
}
