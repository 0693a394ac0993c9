// flash.geom for ActionScript 1/2: Point, Rectangle and Matrix keep their
// numbers in plain properties and work on them as the player's own
// ActionScript does (a missing argument stays undefined, "+" may join
// strings); ColorTransform keeps its eight numbers inside; Transform
// reads and writes a clip's matrix and colour transform.
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/player.h"

#include <cmath>

namespace swf::avm1 {

namespace {

constexpr double kTwips = 20.0;

// The classes, kept here as well as in _global.flash.geom: they work in
// movies that cannot see the package (and after a movie replaces it).
class GeomClasses final : public MachineExtension {
public:
    void markRoots(Heap &heap) override
    {
        for (Object *o : {point, rectangle, matrix, colorTransform, transform})
            heap.mark(o);
    }
    FunctionObject *point = nullptr;
    FunctionObject *rectangle = nullptr;
    FunctionObject *matrix = nullptr;
    FunctionObject *colorTransform = nullptr;
    FunctionObject *transform = nullptr;
};

GeomClasses &classes(Machine &m)
{
    return *m.extension<GeomClasses>();
}

Value prop(Machine &m, const Value &self, const char *name)
{
    Object *o = self.asObject();
    return o ? m.get(o, QString::fromLatin1(name)) : Value();
}

double num(Machine &m, const Value &self, const char *name)
{
    return m.toNumber(prop(m, self, name));
}

void setProp(Machine &m, const Value &self, const char *name, const Value &value)
{
    if (Object *o = self.asObject())
        m.set(o, QString::fromLatin1(name), value);
}

// "+" of ActionScript 2.
Value add(Machine &m, const Value &x, const Value &y)
{
    const Value a = m.toPrimitive(x);
    const Value b = m.toPrimitive(y);
    if (a.isString() || b.isString())
        return Value(m.toString(a).text() + m.toString(b).text());
    return Value(m.toNumber(a) + m.toNumber(b));
}

// A value joined to text as "+" joins it: valueOf first, toString only when
// that gives an object.
QString joinedText(Machine &m, const Value &v)
{
    const Value primitive = m.toPrimitive(v);
    if (primitive.isObject() && !asClip(primitive.object()))
        return m.toString(v).text();
    return m.objectString(primitive).text();
}

// "(name=value, …)" of the properties, read in order.
Value describe(Machine &m, const Value &self,
               std::initializer_list<std::pair<const char *, const char *>> fields)
{
    QString out = QStringLiteral("(");
    for (const auto &[label, name] : fields) {
        if (out.size() > 1)
            out += QStringLiteral(", ");
        out += QString::fromLatin1(label) + u'=';
        out += joinedText(m, prop(m, self, name));
    }
    return Value(out + u')');
}

Value make(Machine &m, FunctionObject *cls, std::vector<Value> args)
{
    return m.construct(Value(cls), Args(args));
}

// A method defined as the player's own ActionScript defines it: visible
// to for..in, with a prototype of its own.
void method(Machine &m, Object *target, const char *name, NativeFunction call)
{
    defineScriptMethod(m, target, QString::fromLatin1(name), call);
}

FunctionObject *makeClass(Machine &m, Object *package, const char *name, Object *proto,
                          NativeFunction call, NativeFunction construct = nullptr)
{
    FunctionObject *cls = m.defineClass(QString(), proto, call, construct);
    m.defineValue(proto, QStringLiteral("constructor"), Value(cls),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    m.defineValue(package, QString::fromLatin1(name), Value(cls), 0);
    return cls;
}

// Point.

Value pointNew(Machine &m, const Value &self, const Args &args)
{
    const bool none = args.size() == 0;
    setProp(m, self, "x", none ? Value(0) : args[0]);
    setProp(m, self, "y", none ? Value(0) : args[1]);
    return Value();
}

Value pointLength(Machine &m, const Value &self, const Args &)
{
    const double x = num(m, self, "x");
    const double y = num(m, self, "y");
    return Value(std::sqrt(x * x + y * y));
}

Value pointAdd(Machine &m, const Value &self, const Args &args)
{
    return make(m, classes(m).point,
                {add(m, prop(m, self, "x"), prop(m, args[0], "x")),
                 add(m, prop(m, self, "y"), prop(m, args[0], "y"))});
}

Value pointSubtract(Machine &m, const Value &self, const Args &args)
{
    return make(m, classes(m).point,
                {Value(num(m, self, "x") - num(m, args[0], "x")),
                 Value(num(m, self, "y") - num(m, args[0], "y"))});
}

Value pointClone(Machine &m, const Value &self, const Args &)
{
    return make(m, classes(m).point, {prop(m, self, "x"), prop(m, self, "y")});
}

Value pointEquals(Machine &m, const Value &self, const Args &args)
{
    if (!m.instanceOf(args[0], classes(m).point))
        return Value(false);
    if (args[0].asObject() == self.asObject())
        return Value(true);
    return Value(m.abstractEquals(prop(m, self, "x"), prop(m, args[0], "x")) &&
                 m.abstractEquals(prop(m, self, "y"), prop(m, args[0], "y")));
}

Value pointNormalize(Machine &m, const Value &self, const Args &args)
{
    const double x = num(m, self, "x");
    const double y = num(m, self, "y");
    const double length = std::sqrt(x * x + y * y);
    if (length > 0) {
        const double scale = m.toNumber(args[0]) / length;
        setProp(m, self, "x", Value(x * scale));
        setProp(m, self, "y", Value(y * scale));
    }
    return Value();
}

Value pointOffset(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "x", add(m, prop(m, self, "x"), args[0]));
    setProp(m, self, "y", add(m, prop(m, self, "y"), args[1]));
    return Value();
}

Value pointToString(Machine &m, const Value &self, const Args &)
{
    return describe(m, self, {{"x", "x"}, {"y", "y"}});
}

Value pointDistance(Machine &m, const Value &, const Args &args)
{
    if (!args[0].isObject())
        return Value();
    const double dx = num(m, args[0], "x") - num(m, args[1], "x");
    const double dy = num(m, args[0], "y") - num(m, args[1], "y");
    return Value(std::sqrt(dx * dx + dy * dy));
}

Value pointInterpolate(Machine &m, const Value &, const Args &args)
{
    const double f = m.toNumber(args[2]);
    const double x2 = num(m, args[1], "x");
    const double y2 = num(m, args[1], "y");
    return make(
        m, classes(m).point,
        {Value(x2 + f * (num(m, args[0], "x") - x2)), Value(y2 + f * (num(m, args[0], "y") - y2))});
}

Value pointPolar(Machine &m, const Value &, const Args &args)
{
    const double length = m.toNumber(args[0]);
    const double angle = m.toNumber(args[1]);
    return make(m, classes(m).point,
                {Value(length * std::cos(angle)), Value(length * std::sin(angle))});
}

// Rectangle.

Value rectNew(Machine &m, const Value &self, const Args &args)
{
    // Without arguments a rectangle empties itself through its own
    // setEmpty, as a movie may have replaced it.
    if (args.size() == 0) {
        m.call(prop(m, self, "setEmpty"), self, Args());
        return Value();
    }
    const char *names[] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i)
        setProp(m, self, names[i], args[i]);
    return Value();
}

Value rectRight(Machine &m, const Value &self, const Args &)
{
    return add(m, prop(m, self, "x"), prop(m, self, "width"));
}

Value rectBottom(Machine &m, const Value &self, const Args &)
{
    return add(m, prop(m, self, "y"), prop(m, self, "height"));
}

Value rectSetRight(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "width", Value(m.toNumber(args[0]) - num(m, self, "x")));
    return Value();
}

