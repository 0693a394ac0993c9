// The lenient XML reader of ActionScript 1/2 (XML.parseXML) and the
// escaping of its toString, kept apart from the machine so that hostile
// text can be tried on its own. The reader never fails outright: it keeps
// what it read before a fault and tells the fault by the player's status
// codes.
#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace swf::avm1::xml {

// XML.status values.
namespace Status {
inline constexpr int Ok = 0;
inline constexpr int CdataNotTerminated = -2;
inline constexpr int DeclNotTerminated = -3;
inline constexpr int DocTypeNotTerminated = -4;
inline constexpr int CommentNotTerminated = -5;
inline constexpr int MalformedElement = -6;
inline constexpr int OutOfMemory = -7;
inline constexpr int AttributeNotTerminated = -8;
inline constexpr int MissingEndTag = -9;
inline constexpr int MissingStartTag = -10;
} // namespace Status

inline constexpr int kElementNode = 1;
inline constexpr int kTextNode = 3;

struct Node {
    int type = kElementNode;
    QString name;  // elements
    QString value; // text
    std::vector<std::pair<QString, QString>> attributes;
    std::vector<Node> children;
};

struct Document {
    std::vector<Node> children;
    bool hasXmlDecl = false;
    QString xmlDecl;
    bool hasDocType = false;
    QString docType;
    int status = Status::Ok;
};

// Reads `text` as the player does; ignoreWhite drops text made only of
// white space. Nesting and node counts are capped (limits.h); past them
// the reading stops with OutOfMemory.
Document parse(QStringView text, bool ignoreWhite);

// Entities replaced (&lt; &gt; &amp; &quot; &apos; &nbsp; and numeric
// ones); an unknown or unterminated one stays as written.
QString decodeEntities(QStringView text);
// toString's escaping of text and attribute values.
QString escapeText(QStringView text);

} // namespace swf::avm1::xml
