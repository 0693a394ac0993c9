// flash.filters for ActionScript 1/2: each filter keeps its properties as
// the player's own classes clamp them when set, and turns into the
// renderer's Filter when a clip's `filters` is set. Reading `filters`
// makes new objects from what the clip draws with.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/displayobject.h"

#include <cmath>
#include <numbers>

namespace swf::avm1 {

namespace {

// How a property turns what a script sets into what it keeps.
enum class Kind : quint8 {
    Number,  // clamped to [lo, hi], NaN kept
    Integer, // truncated and clamped, NaN as 0
    Color,   // 24-bit RGB
    Boolean,
    BevelType, // "inner", "outer" or "full"
    Mode,      // displacement edges: "wrap", "clamp", "ignore" or "color"
    Numbers,   // an array of numbers (matrices, alphas, ratios)
    Colors,    // an array of colours
    Any,       // kept as given (the displacement map and point)
};

struct PropertySpec {
    const char *name;
    Kind kind;
    double lo = -INFINITY;
    double hi = INFINITY;
    double fallback = 0.0;
    const char *text = nullptr;
};

struct FilterClass {
    const char *name;
    Filter::Kind kind;
    std::vector<PropertySpec> props; // in the constructor's argument order
    bool renderable = true;
};

constexpr double kMaxBlur = 255.0;

PropertySpec blurX(double v)
{
    return {"blurX", Kind::Number, 0, kMaxBlur, v};
}
PropertySpec blurY(double v)
{
    return {"blurY", Kind::Number, 0, kMaxBlur, v};
}
PropertySpec quality()
{
    return {"quality", Kind::Integer, 0, 15, 1};
}
PropertySpec strength(double v)
{
    return {"strength", Kind::Number, 0, 255, v};
}
PropertySpec alpha(const char *name = "alpha", double v = 1)
{
    return {name, Kind::Number, 0, 1, v};
}
PropertySpec color(const char *name, double v)
{
    return {name, Kind::Color, 0, 0, v};
}
PropertySpec flag(const char *name, bool v = false)
{
    return {name, Kind::Boolean, 0, 0, v ? 1.0 : 0.0};
}
PropertySpec number(const char *name, double v)
{
    return {name, Kind::Number, -INFINITY, INFINITY, v};
}

const std::vector<FilterClass> &filterClasses()
{
    static const std::vector<FilterClass> classes = {
        {"BlurFilter", Filter::Kind::Blur, {blurX(4), blurY(4), quality()}},
        {"DropShadowFilter",
         Filter::Kind::DropShadow,
         {number("distance", 4), number("angle", 45), color("color", 0), alpha(), blurX(4),
          blurY(4), strength(1), quality(), flag("inner"), flag("knockout"), flag("hideObject")}},
        {"GlowFilter",
         Filter::Kind::Glow,
         {color("color", 0xff0000), alpha(), blurX(6), blurY(6), strength(2), quality(),
          flag("inner"), flag("knockout")}},
        {"BevelFilter",
         Filter::Kind::Bevel,
         {number("distance", 4),
          number("angle", 45),
          color("highlightColor", 0xffffff),
          alpha("highlightAlpha"),
          color("shadowColor", 0),
          alpha("shadowAlpha"),
          blurX(4),
          blurY(4),
          strength(1),
          quality(),
          {"type", Kind::BevelType, 0, 0, 0, "inner"},
          flag("knockout")}},
        {"GradientGlowFilter",
         Filter::Kind::GradientGlow,
         {number("distance", 4),
          number("angle", 45),
          {"colors", Kind::Colors},
          {"alphas", Kind::Numbers},
          {"ratios", Kind::Numbers},
          blurX(4),
          blurY(4),
          strength(1),
          quality(),
          {"type", Kind::BevelType, 0, 0, 0, "inner"},
          flag("knockout")}},
        {"GradientBevelFilter",
         Filter::Kind::GradientBevel,
         {number("distance", 4),
          number("angle", 45),
          {"colors", Kind::Colors},
          {"alphas", Kind::Numbers},
          {"ratios", Kind::Numbers},
          blurX(4),
          blurY(4),
          strength(1),
          quality(),
          {"type", Kind::BevelType, 0, 0, 0, "inner"},
          flag("knockout")}},
        {"ColorMatrixFilter", Filter::Kind::ColorMatrix, {{"matrix", Kind::Numbers}}},
        {"ConvolutionFilter",
         Filter::Kind::Convolution,
         {{"matrixX", Kind::Integer, 0, 15, 0},
          {"matrixY", Kind::Integer, 0, 15, 0},
          {"matrix", Kind::Numbers},
          number("divisor", 1),
          number("bias", 0),
          flag("preserveAlpha", true),
          flag("clamp", true),
          color("color", 0),
          alpha("alpha", 0)}},
        {"DisplacementMapFilter",
         Filter::Kind::Blur,
         {{"mapBitmap", Kind::Any},
          {"mapPoint", Kind::Any},
          {"componentX", Kind::Integer, 0, 8, 0},
          {"componentY", Kind::Integer, 0, 8, 0},
          number("scaleX", 0),
          number("scaleY", 0),
          {"mode", Kind::Mode, 0, 0, 0, "wrap"},
          color("color", 0),
          alpha("alpha", 0)},
         false},
    };
    return classes;
}

class FilterObject final : public Object {
public:
    using Object::Object;
    ObjectClass objectClass() const override { return ObjectClass::Other; }
    void markChildren(Heap &heap) override
    {
        Object::markChildren(heap);
        for (const Value &v : values) {
            if (Object *o = v.asObject())
                heap.mark(o);
        }
    }
    const FilterClass *cls = nullptr;
    std::vector<Value> values;
};

class FilterClasses final : public MachineExtension {
public:
    void markRoots(Heap &heap) override
    {
        for (Object *o : constructors)
            heap.mark(o);
    }
    std::vector<FunctionObject *> constructors; // as filterClasses()
};

FilterClasses &classes(Machine &m)
{
    return *m.extension<FilterClasses>();
}

FilterObject *filterOf(const Value &v)
{
    return dynamic_cast<FilterObject *>(v.asObject());
}

double clampKeepNan(double v, double lo, double hi)
{
    return std::isnan(v) ? v : std::clamp(v, lo, hi);
}

Value numberArray(Machine &m, const Value &given, Kind kind)
{
    ArrayObject *out = m.newArray();
    auto *in = asArray(given.asObject());
    if (!in)
        return Value(out);
    const int n = std::min(in->length(), 1024);
    for (int i = 0; i < n; ++i) {
        const Value item = in->elements()[size_t(i)];
        if (kind == Kind::Colors)
            out->push(Value(double(quint32(m.toInt32(item)) & 0xffffff)));
        else
            out->push(Value(m.toNumber(item)));
    }
    return Value(out);
}

Value normalized(Machine &m, const PropertySpec &p, const Value &v)
{
    switch (p.kind) {
    case Kind::Number:
        return Value(clampKeepNan(m.toNumber(v), p.lo, p.hi));
    case Kind::Integer: {
        const double n = m.toNumber(v);
        return Value(std::isfinite(n) ? std::clamp(std::trunc(n), p.lo, p.hi) : 0.0);
    }
    case Kind::Color:
        return Value(double(quint32(m.toInt32(v)) & 0xffffff));
    case Kind::Boolean:
        return Value(m.toBoolean(v));
    case Kind::BevelType: {
        const QString t = m.toString(v).text();
        if (t == QLatin1String("outer") || t == QLatin1String("full"))
            return Value(t);
        return Value(QStringLiteral("inner"));
    }
    case Kind::Mode: {
        const QString t = m.toString(v).text();
        for (const char *mode : {"clamp", "ignore", "color"}) {
            if (t == QLatin1String(mode))
                return Value(t);
        }
        return Value(QStringLiteral("wrap"));
    }
    case Kind::Numbers:
    case Kind::Colors:
        return numberArray(m, v, p.kind);
    case Kind::Any:
        return v;
    }
    return v;
}

Value fallbackOf(Machine &m, const PropertySpec &p)
{
    switch (p.kind) {
    case Kind::Boolean:
        return Value(p.fallback != 0);
    case Kind::BevelType:
    case Kind::Mode:
        return Value(QString::fromLatin1(p.text));
    case Kind::Numbers:
    case Kind::Colors:
        return Value(m.newArray());
    case Kind::Any:
        return Value();
    default:
        return Value(p.fallback);
    }
}

// A colour matrix starts as the identity.
void identityMatrix(Machine &m, FilterObject &f)
{
    ArrayObject *identity = m.newArray();
    for (int i = 0; i < 20; ++i)
        identity->push(Value(i % 6 == 0 ? 1.0 : 0.0));
    f.values[0] = Value(identity);
}

FilterObject *newFilter(Machine &m, int index)
{
    FunctionObject *cls = classes(m).constructors[size_t(index)];
    auto *made = m.heap().make<FilterObject>(m.get(cls, QStringLiteral("prototype")).asObject());
    m.initializeConstructed(made, cls);
    // The player's own filter classes leave __constructor__ enumerable.
    if (Property *p = made->properties().find(m.key(QStringLiteral("__constructor__")).data()))
        p->flags &= ~PropertyFlag::DontEnum;
    made->cls = &filterClasses()[size_t(index)];
    for (const PropertySpec &p : made->cls->props)
        made->values.push_back(fallbackOf(m, p));
    if (made->cls->kind == Filter::Kind::ColorMatrix)
        identityMatrix(m, *made);
    return made;
}

template <int C> Value filterNew(Machine &m, const Value &, const Args &args)
{
    FilterObject *made = newFilter(m, C);
    // Older movies see no filter properties: their arguments are not read.
    if (m.version() < 8)
        return Value(made);
    const auto &props = made->cls->props;
    for (int i = 0; i < int(props.size()) && i < args.size(); ++i) {
        if (made->cls->kind == Filter::Kind::ColorMatrix && !args[i].isObject())
            continue;
        made->values[size_t(i)] = normalized(m, props[size_t(i)], args[i]);
    }
    return Value(made);
}

Value copyOf(Machine &m, const Value &v)
{
    if (auto *array = asArray(v.asObject())) {
        ArrayObject *copy = m.newArray();
        for (int i = 0; i < array->length(); ++i)
            copy->push(array->elements()[size_t(i)]);
        return Value(copy);
    }
    return v;
}

template <int I> Value propertyGet(Machine &m, const Value &self, const Args &)
{
    FilterObject *f = filterOf(self);
    if (!f || I >= int(f->values.size()))
        return Value();
    return copyOf(m, f->values[size_t(I)]);
}

template <int I> Value propertySet(Machine &m, const Value &self, const Args &args)
{
    FilterObject *f = filterOf(self);
    if (f && I < int(f->values.size()))
        f->values[size_t(I)] = normalized(m, f->cls->props[size_t(I)], args[0]);
    return Value();
}

template <int... I>
constexpr std::array<std::pair<NativeFunction, NativeFunction>, sizeof...(I)>
accessors(std::integer_sequence<int, I...>)
{
    return {std::pair<NativeFunction, NativeFunction>{propertyGet<I>, propertySet<I>}...};
}

template <int... C>
constexpr std::array<NativeFunction, sizeof...(C)> constructors(std::integer_sequence<int, C...>)
{
    return {filterNew<C>...};
}

Value filterClone(Machine &m, const Value &self, const Args &)
{
    FilterObject *f = filterOf(self);
    if (!f)
        return Value();
    const int index = int(f->cls - filterClasses().data());
    FilterObject *copy = newFilter(m, index);
    for (size_t i = 0; i < f->values.size(); ++i)
        copy->values[i] = copyOf(m, f->values[i]);
    return Value(copy);
}

Value noop(Machine &, const Value &, const Args &)
{
    return Value();
}

// Script values to the renderer's filter.

double valueNumber(Machine &m, const FilterObject &f, const char *name)
{
    for (size_t i = 0; i < f.cls->props.size(); ++i) {
        if (qstrcmp(f.cls->props[i].name, name) == 0) {
            const double v = m.toNumber(f.values[i]);
            return std::isfinite(v) ? v : 0.0;
        }
    }
    return 0.0;
}

const Value *valueOf(const FilterObject &f, const char *name)
{
    for (size_t i = 0; i < f.cls->props.size(); ++i) {
        if (qstrcmp(f.cls->props[i].name, name) == 0)
            return &f.values[i];
    }
    return nullptr;
}

std::vector<double> numbersOf(Machine &m, const FilterObject &f, const char *name)
{
    std::vector<double> out;
    const Value *v = valueOf(f, name);
    if (auto *array = v ? asArray(v->asObject()) : nullptr) {
        for (int i = 0; i < array->length(); ++i) {
            const double n = m.toNumber(array->elements()[size_t(i)]);
            out.push_back(std::isfinite(n) ? n : 0.0);
        }
    }
    return out;
}

Rgba rgba(double rgb, double alpha)
{
    const quint32 c = quint32(rgb);
    return Rgba{quint8(c >> 16), quint8(c >> 8), quint8(c), quint8(std::lround(alpha * 255))};
}

std::optional<Filter> toFilter(Machine &m, const FilterObject &f)
{
    if (!f.cls->renderable)
        return std::nullopt;
    Filter out;
    out.kind = f.cls->kind;
    const auto n = [&](const char *name) { return valueNumber(m, f, name); };
    const auto b = [&](const char *name) {
        const Value *v = valueOf(f, name);
        return v && m.toBoolean(*v);
    };
    out.blurX = n("blurX");
    out.blurY = n("blurY");
    out.passes = int(n("quality"));
    out.strength = n("strength");
    out.distance = n("distance");
    out.angle = n("angle") * std::numbers::pi / 180.0;
    out.knockout = b("knockout");
    out.inner = b("inner");
    out.compositeSource = !b("hideObject");
    switch (f.cls->kind) {
    case Filter::Kind::DropShadow:
    case Filter::Kind::Glow:
        out.color = rgba(n("color"), n("alpha"));
        break;
    case Filter::Kind::Bevel:
    case Filter::Kind::GradientBevel:
    case Filter::Kind::GradientGlow: {
        out.color = rgba(n("shadowColor"), n("shadowAlpha"));
        out.highlight = rgba(n("highlightColor"), n("highlightAlpha"));
        const Value *type = valueOf(f, "type");
        const QString t = type ? m.toString(*type).text() : QString();
        out.inner = t == QLatin1String("inner");
        out.onTop = t == QLatin1String("full");
        if (f.cls->kind != Filter::Kind::Bevel) {
            const auto colors = numbersOf(m, f, "colors");
            const auto alphas = numbersOf(m, f, "alphas");
            const auto ratios = numbersOf(m, f, "ratios");
            const size_t count =
                std::min({colors.size(), alphas.size(), ratios.size(), size_t(15)});
            if (count == 0)
                return std::nullopt;
            for (size_t i = 0; i < count; ++i)
                out.gradient.records.push_back({quint8(std::clamp(ratios[i], 0.0, 255.0)),
                                                rgba(colors[i], std::clamp(alphas[i], 0.0, 1.0))});
        }
        break;
    }
    case Filter::Kind::ColorMatrix: {
        const auto matrix = numbersOf(m, f, "matrix");
        for (size_t i = 0; i < 20; ++i)
            out.matrix[i] = i < matrix.size() ? float(matrix[i]) : 0.0f;
        break;
    }
    case Filter::Kind::Convolution: {
        out.matrixX = int(n("matrixX"));
        out.matrixY = int(n("matrixY"));
        const auto kernel = numbersOf(m, f, "matrix");
        const size_t size = size_t(out.matrixX * out.matrixY);
        for (size_t i = 0; i < size; ++i)
            out.kernel.push_back(i < kernel.size() ? float(kernel[i]) : 0.0f);
        out.divisor = float(n("divisor"));
        out.bias = float(n("bias"));
        out.preserveAlpha = b("preserveAlpha");
        out.clamp = b("clamp");
        out.defaultColor = rgba(n("color"), n("alpha"));
        break;
    }
    default:
        break;
    }
    return out;
}

double channel(const Rgba &c)
{
    return (c.r << 16) | (c.g << 8) | c.b;
}

void setValue(Machine &m, FilterObject &f, const char *name, const Value &v)
{
    for (size_t i = 0; i < f.cls->props.size(); ++i) {
        if (qstrcmp(f.cls->props[i].name, name) == 0)
            f.values[i] = normalized(m, f.cls->props[i], v);
    }
}

Value fromFilter(Machine &m, const Filter &x)
{
    int index = -1;
    for (size_t i = 0; i < filterClasses().size(); ++i) {
        if (filterClasses()[i].kind == x.kind && filterClasses()[i].renderable)
            index = int(i);
    }
    if (index < 0)
        return Value();
    FilterObject *f = newFilter(m, index);
    const auto set = [&](const char *name, const Value &v) { setValue(m, *f, name, v); };
    set("blurX", Value(x.blurX));
    set("blurY", Value(x.blurY));
    set("quality", Value(x.passes));
    set("strength", Value(x.strength));
    set("distance", Value(x.distance));
    set("angle", Value(x.angle * 180.0 / std::numbers::pi));
    set("knockout", Value(x.knockout));
    set("inner", Value(x.inner));
    set("hideObject", Value(!x.compositeSource));
    set("color", Value(channel(x.color)));
    set("alpha", Value(x.color.a / 255.0));
    set("shadowColor", Value(channel(x.color)));
    set("shadowAlpha", Value(x.color.a / 255.0));
    set("highlightColor", Value(channel(x.highlight)));
    set("highlightAlpha", Value(x.highlight.a / 255.0));
    set("type", Value(x.onTop   ? QStringLiteral("full")
                      : x.inner ? QStringLiteral("inner")
                                : QStringLiteral("outer")));
    if (!x.gradient.records.empty()) {
        ArrayObject *colors = m.newArray();
        ArrayObject *alphas = m.newArray();
        ArrayObject *ratios = m.newArray();
        for (const GradientRecord &r : x.gradient.records) {
            colors->push(Value(channel(r.color)));
            alphas->push(Value(r.color.a / 255.0));
            ratios->push(Value(double(r.ratio)));
        }
        set("colors", Value(colors));
        set("alphas", Value(alphas));
        set("ratios", Value(ratios));
    }
    if (x.kind == Filter::Kind::ColorMatrix) {
        ArrayObject *matrix = m.newArray();
        for (float v : x.matrix)
            matrix->push(Value(double(v)));
        set("matrix", Value(matrix));
    }
    if (x.kind == Filter::Kind::Convolution) {
        ArrayObject *kernel = m.newArray();
        for (float v : x.kernel)
            kernel->push(Value(double(v)));
        set("matrixX", Value(x.matrixX));
        set("matrixY", Value(x.matrixY));
        set("matrix", Value(kernel));
        set("divisor", Value(double(x.divisor)));
        set("bias", Value(double(x.bias)));
        set("preserveAlpha", Value(x.preserveAlpha));
        set("clamp", Value(x.clamp));
        set("color", Value(channel(x.defaultColor)));
        set("alpha", Value(x.defaultColor.a / 255.0));
    }
    return Value(f);
}

Value clipFilters(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = m.displayObjectOf(self);
    if (!clip)
        return Value();
    ArrayObject *out = m.newArray();
    if (const std::vector<Filter> *filters = clip->placement().filters) {
        for (const Filter &f : *filters) {
            const Value made = fromFilter(m, f);
            if (!made.isUndefined())
                out->push(made);
        }
    }
    return Value(out);
}

Value clipSetFilters(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = m.displayObjectOf(self);
    if (!clip)
        return Value();
    auto filters = std::make_shared<std::vector<Filter>>();
    if (auto *array = asArray(args[0].asObject())) {
        const int n = std::min(array->length(), 64);
        for (int i = 0; i < n; ++i) {
            if (const FilterObject *f = filterOf(array->elements()[size_t(i)])) {
                if (auto made = toFilter(m, *f))
                    filters->push_back(std::move(*made));
            }
        }
    }
    PlacementState &state = clip->placement();
    state.scriptFilters = filters->empty() ? nullptr : std::move(filters);
    state.filters = state.scriptFilters.get();
    clip->lock(ScriptLock::Filters);
    return Value();
}

} // namespace

std::optional<Filter> filterOfValue(Machine &m, const Value &value)
{
    const FilterObject *f = filterOf(value);
    return f ? toFilter(m, *f) : std::nullopt;
}

void installFilters(Machine &m)
{
    auto owned = std::make_unique<FilterClasses>();
    FilterClasses &c = *owned;
    m.addExtension(std::move(owned));

    Object *flash = m.get(m.global(), QStringLiteral("flash")).asObject();
    if (!flash)
        flash = m.newObject();
    Object *package = m.newObject();
    m.defineValue(flash, QStringLiteral("filters"), Value(package), 0);

    Object *baseProto = m.newObject();
    FunctionObject *base = m.defineClass(QString(), baseProto, noop);
    m.defineValue(package, QStringLiteral("BitmapFilter"), Value(base), 0);
    m.defineValue(baseProto, QStringLiteral("clone"), Value(m.newNative(filterClone)), 0);

    static constexpr auto kAccessors = accessors(std::make_integer_sequence<int, 12>());
    static constexpr auto kConstructors = constructors(std::make_integer_sequence<int, 9>());
    const auto &all = filterClasses();
    Q_ASSERT(all.size() == kConstructors.size());
    for (size_t i = 0; i < all.size(); ++i) {
        // Each filter's prototype is a BitmapFilter.
        Object *proto = m.newObject();
        m.initializeConstructed(proto, base);
        FunctionObject *cls = m.defineClass(QString(), proto, noop, kConstructors[i]);
        proto->properties().remove(m.key(QStringLiteral("constructor")).data());
        m.defineValue(package, QString::fromLatin1(all[i].name), Value(cls), 0);
        for (size_t p = 0; p < all[i].props.size() && p < kAccessors.size(); ++p)
            defineAccessor(m, proto, QString::fromLatin1(all[i].props[p].name), kAccessors[p].first,
                           kAccessors[p].second, PropertyFlag::OnlySwf8);
        c.constructors.push_back(cls);
    }

    if (Object *clip = m.protos().movieClip)
        defineAccessor(m, clip, QStringLiteral("filters"), clipFilters, clipSetFilters,
                       PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::OnlySwf8);
}

} // namespace swf::avm1