Value rectSetBottom(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "height", Value(m.toNumber(args[0]) - num(m, self, "y")));
    return Value();
}

Value rectTopLeft(Machine &m, const Value &self, const Args &)
{
    return make(m, classes(m).point, {prop(m, self, "x"), prop(m, self, "y")});
}

Value rectSetTopLeft(Machine &m, const Value &self, const Args &args)
{
    const double x = m.toNumber(prop(m, args[0], "x"));
    const double y = m.toNumber(prop(m, args[0], "y"));
    setProp(m, self, "width", Value(num(m, self, "width") + num(m, self, "x") - x));
    setProp(m, self, "height", Value(num(m, self, "height") + num(m, self, "y") - y));
    setProp(m, self, "x", Value(x));
    setProp(m, self, "y", Value(y));
    return Value();
}

Value rectBottomRight(Machine &m, const Value &self, const Args &)
{
    return make(m, classes(m).point, {rectRight(m, self, Args()), rectBottom(m, self, Args())});
}

Value rectSetBottomRight(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "width", Value(num(m, args[0], "x") - num(m, self, "x")));
    setProp(m, self, "height", Value(num(m, args[0], "y") - num(m, self, "y")));
    return Value();
}

Value rectSize(Machine &m, const Value &self, const Args &)
{
    return make(m, classes(m).point, {prop(m, self, "width"), prop(m, self, "height")});
}

Value rectSetSize(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "width", prop(m, args[0], "x"));
    setProp(m, self, "height", prop(m, args[0], "y"));
    return Value();
}

