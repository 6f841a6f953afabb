#pragma once

#include "connection.h"
#include "serverlink.h"

#include <QString>
#include <functional>
#include <memory>

namespace cacheapi {

// What the connection tells the server about its user. The server checks the password against
// the staff record's hash and lets the routine entries run only for an active user whose
// password was right; the staff record's "Passwort" member then answers this same password.
struct TcpCredentials {
    QString firma, user, password;
    bool operator==(const TcpCredentials&) const = default;
};

// How a connection travels: TLS 1.3 with the server's certificate checked against
// `trustedCertificate` (a PEM file with the server's certificate or that of its certificate
// authority; empty: the system's authorities), or plain TCP, which only a server on this machine
// is offered. There is no fallback from one to the other.
struct TcpTransport {
    bool encrypted = true;
    QString trustedCertificate;
};

// Error numbers of the connection itself; numbers the server sends are passed on unchanged.
enum TcpErrorNumber {
    TcpErrorNotConnected = 10057,
    TcpErrorConnectionLost = 10054,
    TcpErrorTimeout = 10060,
    TcpErrorProtocol = 10053,
};

// The connection to the VENTOR server over TCP. The credentials are asked for at every
// connect and before every request, so a login with a corrected password reaches the server
// on the open connection. Waiting for the server lets window events run (a local event loop
// when a Qt application exists) and ends after replyTimeoutMs with an error.
// With a `sessionToken` slot, a password login stores the server's session token there and
// later connections present that token instead of the password.
std::unique_ptr<Factory> makeTcpFactory(std::function<TcpCredentials()> credentials,
                                        int replyTimeoutMs = 30000, QString* sessionToken = nullptr,
                                        TcpTransport transport = {});

// The program's factories: each connection carries the login state's company, user code and
// password as they are at that moment and the session token of the state's login, and travels
// as the login state's transport settings say.
FactoryMaker tcpFactoryMaker(LoginState& state, int replyTimeoutMs = 30000);

// Host and port of a connection string "cn_iptcp:HOST[PORT]:NAMESPACE"; false when malformed.
bool parseConnectionString(const QString& text, QString& host, quint16& port);

} // namespace cacheapi
