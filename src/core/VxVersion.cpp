#include <vedidoredo/VxVersion.h>

const char* VxVersion() noexcept
{
    return VEDIDOREDO_VERSION_STR;
}
