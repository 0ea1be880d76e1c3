// Feed text for people (TVxIRSSParser::ReadableText). Internal.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace VxFeedText {

// Byte text of a feed as a person reads it: decoded in Encoding (UTF-8 when empty, Latin-1
// for bytes that are not UTF-8 and for an encoding no converter knows), references
// replaced (DecodeReferences), control characters removed (RemoveControls). A text holding
// characters above 255 is not decoded again.
QString Readable(const QString& Field, QByteArrayView Encoding);
// Replaces numeric character references ("&#233;", "&#xE9;") and the named entities of
// XML and HTML ("&amp;", "&hellip;", "&nbsp;" ...), each with its ";". Unknown names, and
// numbers that are no character, stay as written.
QString DecodeReferences(QStringView Text);
// Removes the C0 and C1 control characters except tab, line feed and carriage return.
void RemoveControls(QString& Text);

}  // namespace VxFeedText
