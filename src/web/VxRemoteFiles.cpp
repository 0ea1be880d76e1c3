// The remote file lister, a thin component over ReadDirFromInet.
#include <vedidoredo/vxidir.h>

TVxRemoteFiles::TVxRemoteFiles(QObject* Owner) : TVxCustomWebComponent(Owner) {}

TVxRemoteFiles::~TVxRemoteFiles()
{
    EndRun();
}

void TVxRemoteFiles::InternalExecute()
{
    FFileList.clear();
    ConnectToInet(true);
    if ((!hInet || !hURL) && Service() != isNetwork)
        SetStatus(isFailed);
    else if (!ReadDirFromInet(FDirectory, FWildCard, FSubFolders, FFileList) && Status() != isFailed)
        SetStatus(isNotFound);
    DisconnectFromInet();
}
