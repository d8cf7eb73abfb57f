#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

// Reading the XML replies of the call-book services. Elements are matched by their local name, so a
// reply reads the same with or without a namespace (default or prefixed).
namespace XmlReply {

// Parses a reply; throws EVantrel naming the service when it is not well-formed XML or its root element
// is not the expected one.
QDomDocument Parse(const QByteArray& reply, const QString& service, const QString& rootName);

// The element's name without any namespace prefix.
QString LocalName(const QDomElement& element);

// The first child element of that local name (a null element when there is none).
QDomElement Child(const QDomNode& parent, const QString& name);

// The text of that child element; empty text when it is missing.
QString ChildText(const QDomNode& parent, const QString& name);

} // namespace XmlReply
