/* A site link of a few milliseconds on loopback: every byte that passes is held
 * for a fixed delay in each direction, then sent on in the order it came.
 *
 *   qora-delay-relay [--delay-us US | --delay-ms MS] [--tcp HOST:PORT]... [--udp HOST:PORT]...
 *
 * Each --tcp and --udp names a target; the relay listens for it on a free port
 * of 127.0.0.1 and prints one line per target, in the order given:
 *   "tcp 127.0.0.1:PORT -> HOST:PORT" or "udp 127.0.0.1:PORT -> HOST:PORT",
 * then "ready". On SIGTERM or SIGINT it prints how many pieces it forwarded and
 * how late it sent them, and exits 0.
 *
 * Timing: a piece's deadline is its arrival time on CLOCK_MONOTONIC plus the
 * delay, an absolute time, so waits never add up to drift. The delay is the
 * same for every piece, so one FIFO of everything received is also ordered by
 * deadline. The process sleeps in ppoll until shortly before the next deadline
 * (with a timer slack of 1 ns) and polls without sleeping for the last 100 us,
 * so pieces leave within a few microseconds of their deadline. On exit it
 * reports, per target, how late pieces left and how long each end took to
 * answer what it was handed (the ends' own time per exchange).
 *
 * UDP follows TFTP's transfer identifiers: a datagram from a new client opens a
 * session with two sockets of its own, one towards the client (its port is the
 * relay's answer port for that client) and one towards the target. The target's
 * first answer may come from a port other than the one written to (a TFTP
 * server answers from a new port); the session then sends to that port. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#define MAX_TARGETS 8
#define MAX_FLOWS 256
#define READ_SIZE 65536
/* A direction stops reading while this much waits in the relay for it. */
#define MAX_HELD (4u << 20)
/* A UDP session nobody used for this long is closed. */
#define SESSION_IDLE_NS (60ll * 1000000000ll)
#define SPIN_NS 100000ll

typedef long long nsec_t;

static nsec_t now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (nsec_t)ts.tv_sec * 1000000000ll + ts.tv_nsec;
}

/* One direction of a TCP connection, or one socket pair of a UDP session. */
struct flow {
    int used;
    int udp;
    /* [0] the client's side, [1] the target's; TCP reads direction d from
     * in_fd[d] and writes it to in_fd[!d]. */
    int in_fd[2];
    int eof[2];  /* TCP: direction d has read its end (and queued it) */
    int shut[2]; /* TCP: direction d's end is 1 due, 2 passed on */
    size_t held[2]; /* bytes queued or waiting to be written in direction d */
    unsigned char *out[2]; /* bytes due but not yet accepted by the socket */
    size_t out_len[2];
    struct sockaddr_in client; /* UDP: where the client sends from */
    struct sockaddr_in server; /* UDP: where the target answers from */
    nsec_t last_use;
    nsec_t delivered_at[2]; /* when direction d last handed something on */
    nsec_t arrived_at[2];   /* when direction d last received something */
    int target;
    unsigned generation;
};

/* Direction 0: towards the target; direction 1: towards the client. */
struct piece {
    struct piece *next;
    nsec_t deadline;
    int flow;
    unsigned generation;
    int dir;
    int eof;
    size_t len;
    unsigned char data[];
};

struct target {
    int udp;
    int listen_fd;
    struct sockaddr_in addr;
};

static struct target targets[MAX_TARGETS];
static int target_count;
static struct flow flows[MAX_FLOWS];
static struct piece *queue_head, *queue_tail;
static nsec_t delay_ns = 2000000;
static volatile sig_atomic_t stopping;

/* Microsecond histograms: how late pieces went out, and how long each end took
 * to answer what the relay handed it (side 0 the client, side 1 the target). */
#define HISTOGRAM_US 20000
struct target_stats {
    unsigned long long forwarded;
    nsec_t late_max;
    unsigned lateness[HISTOGRAM_US];
    unsigned turnaround[2][HISTOGRAM_US];
};
static struct target_stats stats[MAX_TARGETS];

