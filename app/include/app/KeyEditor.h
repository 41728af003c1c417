// The grid opens the key programming dialog through this one hook, so that
// the program wires the real dialog and tests a stand-in.
#pragma once

#include <keydata/KeyTable.h>

#include <QString>

#include <functional>

class QWidget;

namespace app {

// Edits the record at (row, column) of table in a modal dialog titled
// title over parent. Returns QDialog::Accepted when the dialog ended with
// OK (the record has then been rewritten), anything else otherwise.
using KeyEditor = std::function<int(
    keydata::KeyTable& table, int row, int column, const QString& title, QWidget* parent)>;

// The program's editor: the key programming dialog, run through RunModal.
KeyEditor CreateProgramKeyEditor();

} // namespace app
