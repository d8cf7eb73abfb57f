#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// Reading the XML replies of the call-book services. A reply is outside input: it is read by a streaming
// reader with limits on its size, nesting depth, element count and attributes per element, so a hostile
// reply ends in an error in linear time instead of exhausting the stack, memory or the operator's
// patience. Elements are matched by their local name, so a reply reads the same with or without a
// namespace (default or prefixed).
namespace XmlReply {

// The largest reply read (and received: the clients stop a transfer that passes it).
constexpr qsizetype kMaxBytes = 1024 * 1024;
// Replies are three levels deep; anything nested deeper than this is refused.
constexpr int kMaxDepth = 32;
constexpr int kMaxAttributes = 32;
constexpr int kMaxElements = 20000;

// One element of a parsed reply: its local name, its attributes and, in document order, its text and
// child elements. Elements live in the reply's list and refer to each other by index.
struct TElement
{
    QString name;
    QList<std::pair<QString, QString>> attributes; // local name, value
    QList<std::pair<QString, int>> content;        // a text (child index -1) or a child element
};

class TReply
{
public:
    // Index of the root element (0), or -1 for an empty reply.
    static constexpr int kRoot = 0;

    // The first child element of that local name under the element, or -1.
    int Child(int parent, const QString& name) const;
    // The text of the element and of all elements inside it, in document order; empty for -1.
    QString Text(int element) const;
    // The text of the named child element; empty when it is missing.
    QString ChildText(int parent, const QString& name) const { return Text(Child(parent, name)); }
    // The value of the element's attribute of that local name; empty when it is missing.
    QString Attribute(int element, const QString& name) const;
    QString RootName() const { return fElements.isEmpty() ? QString() : fElements.first().name; }

    // The reply's text as received, decoded by its declared encoding: what "Show XML" displays.
    const QString& Source() const { return fSource; }

private:
    friend TReply Parse(const QByteArray& reply, const QString& service, const QString& rootName);
    void AppendText(QList<std::pair<QString, int>>& content, QStringView text);

    QList<TElement> fElements;
    QString fSource;
};

// Parses a reply; throws EVantrel naming the service when it is too large, in an unknown encoding, carries a
// document type declaration, is not well-formed XML, nested too deeply, holds too many elements or
// attributes, or its root element is not the expected one.
TReply Parse(const QByteArray& reply, const QString& service, const QString& rootName);

} // namespace XmlReply
