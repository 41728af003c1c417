// The main window's file commands: "&Save to file..." and "&Load from
// file..." with the key data file (.dat) of the key data layer, and the
// files dropped on the window or chosen among the recent ones, which may
// also be JSON layouts as lodemar-cli writes them.
#include <app/AppTexts.h>
#include <app/CMainDialog.h>
#include <app/FileDialogs.h>

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keydata/KeyText.h>
#include <widgets/GuiSeams.h>

#include <keylayout/TableJson.h>

#include <QFile>
#include <QFileInfo>

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

// A full table in JSON is some 20 KB; anything far beyond is not one.
constexpr qint64 MAX_JSON_SIZE = 16 * 1024 * 1024;

bool isJsonName(const QString& path)
{
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

// Why a layout is no key table, in a sentence.
QString layoutProblem(const keylayout::ImportProblem& problem)
{
    const QByteArray detail = QByteArray::fromStdString(problem.detail);
    if (problem.keyNumber >= 0)
        return QString::asprintf(MSG_JSON_KEY_PROBLEM, problem.keyNumber, detail.constData());
    if (problem.entry >= 0)
        return QString::asprintf(MSG_JSON_ENTRY_PROBLEM, int(problem.entry), detail.constData());
    return QString::asprintf(MSG_JSON_PROBLEM, detail.constData());
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
        MarkClean();
        AddRecentFile(path);
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
    if (!ConfirmDiscard(DISCARD_LOAD))
        return;
    const QString path = ChooseOpenFile(this);
    if (path.isEmpty())
        return;
    LoadChosenFile(path);
}

void CMainDialog::LoadFile(const QString& path)
{
    if (m_reading || m_writing || !ConfirmDiscard(DISCARD_LOAD))
        return;
    LoadChosenFile(path);
}

void CMainDialog::LoadChosenFile(const QString& path)
{
    const keydata::KeyTable before = m_table;
    if (!(isJsonName(path) ? LoadJsonLayout(path) : LoadKeyDataFile(path)))
        return;
    RememberChange(before, QString::asprintf(UNDO_LOAD, QFileInfo(path).fileName().toUtf8().constData()));
    MarkClean();
    AddRecentFile(path);
    showFileMessage(this, MSG_OPEN_FILE_SUCCESS, path, MessageIcon::None);
}

bool CMainDialog::LoadKeyDataFile(const QString& path)
{
    // The table changes only when the file is loaded.
    const keydata::KeyFileResult loaded
        = keydata::loadKeyFile(QFile::encodeName(path).toStdString(), m_table);
    switch (loaded.result) {
    case keydata::KEYFILE_OK:
        RefreshGrid();
        return true;
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
    return false;
}

bool CMainDialog::LoadJsonLayout(const QString& path)
{
    // Like a key data file: only a regular file is opened (a FIFO would block).
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        showFileMessage(this, MSG_OPEN_FILE_FAIL, path, MessageIcon::None);
        return false;
    }
    const QByteArray text = file.read(MAX_JSON_SIZE + 1);
    const auto refuse = [&](const QString& why) {
        widgets::ShowMessage(this,
            QString::asprintf(MSG_NOT_SAVE_FILE, path.toUtf8().constData()) + QStringLiteral("\n\n") + why,
            MessageIcon::Stop);
        return false;
    };
    if (file.error() != QFileDevice::NoError) {
        widgets::ShowMessage(this,
            QString::asprintf(
                MSG_READ_FILE_FAIL, path.toUtf8().constData(), file.errorString().toUtf8().constData()),
            MessageIcon::Stop);
        return false;
    }
    if (text.size() > MAX_JSON_SIZE)
        return refuse(QString::fromLatin1(MSG_JSON_INVALID));
    const nlohmann::json document = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded())
        return refuse(QString::fromLatin1(MSG_JSON_INVALID));
    keydata::KeyTable table;
    keylayout::ImportProblem problem;
    if (!keylayout::importJson(document, table, problem))
        return refuse(layoutProblem(problem));
    m_table = table;
    RefreshGrid();
    return true;
}

} // namespace app
