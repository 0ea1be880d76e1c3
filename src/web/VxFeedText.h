// Feed text for people (TVxIRSSParser::ReadableText). Internal.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace VxFeedText {

// Byte text of a feed as a person reads it: decoded in Encoding (UTF-8 when empty, Latin-1
// for bytes that are not UTF-8 and for an encoding no converter knows), references
// replaced (numeric references, XML's and HTML's named entities), the C0 and C1 control
// characters but tab, line feed and carriage return removed. A text holding characters
// above 255 is not decoded again.
QString Readable(const QString& Field, QByteArrayView Encoding);

}  // namespace VxFeedText
