#include "XmlReply.h"

#include "data/Errors.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

namespace XmlReply {

namespace {

// The largest number of "=" signs outside quotes within one tag of the raw reply. The streaming reader
// checks an element's attributes for duplicates pair by pair before it reports the element, so an
// element with a hundred thousand attributes must be refused before it is parsed.
int MostAttributesInOneTag(const QByteArray& reply)
{
    int most = 0;
    int count = 0;
    bool inTag = false;
    bool counting = false; // in an element's tag, not in a comment, declaration or instruction
    char quote = 0;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        const char c = reply[i];
        if (!inTag) {
            if (c == '<') {
                inTag = true;
                const char next = i + 1 < reply.size() ? reply[i + 1] : 0;
                counting = next != '!' && next != '?';
                count = 0;
            }
        } else if (quote) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = counting ? c : 0;
        } else if (c == '=' && counting) {
            most = std::max(most, ++count);
        } else if (c == '>') {
            inTag = false;
        }
    }
    return most;
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
    if (MostAttributesInOneTag(reply) > kMaxAttributes) {
        throw refuse(QStringLiteral("an element has more than %1 attributes").arg(kMaxAttributes));
    }

    TReply result;
    QXmlStreamReader reader(reply);
    QList<int> open; // the elements not yet closed, innermost last
    QString encoding;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            encoding = reader.documentEncoding().toString();
            break;
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
    auto decoder = QStringDecoder(encoding.isEmpty() ? "UTF-8" : encoding.toLatin1().constData());
    if (!decoder.isValid()) {
        decoder = QStringDecoder(QStringDecoder::Utf8);
    }
    if (const auto bom = QStringConverter::encodingForData(reply)) {
        decoder = QStringDecoder(*bom);
    }
    result.fSource = decoder.decode(reply);
    if (result.fSource.startsWith(QChar(0xFEFF))) {
        result.fSource.remove(0, 1);
    }
    return result;
}

} // namespace XmlReply
