#pragma once

#include <QString>
#include <functional>

class QObject;

// Opens a document with the desktop's viewer for its type. On Linux and other desktops of the
// freedesktop family this runs xdg-open and watches it, so that a desktop with no viewer for the type is
// noticed too (xdg-open then ends with an error status); elsewhere the toolkit's "open" is used.
// failed runs, on the owner's thread, when the document could not be shown; it may run after this
// function returned. The watcher belongs to owner and ends with it; the viewer does not.
void OpenDocument(QObject* owner, const QString& path, std::function<void()> failed);
