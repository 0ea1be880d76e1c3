/// \file
/// The plain notification every component's events share.
#pragma once

#include <functional>

class QObject;

/// A notification: called with the component that sends it.
using TVxNotifyEvent = std::function<void(QObject* Sender)>;
