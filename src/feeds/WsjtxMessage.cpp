#include "WsjtxMessage.h"

#include "process/ADIFWriter.h"

#include <QDataStream>
#include <QDateTime>

namespace {

// The stream versions of the schemas: 2 wrote with Qt 5.2's format, 3 with Qt 5.4's.
QDataStream::Version StreamVersion(quint32 schema)
{
    return schema >= 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_2;
}

// A text of the protocol: UTF-8 bytes with their length in front (a null text has length 0xffffffff).
QString ReadUtf8(QDataStream& in)
{
    QByteArray bytes;
    in >> bytes;
    return QString::fromUtf8(bytes);
}

void AppendField(QByteArray& out, const char* name, const QString& value)
{
    if (value.isEmpty()) {
        return;
    }
    const QByteArray prefix = QByteArray("<") + name + ':';
    AppendADIFField(out, prefix.constData(), value);
    out.append(' ');
}

} // namespace

std::optional<TWsjtxMessage> ParseWsjtxMessage(const QByteArray& datagram)
{
    QDataStream in(datagram);
    in.setByteOrder(QDataStream::BigEndian);
    quint32 magic = 0;
    TWsjtxMessage message;
    in >> magic >> message.schema;
    if (in.status() != QDataStream::Ok || magic != Wsjtx::kMagic || message.schema < 2 ||
        message.schema > 3) {
        return std::nullopt;
    }
    in.setVersion(StreamVersion(message.schema));
    in >> message.type;
    message.id = ReadUtf8(in);
    if (in.status() != QDataStream::Ok) {
        return std::nullopt;
    }

    if (message.type == Wsjtx::kLoggedAdif) {
        QByteArray adif;
        in >> adif;
        if (in.status() != QDataStream::Ok) {
            return std::nullopt;
        }
        message.adif = adif;
    } else if (message.type == Wsjtx::kQsoLogged) {
        QDateTime off;
        QDateTime on;
        quint64 txFrequency = 0;
        in >> off;
        const QString dxCall = ReadUtf8(in);
        const QString dxGrid = ReadUtf8(in);
        in >> txFrequency;
        const QString mode = ReadUtf8(in);
        const QString reportSent = ReadUtf8(in);
        const QString reportReceived = ReadUtf8(in);
        const QString txPower = ReadUtf8(in);
        const QString comments = ReadUtf8(in);
        const QString name = ReadUtf8(in);
        in >> on;
        if (in.status() != QDataStream::Ok) {
            return std::nullopt;
        }
        // Fields added by later versions; older senders end before them.
        const QString operatorCall = ReadUtf8(in);
        const QString myCall = ReadUtf8(in);
        const QString myGrid = ReadUtf8(in);
        const QString exchangeSent = ReadUtf8(in);
        const QString exchangeReceived = ReadUtf8(in);
        const QDateTime start = (on.isValid() ? on : off).toUTC();

        QByteArray& out = message.adif;
        AppendField(out, "call", dxCall);
        AppendField(out, "gridsquare", dxGrid);
        AppendField(out, "mode", mode);
        AppendField(out, "rst_sent", reportSent);
        AppendField(out, "rst_rcvd", reportReceived);
        AppendField(out, "qso_date", start.toString(QStringLiteral("yyyyMMdd")));
        AppendField(out, "time_on", start.toString(QStringLiteral("HHmmss")));
        AppendField(out, "qso_date_off", off.toUTC().toString(QStringLiteral("yyyyMMdd")));
        AppendField(out, "time_off", off.toUTC().toString(QStringLiteral("HHmmss")));
        if (txFrequency > 0) {
            AppendField(out, "freq", QString::number(double(txFrequency) / 1e6, 'f', 6));
        }
        AppendField(out, "tx_pwr", txPower);
        AppendField(out, "comment", comments);
        AppendField(out, "name", name);
        AppendField(out, "operator", operatorCall);
        AppendField(out, "station_callsign", myCall);
        AppendField(out, "my_gridsquare", myGrid);
        AppendField(out, "stx_string", exchangeSent);
        AppendField(out, "srx_string", exchangeReceived);
        out.append("<eor>");
    }
    return message;
}
