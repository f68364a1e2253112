#include "platform/InterruptWatcher.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previousInt = {};
struct sigaction g_previousTerm = {};

extern "C" void NoteInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
}

} // namespace

CInterruptWatcher::CInterruptWatcher(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    // The handler must never block, however many signals come.
    ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CInterruptWatcher::OnReadable);

    struct sigaction action = {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_previousInt);
    ::sigaction(SIGTERM, &action, &g_previousTerm);
}

CInterruptWatcher::~CInterruptWatcher()
{
    if (!notifier_)
        return;
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CInterruptWatcher::OnReadable()
{
    char bytes[16];
    const ssize_t got = ::read(g_pipe[1], bytes, sizeof bytes);
    for (ssize_t i = 0; i < got; ++i)
        emit Interrupted();
}

#else

// Elsewhere the default handlers stay.
CInterruptWatcher::CInterruptWatcher(QObject* parent) : QObject(parent) {}
CInterruptWatcher::~CInterruptWatcher() = default;
void CInterruptWatcher::OnReadable() {}

#endif
