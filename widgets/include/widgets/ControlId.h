// Control ids: every control of a dialog or the main window carries the
// numeric id of its template, as a property of the widget, so that handlers
// and tests can find it by number.
#pragma once

class QWidget;

namespace widgets {

void setControlId(QWidget* control, int id);

// The id of a control; 0 when it has none.
int controlId(const QWidget* control);

// The first descendant of dialog that carries id (searched depth-first, in
// child order), or nullptr.
QWidget* findControl(const QWidget* dialog, int id);

} // namespace widgets