static void count_us(unsigned *histogram, nsec_t ns)
{
    nsec_t us = ns / 1000;
    histogram[us < 0 ? 0 : us >= HISTOGRAM_US ? HISTOGRAM_US - 1 : us]++;
}

static long median_us(const unsigned *histogram)
{
    unsigned long long total = 0, seen = 0;
    for (int i = 0; i < HISTOGRAM_US; ++i)
        total += histogram[i];
    for (int i = 0; i < HISTOGRAM_US; ++i) {
        seen += histogram[i];
        if (total && seen * 2 >= total)
            return i;
    }
    return -1;
}

/* A lock-step end answers what it was handed: the first piece it sends after
 * a delivery to it measures its own time to answer. */
static void note_arrival(struct flow *f, int dir, nsec_t arrived)
{
    const int side = dir; /* direction 0 is read from the client, 1 from the target */
    if (f->delivered_at[!dir] > f->arrived_at[dir])
        count_us(stats[f->target].turnaround[side], arrived - f->delivered_at[!dir]);
    f->arrived_at[dir] = arrived;
}

static void on_signal(int sig)
{
    (void)sig;
    stopping = 1;
}

static int parse_endpoint(const char *text, struct sockaddr_in *addr)
{
    char host[256];
    const char *colon = strrchr(text, ':');
    if (!colon || (size_t)(colon - text) >= sizeof host || colon == text)
        return -1;
    memcpy(host, text, (size_t)(colon - text));
    host[colon - text] = '\0';
    char *end = NULL;
    long port = strtol(colon + 1, &end, 10);
    if (*end != '\0' || port < 1 || port > 65535)
        return -1;
    struct addrinfo hints, *found = NULL;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    if (getaddrinfo(host, NULL, &hints, &found) != 0 || !found)
        return -1;
    memcpy(addr, found->ai_addr, sizeof *addr);
    addr->sin_port = htons((uint16_t)port);
    freeaddrinfo(found);
    return 0;
}

static void set_nonblocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

static void set_nodelay(int fd)
{
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

/* A socket bound to a free port of 127.0.0.1. */
static int bound_socket(int type, struct sockaddr_in *bound)
{
    int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, (struct sockaddr *)&addr, sizeof addr) != 0 ||
        getsockname(fd, (struct sockaddr *)&addr, &len) != 0) {
        close(fd);
        return -1;
    }
    if (bound)
        *bound = addr;
    set_nonblocking(fd);
    return fd;
}

static int free_flow(void)
{
    for (int i = 0; i < MAX_FLOWS; ++i) {
        if (!flows[i].used)
            return i;
    }
    return -1;
}

static void close_flow(int i)
{
    struct flow *f = &flows[i];
    for (int d = 0; d < 2; ++d) {
        if (f->in_fd[d] >= 0)
            close(f->in_fd[d]);
        free(f->out[d]);
    }
    unsigned generation = f->generation + 1;
    memset(f, 0, sizeof *f);
    f->in_fd[0] = f->in_fd[1] = -1;
    /* Pieces still queued for the old flow are dropped when due. */
    f->generation = generation;
}

static void enqueue(int flow, int dir, const unsigned char *data, size_t len, int eof, nsec_t arrived)
{
    struct piece *p = malloc(sizeof *p + len);
    if (!p) {
        perror("qora-delay-relay");
        exit(1);
    }
    p->next = NULL;
    p->deadline = arrived + delay_ns;
    p->flow = flow;
    p->generation = flows[flow].generation;
    p->dir = dir;
    p->eof = eof;
    p->len = len;
    note_arrival(&flows[flow], dir, arrived);
    if (len)
        memcpy(p->data, data, len);
    if (queue_tail)
        queue_tail->next = p;
    else
        queue_head = p;
    queue_tail = p;
    flows[flow].held[dir] += len;
}

/* TCP: write what is due in direction d; on its end, pass the end on. */
static void flush_tcp(int i, int d)
{
    struct flow *f = &flows[i];
    int fd = f->in_fd[!d];
    while (f->out_len[d] > 0) {
        ssize_t n = send(fd, f->out[d], f->out_len[d], MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            close_flow(i);
            return;
        }
        memmove(f->out[d], f->out[d] + n, f->out_len[d] - (size_t)n);
        f->out_len[d] -= (size_t)n;
        f->held[d] -= (size_t)n;
    }
}

