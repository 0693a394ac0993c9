// The drawing API of MovieClip: clear, lineStyle, lineGradientStyle,
// beginFill, beginGradientFill, moveTo, lineTo, curveTo and endFill. The
// clip's Drawing keeps what they draw; this file turns script values
// (pixels, 0…100 alphas, style names) into its twips and styles.
#include "swf/geometry/drawing.h"
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/displayobject.h"

#include <cmath>

namespace swf::avm1 {

namespace {

// The gradient square spans this many pixels under a flash.geom matrix.
constexpr double kGradientPixels = 1638.4;
constexpr int kMaxGradientRecords = 15;
// Pen positions kept well inside what twips in 32 bits hold.
constexpr double kMaxTwips = 1 << 29;

Drawing *drawingOf(Machine &m, const Value &self)
{
    DisplayObject *clip = m.displayObjectOf(self);
    return clip ? clip->drawing() : nullptr;
}

qint32 twips(Machine &m, const Value &pixels)
{
    const double n = m.toNumber(pixels) * kTwipsPerPixel;
    return std::isfinite(n) ? qint32(std::round(qBound(-kMaxTwips, n, kMaxTwips))) : 0;
}

QPoint pointArg(Machine &m, const Args &args, int index)
{
    return QPoint(twips(m, args[index]), twips(m, args[index + 1]));
}

// A 0…100 alpha as 0…255. Left out it is opaque; given, undefined
// counts as a number like any other value.
quint8 alphaArg(Machine &m, const Value &value, bool given)
{
    if (!given)
        return 255;
    const double n = m.toNumber(value);
    return std::isnan(n) ? 0 : quint8(std::lround(qBound(0.0, n, 100.0) * 2.55));
}

Rgba colorArg(Machine &m, const Value &rgb, const Value &alpha, bool alphaGiven = true)
{
    const quint32 c = quint32(m.toInt32(rgb));
    return Rgba{quint8(c >> 16), quint8(c >> 8), quint8(c), alphaArg(m, alpha, alphaGiven)};
}

QString textArg(Machine &m, const Value &value)
{
    return value.isNullish() ? QString() : m.toString(value).text();
}

bool has(Machine &m, Object *object, const char *name)
{
    return m.hasProperty(object, m.key(QString::fromLatin1(name)).data());
}

double numberOf(Machine &m, Object *object, const char *name)
{
    const double n = m.toNumber(m.get(object, QString::fromLatin1(name)));
    return std::isfinite(n) ? n : 0.0;
}

// The gradient's matrix, from the square it is defined over (−16384 …
// 16384) to the clip's twips. Scripts give it as a box to fill
// ({matrixType: "box", x, y, w, h, r}), as a flash.geom.Matrix whose
// square is 1638.4 pixels wide (from version 8), or as the nine cells a … i of a 3 × 3
// matrix (rows a b c, d e f, g h i) over a square one pixel wide.
std::optional<Matrix> gradientMatrix(Machine &m, const Value &value)
{
    Object *object = value.asObject();
    if (!object)
        return std::nullopt;
    Matrix matrix;
    const double unit = double(kTwipsPerPixel) / 32768.0;
    const auto translate = [&](double x, double y) {
        matrix.translateX = qint32(std::round(qBound(-kMaxTwips, x * kTwipsPerPixel, kMaxTwips)));
        matrix.translateY = qint32(std::round(qBound(-kMaxTwips, y * kTwipsPerPixel, kMaxTwips)));
    };
    if (textArg(m, m.get(object, QStringLiteral("matrixType"))) == QLatin1String("box")) {
        const double x = numberOf(m, object, "x"), y = numberOf(m, object, "y");
        const double w = numberOf(m, object, "w"), h = numberOf(m, object, "h");
        const double r = numberOf(m, object, "r");
        matrix.scaleX = std::cos(r) * w * unit;
        matrix.rotateSkew0 = std::sin(r) * h * unit;
        matrix.rotateSkew1 = -std::sin(r) * w * unit;
        matrix.scaleY = std::cos(r) * h * unit;
        translate(x + w / 2, y + h / 2);
        return matrix;
    }
    // The a, b, c, d, tx, ty form came with version 8.
    if (m.version() >= 8 && (has(m, object, "tx") || has(m, object, "ty"))) {
        const double scale = kGradientPixels;
        matrix.scaleX = numberOf(m, object, "a") * scale * unit;
        matrix.rotateSkew0 = numberOf(m, object, "b") * scale * unit;
        matrix.rotateSkew1 = numberOf(m, object, "c") * scale * unit;
        matrix.scaleY = numberOf(m, object, "d") * scale * unit;
        translate(numberOf(m, object, "tx"), numberOf(m, object, "ty"));
        return matrix;
    }
    matrix.scaleX = numberOf(m, object, "a") * unit;
    matrix.rotateSkew0 = numberOf(m, object, "b") * unit;
    matrix.rotateSkew1 = numberOf(m, object, "d") * unit;
    matrix.scaleY = numberOf(m, object, "e") * unit;
    translate(numberOf(m, object, "g"), numberOf(m, object, "h"));
    return matrix;
}

// The colours, alphas or ratios of a gradient: an array, or any object
// with a length and numbered properties.
class GradientList {
public:
    GradientList(Machine &m, const Value &value) : m_machine(m), m_object(value.asObject()) {}

