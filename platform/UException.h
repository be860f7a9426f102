#pragma once
// Base of every exception the system raises. The message is the user-visible text, already
// in the user's language; std::exception::what() gives it as UTF-8 for logs and test output.

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : Message(std::move(message)), FUtf8(Message.toUtf8()) {}
    const char* what() const noexcept override { return FUtf8.constData(); }

    QString Message;

private:
    QByteArray FUtf8;
};

// Declares a named exception class. Handlers catch by the most specific class they know;
// the base class chain mirrors the one callers expect (for example EFOpenError is an
// EStreamError).
#define VANTOMI_DECLARE_EXCEPTION(Name, Base)                                                      \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    };

VANTOMI_DECLARE_EXCEPTION(EConvertError, Exception)
VANTOMI_DECLARE_EXCEPTION(EListError, Exception)
VANTOMI_DECLARE_EXCEPTION(EStreamError, Exception)
VANTOMI_DECLARE_EXCEPTION(EReadError, EStreamError)
VANTOMI_DECLARE_EXCEPTION(EWriteError, EStreamError)
VANTOMI_DECLARE_EXCEPTION(EFCreateError, EStreamError)
VANTOMI_DECLARE_EXCEPTION(EFOpenError, EStreamError)
VANTOMI_DECLARE_EXCEPTION(ECodePageError, EConvertError)
VANTOMI_DECLARE_EXCEPTION(EOleSysError, Exception)
