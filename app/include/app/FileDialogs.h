// The one place where the program asks the user for a key data file, with a
// test hook: while a hook is installed no dialog is shown and the hook's
// answer is taken as the user's choice.
//
//   const QString path = ChooseSaveFile(this, filter);   // empty: cancelled
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace app {

enum class FileDialogKind { Save, Open };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QPointer<QWidget> owner;
    QString filter; // "description (patterns)", several joined by ";;"
};

// The system's save dialog with one filter ("description (patterns)"). An
// existing file is replaced without asking and no extension is added: the
// caller applies the ".dat" rule. Returns the chosen path, or an empty
// string on cancel.
QString ChooseSaveFile(QWidget* owner, const QString& filter);
// The system's open dialog with these filters, the first selected; only
// existing files can be chosen. Returns the path, or an empty string on
// cancel.
QString ChooseOpenFile(QWidget* owner, const QStringList& filters);

using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
// Installs the hook (an empty function removes it); returns the previous one.
FileDialogHook SetFileDialogHook(FileDialogHook hook);

} // namespace app
