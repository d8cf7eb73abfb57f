#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of a test's own: a cluster made by initdb (or copied from one made before) in a
// temporary folder and run by pg_ctl on a free port of 127.0.0.1 (as the user nobody when the tests run as
// root, since the server refuses to run as root), with the superuser "postgres" (password Password()) and a
// self-signed certificate for TLS when the openssl command can make one. The server is stopped when the
// object ends.
class TPgServer
{
public:
    TPgServer();
    ~TPgServer();
    TPgServer(const TPgServer&) = delete;
    TPgServer& operator=(const TPgServer&) = delete;

    // The server the test classes of one test program share (initdb and the start-up are paid once), made
    // when first asked for and stopped when the application object ends. Each test makes a database of its
    // own on it. Whatever an earlier test did to it (stopped it, switched TLS off), it comes back running,
    // with TLS on when it has a certificate.
    static TPgServer& Shared();

    // False (with the reason in Error()) when no server could be made: no PostgreSQL installed, no free
    // port, a failed initdb.
    bool IsValid() const { return fError.isEmpty(); }
    QString Error() const { return fError; }
    QString Host() const { return QStringLiteral("127.0.0.1"); }
    int Port() const { return fPort; }
    static QString Password() { return QStringLiteral("pg-test-secret"); }
    bool HasTls() const { return fTls; }

    // Stops the server (fast shutdown: connections are cut) or starts it again on the same port.
    bool Stop();
    bool Start();

    // Runs statements as the superuser, one by one, in a database ("postgres" by default); returns the first
    // column of the last statement's rows. Throws EVantrel with the server's message on an error.
    QStringList Sql(const QStringList& statements,
                    const QString& database = QStringLiteral("postgres")) const;

    // What a club's server keeper does: a user with a password and a database it owns.
    void CreateClub(const QString& user, const QString& password, const QString& database) const;
    // The user whom the server lets in over 127.0.0.1 only with TLS (create it with CreateClub).
    static QString TlsOnlyUser() { return QStringLiteral("tlsonly"); }
    // Switches the server's TLS on or off (a reload; new connections see it).
    void SetTls(bool on);

private:
    bool Run(const QString& program, const QStringList& args, QString* output = nullptr) const;
    bool Copy(const QString& from, const QString& to) const;

    QTemporaryDir fRoot;
    QString fBin;
    QString fData;
    int fPort = 0;
    bool fTls = false;
    bool fRunning = false;
    QString fError;
};
