#include "TTestTls.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>

namespace TTestTls {

namespace {

struct TIdentity
{
    QSslCertificate cert;
    QSslKey key;
    QString error;
};

const TIdentity& Identity()
{
    static const TIdentity identity = [] {
        TIdentity made;
        if (!QSslSocket::supportsSsl()) {
            made.error = QStringLiteral("Qt has no TLS backend");
            return made;
        }
        QTemporaryDir dir;
        QProcess openssl;
        openssl.start(
            QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
             QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
             QStringLiteral("-nodes"), QStringLiteral("-keyout"), dir.filePath(QStringLiteral("key.pem")),
             QStringLiteral("-out"), dir.filePath(QStringLiteral("cert.pem")), QStringLiteral("-days"),
             QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
             QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            made.error = QStringLiteral("the openssl command is needed to make the test certificate");
            return made;
        }
        QFile certFile(dir.filePath(QStringLiteral("cert.pem")));
        QFile keyFile(dir.filePath(QStringLiteral("key.pem")));
        if (certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly)) {
            made.cert = QSslCertificate(certFile.readAll(), QSsl::Pem);
            made.key = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
        }
        if (made.cert.isNull() || made.key.isNull()) {
            made.error = QStringLiteral("the test certificate cannot be read");
        }
        return made;
    }();
    return identity;
}

} // namespace

bool Available(QString* why)
{
    if (why) {
        *why = Identity().error;
    }
    return Identity().error.isEmpty();
}

const QSslCertificate& Certificate()
{
    return Identity().cert;
}

QSslServer* NewServer()
{
    auto* server = new QSslServer;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(Identity().cert);
    config.setPrivateKey(Identity().key);
    server->setSslConfiguration(config);
    return server;
}

} // namespace TTestTls

TTestTlsTrust::TTestTlsTrust() : fOld(QSslConfiguration::defaultConfiguration())
{
    QSslConfiguration trusting = fOld;
    trusting.addCaCertificate(TTestTls::Certificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
}

TTestTlsTrust::~TTestTlsTrust()
{
    QSslConfiguration::setDefaultConfiguration(fOld);
}
