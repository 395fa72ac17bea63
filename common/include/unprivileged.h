// For tests of permission failures: a scope in which the process's effective
// user and group are "nobody" (65534) when it runs as root, so that the
// kernel's permission checks apply to it. Real and saved ids stay root, so
// the scope's end takes root back. Outside root nothing changes.
#ifndef COMMON_UNPRIVILEGED_H
#define COMMON_UNPRIVILEGED_H

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

class Unprivileged {
public:
    Unprivileged() : dropped_(geteuid() == 0) {
        if (dropped_ && (setegid(kNobody) != 0 || seteuid(kNobody) != 0)) Fail("cannot become nobody");
    }
    ~Unprivileged() {
        if (dropped_ && (seteuid(0) != 0 || setegid(0) != 0)) Fail("cannot take root back");
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    [[noreturn]] static void Fail(const char* what) {
        std::perror(what);
        std::abort();
    }
    bool dropped_;
};

#endif