// a >= b and a < b as compiled ActionScript evaluates them: "<" may give
// undefined, ">=" is "not <".
Value lessThan(Machine &m, const Value &a, const Value &b)
{
    return m.lessThan(a, b);
}

Value atLeast(Machine &m, const Value &a, const Value &b)
{
    return Value(!m.toBoolean(m.lessThan(a, b)));
}

// a && b && …: the first false value, or the last.
Value allOf(Machine &m, std::initializer_list<Value> values)
{
    Value last;
    for (const Value &v : values) {
        if (!m.toBoolean(v))
            return v;
        last = v;
    }
    return last;
}

Value rectContainsAt(Machine &m, const Value &self, const Value &x, const Value &y)
{
    return allOf(m,
                 {atLeast(m, x, prop(m, self, "x")), lessThan(m, x, rectRight(m, self, Args())),
                  atLeast(m, y, prop(m, self, "y")), lessThan(m, y, rectBottom(m, self, Args()))});
}

Value rectContains(Machine &m, const Value &self, const Args &args)
{
    return rectContainsAt(m, self, args[0], args[1]);
}

Value rectContainsPoint(Machine &m, const Value &self, const Args &args)
{
    return rectContainsAt(m, self, prop(m, args[0], "x"), prop(m, args[0], "y"));
}

Value rectContainsRectangle(Machine &m, const Value &self, const Args &args)
{
    const Value r = args[0];
    return allOf(
        m,
        {atLeast(m, prop(m, r, "x"), prop(m, self, "x")),
         atLeast(m, prop(m, r, "y"), prop(m, self, "y")),
         Value(!m.toBoolean(lessThan(m, rectRight(m, self, Args()), rectRight(m, r, Args())))),
         Value(!m.toBoolean(lessThan(m, rectBottom(m, self, Args()), rectBottom(m, r, Args()))))});
}

Value rectEquals(Machine &m, const Value &self, const Args &args)
{
    const Value r = args[0];
    if (!m.instanceOf(r, classes(m).rectangle))
        return Value(false);
    for (const char *name : {"x", "y", "width", "height"}) {
        if (!m.abstractEquals(prop(m, self, name), prop(m, r, name)))
            return Value(false);
    }
    return Value(true);
}

Value rectIsEmpty(Machine &m, const Value &self, const Args &)
{
    return Value(!(num(m, self, "width") > 0) || !(num(m, self, "height") > 0));
}

Value rectSetEmpty(Machine &m, const Value &self, const Args &)
{
    for (const char *name : {"x", "y", "width", "height"})
        setProp(m, self, name, Value(0));
    return Value();
}

Value rectClone(Machine &m, const Value &self, const Args &)
{
    return make(
        m, classes(m).rectangle,
        {prop(m, self, "x"), prop(m, self, "y"), prop(m, self, "width"), prop(m, self, "height")});
}

void inflate(Machine &m, const Value &self, double dx, double dy)
{
    setProp(m, self, "x", Value(num(m, self, "x") - dx));
    setProp(m, self, "width", Value(num(m, self, "width") + 2 * dx));
    setProp(m, self, "y", Value(num(m, self, "y") - dy));
    setProp(m, self, "height", Value(num(m, self, "height") + 2 * dy));
}

Value rectInflate(Machine &m, const Value &self, const Args &args)
{
    inflate(m, self, m.toNumber(args[0]), m.toNumber(args[1]));
    return Value();
}

Value rectInflatePoint(Machine &m, const Value &self, const Args &args)
{
    inflate(m, self, num(m, args[0], "x"), num(m, args[0], "y"));
    return Value();
}

Value rectOffset(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "x", add(m, prop(m, self, "x"), args[0]));
    setProp(m, self, "y", add(m, prop(m, self, "y"), args[1]));
    return Value();
}

Value rectOffsetPoint(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "x", add(m, prop(m, self, "x"), prop(m, args[0], "x")));
    setProp(m, self, "y", add(m, prop(m, self, "y"), prop(m, args[0], "y")));
    return Value();
}

struct Box {
    double x, y, w, h;
    bool empty() const { return !(w > 0) || !(h > 0); }
};

Box boxOf(Machine &m, const Value &r)
{
    return {num(m, r, "x"), num(m, r, "y"), num(m, r, "width"), num(m, r, "height")};
}

Value newRect(Machine &m, const Box &b)
{
    return make(m, classes(m).rectangle, {Value(b.x), Value(b.y), Value(b.w), Value(b.h)});
}

