#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace cacheapi {

// An error raised by the server or by the connection: a number and a description.
struct ServerError {
    int number = 0;
    QString description;
};

// The outcome of one call on a server object: a reply text, or an error.
struct CallResult {
    bool ok = true;
    QString value;
    ServerError error;

    static CallResult success(QString value) { return {true, std::move(value), {}}; }
    static CallResult failure(int number, QString description) {
        return {false, {}, {number, std::move(description)}};
    }
};

// One object of a server class, reached through a connected factory.
class ServerObject {
public:
    virtual ~ServerObject() = default;
    // Runs one command text of the routine catalogue and returns its reply.
    virtual CallResult Xecute(const QString& command) = 0;
    // Runs a command whose reply is of no interest. A connection may send it together with the
    // next request instead of waiting for its reply.
    virtual void XecuteUnanswered(const QString& command) { Xecute(command); }
    // Reads a property (member) of a stored object.
    virtual CallResult property(const QString& name) = 0;
    // Calls a class method, as PNAMELogicalToODBC(value).
    virtual CallResult call(const QString& method, const QStringList& arguments) = 0;
    // Closes the object on the server; errors are of no interest to the caller.
    virtual void SYS_Close() = 0;
};

// The object that holds the connection to the database server.
class Factory {
public:
    virtual ~Factory() = default;
    // Connection string "cn_iptcp:" server "[" port "]:VENTOR"; false when no connection came up.
    virtual bool Connect(const QString& connectionString) = 0;
    virtual bool IsConnected() = 0;
    virtual void Disconnect() = 0;
    // Why the last Connect was refused where trying again cannot help (the server's certificate
    // is not trusted, encryption is off for a remote server); empty otherwise.
    virtual QString refusal() const { return {}; }
    // A new object of a server class (as "VX.Windows").
    virtual std::unique_ptr<ServerObject> New(const QString& className, ServerError& error) = 0;
    // A stored object of a server class by its ID (company "||" key).
    virtual std::unique_ptr<ServerObject> OpenId(const QString& className, const QString& id,
                                                 ServerError& error) = 0;
};

// Makes a fresh, unconnected factory; every connection attempt uses a new one.
using FactoryMaker = std::function<std::unique_ptr<Factory>()>;

} // namespace cacheapi
