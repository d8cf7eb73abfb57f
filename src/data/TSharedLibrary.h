#pragma once

#include <QLibrary>
#include <QString>

// A system library the program needs for a few actions only (reading an archive, the shared log's server
// connection), loaded when one of them first runs instead of at every start: the loader then neither maps
// nor relocates it and what it depends on before the window shows. Throws EVantrel, naming the library,
// when it or one of its functions cannot be found.
class TSharedLibrary
{
public:
    TSharedLibrary(const QString& name, int version);

    // The function of that name, typed as declared by the library's header: Resolve<decltype(::f)>("f").
    template <typename F> F* Resolve(const char* symbol) { return reinterpret_cast<F*>(Address(symbol)); }

private:
    QFunctionPointer Address(const char* symbol);

    QLibrary fLibrary;
    QString fName; // the file name, as the messages give it
};
