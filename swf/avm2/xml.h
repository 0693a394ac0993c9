// The E4X operations the XML and XMLList classes and the machine share.
#pragma once

#include "swf/avm2/xmlobject.h"

namespace swf::avm2 {
class Vm;
namespace xml {

XmlObject *newNode(Vm &vm, XmlKind kind);
XmlListObject *newList(Vm &vm);
// Parses markup into nodes (a list of top-level nodes); throws TypeError
// for malformed markup.
std::vector<XmlObject *> parse(Vm &vm, const QString &text);
// XML(value) and XMLList(value).
XmlObject *toXml(Vm &vm, const Value &v);
XmlListObject *toXmlList(Vm &vm, const Value &v);
QString toXmlString(Vm &vm, XmlObject *x);
QString toString(Vm &vm, XmlObject *x);
QString listToXmlString(Vm &vm, XmlListObject *l);
QString listToString(Vm &vm, XmlListObject *l);
XmlObject *deepCopy(Vm &vm, XmlObject *x);
bool matches(const XmlObject *node, const Name &name);
// Children (or attributes) of x matching name, appended to out.
void collect(XmlObject *x, const Name &name, std::vector<XmlObject *> &out);
void descendants(XmlObject *x, const Name &name, std::vector<XmlObject *> &out);
bool equals(Vm &vm, XmlObject *a, XmlObject *b);
QString escapeElement(const QString &s);
QString escapeAttribute(const QString &s);
// Sets the content of element x from a value (string, XML, XMLList).
void setContent(Vm &vm, XmlObject *x, const Value &v);
void appendChild(Vm &vm, XmlObject *x, const Value &v);
QString nameUri(Vm &vm, const Name &name);

} // namespace xml
} // namespace swf::avm2