static void deliver(struct piece *p, nsec_t now)
{
    struct flow *f = &flows[p->flow];
    if (!f->used || f->generation != p->generation)
        return;
    const nsec_t late = now - p->deadline;
    struct target_stats *st = &stats[f->target];
    ++st->forwarded;
    count_us(st->lateness, late);
    if (late > st->late_max)
        st->late_max = late;
    f->last_use = now;
    f->delivered_at[p->dir] = now;
    if (f->udp) {
        f->held[p->dir] -= p->len;
        if (p->dir == 0)
            sendto(f->in_fd[1], p->data, p->len, 0, (struct sockaddr *)&f->server, sizeof f->server);
        else
            sendto(f->in_fd[0], p->data, p->len, 0, (struct sockaddr *)&f->client, sizeof f->client);
        return;
    }
    if (p->eof) {
        f->shut[p->dir] = 1;
    } else {
        unsigned char *grown = realloc(f->out[p->dir], f->out_len[p->dir] + p->len);
        if (!grown) {
            perror("qora-delay-relay");
            exit(1);
        }
        f->out[p->dir] = grown;
        memcpy(grown + f->out_len[p->dir], p->data, p->len);
        f->out_len[p->dir] += p->len;
    }
    flush_tcp(p->flow, p->dir);
}

/* After a write: pass an end on once everything before it is written, and
 * close the connection when both ends have passed. */
static void settle_tcp(int i)
{
    struct flow *f = &flows[i];
    if (!f->used || f->udp)
        return;
    for (int d = 0; d < 2; ++d) {
        if (f->shut[d] == 1 && f->out_len[d] == 0) {
            shutdown(f->in_fd[!d], SHUT_WR);
            f->shut[d] = 2;
        }
    }
    if (f->shut[0] == 2 && f->shut[1] == 2)
        close_flow(i);
}

static void accept_tcp(struct target *t)
{
    int client = accept4(t->listen_fd, NULL, NULL, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0)
        return;
    int i = free_flow();
    int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (i < 0 || server < 0 || connect(server, (struct sockaddr *)&t->addr, sizeof t->addr) != 0) {
        fprintf(stderr, "qora-delay-relay: cannot open a connection to the target: %s\n",
                i < 0 ? "too many connections" : strerror(errno));
        close(client);
        if (server >= 0)
            close(server);
        return;
    }
    set_nonblocking(server);
    set_nodelay(client);
    set_nodelay(server);
    struct flow *f = &flows[i];
    f->used = 1;
    f->udp = 0;
    f->in_fd[0] = client; /* read from the client, written to the target */
    f->in_fd[1] = server; /* read from the target, written to the client */
    f->target = (int)(t - targets);
}

static void read_tcp(int i, int d, unsigned char *buf)
{
    struct flow *f = &flows[i];
    if (f->eof[d])
        return;
    ssize_t n = recv(f->in_fd[d], buf, READ_SIZE, 0);
    nsec_t arrived = now_ns();
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return;
        close_flow(i);
        return;
    }
    if (n == 0) {
        f->eof[d] = 1;
        enqueue(i, d, NULL, 0, 1, arrived);
        return;
    }
    enqueue(i, d, buf, (size_t)n, 0, arrived);
}

static int same_peer(const struct sockaddr_in *a, const struct sockaddr_in *b)
{
    return a->sin_addr.s_addr == b->sin_addr.s_addr && a->sin_port == b->sin_port;
}

/* A datagram on a target's listening port: a new client opens a session; a
 * known one (sending again to the first port) goes on through its session. */
