#pragma once
#include "platform/Errors.h"

#include <QApplication>

#include <exception>

// The application object. Errors that no handler catches end up here and are shown in a
// message box captioned with the application title; the application goes on.
class MirelonApplication : public QApplication {
public:
    MirelonApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Names the application for settings and the desktop. No display name is set: the window
    // system would append it to every window title ("ERROR — Mirelon"), and each box and dialog
    // must read exactly its own caption.
    static void SetUpIdentity();

    // The caption of the box that shows an error no handler caught.
    static QString ApplicationTitle();

    static void ShowUnhandledError(const QString &text);

    // Runs an event handler; an error it raises is shown as an unhandled error and the
    // application goes on. A template, so that wrapping every event costs no allocation.
    template <typename Handler>
    static void RunReportingErrors(Handler &&handler)
    {
        try {
            handler();
        } catch (const std::exception &error) {
            ShowUnhandledError(ErrorMessage(error));
        }
    }
};
