#include "TSharedLibrary.h"

#include "Errors.h"

TSharedLibrary::TSharedLibrary(const QString& name, int version)
    : fLibrary(name, version), fName(QStringLiteral("lib%1.so.%2").arg(name).arg(version))
{
    if (!fLibrary.load()) {
        throw EVantrel(
            QStringLiteral("The library %1 cannot be loaded: %2").arg(fName, fLibrary.errorString()));
    }
}

QFunctionPointer TSharedLibrary::Address(const char* symbol)
{
    const QFunctionPointer function = fLibrary.resolve(symbol);
    if (!function) {
        throw EVantrel(QStringLiteral("The library %1 lacks %2: %3")
                           .arg(fName, QString::fromLatin1(symbol), fLibrary.errorString()));
    }
    return function;
}
