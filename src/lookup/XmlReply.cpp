#include "XmlReply.h"

#include "data/Errors.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <optional>

namespace XmlReply {

namespace {

// The largest number of "=" signs outside quotes within one element tag of the reply. The streaming reader
// checks an element's attributes for duplicates pair by pair before it reports the element, so an
// element with a hundred thousand attributes must be refused before it is parsed.
int MostAttributesInOneTag(QStringView text)
{
    int most = 0;
    int count = 0;
    bool inTag = false;
    bool counting = false; // in an element's tag, not in a comment, declaration or instruction
    char16_t quote = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!inTag) {
            if (c == u'<') {
                inTag = true;
                const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
                counting = next != u'!' && next != u'?';
                count = 0;
            }
        } else if (quote) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == u'"' || c == u'\'') {
            quote = counting ? c : 0;
        } else if (c == u'=' && counting) {
            most = std::max(most, ++count);
        } else if (c == u'>') {
            inTag = false;
        }
    }
    return most;
}

// The reply's text as an XML processor reads it: by its byte-order mark, else by the encoding its XML
// declaration names, else as UTF-8. Nothing when the named encoding is unknown.
std::optional<QString> DecodeReply(const QByteArray& reply)
{
    if (const auto bom = QStringConverter::encodingForData(reply)) {
        return QStringDecoder(*bom).decode(reply);
    }
    static const QRegularExpression declaration(
        QStringLiteral("^\\s*<\\?xml\\s[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9._-]+)[\"']"));
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(reply.left(200)));
    if (!match.hasMatch()) {
        return QStringDecoder(QStringDecoder::Utf8).decode(reply);
    }
    QString name = match.captured(1);
    if (name.compare(QStringLiteral("US-ASCII"), Qt::CaseInsensitive) == 0 ||
        name.compare(QStringLiteral("ASCII"), Qt::CaseInsensitive) == 0) {
        name = QStringLiteral("UTF-8");
    }
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    return decoder.decode(reply);
}

} // namespace

void TReply::AppendText(QList<std::pair<QString, int>>& content, QStringView text)
{
    if (!content.isEmpty() && content.last().second < 0) {
        content.last().first += text;
    } else {
        content.append({text.toString(), -1});
    }
}

int TReply::Child(int parent, const QString& name) const
{
    if (parent < 0 || parent >= fElements.size()) {
        return -1;
    }
    for (const auto& [text, child] : fElements[parent].content) {
        if (child >= 0 && fElements[child].name == name) {
            return child;
        }
    }
    return -1;
}

QString TReply::Text(int element) const
{
    QString result;
    if (element < 0 || element >= fElements.size()) {
        return result;
    }
    // Depth first without recursion: the stack holds the parts still to visit, last first.
    QList<std::pair<int, qsizetype>> stack{{element, 0}};
    while (!stack.isEmpty()) {
        auto& [index, part] = stack.last();
        const auto& content = fElements[index].content;
        if (part >= content.size()) {
            stack.removeLast();
            continue;
        }
        const auto& [text, child] = content[part++];
        if (child < 0) {
            result += text;
        } else {
            stack.append({child, 0});
        }
    }
    return result;
}

QString TReply::Attribute(int element, const QString& name) const
{
    if (element < 0 || element >= fElements.size()) {
        return QString();
    }
    for (const auto& [key, value] : fElements[element].attributes) {
        if (key == name) {
            return value;
        }
    }
    return QString();
}

TReply Parse(const QByteArray& reply, const QString& service, const QString& rootName)
{
    auto refuse = [&service](const QString& why) {
        return EVantrel(
            QStringLiteral("The %1 service sent a reply that cannot be read: %2").arg(service, why));
    };
    if (reply.size() > kMaxBytes) {
        throw refuse(QStringLiteral("it is larger than %1 kB").arg(kMaxBytes / 1024));
    }
    const std::optional<QString> text = DecodeReply(reply);
    if (!text) {
        throw refuse(QStringLiteral("its encoding is not known"));
    }
    // Replies carry no document type declaration; one could declare entities or default attributes
    // that cost far more to expand than the reply's size.
    if (text->contains(QLatin1String("<!DOCTYPE"))) {
        throw refuse(QStringLiteral("it carries a document type declaration"));
    }
    if (MostAttributesInOneTag(*text) > kMaxAttributes) {
        throw refuse(QStringLiteral("an element has more than %1 attributes").arg(kMaxAttributes));
    }

    TReply result;
    result.fSource = *text;
    // Read from the decoded text: the reader then takes the characters as they are and ignores the
    // encoding the declaration names.
    QXmlStreamReader reader(*text);
    QList<int> open; // the elements not yet closed, innermost last
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (open.size() >= kMaxDepth) {
                throw refuse(QStringLiteral("it is nested more than %1 levels deep").arg(kMaxDepth));
            }
            if (result.fElements.size() >= kMaxElements) {
                throw refuse(QStringLiteral("it holds more than %1 elements").arg(kMaxElements));
            }
            if (open.isEmpty() && !result.fElements.isEmpty()) {
                break; // the reader reports a second root element as an error next
            }
            TElement element;
            element.name = reader.name().toString();
            const QXmlStreamAttributes attributes = reader.attributes();
            if (attributes.size() > kMaxAttributes) {
                throw refuse(QStringLiteral("an element has more than %1 attributes").arg(kMaxAttributes));
            }
            for (const QXmlStreamAttribute& a : attributes) {
                element.attributes.append({a.name().toString(), a.value().toString()});
            }
            const int index = int(result.fElements.size());
            result.fElements.append(std::move(element));
            if (!open.isEmpty()) {
                result.fElements[open.last()].content.append({QString(), index});
            }
            open.append(index);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!open.isEmpty()) {
                open.removeLast();
            }
            break;
        case QXmlStreamReader::Characters:
            if (!open.isEmpty()) {
                result.AppendText(result.fElements[open.last()].content, reader.text());
            }
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        throw EVantrel(
            QStringLiteral("The %1 service sent a reply that is not valid XML: %2 (line %3, column %4)")
                .arg(service, reader.errorString())
                .arg(reader.lineNumber())
                .arg(reader.columnNumber()));
    }
    if (result.RootName() != rootName) {
        throw EVantrel(
            QStringLiteral("The %1 service sent an unexpected reply (no %2 element)").arg(service, rootName));
    }
    return result;
}

} // namespace XmlReply
