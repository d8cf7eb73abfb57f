#include "FileDialogs.h"

#include "TRealPrompts.h"

#include "data/Paths.h"

#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QSortFilterProxyModel>

namespace {

// Icons and type names from the file name: Qt's own provider reads the first bytes of a file whose name
// does not tell its type.
class TNameOnlyIconProvider : public QFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }

    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot()) {
            return QFileIconProvider::icon(Drive);
        }
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }

    QString type(const QFileInfo& info) const override
    {
        if (info.isDir()) {
            return QStringLiteral("Folder");
        }
        const QMimeType mime = fMimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        return mime.isDefault() ? QStringLiteral("File") : mime.comment();
    }

private:
    QMimeDatabase fMimes;
};

// Leaves database files out of the listing, so that none can be chosen by a click.
class TNoDatabaseFiles : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files) {
            return true;
        }
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || !Paths::IsDatabaseFile(files->fileName(index));
    }
};

} // namespace

QFileDialog* CreateFileDialog(QWidget* window, TPickerKind kind, const QString& caption,
                              const QString& folder, const QString& filter, const QString& defaultSuffix)
{
    auto* dialog = new QFileDialog(window, caption, folder, DialogFilter(filter));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::DontUseCustomDirectoryIcons, true);
    // One provider for the run: a dialog's file model may still use it while the dialog goes away.
    static auto* const icons = new TNameOnlyIconProvider;
    dialog->setIconProvider(icons);
    dialog->setProxyModel(new TNoDatabaseFiles(dialog));
    switch (kind) {
    case TPickerKind::OpenFile:
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        break;
    case TPickerKind::SaveFile:
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(defaultSuffix);
        break;
    case TPickerKind::Folder:
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
        break;
    }
    return dialog;
}
