#include <app/CAboutDialog.h>

#include <dialoglayout/AboutDialogLayout.h>

#include <resources/Resources.h>
#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>

#include <QLabel>
#include <QPushButton>

namespace app {

using namespace dialoglayout;

namespace {

QRect placed(const DialogPlace& p)
{
    return widgets::dialogRect(p.x, p.y, p.width, p.height);
}

QLabel* staticText(QWidget* parent, const char* text, const DialogPlace& place)
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
    icon->setGeometry(QRect(placed(ABOUT_ICON_PLACE).topLeft(),
        QSize(resources::ICON_DEFAULT_SIZE, resources::ICON_DEFAULT_SIZE)));
    icon->setPixmap(resources::resourceIcon(resources::ICON_PROGRAM)
                        .pixmap(resources::ICON_DEFAULT_SIZE, resources::ICON_DEFAULT_SIZE));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    staticText(this, ABOUT_VERSION, ABOUT_VERSION_PLACE);
    staticText(this, ABOUT_SECOND_LINE, ABOUT_SECOND_LINE_PLACE);

    auto* ok = new QPushButton(QString::fromLatin1(ABOUT_OK), this);
    widgets::setControlId(ok, IDC_ABOUT_OK);
    ok->setGeometry(placed(ABOUT_OK_PLACE));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace app
