#pragma once
// What a person would see, saved for a look: with MIRELON_SCREENSHOT_DIR set, the widget is
// grabbed to <dir>/<platform>-<name>.png (offscreen or xcb), else nothing happens.
#include <QGuiApplication>
#include <QString>
#include <QWidget>

inline void Screenshot(QWidget &window, const QString &name)
{
    if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR"))
        window.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + QLatin1Char('/') + QGuiApplication::platformName()
                           + QLatin1Char('-') + name + QStringLiteral(".png"));
}