Value rectIntersection(Machine &m, const Value &self, const Args &args)
{
    const Box a = boxOf(m, self);
    const Box b = boxOf(m, args[0]);
    const double x = std::max(a.x, b.x);
    const double y = std::max(a.y, b.y);
    const Box r{x, y, std::min(a.x + a.w, b.x + b.w) - x, std::min(a.y + a.h, b.y + b.h) - y};
    return r.empty() ? make(m, classes(m).rectangle, {}) : newRect(m, r);
}

Value rectIntersects(Machine &m, const Value &self, const Args &args)
{
    const Box a = boxOf(m, self);
    const Box b = boxOf(m, args[0]);
    const Box r{std::max(a.x, b.x), std::max(a.y, b.y), 0, 0};
    return Value(std::min(a.x + a.w, b.x + b.w) > r.x && std::min(a.y + a.h, b.y + b.h) > r.y);
}

Value rectUnion(Machine &m, const Value &self, const Args &args)
{
    const Box a = boxOf(m, self);
    const Box b = boxOf(m, args[0]);
    if (a.empty())
        return newRect(m, b);
    if (b.empty())
        return newRect(m, a);
    const double x = std::min(a.x, b.x);
    const double y = std::min(a.y, b.y);
    return newRect(m,
                   {x, y, std::max(a.x + a.w, b.x + b.w) - x, std::max(a.y + a.h, b.y + b.h) - y});
}

Value rectToString(Machine &m, const Value &self, const Args &)
{
    return describe(m, self, {{"x", "x"}, {"y", "y"}, {"w", "width"}, {"h", "height"}});
}

// Matrix.

constexpr const char *kMatrixNames[] = {"a", "b", "c", "d", "tx", "ty"};

struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    // This, then `o`.
    Affine then(const Affine &o) const
    {
        return {a * o.a + b * o.c, a * o.b + b * o.d,          c * o.a + d * o.c,
                c * o.b + d * o.d, tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
    }
};

Affine affineOf(Machine &m, const Value &v)
{
    return {num(m, v, "a"), num(m, v, "b"),  num(m, v, "c"),
            num(m, v, "d"), num(m, v, "tx"), num(m, v, "ty")};
}

void setAffine(Machine &m, const Value &self, const Affine &t)
{
    const double values[] = {t.a, t.b, t.c, t.d, t.tx, t.ty};
    for (int i = 0; i < 6; ++i)
        setProp(m, self, kMatrixNames[i], Value(values[i]));
}

Value matrixNew(Machine &m, const Value &self, const Args &args)
{
    if (args.size() == 0) {
        setAffine(m, self, Affine{});
        return Value();
    }
    for (int i = 0; i < 6; ++i)
        setProp(m, self, kMatrixNames[i], args[i]);
    return Value();
}

Value newMatrix(Machine &m, const Affine &t)
{
    return make(m, classes(m).matrix,
                {Value(t.a), Value(t.b), Value(t.c), Value(t.d), Value(t.tx), Value(t.ty)});
}

Value matrixIdentity(Machine &m, const Value &self, const Args &)
{
    setAffine(m, self, Affine{});
    return Value();
}

Value matrixClone(Machine &m, const Value &self, const Args &)
{
    std::vector<Value> values;
    for (const char *name : kMatrixNames)
        values.push_back(prop(m, self, name));
    return make(m, classes(m).matrix, std::move(values));
}

Value matrixConcat(Machine &m, const Value &self, const Args &args)
{
    setAffine(m, self, affineOf(m, self).then(affineOf(m, args[0])));
    return Value();
}

Value matrixInvert(Machine &m, const Value &self, const Args &)
{
    const Affine t = affineOf(m, self);
    const double det = t.a * t.d - t.b * t.c;
    if (det == 0) {
        setAffine(m, self, Affine{});
        return Value();
    }
    setAffine(m, self,
              {t.d / det, -t.b / det, -t.c / det, t.a / det, (t.c * t.ty - t.d * t.tx) / det,
               (t.b * t.tx - t.a * t.ty) / det});
    return Value();
}

Value matrixRotate(Machine &m, const Value &self, const Args &args)
{
    const double q = m.toNumber(args[0]);
    const double cs = std::cos(q);
    const double sn = std::sin(q);
    setAffine(m, self, affineOf(m, self).then({cs, sn, -sn, cs, 0, 0}));
    return Value();
}

Value matrixScale(Machine &m, const Value &self, const Args &args)
{
    setAffine(m, self,
              affineOf(m, self).then({m.toNumber(args[0]), 0, 0, m.toNumber(args[1]), 0, 0}));
    return Value();
}

Value matrixTranslate(Machine &m, const Value &self, const Args &args)
{
    setProp(m, self, "tx", Value(num(m, self, "tx") + m.toNumber(args[0])));
    setProp(m, self, "ty", Value(num(m, self, "ty") + m.toNumber(args[1])));
    return Value();
}

