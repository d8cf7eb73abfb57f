// The floor of the start-up benchmark: the least a Qt Widgets program of the same build does before its
// window is painted. A main window with a menu bar, a form of a dozen labelled line edits and a list,
// nothing read from disk. bench_startup --program=startup_floor measures it as it measures the logger.

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Start-up floor"));
    for (const char* title : {"&File", "&Edit", "&View", "&Tools", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        for (int i = 0; i < 6; ++i) {
            menu->addAction(QStringLiteral("Item %1").arg(i + 1));
        }
    }
    auto* central = new QWidget(&window);
    auto* row = new QHBoxLayout(central);
    auto* form = new QFormLayout;
    for (int i = 0; i < 12; ++i) {
        form->addRow(QStringLiteral("Field %1").arg(i + 1), new QLineEdit(central));
    }
    row->addLayout(form);
    auto* list = new QListWidget(central);
    for (int i = 0; i < 20; ++i) {
        list->addItem(QStringLiteral("Row %1").arg(i + 1));
    }
    row->addWidget(list);
    window.setCentralWidget(central);
    window.resize(800, 500);
    window.show();
    return app.exec();
}
