// Helpers for the socket client tests.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <ctime>
#include <string>

// Byte text from bytes and back.
inline QString Bytes(const QByteArray& B)
{
    return QString::fromLatin1(B);
}

// Sets TZ for the life of the object, then puts the old value back.
class TZGuard {
public:
    explicit TZGuard(const char* Zone)
    {
        if (const char* Old = std::getenv("TZ")) {
            FHad = true;
            FOld = Old;
        }
        ::setenv("TZ", Zone, 1);
        ::tzset();
    }
    ~TZGuard()
    {
        if (FHad)
            ::setenv("TZ", FOld.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool FHad = false;
    std::string FOld;
};

