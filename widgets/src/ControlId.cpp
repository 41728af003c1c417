#include <widgets/ControlId.h>

#include <QVariant>
#include <QWidget>

namespace widgets {
namespace {

inline constexpr const char* CONTROL_ID_PROPERTY = "lodemarControlId";

} // namespace

void setControlId(QWidget* control, int id)
{
    if (control)
        control->setProperty(CONTROL_ID_PROPERTY, id);
}

int controlId(const QWidget* control)
{
    return control ? control->property(CONTROL_ID_PROPERTY).toInt() : 0;
}

QWidget* findControl(const QWidget* dialog, int id)
{
    if (!dialog || id == 0)
        return nullptr;
    for (QWidget* child : dialog->findChildren<QWidget*>())
        if (controlId(child) == id)
            return child;
    return nullptr;
}

} // namespace widgets
