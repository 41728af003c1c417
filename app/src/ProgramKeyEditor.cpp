#include <app/KeyEditor.h>

#include <dialogs/KeyProgrammingDialog.h>
#include <widgets/GuiSeams.h>

namespace app {

KeyEditor CreateProgramKeyEditor()
{
    return [](keydata::KeyTable& table, int row, int column, const QString& title, QWidget* parent) {
        CKeyProgrammingDialog dialog(table, parent);
        dialog.SetTitle(title);
        dialog.SetPosition(row, column);
        return widgets::RunModal(dialog);
    };
}

} // namespace app