double numberOr(Machine &m, const Value &v, double fallback)
{
    return v.isUndefined() ? fallback : m.toNumber(v);
}

Affine box(double sx, double sy, double rotation, double tx, double ty)
{
    const double cs = std::cos(rotation);
    const double sn = std::sin(rotation);
    return {cs * sx, sn * sy, -sn * sx, cs * sy, tx, ty};
}

Value matrixCreateBox(Machine &m, const Value &self, const Args &args)
{
    setAffine(m, self,
              box(m.toNumber(args[0]), m.toNumber(args[1]), numberOr(m, args[2], 0),
                  numberOr(m, args[3], 0), numberOr(m, args[4], 0)));
    return Value();
}

Value matrixCreateGradientBox(Machine &m, const Value &self, const Args &args)
{
    // Gradients are drawn over a square of 1638.4 pixels (32768 twips).
    const double w = m.toNumber(args[0]);
    const double h = m.toNumber(args[1]);
    setAffine(m, self,
              box(w / 1638.4, h / 1638.4, numberOr(m, args[2], 0), numberOr(m, args[3], 0) + w / 2,
                  numberOr(m, args[4], 0) + h / 2));
    return Value();
}

Value transformPointBy(Machine &m, const Value &self, const Value &p, bool delta)
{
    const Affine t = affineOf(m, self);
    const double x = num(m, p, "x");
    const double y = num(m, p, "y");
    return make(m, classes(m).point,
                {Value(t.a * x + t.c * y + (delta ? 0 : t.tx)),
                 Value(t.b * x + t.d * y + (delta ? 0 : t.ty))});
}

Value matrixTransformPoint(Machine &m, const Value &self, const Args &args)
{
    return transformPointBy(m, self, args[0], false);
}

Value matrixDeltaTransformPoint(Machine &m, const Value &self, const Args &args)
{
    return transformPointBy(m, self, args[0], true);
}

Value matrixToString(Machine &m, const Value &self, const Args &)
{
    QString out = QStringLiteral("(");
    for (int i = 0; i < 6; ++i) {
        if (i)
            out += QStringLiteral(", ");
        out += QString::fromLatin1(kMatrixNames[i]) + u'=';
        out += joinedText(m, prop(m, self, kMatrixNames[i]));
    }
    return Value(out + u')');
}

// ColorTransform.

class ColorTransformObject final : public Object {
public:
    using Object::Object;
    ObjectClass objectClass() const override { return ObjectClass::Other; }
    // red, green, blue, alpha multipliers, then their offsets.
    double v[8] = {1, 1, 1, 1, 0, 0, 0, 0};
};

constexpr const char *kColorNames[] = {"redMultiplier",   "greenMultiplier", "blueMultiplier",
                                       "alphaMultiplier", "redOffset",       "greenOffset",
                                       "blueOffset",      "alphaOffset"};

ColorTransformObject *colorOf(const Value &v)
{
    return dynamic_cast<ColorTransformObject *>(v.asObject());
}

Value colorNew(Machine &m, const Value &, const Args &args)
{
    FunctionObject *cls = classes(m).colorTransform;
    auto *made =
        m.heap().make<ColorTransformObject>(m.get(cls, QStringLiteral("prototype")).asObject());
    m.initializeConstructed(made, cls);
    if (args.size() >= 8) {
        for (int i = 0; i < 8; ++i)
            made->v[i] = args[i].isNullish() ? std::nan("") : m.toNumber(args[i]);
    }
    return Value(made);
}

template <int I> Value colorGet(Machine &, const Value &self, const Args &)
{
    ColorTransformObject *c = colorOf(self);
    return c ? Value(c->v[I]) : Value();
}

template <int I> Value colorSet(Machine &m, const Value &self, const Args &args)
{
    if (ColorTransformObject *c = colorOf(self))
        c->v[I] = m.toNumber(args[0]);
    return Value();
}

// An offset as a 32-bit integer, wrapped as other integer conversions are:
// a script may have set any number.
quint32 channelOffset(double v)
{
    return quint32(Machine::toInt32(v));
}

Value colorRgb(Machine &, const Value &self, const Args &)
{
    ColorTransformObject *c = colorOf(self);
    if (!c)
        return Value();
    return Value(qint32((channelOffset(c->v[4]) << 16) | (channelOffset(c->v[5]) << 8) |
                        channelOffset(c->v[6])));
}

