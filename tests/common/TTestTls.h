#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

#include <QSslServer>

// A self-signed certificate for 127.0.0.1, made with the openssl command for one test, and TLS servers
// that present it. IsValid() is false (with the reason in Error()) when no certificate could be made.
class TTestTls
{
public:
    TTestTls();

    bool IsValid() const { return !fCertificate.isNull() && !fKey.isNull(); }
    QString Error() const { return fError; }
    const QSslCertificate& Certificate() const { return fCertificate; }
    const QSslKey& Key() const { return fKey; }

    // A new TLS server presenting the certificate; TTestHttpServer::Listen takes it over.
    QSslServer* NewServer() const;

    // One certificate for the whole test program, made on first use, for tests that need many servers.
    static const TTestTls& Shared();

private:
    QSslCertificate fCertificate;
    QSslKey fKey;
    QString fError;
};

// The default TLS configuration trusts one more certificate while it lives.
class TTrustCertificate
{
public:
    explicit TTrustCertificate(const QSslCertificate& cert);
    ~TTrustCertificate();
    TTrustCertificate(const TTrustCertificate&) = delete;
    TTrustCertificate& operator=(const TTrustCertificate&) = delete;

private:
    QSslConfiguration fOld;
};
