// CAboutDialog: "About tavrin", the program icon, the version line, a
// second line and a default OK. OK and Escape close it.
#pragma once

#include <dialoglayout/AboutDialogLayout.h>

#include <QDialog>

namespace app {

using dialoglayout::IDC_ABOUT_OK;

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

} // namespace app
