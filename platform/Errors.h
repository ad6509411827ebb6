#pragma once
#include <QString>
#include <stdexcept>

// The application's error type: carries the text that the user is shown.
class MirelonError : public std::runtime_error {
public:
    explicit MirelonError(const QString &message)
        : std::runtime_error(message.toStdString()), text(message) {}
    QString message() const { return text; }

private:
    QString text;
};
