// The main window's file commands: "&Save to file..." and "&Load from
// file..." with the key data file (.dat) of the key data layer, and the
// files dropped on the window, chosen among the recent ones or named on the
// command line, which may also be JSON layouts as lodemar-cli writes them.
#include <presenters/CMainDialogPresenter.h>

#include "Utf8Paths.h"

#include <presenters/PresenterTexts.h>

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keydata/KeyText.h>
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

namespace presenters {

using lodemar::format;

namespace {

// The system's wording of the error behind a failed read or write.
std::string systemReason(int error)
{
    return std::system_category().message(error);
}

// A full table in JSON is some 20 KB; anything far beyond is not one.
constexpr std::size_t MAX_JSON_SIZE = 16 * 1024 * 1024;

bool isJsonName(const std::string& path)
{
    constexpr std::string_view SUFFIX = ".json";
    if (path.size() < SUFFIX.size())
        return false;
    for (std::size_t i = 0; i < SUFFIX.size(); ++i) {
        const char c = path[path.size() - SUFFIX.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != SUFFIX[i])
            return false;
    }
    return true;
}

// Why a layout is no key table, in a sentence.
std::string layoutProblem(const keylayout::ImportProblem& problem)
{
    if (problem.keyNumber >= 0)
        return format(MSG_JSON_KEY_PROBLEM, problem.keyNumber, problem.detail.c_str());
    if (problem.entry >= 0)
        return format(MSG_JSON_ENTRY_PROBLEM, static_cast<int>(problem.entry), problem.detail.c_str());
    return format(MSG_JSON_PROBLEM, problem.detail.c_str());
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

void CMainDialogPresenter::OnSaveToFile()
{
    const std::string chosen = m_services.ChooseSaveFile({ FILTER_SAVE_FILE, FILTER_SAVE_PATTERNS });
    if (chosen.empty())
        return;
    const std::string path = keydata::withKeyFileExtension(chosen);
    const keydata::KeyFileResult saved = keydata::saveKeyFile(path, m_table);
    switch (saved.result) {
    case keydata::KEYFILE_OK:
        MarkKeys(COLOR_KEY_STORED);
        MarkClean();
        AddRecentFile(path);
        Tell(format(MSG_SAVE_FILE_SUCCESS, path.c_str()), MessageIcon::None);
        break;
    case keydata::KEYFILE_E_OPEN: // cannot be created, or not written by this user
    case keydata::KEYFILE_E_NOT_REGULAR:
        Tell(format(MSG_OPEN_FILE_FAIL, path.c_str()), MessageIcon::None);
        break;
    case keydata::KEYFILE_E_TOO_LONG:
        Tell(format(MSG_SAVE_TOO_LONG, path.c_str(), static_cast<int>(saved.length),
                 static_cast<int>(keydata::IMAGE_DECODE_LIMIT)),
            MessageIcon::Stop);
        break;
    case keydata::KEYFILE_E_MARKER_BYTE:
        Tell(saved.keyNumber >= 0
                ? format(MSG_SAVE_MARKER_BYTE, path.c_str(), keydata::keyNameForUser(saved.keyNumber).c_str())
                : format(MSG_SAVE_SETTINGS_MARKER, path.c_str()),
            MessageIcon::Stop);
        break;
    default: // writing, flushing or replacing failed: never a success
        Tell(format(MSG_SAVE_FILE_FAIL, path.c_str(), systemReason(saved.systemError).c_str()),
            MessageIcon::Stop);
        break;
    }
}

void CMainDialogPresenter::OnLoadFromFile()
{
    if (!ConfirmDiscard(DISCARD_LOAD))
        return;
    const std::string path = m_services.ChooseOpenFile({ { FILTER_OPEN_FILE, FILTER_OPEN_PATTERNS } });
    if (path.empty())
        return;
    LoadChosenFile(path);
}

void CMainDialogPresenter::LoadFile(const std::string& path)
{
    if (IsBusy() || !ConfirmDiscard(DISCARD_LOAD))
        return;
    LoadChosenFile(path);
}

void CMainDialogPresenter::LoadChosenFile(const std::string& path)
{
    const keydata::KeyTable before = m_table;
    if (!(isJsonName(path) ? LoadJsonLayout(path) : LoadKeyDataFile(path)))
        return;
    RememberChange(before, format(UNDO_LOAD, utf8OfPath(pathOfUtf8(path).filename()).c_str()));
    MarkClean();
    AddRecentFile(path);
    Tell(format(MSG_OPEN_FILE_SUCCESS, path.c_str()), MessageIcon::None);
}

bool CMainDialogPresenter::LoadKeyDataFile(const std::string& path)
{
    // The table changes only when the file is loaded.
    const keydata::KeyFileResult loaded = keydata::loadKeyFile(path, m_table);
    switch (loaded.result) {
    case keydata::KEYFILE_OK:
        RefreshGrid();
        return true;
    case keydata::KEYFILE_E_OPEN:
    case keydata::KEYFILE_E_NOT_REGULAR: // a FIFO or device is never opened
        Tell(format(MSG_OPEN_FILE_FAIL, path.c_str()), MessageIcon::None);
        break;
    case keydata::KEYFILE_E_NOT_SAVE_FILE:
        Tell(format(MSG_NOT_SAVE_FILE, path.c_str()), MessageIcon::Stop);
        break;
    case keydata::KEYFILE_E_READ:
        Tell(format(MSG_READ_FILE_FAIL, path.c_str(), systemReason(loaded.systemError).c_str()),
            MessageIcon::Stop);
        break;
    default: // an empty file, or one too long to be an image: nothing is said
        break;
    }
    return false;
}

bool CMainDialogPresenter::LoadJsonLayout(const std::string& path)
{
    // Like a key data file: only a regular file is opened (a FIFO would block).
    const std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(path));
    if (!file) {
        Tell(format(MSG_OPEN_FILE_FAIL, path.c_str()), MessageIcon::None);
        return false;
    }
    std::string text;
    char buffer[16 * 1024];
    while (text.size() <= MAX_JSON_SIZE) {
        const std::size_t read = std::fread(buffer, 1, sizeof buffer, file.get());
        text.append(buffer, read);
        if (read < sizeof buffer)
            break;
    }
    if (std::ferror(file.get())) {
        Tell(format(MSG_READ_FILE_FAIL, path.c_str(), systemReason(errno).c_str()), MessageIcon::Stop);
        return false;
    }
    const auto refuse = [&](const std::string& why) {
        Tell(format(MSG_NOT_SAVE_FILE, path.c_str()) + "\n\n" + why, MessageIcon::Stop);
        return false;
    };
    if (text.size() > MAX_JSON_SIZE)
        return refuse(MSG_JSON_INVALID);
    const nlohmann::json document = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded())
        return refuse(MSG_JSON_INVALID);
    keydata::KeyTable table;
    keylayout::ImportProblem problem;
    if (!keylayout::importJson(document, table, problem))
        return refuse(layoutProblem(problem));
    m_table = table;
    RefreshGrid();
    return true;
}

} // namespace presenters
