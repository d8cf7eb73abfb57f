// Renders the help document from its HTML source into the PDF that Help > Contents opens:
//   vantrel_mkhelp INPUT.html OUTPUT.pdf

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantrel_mkhelp INPUT.html OUTPUT.pdf\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrel_mkhelp: cannot read %s\n", argv[1]);
        return 1;
    }
    // Images are named relative to the HTML file; one that cannot be read fails the build instead of
    // leaving a blank in the manual.
    const QString folder = QFileInfo(input.fileName()).absolutePath();
    const QString html = QString::fromUtf8(input.readAll());
    static const QRegularExpression image(QStringLiteral("<img[^>]*\\ssrc=\"([^\"]+)\""));
    for (auto match = image.globalMatch(html); match.hasNext();) {
        const QString source = match.next().captured(1);
        if (QImage(QDir(folder).absoluteFilePath(source)).isNull()) {
            std::fprintf(stderr, "vantrel_mkhelp: cannot read image %s\n", qPrintable(source));
            return 1;
        }
    }
    QTextDocument document;
    document.setMetaInformation(QTextDocument::DocumentUrl,
                                QUrl::fromLocalFile(folder + QLatin1Char('/')).toString());
    document.setHtml(html);
    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setTitle(QStringLiteral("Vantrel Help"));
    writer.setCreator(QStringLiteral("Vantrel"));
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
    document.print(&writer);
    return 0;
}
