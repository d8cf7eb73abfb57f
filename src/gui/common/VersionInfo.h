#pragma once

#include <QString>

// The version information of a program file, as the about box shows it.
struct TEXEVersionData
{
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString PrivateBuild;
    QString SpecialBuild;
};

// The version information compiled into this program (the data of the build).
TEXEVersionData CompiledVersionData();
// The version information of a program file: this program's own file carries the compiled data; any other
// file has none here and raises EVantrel naming the file.
TEXEVersionData GetEXEVersionData(const QString& filename);

// The name of a Windows build number ("Windows 10, Version 22H1" for 19045), "Undefined" for a build
// not in the table.
QString OSNameOfBuild(int build);
// The operating system the program runs on: the name of the build on Windows, the platform's own product
// name elsewhere (for example "Debian GNU/Linux 12 (bookworm)").
QString GetOS();