Value colorSetRgb(Machine &m, const Value &self, const Args &args)
{
    if (ColorTransformObject *c = colorOf(self)) {
        const quint32 rgb = quint32(m.toInt32(args[0]));
        c->v[0] = c->v[1] = c->v[2] = 0;
        c->v[4] = (rgb >> 16) & 0xff;
        c->v[5] = (rgb >> 8) & 0xff;
        c->v[6] = rgb & 0xff;
    }
    return Value();
}

Value colorConcat(Machine &, const Value &self, const Args &args)
{
    ColorTransformObject *c = colorOf(self);
    const ColorTransformObject *o = colorOf(args[0]);
    if (!c || !o)
        return Value();
    for (int i = 0; i < 4; ++i) {
        c->v[i + 4] += c->v[i] * o->v[i + 4];
        c->v[i] *= o->v[i];
    }
    return Value();
}

// Read through the properties, as a movie would read them.
Value colorToString(Machine &m, const Value &self, const Args &)
{
    QString out = QStringLiteral("(");
    for (int i = 0; i < 8; ++i) {
        if (i)
            out += QStringLiteral(", ");
        out += QString::fromLatin1(kColorNames[i]) + u'=';
        out += joinedText(m, prop(m, self, kColorNames[i]));
    }
    return Value(out + u')');
}

// Transform.

class TransformObject final : public Object {
public:
    using Object::Object;
    ObjectClass objectClass() const override { return ObjectClass::Other; }
    ObjectHandle clip;
};

DisplayObject *clipOf(Machine &m, const Value &self)
{
    auto *t = dynamic_cast<TransformObject *>(self.asObject());
    return t && t->clip ? m.player().find(t->clip) : nullptr;
}

} // namespace

Value makeTransform(Machine &m, DisplayObject &clip)
{
    FunctionObject *cls = classes(m).transform;
    auto *made = m.heap().make<TransformObject>(m.get(cls, QStringLiteral("prototype")).asObject());
    m.initializeConstructed(made, cls);
    made->clip = clip.handle();
    return Value(made);
}

namespace {

Value transformNew(Machine &m, const Value &, const Args &args)
{
    if (DisplayObject *clip = m.displayObjectOf(args[0]))
        return makeTransform(m, *clip);
    FunctionObject *cls = classes(m).transform;
    auto *made = m.heap().make<TransformObject>(m.get(cls, QStringLiteral("prototype")).asObject());
    m.initializeConstructed(made, cls);
    return Value(made);
}

Affine affineOfClip(const DisplayObject &object)
{
    const Matrix &x = object.placement().matrix;
    return {x.scaleX, x.rotateSkew0,         x.rotateSkew1,
            x.scaleY, x.translateX / kTwips, x.translateY / kTwips};
}

Value transformMatrix(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    return clip ? newMatrix(m, affineOfClip(*clip)) : Value();
}

Value transformSetMatrix(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip || !args[0].isObject())
        return Value();
    const Affine t = affineOf(m, args[0]);
    const double values[] = {t.a, t.b, t.c, t.d, t.tx, t.ty};
    for (double v : values) {
        if (!std::isfinite(v))
            return Value();
    }
    Matrix &x = clip->placement().matrix;
    if (ClipObject *object = m.objectOf(*clip))
        object->keepScaleOf(x);
    x.scaleX = t.a;
    x.rotateSkew0 = t.b;
    x.rotateSkew1 = t.c;
    x.scaleY = t.d;
    x.translateX = qint32(qBound(-1e9, std::round(t.tx * kTwips), 1e9));
    x.translateY = qint32(qBound(-1e9, std::round(t.ty * kTwips), 1e9));
    clip->lock(ScriptLock::Matrix);
    return Value();
}

Value transformConcatenatedMatrix(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    Affine t;
    for (DisplayObject *o = clip; o; o = o->parent())
        t = t.then(affineOfClip(*o));
    return newMatrix(m, t);
}

Value newColor(Machine &m, const ColorTransform &x)
{
    Value made = colorNew(m, Value(), Args());
    ColorTransformObject *c = colorOf(made);
    const double values[] = {x.multR / 256.0, x.multG / 256.0, x.multB / 256.0, x.multA / 256.0,
                             double(x.addR),  double(x.addG),  double(x.addB),  double(x.addA)};
    std::copy(std::begin(values), std::end(values), c->v);
    return made;
}

Value transformColor(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    return clip ? newColor(m, clip->placement().colorTransform) : Value();
}

qint16 fixed(double v, double scale)
{
    return std::isfinite(v) ? qint16(qBound(-32768.0, std::trunc(v * scale), 32767.0)) : 0;
}