static void read_udp_listen(struct target *t, unsigned char *buf)
{
    struct sockaddr_in from;
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(t->listen_fd, buf, READ_SIZE, 0, (struct sockaddr *)&from, &len);
    nsec_t arrived = now_ns();
    if (n < 0)
        return;
    int i = -1;
    for (int k = 0; k < MAX_FLOWS; ++k) {
        if (flows[k].used && flows[k].udp && same_peer(&flows[k].client, &from)) {
            i = k;
            break;
        }
    }
    if (i < 0) {
        i = free_flow();
        if (i < 0)
            return;
        int down = bound_socket(SOCK_DGRAM, NULL);
        int up = bound_socket(SOCK_DGRAM, NULL);
        if (down < 0 || up < 0) {
            if (down >= 0)
                close(down);
            if (up >= 0)
                close(up);
            return;
        }
        struct flow *f = &flows[i];
        f->used = 1;
        f->udp = 1;
        f->in_fd[0] = down; /* the client's side: answers go out from here */
        f->in_fd[1] = up;   /* the target's side */
        f->client = from;
        f->server = t->addr;
        f->target = (int)(t - targets);
        f->last_use = arrived;
    }
    enqueue(i, 0, buf, (size_t)n, 0, arrived);
}

static void read_udp_session(int i, int side, unsigned char *buf)
{
    struct flow *f = &flows[i];
    struct sockaddr_in from;
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(f->in_fd[side], buf, READ_SIZE, 0, (struct sockaddr *)&from, &len);
    nsec_t arrived = now_ns();
    if (n < 0)
        return;
    f->last_use = arrived;
    if (side == 1) {
        /* The target's answer port becomes the session's way to it. */
        f->server = from;
        enqueue(i, 1, buf, (size_t)n, 0, arrived);
    } else if (same_peer(&from, &f->client)) {
        enqueue(i, 0, buf, (size_t)n, 0, arrived);
    }
}

static void report(void)
{
    for (int k = 0; k < target_count; ++k) {
        const struct target_stats *st = &stats[k];
        if (st->forwarded == 0) {
            fprintf(stderr, "relay %s %d: nothing forwarded\n", targets[k].udp ? "udp" : "tcp", k + 1);
            continue;
        }
        fprintf(stderr,
                "relay %s %d: %llu pieces forwarded, late by %ld us (median), %.0f us at most; "
                "answers in %ld us from the client, %ld us from the target (medians)\n",
                targets[k].udp ? "udp" : "tcp", k + 1, st->forwarded, median_us(st->lateness), st->late_max / 1e3,
                median_us(st->turnaround[0]), median_us(st->turnaround[1]));
    }
}

static int usage(void)
{
    fputs("usage: qora-delay-relay [--delay-us US | --delay-ms MS] [--tcp HOST:PORT]... [--udp HOST:PORT]...\n",
          stderr);
    return 2;
}

