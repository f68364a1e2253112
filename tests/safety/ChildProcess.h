#pragma once
// A child process the test can stop, kill and wait for by signal, which
// QProcess does not tell (a child stopped by SIGSTOP, the signal that ended it).

#include <QString>
#include <QStringList>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class CChildProcess {
public:
    enum class State { Running, Stopped, Exited, Signalled, Unknown };

    explicit CChildProcess(const QString& program, const QStringList& arguments)
    {
        std::vector<std::string> storage{program.toStdString()};
        for (const QString& a : arguments)
            storage.push_back(a.toStdString());
        std::vector<char*> argv;
        for (std::string& s : storage)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
    }
    ~CChildProcess()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    [[nodiscard]] bool Started() const { return pid_ > 0; }
    [[nodiscard]] pid_t Pid() const { return pid_; }

    // Waits until the child stops or ends, at most timeoutMs.
    State Wait(int timeoutMs)
    {
        if (pid_ <= 0)
            return State::Unknown;
        if (reaped_)
            return state_;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            int status = 0;
            const pid_t got = waitpid(pid_, &status, WNOHANG | WUNTRACED);
            if (got == pid_) {
                if (WIFSTOPPED(status)) {
                    signal_ = WSTOPSIG(status);
                    return state_ = State::Stopped;
                }
                reaped_ = true;
                if (WIFEXITED(status)) {
                    exitCode_ = WEXITSTATUS(status);
                    return state_ = State::Exited;
                }
                signal_ = WTERMSIG(status);
                return state_ = State::Signalled;
            }
            if (got < 0)
                return state_ = State::Unknown;
            if (std::chrono::steady_clock::now() >= deadline)
                return State::Running;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    // SIGKILL, then waits for the end.
    State Kill()
    {
        if (pid_ <= 0 || reaped_)
            return state_;
        ::kill(pid_, SIGKILL);
        return Wait(20000);
    }

    [[nodiscard]] int ExitCode() const { return exitCode_; }
    // The signal that stopped or ended the child.
    [[nodiscard]] int Signal() const { return signal_; }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    State state_ = State::Running;
    int exitCode_ = -1;
    int signal_ = 0;
};
