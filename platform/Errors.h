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

// The text to show for any error: ours carry it; others give their what() in the locale's
// encoding.
inline QString ErrorMessage(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const MirelonError *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}
