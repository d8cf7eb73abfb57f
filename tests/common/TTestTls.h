#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslServer>

// TLS for tests: a self-signed certificate for 127.0.0.1, made once per test program with the openssl
// command, and servers that present it. While a TTestTlsTrust lives, the default TLS configuration trusts
// that certificate, so the program's own HTTPS requests reach a TLS server on 127.0.0.1.
namespace TTestTls {

// False (with the reason in why) when Qt has no TLS backend or the certificate cannot be made.
bool Available(QString* why = nullptr);
const QSslCertificate& Certificate();
// A TLS server for TTestHttpServer::Listen, presenting the certificate.
QSslServer* NewServer();

} // namespace TTestTls

class TTestTlsTrust
{
public:
    TTestTlsTrust();
    ~TTestTlsTrust();
    TTestTlsTrust(const TTestTlsTrust&) = delete;
    TTestTlsTrust& operator=(const TTestTlsTrust&) = delete;

private:
    QSslConfiguration fOld;
};
