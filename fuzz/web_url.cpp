// TVxCustomWebComponent::SetUrl on any text (URLs come from users and from the command
// line): never crashes or hangs, refuses only with EVxError, and the URL it gives back
// sets the same connection settings again.
#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxiupdate.h>

#include <QUrl>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Text = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
    TVxWebUpdater First;
    try {
        First.SetUrl(QUrl(Text));
    } catch (const EVxError&) {
        return 0;
    }
    TVxWebUpdater Second;
    try {
        Second.SetUrl(First.Url());
    } catch (const EVxError&) {
        std::abort();  // a URL the component made itself is always taken back
    }
    if (Second.Service() != First.Service() || Second.Host() != First.Host() ||
        Second.Port() != First.Port() || Second.User() != First.User() ||
        Second.Password() != First.Password() || Second.RemoteFileName() != First.RemoteFileName())
        std::abort();
    return 0;
}
