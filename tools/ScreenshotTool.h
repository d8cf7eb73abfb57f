#pragma once

#include <QApplication>
#include <QDir>
#include <QString>
#include <QThread>

// What the screenshot programs share: a pause that lets the windows lay out and paint, and their arguments
// <folder> <file name> [theme].

inline void Settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

struct TShotArgs
{
    QString out;   // the folder the pictures go to, made when missing
    QString name;  // the first part of their file names
    QString theme; // the theme they are taken in
};

inline TShotArgs ReadShotArgs(int argc, char** argv, const QString& name, const QString& theme)
{
    TShotArgs args{QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath(),
                   argc > 2 ? QString::fromLocal8Bit(argv[2]) : name,
                   argc > 3 ? QString::fromLocal8Bit(argv[3]) : theme};
    QDir().mkpath(args.out);
    return args;
}
