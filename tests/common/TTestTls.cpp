#include "TTestTls.h"

#include <QFile>
#include <QProcess>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>

TTestTls::TTestTls()
{
    if (!QSslSocket::supportsSsl()) {
        fError = QStringLiteral("Qt has no TLS backend");
        return;
    }
    QTemporaryDir dir;
    const QString keyPath = dir.filePath(QStringLiteral("key.pem"));
    const QString certPath = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(
        QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
         QStringLiteral("-keyout"), keyPath, QStringLiteral("-out"), certPath, QStringLiteral("-days"),
         QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
         QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        fError = QStringLiteral("the openssl command is needed to make the test certificate");
        return;
    }
    QFile certFile(certPath);
    QFile keyFile(keyPath);
    if (certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly)) {
        fCertificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
        fKey = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
    }
    if (!IsValid()) {
        fError = QStringLiteral("the test certificate could not be read");
    }
}

QSslServer* TTestTls::NewServer() const
{
    auto* server = new QSslServer;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(fCertificate);
    config.setPrivateKey(fKey);
    server->setSslConfiguration(config);
    return server;
}

const TTestTls& TTestTls::Shared()
{
    static const TTestTls shared;
    return shared;
}

TTrustCertificate::TTrustCertificate(const QSslCertificate& cert)
    : fOld(QSslConfiguration::defaultConfiguration())
{
    QSslConfiguration trusting = fOld;
    trusting.addCaCertificate(cert);
    QSslConfiguration::setDefaultConfiguration(trusting);
}

TTrustCertificate::~TTrustCertificate()
{
    QSslConfiguration::setDefaultConfiguration(fOld);
}
