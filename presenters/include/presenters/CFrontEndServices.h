// CFrontEndServices: what the presenters ask of the front end besides
// their windows: message boxes, the file choosers, the modal dialogs, the
// progress window, the profile, the keyboard's modifier keys and the tick
// count. A front end implements it once (the Qt program in
// app/CQtServices.h); tests answer it from a script. Every text is UTF-8;
// paths too.
#pragma once

#include <keydata/KeyTable.h>

#include <cstdint>
#include <string>
#include <vector>

namespace presenters {

enum class MessageIcon { None, Stop, Question, Information, Warning };
enum class MessageButtons {
    Ok,
    YesNo, // Yes is the default
    SaveDiscardCancel, // Save is the default; closing the box is Cancel
};
enum class MessageAnswer { Ok, Yes, No, Save, Discard, Cancel };

// A file chooser's filter: the label shown ("Keyboard data file (*.DAT)")
// and the patterns it stands for, blank-separated ("*.DAT").
struct FileFilter {
    std::string label;
    std::string patterns;
};

// The modifier keys the keyboard holds down now.
struct ModifierKeys {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

class CFrontEndServices {
public:
    virtual ~CFrontEndServices() = default;

    // A modal message box over the window that is active in the program
    // (the main window, or the key programming dialog while it is up),
    // captioned with the application name. Returns the answer, within the
    // buttons given.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons) = 0;

    // The system's file choosers; an empty string when cancelled. Saving
    // adds no extension and never asks about replacing a file (the caller
    // applies the ".dat" rule); opening offers only existing files, with the
    // first filter selected.
    virtual std::string ChooseSaveFile(const FileFilter& filter) = 0;
    virtual std::string ChooseOpenFile(const std::vector<FileFilter>& filters) = 0;

    // The key programming dialog over the record at (row, column) of table,
    // titled title; true when it ended with OK (the record has then been
    // rewritten). The configuration dialog over the table's settings bytes;
    // true on OK. The About box.
    virtual bool RunKeyDialog(keydata::KeyTable& table, int row, int column, const std::string& title) = 0;
    virtual bool RunConfigDialog(keydata::KeyTable& table) = 0;
    virtual void RunAboutDialog() = 0;

    // The progress window of a write, modal over the main window (which is
    // disabled meanwhile), titled title, with steps steps. Each step sets
    // the status line, advances the bar by one and lets the window handle
    // the messages that wait (Escape cancels the window, never the write).
    virtual void OpenProgress(const std::string& title, int steps) = 0;
    virtual void StepProgress(const std::string& status) = 0;
    virtual void CloseProgress() = 0;

    // The program's profile (section, key, text value); empty when missing.
    virtual std::string ReadProfileString(const std::string& section, const std::string& key) = 0;
    virtual bool WriteProfileString(
        const std::string& section, const std::string& key, const std::string& value)
        = 0;

    // Which modifier keys are down now (after a message box took the
    // keyboard), and the platform's millisecond tick count.
    virtual ModifierKeys ModifierKeysDown() = 0;
    virtual std::uint32_t TickCount() = 0;
};

} // namespace presenters
