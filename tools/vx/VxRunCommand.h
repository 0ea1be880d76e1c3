// `vx run CLASS [NAME=VALUE ...] [--read PROPERTY | --call OPERATION] [--json]`: creates
// a registered component, assigns its properties by name, runs Execute (or reads a
// property, or calls an operation) and prints the outcome.
#pragma once

#include <QStringList>

namespace vx {

// The names of the registered classes, one line, for help texts.
QString ClassListText();

}  // namespace vx
