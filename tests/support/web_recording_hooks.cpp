#include "web_recording_hooks.h"

#include "support/test_files.h"

namespace vxtest {

namespace {
class TRecordingWindow : public TVxStatusWindow {
public:
    explicit TRecordingWindow(TStatusWindowLog* Log) : L(Log) { ++L->Windows; }
    ~TRecordingWindow() override { ++L->Destroyed; }
    void SetCaption(const QString& C) override { L->Calls << QStringLiteral("caption:") + C; }
    void SetStatusText(const QString& T) override { L->Calls << QStringLiteral("text:") + T; }
    void SetStep(int) override {}
    void SetStepImage(int Step, int Image) override
    {
        L->Calls << QStringLiteral("step:%1:%2").arg(Step).arg(Image);
    }
    void SetProgress(qint64 P, qint64 M) override
    {
        L->Calls << QStringLiteral("progress:%1/%2").arg(P).arg(M);
        if (L->CancelAtProgress > 0 && ++L->ProgressCalls >= L->CancelAtProgress)
            Canceled = true;
    }
    void Show() override { L->Calls << QStringLiteral("show"); }
    void Hide() override { L->Calls << QStringLiteral("hide"); }
    void ProcessEvents() override {}
    void SetFileNames(const QString& R, const QString& Lo, bool V) override
    {
        L->Calls << QStringLiteral("files:%1|%2|%3").arg(R, Lo, V ? QStringLiteral("1") : QStringLiteral("0"));
    }
    void SetDescription(const QString& T) override { L->Calls << QStringLiteral("description:") + T; }
    bool IsCanceled() const override { return Canceled; }
    void SetCanceled(bool V) override
    {
        Canceled = V;
        L->Calls << QStringLiteral("canceled:%1").arg(V ? 1 : 0);
    }

private:
    TStatusWindowLog* L;
    bool Canceled = false;
};
}  // namespace

TRecordingHooks::TRecordingHooks() : FSaved(VxUiHooks())
{
    TVxUiHooks H;
    H.CreateStatusWindow = [this](QObject*) -> std::unique_ptr<TVxStatusWindow> {
        return std::make_unique<TRecordingWindow>(&Window);
    };
    H.AskLogon = [this](const QString& Caption, QString& User, QString& Password) {
        LogonCaptions << Caption + QLatin1Char('|') + User + QLatin1Char('|') + Password;
        if (LogonAnswers.isEmpty())
            return false;
        const Answer A = LogonAnswers.takeFirst();
        if (A.Ok) {
            User = A.User;
            Password = A.Password;
        }
        return A.Ok;
    };
    H.ShowMessage = [this](const QString& Title, const QString& Text) {
        Messages << Title + QLatin1Char('|') + Text;
    };
    H.ShowError = [this](const QString& Title, const QString& Text) {
        Errors << Title + QLatin1Char('|') + Text;
    };
    VxSetUiHooks(H);
}

TRecordingHooks::~TRecordingHooks()
{
    VxSetUiHooks(FSaved);
}

TCompareRecord RecordComparisons(TVxCustomWebUpdater& U, const QString& LocalFile, const QList<qint64>& LocalSizes,
                                 const QDateTime& Time)
{
    TCompareRecord R;
    U.SetOnFileCompare([&R](QObject*, bool& Equal) {
        R.Equal << Equal;
        Equal = true;
    });
    for (const qint64 Size : LocalSizes) {
        if (WriteSparse(LocalFile, Size, Time) && U.Execute())
            R.RemoteSizes << U.RemoteFileSize();
    }
    U.SetOnFileCompare(nullptr);
    return R;
}

}  // namespace vxtest
