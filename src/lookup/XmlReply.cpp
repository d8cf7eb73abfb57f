#include "XmlReply.h"

#include "data/Errors.h"

namespace XmlReply {

QDomDocument Parse(const QByteArray& reply, const QString& service, const QString& rootName)
{
    QDomDocument doc;
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(reply, true, &message, &line, &column)) {
        throw EVantrel(
            QStringLiteral("The %1 service sent a reply that is not valid XML: %2 (line %3, column %4)")
                .arg(service, message)
                .arg(line)
                .arg(column));
    }
    if (LocalName(doc.documentElement()) != rootName) {
        throw EVantrel(
            QStringLiteral("The %1 service sent an unexpected reply (no %2 element)").arg(service, rootName));
    }
    return doc;
}

QString LocalName(const QDomElement& element)
{
    QString name = element.localName();
    if (name.isEmpty()) {
        name = element.tagName();
        name = name.mid(name.indexOf(':') + 1);
    }
    return name;
}

QDomElement Child(const QDomNode& parent, const QString& name)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (LocalName(e) == name) {
            return e;
        }
    }
    return QDomElement();
}

QString ChildText(const QDomNode& parent, const QString& name)
{
    return Child(parent, name).text();
}

} // namespace XmlReply
