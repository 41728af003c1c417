// The one place where the program asks the user for a key data file, with a
// test hook: while a hook is installed no dialog is shown and the hook's
// answer is taken as the user's choice.
//
//   const QString path = ChooseSaveFile(this);   // empty: cancelled
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace app {

enum class FileDialogKind { Save, Open };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QPointer<QWidget> owner;
    QString filter; // "description (patterns)"
};

// The system's save dialog with FILTER_SAVE_FILE. An existing file is
// replaced without asking and no extension is added: the caller applies
// the ".dat" rule. Returns the chosen path, or an empty string on cancel.
QString ChooseSaveFile(QWidget* owner);
// The system's open dialog with FILTER_OPEN_FILE; only existing files can
// be chosen. Returns the path, or an empty string on cancel.
QString ChooseOpenFile(QWidget* owner);

using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
// Installs the hook (an empty function removes it); returns the previous one.
FileDialogHook SetFileDialogHook(FileDialogHook hook);

} // namespace app
