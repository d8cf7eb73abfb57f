#pragma once

#include <QApplication>

// The application object. Its event dispatch is the program's last error handler: an error that
// escapes an event handler is shown in an error box instead of ending the program.
class TVantrelApplication : public QApplication
{
    Q_OBJECT

public:
    TVantrelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
