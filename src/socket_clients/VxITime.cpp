// Placeholder: the daytime client is being written.
#include <vedidoredo/VxITime.h>
TVxInetDateTime::TVxInetDateTime(QObject* Owner) : TVxInetBase(Owner) {}
TDateTime TVxInetDateTime::GetDateTime() { return DecodeDaytime(Execute()); }
TDateTime TVxInetDateTime::DecodeDaytime(const QString&) { return 0; }
