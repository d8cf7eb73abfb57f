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

# A target that reuses a precompiled header also forces it into the file AUTOMOC makes for it
# (mocs_compilation.cpp). For a test or benchmark program that file is empty or nearly so (each test class
# includes its own .moc), yet reading a header of 150 to 200 MB into the compiler cost two seconds of
# processor time, half of it the system's, per program. Such a file is compiled without it.
function(vantrel_moc_without_pch target)
    get_target_property(binary_dir ${target} BINARY_DIR)
    set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp
                                TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()
