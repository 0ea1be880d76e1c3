#include <vedidoredo/TVxWebDirect>
#include <vedidoredo/VeDidoredo>

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    VxInstallWidgetsHooks();
    TVxWebDirect Directory;
    std::printf("%s %d\n", VxVersion(), Directory.Port());
    return std::strcmp(VxVersion(), VEDIDOREDO_VERSION_STR) == 0 && Directory.Port() == 80 ? 0 : 1;
}