int main(int argc, char **argv)
{
    for (int a = 1; a < argc; ++a) {
        const char *name = argv[a];
        if (a + 1 >= argc)
            return usage();
        const char *value = argv[++a];
        char *end = NULL;
        if (strcmp(name, "--delay-ms") == 0 || strcmp(name, "--delay-us") == 0) {
            long long n = strtoll(value, &end, 10);
            if (*value == '\0' || *end != '\0' || n < 0 || n > 10000000)
                return usage();
            delay_ns = n * (name[8] == 'm' ? 1000000ll : 1000ll);
        } else if (strcmp(name, "--tcp") == 0 || strcmp(name, "--udp") == 0) {
            if (target_count == MAX_TARGETS)
                return usage();
            struct target *t = &targets[target_count];
            t->udp = name[2] == 'u';
            if (parse_endpoint(value, &t->addr) != 0) {
                fprintf(stderr, "qora-delay-relay: bad target %s\n", value);
                return 2;
            }
            ++target_count;
        } else {
            return usage();
        }
    }
    if (target_count == 0)
        return usage();

    prctl(PR_SET_TIMERSLACK, 1ul, 0, 0, 0);
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    /* The signals come only while ppoll waits, so none is missed between the
     * check of `stopping` and the wait. */
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, NULL);
    signal(SIGPIPE, SIG_IGN);
    for (int i = 0; i < MAX_FLOWS; ++i)
        flows[i].in_fd[0] = flows[i].in_fd[1] = -1;

    for (int k = 0; k < target_count; ++k) {
        struct target *t = &targets[k];
        struct sockaddr_in bound;
        t->listen_fd = bound_socket(t->udp ? SOCK_DGRAM : SOCK_STREAM, &bound);
        if (t->listen_fd < 0 || (!t->udp && listen(t->listen_fd, 64) != 0)) {
            perror("qora-delay-relay");
            return 1;
        }
        char target_host[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &t->addr.sin_addr, target_host, sizeof target_host);
        printf("%s 127.0.0.1:%d -> %s:%d\n", t->udp ? "udp" : "tcp", ntohs(bound.sin_port), target_host,
               ntohs(t->addr.sin_port));
    }
    puts("ready");
    fflush(stdout);

    static unsigned char buf[READ_SIZE];
    struct pollfd fds[MAX_TARGETS + 2 * MAX_FLOWS];
    int owner[MAX_TARGETS + 2 * MAX_FLOWS]; /* -1 - target, or flow * 2 + side */
    sigset_t none;
    sigemptyset(&none);
    while (!stopping) {
        nsec_t now = now_ns();
        while (queue_head && queue_head->deadline <= now) {
            struct piece *p = queue_head;
            queue_head = p->next;
            if (!queue_head)
                queue_tail = NULL;
            deliver(p, now);
            if (flows[p->flow].used && !flows[p->flow].udp)
                settle_tcp(p->flow);
            free(p);
            now = now_ns();
        }

        nfds_t n = 0;
        for (int k = 0; k < target_count; ++k) {
            fds[n] = (struct pollfd){targets[k].listen_fd, POLLIN, 0};
            owner[n++] = -1 - k;
        }
        for (int i = 0; i < MAX_FLOWS; ++i) {
            struct flow *f = &flows[i];
            if (!f->used)
                continue;
            if (f->udp && now - f->last_use > SESSION_IDLE_NS && f->held[0] == 0 && f->held[1] == 0) {
                close_flow(i);
                continue;
            }
            for (int side = 0; side < 2; ++side) {
                short events = 0;
                if (f->udp) {
                    events = POLLIN;
                } else {
                    /* Reading side d feeds direction d; writing direction !d
                     * goes out on this same socket. */
                    if (!f->eof[side] && f->held[side] < MAX_HELD)
                        events |= POLLIN;
                    if (f->out_len[!side] > 0)
                        events |= POLLOUT;
                }
                if (events) {
                    fds[n] = (struct pollfd){f->in_fd[side], events, 0};
                    owner[n++] = i * 2 + side;
                }
            }
        }

        struct timespec wait, *timeout = NULL;
        if (queue_head) {
            /* The last stretch is polled without sleeping: waking from a
             * sleep costs tens of microseconds on a busy machine. */
            nsec_t left = queue_head->deadline - now_ns() - SPIN_NS;
            if (left < 0)
                left = 0;
            wait.tv_sec = left / 1000000000ll;
            wait.tv_nsec = left % 1000000000ll;
            timeout = &wait;
        }
        int ready = ppoll(fds, n, timeout, &none);
        if (ready <= 0)
            continue;
        for (nfds_t k = 0; k < n; ++k) {
            if (!fds[k].revents)
                continue;
            if (owner[k] < 0) {
                struct target *t = &targets[-1 - owner[k]];
                if (t->udp)
                    read_udp_listen(t, buf);
                else
                    accept_tcp(t);
                continue;
            }
            int i = owner[k] / 2, side = owner[k] % 2;
            if (!flows[i].used)
                continue;
            if (flows[i].udp) {
                read_udp_session(i, side, buf);
                continue;
            }
            if (flows[i].out_len[!side] > 0 && (fds[k].revents & (POLLOUT | POLLHUP | POLLERR))) {
                flush_tcp(i, !side);
                settle_tcp(i);
                if (!flows[i].used)
                    continue;
            }
            if (fds[k].revents & (POLLIN | POLLHUP | POLLERR))
                read_tcp(i, side, buf);
        }
    }
    report();
    return 0;
}
