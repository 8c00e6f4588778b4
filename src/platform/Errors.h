#pragma once
#include <QString>
#include <stdexcept>

namespace vorlix {

// A failure with a message meant for the user. Handlers throw it; the
// top-level guard shows it in the error box and the program carries on.
class VorlixError : public std::runtime_error
{
public:
    explicit VorlixError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The text the error box shows for a failure message: a full stop is added
// when the last character sorts after "." (so "Failed" gets one, while
// "Failed." and "Failed!" are left alone).
QString errorBoxText(const QString &message);

} // namespace vorlix