Value transformSetColor(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    const ColorTransformObject *c = colorOf(args[0]);
    if (!clip || !c)
        return Value();
    ColorTransform &x = clip->placement().colorTransform;
    x.multR = fixed(c->v[0], 256);
    x.multG = fixed(c->v[1], 256);
    x.multB = fixed(c->v[2], 256);
    x.multA = fixed(c->v[3], 256);
    x.addR = fixed(c->v[4], 1);
    x.addG = fixed(c->v[5], 1);
    x.addB = fixed(c->v[6], 1);
    x.addA = fixed(c->v[7], 1);
    clip->lock(ScriptLock::ColorTransform);
    return Value();
}

Value transformConcatenatedColor(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    Value made = newColor(m, ColorTransform{});
    ColorTransformObject *total = colorOf(made);
    for (DisplayObject *o = clip; o; o = o->parent()) {
        Value part = newColor(m, o->placement().colorTransform);
        const ColorTransformObject *c = colorOf(part);
        // The parent's transform applies after the child's.
        // Composed as the renderer composes them, in 8.8 fixed point.
        for (int i = 0; i < 4; ++i) {
            total->v[i + 4] = std::floor(c->v[i] * total->v[i + 4] + c->v[i + 4]);
            total->v[i] = std::floor(total->v[i] * c->v[i] * 256) / 256;
        }
    }
    return made;
}

Value transformPixelBounds(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    const auto local = m.player().geometry().localBounds(*clip);
    if (!local)
        return make(m, classes(m).rectangle, {});
    Affine t;
    for (DisplayObject *o = clip; o; o = o->parent())
        t = t.then(affineOfClip(*o));
    const QTransform q(t.a, t.b, t.c, t.d, t.tx, t.ty);
    const QRectF pixels(local->x() / kTwips, local->y() / kTwips, local->width() / kTwips,
                        local->height() / kTwips);
    const QRectF r = q.mapRect(pixels);
    return make(m, classes(m).rectangle,
                {Value(std::round(r.x())), Value(std::round(r.y())), Value(std::round(r.width())),
                 Value(std::round(r.height()))});
}

Value clipTransform(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = m.displayObjectOf(self);
    return clip ? makeTransform(m, *clip) : Value();
}

Value clipSetTransform(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = m.displayObjectOf(self);
    DisplayObject *from = clipOf(m, args[0]);
    if (!clip || !from)
        return Value();
    Value target = makeTransform(m, *clip);
    transformSetMatrix(m, target, Args(std::vector<Value>{transformMatrix(m, args[0], Args())}));
    transformSetColor(m, target, Args(std::vector<Value>{transformColor(m, args[0], Args())}));
    return Value();
}

} // namespace

void defineAccessor(Machine &m, Object *target, const QString &name, NativeFunction get,
                    NativeFunction set, quint32 flags)
{
    const StrRef k = m.key(name);
    Property *p = target->properties().find(k.data());
    if (!p)
        p = &target->properties().add(k, StrRef(name));
    p->value = Value();
    p->getter = m.newNative(get);
    p->setter = set ? m.newNative(set) : nullptr;
    p->flags = flags;
}

void defineMissingAccessors(Machine &m, Object *target,
                            std::initializer_list<AccessorSpec> accessors, quint32 flags)
{
    for (const AccessorSpec &a : accessors) {
        const QString name = QString::fromLatin1(a.name);
        if (!target->properties().find(m.key(name).data()))
            defineAccessor(m, target, name, a.get, a.set, flags);
    }
}

