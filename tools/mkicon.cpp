// Renders the program icon from its SVG source into a square PNG for the icon theme:
//   vantrel_mkicon INPUT.svg SIZE OUTPUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: vantrel_mkicon INPUT.svg SIZE OUTPUT.png\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "vantrel_mkicon: cannot read %s\n", argv[1]);
        return 1;
    }
    const int size = QByteArray(argv[2]).toInt();
    if (size <= 0) {
        std::fprintf(stderr, "vantrel_mkicon: bad size %s\n", argv[2]);
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "vantrel_mkicon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
