#pragma once

#include <QFileDialog>
#include <QString>

// The program's file and folder pickers. They never open a file to look inside it: on Linux, closing any
// descriptor of a file drops every lock the process holds on it, SQLite's included, so a picker that
// sniffed "logs.db" or its "-wal" and "-shm" files to choose an icon would let another program delete the
// journal the log is being written to. The pickers are therefore Qt's own dialogs (a platform dialog runs
// inside the process and reads files as it likes), icons and type names come from the file name alone,
// and database files are not listed at all.
enum class TPickerKind
{
    OpenFile,
    SaveFile,
    Folder
};

// A picker set up as above; the filter uses "Label|pattern|Label|pattern" pairs. The caller runs it.
QFileDialog* CreateFileDialog(QWidget* window, TPickerKind kind, const QString& caption,
                              const QString& folder, const QString& filter = QString(),
                              const QString& defaultSuffix = QString());
