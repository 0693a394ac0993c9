// Property access on XML and XMLList: children and attributes by name,
// assignment that adds, replaces or removes nodes, E4X's delete.
#include "swf/avm2/xml.h"

#include "swf/avm2/vm.h"

namespace swf::avm2 {

bool XmlObject::getOwn(Vm &vm, const Name &name, Value &out)
{
    if (name.hasIndex && !name.attribute) {
        out = name.index == 0 ? Value::object(this) : Value();
        return true;
    }
    XmlListObject *l = xml::newList(vm);
    xml::collect(this, name, l->items);
    l->target = this;
    l->targetName = name.name;
    l->targetUri = xml::nameUri(vm, name);
    l->targetAttribute = name.attribute;
    out = Value::object(l);
    return true;
}

bool XmlObject::hasOwn(Vm &vm, const Name &name)
{
    Q_UNUSED(vm);
    if (name.hasIndex)
        return name.index == 0;
    std::vector<XmlObject *> found;
    xml::collect(this, name, found);
    return !found.empty();
}

bool XmlObject::setOwn(Vm &vm, const Name &name, const Value &v)
{
    if (name.hasIndex && !name.attribute)
        vm.throwError(ErrorType::TypeError, 1087);
    if (nodeKind != XmlKind::Element)
        return true;
    if (name.attribute) {
        QString text;
        if (Object *o = v.obj(); o && o->kind == ObjKind::XmlList) {
            QStringList parts;
            for (XmlObject *x : static_cast<XmlListObject *>(o)->items)
                parts << xml::toString(vm, x);
            text = parts.join(QLatin1Char(' '));
        } else {
            text = vm.toString(v);
        }
        for (XmlObject *a : attributes) {
            if (xml::matches(a, name)) {
                a->value = text;
                return true;
            }
        }
        XmlObject *a = xml::newNode(vm, XmlKind::Attribute);
        a->localName = name.name;
        a->uri = name.ns && !name.anyNs ? name.ns->uri : QString();
        a->value = text;
        a->parent = this;
        attributes.push_back(a);
        return true;
    }
    std::vector<XmlObject *> found;
    xml::collect(this, name, found);
    Object *o = v.obj();
    const bool isNode = o && (o->kind == ObjKind::Xml || o->kind == ObjKind::XmlList);
    if (found.empty()) {
        if (isNode) {
            if (o->kind == ObjKind::Xml && name.anyName) {
                xml::appendChild(vm, this, v);
                return true;
            }
            XmlObject *e = xml::newNode(vm, XmlKind::Element);
            e->localName = name.name;
            e->uri = xml::nameUri(vm, name);
            e->parent = this;
            children.push_back(e);
            if (o->kind == ObjKind::Xml) {
                auto *src = static_cast<XmlObject *>(o);
                XmlObject *copy = xml::deepCopy(vm, src);
                copy->parent = this;
                children.back() = copy;
            } else {
                xml::setContent(vm, e, v);
            }
            return true;
        }
        XmlObject *e = xml::newNode(vm, XmlKind::Element);
        e->localName = name.name;
        e->uri = xml::nameUri(vm, name);
        e->parent = this;
        children.push_back(e);
        xml::setContent(vm, e, v);
        return true;
    }
    // Replace the first match, drop the others.
    XmlObject *first = found[0];
    for (size_t i = 1; i < found.size(); ++i) {
        children.erase(std::remove(children.begin(), children.end(), found[i]), children.end());
        found[i]->parent = nullptr;
    }
    if (isNode && o->kind == ObjKind::Xml) {
        XmlObject *copy = xml::deepCopy(vm, static_cast<XmlObject *>(o));
        copy->parent = this;
        std::replace(children.begin(), children.end(), first, copy);
        first->parent = nullptr;
    } else {
        xml::setContent(vm, first, v);
    }
    return true;
}

bool XmlObject::deleteOwn(Vm &vm, const Name &name)
{
    Q_UNUSED(vm);
    if (name.attribute) {
        std::erase_if(attributes, [&](XmlObject *a) { return xml::matches(a, name); });
        return true;
    }
    if (name.hasIndex)
        return true;
    std::erase_if(children, [&](XmlObject *c) {
        const bool hit = (name.anyName || c->nodeKind == XmlKind::Element) && xml::matches(c, name);
        if (hit)
            c->parent = nullptr;
        return hit;
    });
    return true;
}

Value XmlObject::nameAt(Vm &vm, int index)
{
    return vm.sv(QString::number(index - 1));
}

bool XmlListObject::getOwn(Vm &vm, const Name &name, Value &out)
{
    if (name.hasIndex && !name.attribute) {
        out = name.index < items.size() ? Value::object(items[name.index]) : Value();
        return true;
    }
    XmlListObject *l = xml::newList(vm);
    for (XmlObject *x : items) {
        if (x->nodeKind == XmlKind::Element)
            xml::collect(x, name, l->items);
    }
    l->target = items.size() == 1 ? items[0] : nullptr;
    l->targetName = name.name;
    l->targetUri = xml::nameUri(vm, name);
    l->targetAttribute = name.attribute;
    out = Value::object(l);
    return true;
}

bool XmlListObject::hasOwn(Vm &vm, const Name &name)
{
    if (name.hasIndex)
        return name.index < items.size();
    for (XmlObject *x : items) {
        if (x->hasOwn(vm, name))
            return true;
    }
    return false;
}

bool XmlListObject::setOwn(Vm &vm, const Name &name, const Value &v)
{
    if (name.hasIndex && !name.attribute) {
        Object *o = v.obj();
        if (name.index < items.size()) {
            XmlObject *old = items[name.index];
            if (o && o->kind == ObjKind::Xml) {
                auto *nx = static_cast<XmlObject *>(o);
                if (old->parent) {
                    auto &sib = old->parent->children;
                    std::replace(sib.begin(), sib.end(), old, nx);
                    nx->parent = old->parent;
                }
                items[name.index] = nx;
            } else if (old->nodeKind == XmlKind::Element) {
                xml::setContent(vm, old, v);
            } else {
                old->value = vm.toString(v);
            }
            return true;
        }
        XmlObject *node = nullptr;
        if (o && o->kind == ObjKind::Xml) {
            node = static_cast<XmlObject *>(o);
        } else if (o && o->kind == ObjKind::XmlList) {
            for (XmlObject *x : static_cast<XmlListObject *>(o)->items)
                items.push_back(x);
            return true;
        } else if (target && !targetName.isEmpty()) {
            node = xml::newNode(vm, targetAttribute ? XmlKind::Attribute : XmlKind::Element);
            node->localName = targetName;
            node->uri = targetUri;
            if (targetAttribute)
                node->value = vm.toString(v);
            else
                xml::setContent(vm, node, v);
        } else {
            node = xml::newNode(vm, XmlKind::Text);
            node->value = vm.toString(v);
        }
        if (target && !node->parent && node->nodeKind != XmlKind::Attribute) {
            node->parent = target;
            target->children.push_back(node);
        } else if (target && node->nodeKind == XmlKind::Attribute) {
            node->parent = target;
            target->attributes.push_back(node);
        }
        items.push_back(node);
        return true;
    }
    if (items.size() == 1)
        return items[0]->setOwn(vm, name, v);
    if (items.empty() && target) {
        return target->setOwn(vm, name, v);
    }
    vm.throwError(ErrorType::TypeError, 1089);
}

bool XmlListObject::deleteOwn(Vm &vm, const Name &name)
{
    if (name.hasIndex && !name.attribute) {
        if (name.index < items.size()) {
            XmlObject *x = items[name.index];
            if (x->parent) {
                auto &sib = x->nodeKind == XmlKind::Attribute ? x->parent->attributes : x->parent->children;
                sib.erase(std::remove(sib.begin(), sib.end(), x), sib.end());
                x->parent = nullptr;
            }
            items.erase(items.begin() + qsizetype(name.index));
        }
        return true;
    }
    for (XmlObject *x : items)
        x->deleteOwn(vm, name);
    return true;
}

Value XmlListObject::nameAt(Vm &vm, int index)
{
    return vm.sv(QString::number(index - 1));
}

} // namespace swf::avm2
