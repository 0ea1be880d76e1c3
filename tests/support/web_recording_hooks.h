// User-interface hooks for the web tests: a status window that records what it is told,
// a logon prompt with a scripted answer and a recorded message box. Installing them is
// scoped: the previous hooks come back when the object goes.
#pragma once

#include <vedidoredo/platform/VxUiHooks.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace vxtest {

struct TStatusWindowLog {
    QStringList Calls;      // "caption:...", "text:...", "step:S:I", "progress:C/M", "files:R|L|V", ...
    int Windows = 0;        // windows created
    int Destroyed = 0;      // windows destroyed
    int CancelAtProgress = 0;  // press Cancel when this many progress calls were seen (0: never)
    int ProgressCalls = 0;
};

class TRecordingHooks {
public:
    TRecordingHooks();
    ~TRecordingHooks();

    TStatusWindowLog Window;
    // Answers of the logon prompt, used in turn; when they run out the prompt cancels.
    struct Answer {
        bool Ok;
        QString User, Password;
    };
    QList<Answer> LogonAnswers;
    QStringList LogonCaptions;  // each prompt's caption with the values it was given: "caption|user|password"
    QStringList Messages;       // "title|text" of each message box
    QStringList Errors;         // "title|text" of each error box

private:
    TVxUiHooks FSaved;
};

}  // namespace vxtest
