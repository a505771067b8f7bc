#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one kind of failure every handler raises and the application's guard shows.
// Handlers never catch it: it ends the handler at the failing step.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Raised when a list is asked for an item it does not hold.
class EListError : public Exception {
public:
    using Exception::Exception;
};
