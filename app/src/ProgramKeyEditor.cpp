#include <app/KeyEditor.h>

namespace app {

KeyEditor CreateProgramKeyEditor()
{
    // The key programming dialog (CKeyProgrammingDialog in dialogs/) is not
    // part of this build yet. Once it is, this returns
    //   [](KeyTable& t, int row, int column, const QString& title, QWidget* parent) {
    //       CKeyProgrammingDialog dialog(t, parent);
    //       dialog.SetTitle(title); dialog.SetPosition(row, column);
    //       return widgets::RunModal(dialog); }
    return KeyEditor();
}

} // namespace app
