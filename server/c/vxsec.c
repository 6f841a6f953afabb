/* Password hashes, session tokens and socket checks for the gateway, called from M (external
 * call table vxsec.xc). Hashing inside the connection process keeps a login free of process
 * starts. */
#define _GNU_SOURCE
#include <crypt.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/random.h>

#include "gtmxc_types.h"

/* SHA-512 crypt of pw with setting ("$6$salt"); out receives the whole "$6$salt$digest". */
gtm_status_t vxcrypt(int argc, gtm_char_t *pw, gtm_char_t *setting, gtm_char_t *out)
{
	struct crypt_data data;
	const char *hash;

	out[0] = '\0';
	if (argc < 3)
		return -1;
	memset(&data, 0, sizeof data);
	hash = crypt_r(pw, setting, &data);
	if (hash == NULL || hash[0] == '*' || strlen(hash) >= 128)
		return -1;
	strcpy(out, hash);
	explicit_bzero(&data, sizeof data);
	return 0;
}

/* 32 random bytes from the kernel as 64 lower-case hex digits. */
gtm_status_t vxrandom(int argc, gtm_char_t *out)
{
	static const char hex[] = "0123456789abcdef";
	unsigned char bytes[32];
	size_t i;

	out[0] = '\0';
	if (argc < 1 || getrandom(bytes, sizeof bytes, 0) != (ssize_t)sizeof bytes)
		return -1;
	for (i = 0; i < sizeof bytes; i++) {
		out[2 * i] = hex[bytes[i] >> 4];
		out[2 * i + 1] = hex[bytes[i] & 15];
	}
	out[2 * sizeof bytes] = '\0';
	return 0;
}

/* Waits up to ms milliseconds until one of the sockets in fds ("3,7,9") has something to read
 * (data or its end); the number of such sockets. The listener waits here rather than in GT.M's
 * /WAIT, which keeps announcing a socket that carried passed sockets. */
gtm_long_t vxwait(int argc, gtm_char_t *fds, gtm_long_t ms)
{
	struct pollfd p[4096];
	nfds_t n = 0;
	char *next;
	long fd;
	int ready;

	if (argc < 2)
		return -1;
	for (; *fds != '\0' && n < sizeof p / sizeof p[0]; fds = next + (*next == ',')) {
		fd = strtol(fds, &next, 10);
		if (next == fds)
			break;
		p[n].fd = (int)fd;
		p[n].events = POLLIN;
		p[n++].revents = 0;
	}
	ready = poll(p, n, (int)ms);
	return ready < 0 ? 0 : ready;
}

/* The process id at the other end of local socket fd, 0 when unknown. */
gtm_long_t vxpeer(int argc, gtm_long_t fd)
{
	struct ucred cred;
	socklen_t len = sizeof cred;

	if (argc < 1 || getsockopt((int)fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
		return 0;
	return cred.pid;
}

/* 1 when socket fd has something to read (data or its end), 0 when not. */
gtm_long_t vxreadable(int argc, gtm_long_t fd)
{
	struct pollfd p = {.fd = (int)fd, .events = POLLIN};

	if (argc < 1)
		return 0;
	return poll(&p, 1, 0) == 1 ? 1 : 0;
}

/* The socket slots of the processes the listener starts from now on. GT.M copies a socket
 * device's whole slot table whenever a device is opened or its parameters change: with the
 * listener's thousands of slots that is megabytes, milliseconds, for every connection; a
 * connection process holds two sockets. */
gtm_long_t vxchildsockets(int argc, gtm_long_t n)
{
	char value[24];

	if (argc < 1 || n < 1)
		return -1;
	snprintf(value, sizeof value, "%ld", (long)n);
	return setenv("gtm_max_sockets", value, 1);
}
