#include "TPgServer.h"

#include "TTestTls.h"

#include "data/Errors.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

namespace {

QAtomicInt gConnections;

// The user the server runs as when the tests run as root.
struct TRunAs
{
    bool root = geteuid() == 0;
    uid_t uid = 0;
    gid_t gid = 0;
    TRunAs()
    {
        if (root) {
            if (const passwd* nobody = getpwnam("nobody")) {
                uid = nobody->pw_uid;
                gid = nobody->pw_gid;
            }
        }
    }
    void Own(const QString& path) const
    {
        if (root && ::chown(QFile::encodeName(path).constData(), uid, gid) != 0) {
            qWarning("cannot hand %s to the server's user", qPrintable(path));
        }
    }
};

bool WriteFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}

TPgServer* gShared = nullptr;

void StopShared()
{
    delete gShared;
    gShared = nullptr;
}

int FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    return probe.serverPort();
}

} // namespace

TPgServer::TPgServer()
{
    const QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& version : versions) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
        if (QFile::exists(bin + QStringLiteral("/initdb"))) {
            fBin = bin;
            break;
        }
    }
    if (fBin.isEmpty()) {
        fError = QStringLiteral("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb)");
        return;
    }
    if (!fRoot.isValid()) {
        fError = QStringLiteral("no temporary folder");
        return;
    }
    const TRunAs as;
    as.Own(fRoot.path());
    const QString pwfile = fRoot.filePath(QStringLiteral("pw"));
    WriteFile(pwfile, Password().toUtf8());
    as.Own(pwfile);
    fData = fRoot.filePath(QStringLiteral("data"));
    const QStringList initdb = {QStringLiteral("-U"),
                                QStringLiteral("postgres"),
                                QStringLiteral("--auth-local=trust"),
                                QStringLiteral("--auth-host=scram-sha-256"),
                                QStringLiteral("-E"),
                                QStringLiteral("UTF8"),
                                QStringLiteral("--no-locale"),
                                QStringLiteral("-N")};
    // initdb takes about three seconds; the cluster it makes is kept beside the test programs and copied
    // for the next server, keyed by the PostgreSQL binaries, the options and the password.
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash((fBin + initdb.join(u' ') + Password()).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16));
    const QString cache = QCoreApplication::applicationDirPath() + QStringLiteral("/../pg-clusters");
    const QString kept = cache + QStringLiteral("/") + key;
    if (!QFile::exists(kept + QStringLiteral("/PG_VERSION")) || !Copy(kept, fData)) {
        QDir(fData).removeRecursively();
        QString output;
        if (!Run(fBin + QStringLiteral("/initdb"),
                 QStringList{QStringLiteral("-D"), fData, QStringLiteral("--pwfile"), pwfile} + initdb,
                 &output)) {
            fError = QStringLiteral("initdb failed: ") + output;
            return;
        }
        // Kept under a name of its own first, so that another test program never copies half a cluster.
        const QString part =
            cache + QStringLiteral("/%1.%2").arg(key).arg(QCoreApplication::applicationPid());
        if (!QDir().mkpath(cache) || !Copy(fData, part) || !QDir().rename(part, kept)) {
            QDir(part).removeRecursively();
        }
    }
    fPort = FreePort();
    if (fPort == 0) {
        fError = QStringLiteral("no free port on 127.0.0.1");
        return;
    }
    // A server for tests: nothing is written through to the disk.
    QByteArray conf =
        QStringLiteral("\nport = %1\nlisten_addresses = '127.0.0.1'\nunix_socket_directories = '%2'\n"
                       "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
                       "max_connections = 100\n")
            .arg(fPort)
            .arg(fRoot.path())
            .toUtf8();
    const TTestTls& tls = TTestTls::Shared();
    if (tls.IsValid()) {
        const QString cert = fData + QStringLiteral("/server.crt");
        const QString key = fData + QStringLiteral("/server.key");
        if (WriteFile(cert, tls.Certificate().toPem()) && WriteFile(key, tls.Key().toPem())) {
            QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner);
            as.Own(cert);
            as.Own(key);
            conf += "ssl = on\n";
            fTls = true;
        }
    }
    WriteFile(fData + QStringLiteral("/postgresql.conf"), conf, QIODevice::Append);
    // One user may connect only with TLS: its rule comes before initdb's own.
    const QString hba = fData + QStringLiteral("/pg_hba.conf");
    QFile rules(hba);
    rules.open(QIODevice::ReadOnly);
    const QByteArray initial = rules.readAll();
    rules.close();
    WriteFile(hba,
              QStringLiteral("hostnossl all %1 127.0.0.1/32 reject\n").arg(TlsOnlyUser()).toUtf8() + initial);
    if (!Start()) {
        QFile log(fRoot.filePath(QStringLiteral("log")));
        log.open(QIODevice::ReadOnly);
        fError = QStringLiteral("the server did not start: ") + QString::fromUtf8(log.readAll());
    }
}

