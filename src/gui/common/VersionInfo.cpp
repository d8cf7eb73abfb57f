#include "VersionInfo.h"

#include "VersionResource.h"
#include "data/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QSysInfo>
#include <utility>

TEXEVersionData CompiledVersionData()
{
    TEXEVersionData data;
    data.CompanyName = QStringLiteral(VANTREL_COMPANY);
    data.FileDescription = QStringLiteral(VANTREL_DESCRIPTION);
    data.FileVersion = QStringLiteral(VANTREL_VERSION);
    data.InternalName = QStringLiteral("vantrel");
    data.LegalCopyright = QStringLiteral(VANTREL_COPYRIGHT);
    data.LegalTrademarks = QStringLiteral(VANTREL_TRADEMARKS);
    data.OriginalFileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    data.ProductName = QStringLiteral(VANTREL_PRODUCT);
    data.ProductVersion = QStringLiteral(VANTREL_VERSION);
    data.Comments = QStringLiteral(VANTREL_COMMENTS);
    return data;
}

TEXEVersionData GetEXEVersionData(const QString& filename)
{
    const QFileInfo file(filename);
    const QFileInfo self(QCoreApplication::applicationFilePath());
    if (file.exists() && file.canonicalFilePath() == self.canonicalFilePath()) {
        return CompiledVersionData();
    }
    throw EVantrel(
        QStringLiteral("The file %1 has no version information.").arg(QDir::toNativeSeparators(filename)));
}

QString OSNameOfBuild(int build)
{
    static const std::pair<int, const char*> kBuilds[] = {{511, "Windows NT 3.1"},
                                                          {528, "Windows NT 3.1, Service Pack 3"},
                                                          {807, "Windows NT 3.5"},
                                                          {950, "Windows 95"},
                                                          {1057, "Windows NT 3.51"},
                                                          {1381, "Windows NT 4.0"},
                                                          {1998, "Windows 98"},
                                                          {2195, "Windows 2000"},
                                                          {2222, "Windows 98 Second Edition (SE)"},
                                                          {2600, "Windows XP, Service Pack 3"},
                                                          {3000, "Windows Me"},
                                                          {3790, "Windows Server 2003, Service Pack 2"},
                                                          {4500, "Windows Home Server"},
                                                          {6000, "Windows Vista"},
                                                          {6001, "Windows Vista, Service Pack 1"},
                                                          {6002, "Windows Vista, Service Pack 2"},
                                                          {6003, "Windows Server 2008, Service Pack 2"},
                                                          {7600, "Windows 7"},
                                                          {7601, "Windows 7, Service Pack 1"},
                                                          {8400, "Windows Home Server 2011"},
                                                          {9200, "Windows 8"},
                                                          {9600, "Windows 8.1"},
                                                          {10240, "Windows 10, Version 1507"},
                                                          {10586, "Windows 10, Version 1511"},
                                                          {14393, "Windows 10, Version 1607"},
                                                          {15063, "Windows 10, Version 1703"},
                                                          {16299, "Windows 10, Version 1709"},
                                                          {17134, "Windows 10, Version 1803"},
                                                          {17763, "Windows 10, Version 1809"},
                                                          {18362, "Windows 10, Version 1903"},
                                                          {18363, "Windows 10, Version 1909"},
                                                          {19041, "Windows 10, Version 2004"},
                                                          {19042, "Windows 10, Version 20H2"},
                                                          {19043, "Windows 10, Version 21H1"},
                                                          {19044, "Windows 10, Version 21H2"},
                                                          {19045, "Windows 10, Version 22H1"},
                                                          {20348, "Windows Server 2022"},
                                                          {22000, "Windows 11, Version 21H2"},
                                                          {22621, "Windows 11, Version 22H2"}};
    for (const auto& [number, name] : kBuilds) {
        if (number == build) {
            return QString::fromLatin1(name);
        }
    }
    return QStringLiteral("Undefined");
}

QString GetOS()
{
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows) {
        return OSNameOfBuild(QOperatingSystemVersion::current().microVersion());
    }
    return QSysInfo::prettyProductName();
}
