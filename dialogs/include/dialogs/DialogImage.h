// Pictures of the dialogs for the documentation: a dialog opened (not run)
// offscreen and grabbed with QWidget::grab().
#pragma once

#include <QImage>
#include <QString>

class QDialog;

namespace dialogs {

// Shows the dialog (without running it), lets it paint, and returns its
// picture; the dialog stays shown.
QImage grabDialog(QDialog& dialog);

// grabDialog into a PNG file; false when it cannot be written.
bool saveDialogImage(QDialog& dialog, const QString& path);

} // namespace dialogs
