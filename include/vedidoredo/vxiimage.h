/// \file
/// The remote image: a picture from the web (a web camera's still image, say) shown in a
/// label of the program's window and refreshed on a timer. Each refresh is one run of the
/// web updater into a private temporary file, from which the picture is then loaded.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/vxiupdate.h>

#include <QLabel>
#include <QPointer>

class QImage;
class QTimer;

/// The remote image: downloads a picture into a QLabel and, while Active, again after every Interval. See \ref remoteimage.cpp.
class VX_WIDGETS_EXPORT TVxRemoteImage : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(QLabel* Image READ Image WRITE SetImage)
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(int Interval READ GetInterval WRITE SetInterval)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxRemoteImage(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxRemoteImage() override;

    /// The label that shows the picture; not owned. It becomes nullptr when the label is
    /// destroyed; later refreshes still download but load nothing.
    QLabel* Image() const { return FImage; }
    /// Sets Image().
    void SetImage(QLabel* Value);
    /// While true, a refresh runs every Interval milliseconds after the previous one ended.
    bool Active() const { return FActive; }
    /// Sets Active().
    void SetActive(bool Value);
    /// Milliseconds from the end of one fetch to the next (1000 by default).
    int GetInterval() const;
    /// Sets GetInterval().
    void SetInterval(int Value);

    /// Also deletes the file downloaded for the previous name: the next run downloads.
    void SetRemoteFileName(const QString& Value) override;

    /// Sets Active: fetches now and then after every Interval.
    void Start() { SetActive(true); }
    /// Clears Active: no more fetches.
    void Stop() { SetActive(false); }

    // One refresh: the updater's run, then, when Image is set and a file was downloaded
    // (now or before), the picture loaded into it. A file that is not a picture Qt can read
    // raises EVxError and leaves the last picture in place.
    Q_INVOKABLE bool Execute() override;

protected:
    /// The refresh on a timer tick. The timer is off while it runs, so refreshes never
    /// overlap. An error cannot be raised to anyone here: it goes to the ShowError hook,
    /// and the timer stays off until the component is stopped and started again.
    virtual void Refresh();

    /// The refresh timer.
    QTimer* FTimer;

private:
    // The downloaded picture; raises EVxError when it is not one Qt can read.
    QImage LoadPicture() const;

    QPointer<QLabel> FImage;
    bool FActive = false;
};
