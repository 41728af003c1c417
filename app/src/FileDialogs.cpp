#include <app/FileDialogs.h>

#include <QFileDialog>

#include <utility>

namespace app {
namespace {

FileDialogHook& fileDialogHook()
{
    static FileDialogHook hook;
    return hook;
}

QString choose(FileDialogKind kind, QWidget* owner, const QString& filter)
{
    FileDialogRequest request;
    request.kind = kind;
    request.owner = owner;
    request.filter = filter;
    if (const FileDialogHook& hook = fileDialogHook())
        return hook(request);
    // No title and no folder: the dialog's own title, the current folder.
    if (kind == FileDialogKind::Save)
        return QFileDialog::getSaveFileName(
            owner, QString(), QString(), request.filter, nullptr, QFileDialog::DontConfirmOverwrite);
    return QFileDialog::getOpenFileName(owner, QString(), QString(), request.filter);
}

} // namespace

QString ChooseSaveFile(QWidget* owner, const QString& filter)
{
    return choose(FileDialogKind::Save, owner, filter);
}

QString ChooseOpenFile(QWidget* owner, const QStringList& filters)
{
    return choose(FileDialogKind::Open, owner, filters.join(QStringLiteral(";;")));
}

FileDialogHook SetFileDialogHook(FileDialogHook hook)
{
    return std::exchange(fileDialogHook(), std::move(hook));
}

} // namespace app
