#pragma once
// Starting a test's helper program with a plain fork, for the ThreadSanitizer
// build. QProcess starts its child the vfork way (a clone that shares the
// parent's memory): the child runs the checker's hooks on the parent's thread
// state and execs before they finish, and from then on the checker misses the
// locks the test's main thread takes and reports races that are not there.
// A real fork is what the checker understands.

#include <QStringList>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Starts the program with its standard output on `output` (or inherited when
// negative); the child's pid, or -1.
inline pid_t ForkProgram(const std::string& program, const QStringList& arguments, int output = -1)
{
    std::vector<std::string> words{program};
    for (const QString& argument : arguments)
        words.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test that dies (a sanitizer stops it) takes its helper with it,
        // instead of leaving it to hold the test's output open.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (output >= 0)
            ::dup2(output, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Runs the program to its end; its exit code, or -1 when it did not end
// normally within the time.
inline int RunForked(const std::string& program, const QStringList& arguments, std::chrono::milliseconds timeout)
{
    const pid_t pid = ForkProgram(program, arguments);
    if (pid < 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return -1;
        }
        ::usleep(10000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
