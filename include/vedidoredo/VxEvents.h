// The plain notification every component's events share.
#pragma once

#include <functional>

class QObject;

using TVxNotifyEvent = std::function<void(QObject* Sender)>;
