// User-interface hooks for the web tests: a status window that records what it is told,
// a logon prompt with a scripted answer and a recorded message box. Installing them is
// scoped: the previous hooks come back when the object goes. And the updater's own
// verdicts, recorded.
#pragma once

#include <vedidoredo/platform/VxUiHooks.h>
#include <vedidoredo/vxiupdate.h>

#include <QDateTime>
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

// Runs U once for each size in LocalSizes, with its local file LocalFile made a sparse
// file of that size and time Time beforehand; records the remote size U told and its own
// comparison's verdict (Equal), and never lets it download.
struct TCompareRecord {
    QList<qint64> RemoteSizes;
    QList<bool> Equal;
};
TCompareRecord RecordComparisons(TVxCustomWebUpdater& U, const QString& LocalFile, const QList<qint64>& LocalSizes,
                                 const QDateTime& Time);

}  // namespace vxtest
