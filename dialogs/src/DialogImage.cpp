#include <dialogs/DialogImage.h>

#include <QApplication>
#include <QDialog>
#include <QPixmap>

namespace dialogs {

QImage grabDialog(QDialog& dialog)
{
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().toImage();
}

bool saveDialogImage(QDialog& dialog, const QString& path)
{
    const QImage image = grabDialog(dialog);
    return !image.isNull() && image.save(path, "PNG");
}

} // namespace dialogs