TPgServer& TPgServer::Shared()
{
    if (!gShared) {
        gShared = new TPgServer;
        qAddPostRoutine(StopShared);
    }
    if (gShared->IsValid()) {
        if (!gShared->fRunning && !gShared->Start()) {
            qWarning("the shared PostgreSQL server did not start again");
        }
        if (gShared->fRunning && gShared->fTls) {
            gShared->SetTls(true);
        }
    }
    return *gShared;
}

TPgServer::~TPgServer()
{
    if (fRunning) {
        Run(fBin + QStringLiteral("/pg_ctl"),
            {QStringLiteral("-D"), fData, QStringLiteral("-m"), QStringLiteral("immediate"),
             QStringLiteral("-w"), QStringLiteral("stop")});
    }
}

bool TPgServer::Run(const QString& program, const QStringList& args, QString* output) const
{
    QProcess process;
    process.setWorkingDirectory(fRoot.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    if (TRunAs().root) {
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                                             QStringLiteral("--"), program} +
                                                     args);
    } else {
        process.start(program, args);
    }
    const bool done = process.waitForFinished(120000);
    if (output) {
        *output = QString::fromUtf8(process.readAll());
    }
    return done && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool TPgServer::Copy(const QString& from, const QString& to) const
{
    // cp keeps the modes and, when the tests run as root, the owner the server runs as.
    QProcess cp;
    cp.start(QStringLiteral("cp"), {QStringLiteral("-a"), from, to});
    return cp.waitForFinished(120000) && cp.exitStatus() == QProcess::NormalExit && cp.exitCode() == 0;
}

bool TPgServer::Start()
{
    fRunning =
        Run(fBin + QStringLiteral("/pg_ctl"),
            {QStringLiteral("-D"), fData, QStringLiteral("-l"), fRoot.filePath(QStringLiteral("log")),
             QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("start")});
    return fRunning;
}

bool TPgServer::Stop()
{
    const bool stopped = Run(fBin + QStringLiteral("/pg_ctl"),
                             {QStringLiteral("-D"), fData, QStringLiteral("-m"), QStringLiteral("fast"),
                              QStringLiteral("-w"), QStringLiteral("stop")});
    if (stopped) {
        fRunning = false;
    }
    return stopped;
}

QStringList TPgServer::Sql(const QStringList& statements, const QString& database) const
{
    const QString name = QStringLiteral("pg_test_admin_%1").arg(gConnections.fetchAndAddRelaxed(1));
    QStringList rows;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(Host());
        db.setPort(fPort);
        db.setDatabaseName(database);
        db.setUserName(QStringLiteral("postgres"));
        db.setPassword(Password());
        db.setConnectOptions(QStringLiteral("sslmode=disable"));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            for (const QString& statement : statements) {
                rows.clear();
                if (!q.exec(statement)) {
                    error = statement + QStringLiteral(": ") + q.lastError().text();
                    break;
                }
                while (q.isSelect() && q.next()) {
                    rows << q.value(0).toString();
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty()) {
        throw EVantrel(error);
    }
    return rows;
}

void TPgServer::CreateClub(const QString& user, const QString& password, const QString& database) const
{
    Sql({QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD '%2'").arg(user, password),
         QStringLiteral("CREATE DATABASE \"%1\" OWNER \"%2\"").arg(database, user)});
}

void TPgServer::SetTls(bool on)
{
    Sql({QStringLiteral("ALTER SYSTEM SET ssl = %1").arg(on ? QStringLiteral("on") : QStringLiteral("off")),
         QStringLiteral("SELECT pg_reload_conf()")});
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && Sql({QStringLiteral("SHOW ssl")}).value(0) != (on ? "on" : "off")) {
        QThread::msleep(50);
    }
}
