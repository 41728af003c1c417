// The main window's file commands: "&Save to file..." and "&Load from
// file..." with the key data file (.dat) of the key data layer.
#include <app/AppTexts.h>
#include <app/CMainDialog.h>
#include <app/FileDialogs.h>

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keydata/KeyText.h>
#include <widgets/GuiSeams.h>

#include <QFile>

#include <string>
#include <system_error>

namespace app {
namespace {

using widgets::MessageIcon;

void showFileMessage(QWidget* owner, const char* format, const QString& path, MessageIcon icon)
{
    widgets::ShowMessage(owner, QString::asprintf(format, path.toUtf8().constData()), icon);
}

// The system's wording of the error behind a failed read or write.
QString systemReason(int error)
{
    return QString::fromStdString(std::system_category().message(error));
}

} // namespace

void CMainDialog::OnSaveToFile()
{
    const QString chosen = ChooseSaveFile(this);
    if (chosen.isEmpty())
        return;
    const std::string name = keydata::withKeyFileExtension(QFile::encodeName(chosen).toStdString());
    const QString path = QFile::decodeName(QByteArray::fromStdString(name));
    const QByteArray shownPath = path.toUtf8();

    const keydata::KeyFileResult saved = keydata::saveKeyFile(name, m_table);
    switch (saved.result) {
    case keydata::KEYFILE_OK:
        MarkKeys(COLOR_KEY_STORED);
        showFileMessage(this, MSG_SAVE_FILE_SUCCESS, path, MessageIcon::None);
        break;
    case keydata::KEYFILE_E_OPEN: // cannot be created, or not written by this user
    case keydata::KEYFILE_E_NOT_REGULAR:
        showFileMessage(this, MSG_OPEN_FILE_FAIL, path, MessageIcon::None);
        break;
    case keydata::KEYFILE_E_TOO_LONG:
        widgets::ShowMessage(this,
            QString::asprintf(MSG_SAVE_TOO_LONG, shownPath.constData(), int(saved.length),
                int(keydata::IMAGE_DECODE_LIMIT)),
            MessageIcon::Stop);
        break;
    case keydata::KEYFILE_E_MARKER_BYTE:
        widgets::ShowMessage(this,
            saved.keyNumber >= 0 ? QString::asprintf(
                MSG_SAVE_MARKER_BYTE, shownPath.constData(), keydata::keyNameForUser(saved.keyNumber).c_str())
                                 : QString::asprintf(MSG_SAVE_SETTINGS_MARKER, shownPath.constData()),
            MessageIcon::Stop);
        break;
    default: // writing, flushing or replacing failed: never a success
        widgets::ShowMessage(this,
            QString::asprintf(MSG_SAVE_FILE_FAIL, shownPath.constData(),
                systemReason(saved.systemError).toUtf8().constData()),
            MessageIcon::Stop);
        break;
    }
}

void CMainDialog::OnLoadFromFile()
{
    const QString path = ChooseOpenFile(this);
    if (path.isEmpty())
        return;

    // The table changes only when the file is loaded.
    const keydata::KeyFileResult loaded
        = keydata::loadKeyFile(QFile::encodeName(path).toStdString(), m_table);
    switch (loaded.result) {
    case keydata::KEYFILE_OK:
        RefreshGrid();
        showFileMessage(this, MSG_OPEN_FILE_SUCCESS, path, MessageIcon::None);
        break;
    case keydata::KEYFILE_E_OPEN:
    case keydata::KEYFILE_E_NOT_REGULAR: // a FIFO or device is never opened
        showFileMessage(this, MSG_OPEN_FILE_FAIL, path, MessageIcon::None);
        break;
    case keydata::KEYFILE_E_NOT_SAVE_FILE:
        showFileMessage(this, MSG_NOT_SAVE_FILE, path, MessageIcon::Stop);
        break;
    case keydata::KEYFILE_E_READ:
        widgets::ShowMessage(this,
            QString::asprintf(MSG_READ_FILE_FAIL, path.toUtf8().constData(),
                systemReason(loaded.systemError).toUtf8().constData()),
            MessageIcon::Stop);
        break;
    default: // an empty file, or one too long to be an image: nothing is said
        break;
    }
}

} // namespace app
