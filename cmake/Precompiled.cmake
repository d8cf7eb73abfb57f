# Precompiled headers: the Qt headers nearly every file of a folder includes, parsed once per target instead
# of once per file. Two lists: the core's (no widget header, so a widget include in the core still fails to
# compile) and the windows' (the core's plus widgets). Test and benchmark programs reuse these.
set(VANTREL_PCH_CORE
    <QByteArray> <QByteArrayView> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList>
    <QLocale> <QObject> <QPointer> <QRegularExpression> <QSaveFile> <QSqlDatabase> <QSqlError> <QSqlQuery>
    <QSqlRecord> <QStandardPaths> <QString> <QStringDecoder> <QStringList> <QTextStream> <QTimer> <QUrl>
    <QVariant> <vector> <memory> <functional>)
set(VANTREL_PCH_GUI ${VANTREL_PCH_CORE}
    <QAbstractTableModel> <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QHeaderView> <QLabel>
    <QLineEdit> <QListWidget> <QMenu> <QPushButton> <QRadioButton> <QTabWidget> <QWidget>)
set(VANTREL_PCH_TEST ${VANTREL_PCH_GUI} <QTest> <QTemporaryDir> <QSignalSpy> <QProcess> <QTcpServer>)
