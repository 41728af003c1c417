#include <app/AppTexts.h>
#include <app/CAboutDialog.h>

#include <resources/Resources.h>
#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>

#include <QLabel>
#include <QPushButton>

namespace app {
namespace {

// Template 118 in dialog units.
inline constexpr int ABOUT_WIDTH = 235;
inline constexpr int ABOUT_HEIGHT = 55;
struct Placement {
    int x, y, width, height;
};
inline constexpr Placement ICON_PLACE { 11, 17, 20, 20 };
inline constexpr Placement VERSION_PLACE { 40, 10, 130, 8 };
inline constexpr Placement SECOND_LINE_PLACE { 40, 25, 130, 8 };
inline constexpr Placement OK_PLACE { 178, 7, 50, 14 };

QRect placed(const Placement& p)
{
    return widgets::dialogRect(p.x, p.y, p.width, p.height);
}

QLabel* staticText(QWidget* parent, const char* text, const Placement& place)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(placed(place));
    return label;
}

} // namespace

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QString::fromLatin1(ABOUT_TITLE));
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(ABOUT_WIDTH, ABOUT_HEIGHT));

    auto* icon = new QLabel(this);
    // An icon control takes the icon's size at its place.
    icon->setGeometry(QRect(
        placed(ICON_PLACE).topLeft(), QSize(resources::ICON_DEFAULT_SIZE, resources::ICON_DEFAULT_SIZE)));
    icon->setPixmap(resources::resourceIcon(resources::ICON_PROGRAM)
                        .pixmap(resources::ICON_DEFAULT_SIZE, resources::ICON_DEFAULT_SIZE));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    staticText(this, ABOUT_VERSION, VERSION_PLACE);
    staticText(this, ABOUT_SECOND_LINE, SECOND_LINE_PLACE);

    auto* ok = new QPushButton(QString::fromLatin1(ABOUT_OK), this);
    widgets::setControlId(ok, IDC_ABOUT_OK);
    ok->setGeometry(placed(OK_PLACE));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace app
