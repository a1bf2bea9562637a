#pragma once
// Another process running a capture in a data root, for the tests: a child that takes the data
// root's run lock and holds it until it is killed.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "engine/model/data_root_lock.h"

namespace corvane::testing {

class DataRootHolder {
public:
    explicit DataRootHolder(const std::string& tasks_folder) {
        const std::string file = DataRootLockFile(tasks_folder);
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {  // system calls only: the test process has threads
            const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
            (void)!::write(ready[1], &ok, 1);
            if (ok) ::pause();
            ::_exit(0);
        }
        char ok = 0;
        held_ = pid_ > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~DataRootHolder() { Kill(); }
    DataRootHolder(const DataRootHolder&) = delete;
    DataRootHolder& operator=(const DataRootHolder&) = delete;
    // False when the lock was not free.
    bool Held() const { return held_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

}  // namespace corvane::testing
