// CAboutDialog: "About tavrin", the program icon, the version line, a
// second line and a default OK. OK and Escape close it.
#pragma once

#include <QDialog>

namespace app {

inline constexpr int IDC_ABOUT_OK = 1; // IDOK

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

} // namespace app
