// Helpers shared by the widget tests.
#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace widgets::test {

inline constexpr QRgb MAGENTA = 0xFFFF00FF;

// Shows a top-level widget and makes it the active window, so that focus
// changes behave as for a user.
inline bool showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// The darkest pixel of an image (by lightness).
inline QColor darkest(const QImage& image)
{
    QColor result = Qt::white;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() < result.lightness())
                result = c;
        }
    return result;
}

} // namespace widgets::test