    bool isObject() const { return m_object; }
    double length() const
    {
        if (!m_object)
            return 0;
        if (m_object->objectClass() == ObjectClass::Array)
            return static_cast<ArrayObject *>(m_object)->length();
        const double n = m_machine.toNumber(m_machine.get(m_object, QStringLiteral("length")));
        return std::isnan(n) ? 0 : n;
    }
    // Element i into `value` when there is one; an object's length is
    // asked again at every read, as it may change between reads.
    void read(int i, Value &value) const
    {
        if (!m_object)
            return;
        if (m_object->objectClass() == ObjectClass::Array) {
            const auto &elements = static_cast<ArrayObject *>(m_object)->elements();
            if (size_t(i) < elements.size())
                value = elements[size_t(i)];
            return;
        }
        const QString name = QString::number(i);
        if (i < length() && m_machine.hasProperty(m_object, m_machine.key(name).data()))
            value = m_machine.get(m_object, name);
    }

private:
    Machine &m_machine;
    Object *m_object;
};

// beginGradientFill and lineGradientStyle: (type, colors, alphas, ratios,
// matrix, spreadMethod, interpolationMethod, focalPointRatio). Nothing
// when the lists differ in length, a ratio lies outside 0 … 255 or a part
// is missing; no records at all fill black.
std::optional<FillStyle> gradientArgs(Machine &m, const Args &args)
{
    const QString type = textArg(m, args[0]);
    const GradientList colors(m, args[1]);
    const GradientList alphas(m, args[2]);
    const GradientList ratios(m, args[3]);
    const auto matrix = gradientMatrix(m, args[4]);
    // A gradient squeezed onto a line covers nothing.
    if (matrix && !matrix->toTransform().isInvertible())
        return std::nullopt;
    if ((type != QLatin1String("linear") && type != QLatin1String("radial")) || !matrix ||
        !colors.isObject() || !alphas.isObject() || !ratios.isObject())
        return std::nullopt;
    const double count = colors.length();
    if (count != alphas.length() || count != ratios.length() || !(count >= 0))
        return std::nullopt;
    FillStyle fill;
    fill.kind =
        type == QLatin1String("linear") ? FillKind::LinearGradient : FillKind::RadialGradient;
    fill.matrix = *matrix;
    // Each record reads its colour, alpha and ratio through one value, so
    // a part a list lacks repeats the part read before it.
    for (int i = 0; i < std::min(count, double(kMaxGradientRecords)); ++i) {
        Value value;
        colors.read(i, value);
        const quint32 rgb = value.isNumber() ? quint32(m.toInt32(value)) : 0;
        alphas.read(i, value);
        const quint8 alpha = alphaArg(m, value, true);
        ratios.read(i, value);
        const double ratio = m.toNumber(value);
        const double whole = std::isnan(ratio) ? 0 : std::trunc(ratio);
        if (whole < 0 || whole > 255)
            return std::nullopt;
        fill.gradient.records.push_back(GradientRecord{
            quint8(whole), Rgba{quint8(rgb >> 16), quint8(rgb >> 8), quint8(rgb), alpha}});
    }
    const QString spread = textArg(m, args[5]);
    fill.gradient.spread = spread == QLatin1String("reflect")  ? SpreadMode::Reflect
                           : spread == QLatin1String("repeat") ? SpreadMode::Repeat
                                                               : SpreadMode::Pad;
    if (textArg(m, args[6]) == QLatin1String("linearRGB"))
        fill.gradient.interpolation = InterpolationMode::Linear;
    if (fill.kind == FillKind::RadialGradient && !args[7].isUndefined()) {
        const double focal = m.toNumber(args[7]);
        if (std::isfinite(focal) && focal != 0) {
            fill.kind = FillKind::FocalGradient;
            fill.gradient.focalPoint = qBound(-1.0, focal, 1.0);
        }
    }
    return fill;
}

Value clearDrawing(Machine &m, const Value &self, const Args &)
{
    if (Drawing *drawing = drawingOf(m, self))
        drawing->clear();
    return Value();
}

// lineStyle(thickness, rgb, alpha, pixelHinting, noScale, capsStyle,
// jointStyle, miterLimit); without a thickness, edges get no line.
Value lineStyle(Machine &m, const Value &self, const Args &args)
{
    Drawing *drawing = drawingOf(m, self);
    if (!drawing)
        return Value();
    if (args[0].isUndefined()) {
        drawing->setLineStyle(std::nullopt);
        return Value();
    }
    LineStyle style;
    const double thickness = m.toNumber(args[0]);
    style.width = quint16(
        std::isnan(thickness) ? 0 : std::lround(qBound(0.0, thickness, 255.0) * kTwipsPerPixel));
    style.color = colorArg(m, args[1], args[2], args.size() > 2);
    style.pixelHinting = m.toBoolean(args[3]);
    const QString noScale = textArg(m, args[4]);
    style.noHScale = noScale == QLatin1String("none") || noScale == QLatin1String("horizontal");
    style.noVScale = noScale == QLatin1String("none") || noScale == QLatin1String("vertical");
    const QString caps = textArg(m, args[5]);
    style.startCap = style.endCap = caps == QLatin1String("none")     ? CapStyle::None
                                    : caps == QLatin1String("square") ? CapStyle::Square
                                                                      : CapStyle::Round;
    const QString joint = textArg(m, args[6]);
    style.join = joint == QLatin1String("miter")   ? JoinStyle::Miter
                 : joint == QLatin1String("bevel") ? JoinStyle::Bevel
                                                   : JoinStyle::Round;
    if (!args[7].isUndefined()) {
        const double limit = m.toNumber(args[7]);
        style.miterLimit = std::isnan(limit) ? 3.0 : qBound(1.0, limit, 255.0);
    }
    drawing->setLineStyle(style);
    return Value();
}

Value lineGradientStyle(Machine &m, const Value &self, const Args &args)
{
    Drawing *drawing = drawingOf(m, self);
    if (!drawing)
        return Value();
    if (const auto fill = gradientArgs(m, args))
        drawing->setLineFill(*fill);
    return Value();
}

Value beginFill(Machine &m, const Value &self, const Args &args)
{
    Drawing *drawing = drawingOf(m, self);
    if (!drawing)
        return Value();
    if (args[0].isUndefined()) {
        drawing->beginFill(std::nullopt);
        return Value();
    }
    FillStyle fill;
    fill.color = colorArg(m, args[0], args[1], args.size() > 1);
    drawing->beginFill(fill);
    return Value();
}

Value beginGradientFill(Machine &m, const Value &self, const Args &args)
{
    if (Drawing *drawing = drawingOf(m, self))
        drawing->beginFill(gradientArgs(m, args));
    return Value();
}

Value endFill(Machine &m, const Value &self, const Args &)
{
    if (Drawing *drawing = drawingOf(m, self))
        drawing->endFill();
    return Value();
}

Value moveTo(Machine &m, const Value &self, const Args &args)
{
    if (Drawing *drawing = drawingOf(m, self); drawing && args.size() >= 2)
        drawing->moveTo(pointArg(m, args, 0));
    return Value();
}

Value lineTo(Machine &m, const Value &self, const Args &args)
{
    if (Drawing *drawing = drawingOf(m, self); drawing && args.size() >= 2)
        drawing->lineTo(pointArg(m, args, 0));
    return Value();
}

Value curveTo(Machine &m, const Value &self, const Args &args)
{
    if (Drawing *drawing = drawingOf(m, self); drawing && args.size() >= 4)
        drawing->curveTo(pointArg(m, args, 0), pointArg(m, args, 2));
    return Value();
}

} // namespace

void installDrawingMethods(Machine &m, Object *movieClipProto)
{
    // Movies before version 6 know nothing of drawing.
    if (m.version() < 6)
        return;
    const struct {
        const char *name;
        NativeFunction function;
    } methods[] = {
        {"clear", clearDrawing},
        {"lineStyle", lineStyle},
        {"lineGradientStyle", lineGradientStyle},
        {"beginFill", beginFill},
        {"beginGradientFill", beginGradientFill},
        {"endFill", endFill},
        {"moveTo", moveTo},
        {"lineTo", lineTo},
        {"curveTo", curveTo},
    };
    for (const auto &method : methods)
        m.defineMethod(movieClipProto, QString::fromLatin1(method.name), method.function);
}

} // namespace swf::avm1
