/* The physical limit of a lock-step exchange on loopback: a plain TCP peer that
 * answers every length-prefixed frame with a frame of a fixed size. */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static int read_all(int fd, unsigned char *buf, size_t n)
{
    while (n > 0) {
        ssize_t got = read(fd, buf, n);
        if (got <= 0)
            return -1;
        buf += got;
        n -= (size_t)got;
    }
    return 0;
}

int main(int argc, char **argv)
{
    size_t reply_body = argc > 1 ? (size_t)atoi(argv[1]) : 176;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener, (struct sockaddr *)&addr, sizeof addr) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, (struct sockaddr *)&addr, &len) != 0) {
        perror("raw_peer");
        return 1;
    }
    printf("listening on 127.0.0.1:%d\n", ntohs(addr.sin_port));
    fflush(stdout);

    unsigned char *reply = calloc(4 + reply_body, 1);
    reply[0] = (unsigned char)(reply_body >> 24);
    reply[1] = (unsigned char)(reply_body >> 16);
    reply[2] = (unsigned char)(reply_body >> 8);
    reply[3] = (unsigned char)reply_body;
    unsigned char body[65536];
    for (;;) {
        int fd = accept(listener, NULL, NULL);
        if (fd < 0)
            return 1;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        unsigned char head[4];
        while (read_all(fd, head, 4) == 0) {
            size_t n = (size_t)head[0] << 24 | (size_t)head[1] << 16 | (size_t)head[2] << 8 | head[3];
            if (n == 0 || n > sizeof body || read_all(fd, body, n) != 0)
                break;
            if (write(fd, reply, 4 + reply_body) != (ssize_t)(4 + reply_body))
                break;
        }
        close(fd);
    }
}