void installGeom(Machine &m)
{
    auto owned = std::make_unique<GeomClasses>();
    GeomClasses &c = *owned;
    m.addExtension(std::move(owned));

    // The package is a later player's: movies before version 6 do not
    // have it, though clips show their transform to them.
    Object *flash = m.newObject();
    Object *geom = m.newObject();
    if (m.version() >= 6)
        m.defineValue(m.global(), QStringLiteral("flash"), Value(flash));
    m.defineValue(flash, QStringLiteral("geom"), Value(geom), 0);

    Object *point = m.newObject();
    c.point = makeClass(m, geom, "Point", point, pointNew);
    method(m, c.point, "distance", pointDistance);
    method(m, c.point, "interpolate", pointInterpolate);
    method(m, c.point, "polar", pointPolar);
    method(m, point, "add", pointAdd);
    method(m, point, "clone", pointClone);
    method(m, point, "equals", pointEquals);
    method(m, point, "normalize", pointNormalize);
    method(m, point, "offset", pointOffset);
    method(m, point, "subtract", pointSubtract);
    method(m, point, "toString", pointToString);
    defineAccessor(m, point, QStringLiteral("length"), pointLength, nullptr, 0);

    Object *rect = m.newObject();
    c.rectangle = makeClass(m, geom, "Rectangle", rect, rectNew);
    const struct {
        const char *name;
        NativeFunction call;
    } rectMethods[] = {
        {"clone", rectClone},
        {"contains", rectContains},
        {"containsPoint", rectContainsPoint},
        {"containsRectangle", rectContainsRectangle},
        {"equals", rectEquals},
        {"inflate", rectInflate},
        {"inflatePoint", rectInflatePoint},
        {"intersection", rectIntersection},
        {"intersects", rectIntersects},
        {"isEmpty", rectIsEmpty},
        {"offset", rectOffset},
        {"offsetPoint", rectOffsetPoint},
        {"setEmpty", rectSetEmpty},
        {"toString", rectToString},
        {"union", rectUnion},
    };
    for (const auto &r : rectMethods)
        method(m, rect, r.name, r.call);
    defineAccessor(m, rect, QStringLiteral("bottom"), rectBottom, rectSetBottom, 0);
    defineAccessor(m, rect, QStringLiteral("bottomRight"), rectBottomRight, rectSetBottomRight, 0);
    defineAccessor(m, rect, QStringLiteral("right"), rectRight, rectSetRight, 0);
    defineAccessor(m, rect, QStringLiteral("size"), rectSize, rectSetSize, 0);
    defineAccessor(m, rect, QStringLiteral("topLeft"), rectTopLeft, rectSetTopLeft, 0);
    // Declared by the class and never given a value.
    m.defineValue(rect, QStringLiteral("left"), Value(), 0);
    m.defineValue(rect, QStringLiteral("top"), Value(), 0);

    Object *matrix = m.newObject();
    c.matrix = makeClass(m, geom, "Matrix", matrix, matrixNew);
    const struct {
        const char *name;
        NativeFunction call;
    } matrixMethods[] = {
        {"clone", matrixClone},
        {"concat", matrixConcat},
        {"createBox", matrixCreateBox},
        {"createGradientBox", matrixCreateGradientBox},
        {"deltaTransformPoint", matrixDeltaTransformPoint},
        {"identity", matrixIdentity},
        {"invert", matrixInvert},
        {"rotate", matrixRotate},
        {"scale", matrixScale},
        {"toString", matrixToString},
        {"transformPoint", matrixTransformPoint},
        {"translate", matrixTranslate},
    };
    for (const auto &x : matrixMethods)
        method(m, matrix, x.name, x.call);

    Object *color = m.newObject();
    c.colorTransform = makeClass(m, geom, "ColorTransform", color, colorNew, colorNew);
    const NativeFunction getters[] = {colorGet<0>, colorGet<1>, colorGet<2>, colorGet<3>,
                                      colorGet<4>, colorGet<5>, colorGet<6>, colorGet<7>};
    const NativeFunction setters[] = {colorSet<0>, colorSet<1>, colorSet<2>, colorSet<3>,
                                      colorSet<4>, colorSet<5>, colorSet<6>, colorSet<7>};
    // Its numbers show to movies of version 8 and later only.
    for (int i = 0; i < 8; ++i)
        defineAccessor(m, color, QString::fromLatin1(kColorNames[i]), getters[i], setters[i],
                       PropertyFlag::OnlySwf8);
    defineAccessor(m, color, QStringLiteral("rgb"), colorRgb, colorSetRgb, PropertyFlag::OnlySwf8);
    // concat is a native of its own, without a prototype.
    m.defineValue(color, QStringLiteral("concat"), Value(m.newNative(colorConcat)), 0);
    method(m, color, "toString", colorToString);

    Object *transform = m.newObject();
    c.transform = makeClass(m, geom, "Transform", transform, transformNew, transformNew);
    // Like ColorTransform's, these show to version 8 and later only.
    defineAccessor(m, transform, QStringLiteral("colorTransform"), transformColor,
                   transformSetColor, PropertyFlag::OnlySwf8);
    defineAccessor(m, transform, QStringLiteral("concatenatedColorTransform"),
                   transformConcatenatedColor, nullptr, PropertyFlag::OnlySwf8);
    defineAccessor(m, transform, QStringLiteral("concatenatedMatrix"), transformConcatenatedMatrix,
                   nullptr, PropertyFlag::OnlySwf8);
    defineAccessor(m, transform, QStringLiteral("matrix"), transformMatrix, transformSetMatrix,
                   PropertyFlag::OnlySwf8);
    defineAccessor(m, transform, QStringLiteral("pixelBounds"), transformPixelBounds, nullptr,
                   PropertyFlag::OnlySwf8);

    if (Object *clip = m.protos().movieClip)
        defineAccessor(m, clip, QStringLiteral("transform"), clipTransform, clipSetTransform,
                       PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::OnlySwf8);
}

} // namespace swf::avm1
