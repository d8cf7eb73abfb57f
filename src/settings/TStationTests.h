#pragma once

#include "StationSettings.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTcpSocket;
class QTimer;

// What one test of a link or a service found, for the operator.
struct TStationTestResult
{
    bool ok = false;
    QString text;
};

// The "Test" actions of the station settings, tried with the values typed, before anything is stored:
// a UDP port is opened as its link opens it and closed again; rigctld is asked for its frequency; a
// service address gets one request. The network tests never block: each ends in a signal, after an
// answer, an error or the time limit.
class TStationTests : public QObject
{
    Q_OBJECT

public:
    explicit TStationTests(QObject* parent = nullptr);
    ~TStationTests() override;

    // Opens the port as the logging server or the WSJT-X listener would with these values, and closes
    // it at once.
    static TStationTestResult TestServerPort(quint16 port);
    static TStationTestResult TestWsjtxPort(quint16 port, const QString& group, bool allAddresses);

    // Connects to rigctld and asks for the frequency; RigTested follows.
    void TestRig(const QString& host, quint16 port);
    bool IsTestingRig() const { return fRigSocket != nullptr; }

    // The address that a service field is tried at: the file the program fetches from a roster server,
    // the address itself for the others.
    static QUrl ServiceTestUrl(TStationField field, const QString& text);
    // One GET of the address; ServiceTested follows once the answer's status is known (the body is not
    // read) or the request failed.
    void TestService(TStationField field, const QUrl& url);
    bool IsTestingService(TStationField field) const;

    void SetServiceTimeout(int ms) { fServiceTimeoutMs = ms; }
    void SetRigTimeout(int ms) { fRigTimeoutMs = ms; }
    static constexpr int kServiceTimeoutMs = 30000;
    static constexpr int kRigTimeoutMs = 5000;

signals:
    void RigTested(const TStationTestResult& result);
    void ServiceTested(TStationField field, const TStationTestResult& result);

private:
    void RigFinished(const TStationTestResult& result);
    void ServiceFinished(TStationField field, QNetworkReply* reply, bool timedOut);

    QMap<TStationField, QPointer<QNetworkReply>> fReplies;
    QTcpSocket* fRigSocket = nullptr;
    QTimer* fRigTimer = nullptr;
    QString fRigWhere;
    int fServiceTimeoutMs = kServiceTimeoutMs;
    int fRigTimeoutMs = kRigTimeoutMs;
};

Q_DECLARE_METATYPE(TStationTestResult)
