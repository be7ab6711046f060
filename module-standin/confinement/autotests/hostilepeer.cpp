/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// What a hostile kiosk user runs against its confinement, for the session
// tests (no Qt: it runs in confined sessions with the shell profile only).
//
//   hostilepeer push            pushes a command into the terminal (TIOCSTI)
//                               and asks the console (TIOCLINUX)
//   hostilepeer serve NAME      becomes a daemon that hands any file it is
//                               asked for over the abstract unix socket NAME;
//                               prints its pid
//   hostilepeer fetch NAME PATH asks the daemon at NAME for PATH, prints it

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
socklen_t address(const char *name, sockaddr_un *where)
{
    std::memset(where, 0, sizeof *where);
    where->sun_family = AF_UNIX;
    const size_t length = std::min(std::strlen(name), sizeof where->sun_path - 2);
    std::memcpy(where->sun_path + 1, name, length);
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length);
}

int push()
{
    const char command[] = "echo pushed-by-the-kiosk-session\n";
    int refused = 0;
    for (const char *c = command; *c; ++c) {
        if (ioctl(STDIN_FILENO, TIOCSTI, c) != 0) {
            std::printf("TIOCSTI refused: %s\n", std::strerror(errno));
            refused = 1;
            break;
        }
    }
    if (!refused) {
        std::printf("TIOCSTI pushed\n");
    }
    char subcode = 6; // the shift state: harmless, and refused elsewhere than on a console
    if (ioctl(STDIN_FILENO, TIOCLINUX, &subcode) != 0) {
        std::printf("TIOCLINUX refused: %s\n", std::strerror(errno));
    } else {
        std::printf("TIOCLINUX answered\n");
    }
    return 0;
}

int serve(const char *name)
{
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un where;
    const socklen_t length = address(name, &where);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr *>(&where), length) != 0 || listen(listener, 4) != 0) {
        std::printf("serve: %s\n", std::strerror(errno));
        return 1;
    }
    const pid_t child = fork();
    if (child != 0) {
        std::printf("%d\n", int(child));
        return child > 0 ? 0 : 1;
    }
    setsid();
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    for (;;) {
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        char path[4096] = {};
        const ssize_t got = read(client, path, sizeof path - 1);
        const int file = got > 0 ? open(path, O_RDONLY | O_CLOEXEC) : -1;
        char buffer[4096];
        ssize_t n = 0;
        while (file >= 0 && (n = read(file, buffer, sizeof buffer)) > 0) {
            (void)!write(client, buffer, size_t(n));
        }
        if (file >= 0) {
            close(file);
        }
        close(client);
    }
}

int fetch(const char *name, const char *path)
{
    const int peer = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un where;
    const socklen_t length = address(name, &where);
    if (peer < 0 || connect(peer, reinterpret_cast<sockaddr *>(&where), length) != 0) {
        std::printf("connect refused: %s\n", std::strerror(errno));
        return 1;
    }
    (void)!write(peer, path, std::strlen(path));
    shutdown(peer, SHUT_WR);
    char buffer[4096];
    ssize_t n = 0;
    size_t total = 0;
    while ((n = read(peer, buffer, sizeof buffer)) > 0) {
        std::fwrite(buffer, 1, size_t(n), stdout);
        total += size_t(n);
    }
    return total > 0 ? 0 : 1;
}
}

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "push") == 0) {
        return push();
    }
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0) {
        return serve(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "fetch") == 0) {
        return fetch(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: hostilepeer push | serve NAME | fetch NAME PATH\n");
    return 2;
}
