// Stage (the movie's stage as scripts see it: its size, how it scales
// and aligns, its listeners) and System with System.capabilities, as a
// standalone player on Linux reports them.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

#include <QUrl>

namespace swf::avm1 {

namespace {

class StageObject final : public Object {
public:
    using Object::Object;
    ObjectClass objectClass() const override { return ObjectClass::Other; }
    QString scaleMode = QStringLiteral("showAll");
    QString align;
    bool showMenu = true;
};

// There is one stage: its natives act on it whatever they are called on.
struct StageState final : MachineExtension {
    StageObject *stage = nullptr;
    void markRoots(Heap &heap) override { heap.mark(stage); }
};

StageObject *stageOf(Machine &m, const Value &)
{
    return m.extension<StageState>()->stage;
}

Value stageWidth(Machine &m, const Value &, const Args &)
{
    return Value(double(m.movie().stage().width() / 20));
}

Value stageHeight(Machine &m, const Value &, const Args &)
{
    return Value(double(m.movie().stage().height() / 20));
}

Value scaleMode(Machine &m, const Value &self, const Args &)
{
    StageObject *stage = stageOf(m, self);
    return stage ? Value(stage->scaleMode) : Value();
}

Value setScaleMode(Machine &m, const Value &self, const Args &args)
{
    StageObject *stage = stageOf(m, self);
    if (!stage)
        return Value();
    const QString asked = m.toString(args[0]).text();
    for (const char *mode : {"showAll", "noBorder", "exactFit", "noScale"}) {
        if (asked.compare(QLatin1String(mode), Qt::CaseInsensitive) == 0)
            stage->scaleMode = QString::fromLatin1(mode);
    }
    return Value();
}

Value align(Machine &m, const Value &self, const Args &)
{
    StageObject *stage = stageOf(m, self);
    return stage ? Value(stage->align) : Value();
}

// Any of the letters L, T, R and B, in any case and order; kept in that
// order, each once.
Value setAlign(Machine &m, const Value &self, const Args &args)
{
    StageObject *stage = stageOf(m, self);
    if (!stage)
        return Value();
    const QString asked = m.toString(args[0]).text().toUpper();
    stage->align.clear();
    for (QChar edge : QStringView(u"LTRB")) {
        if (asked.contains(edge))
            stage->align.append(edge);
    }
    return Value();
}

Value showMenu(Machine &m, const Value &self, const Args &)
{
    StageObject *stage = stageOf(m, self);
    return stage ? Value(stage->showMenu) : Value();
}

Value setShowMenu(Machine &m, const Value &self, const Args &args)
{
    if (StageObject *stage = stageOf(m, self))
        stage->showMenu = m.toBoolean(args[0]);
    return Value();
}

Value displayState(Machine &, const Value &, const Args &)
{
    return Value(QStringLiteral("normal"));
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

// What the player is: a standalone player of version 9 on Linux, without
// the optional parts it does not have.
struct Capability {
    const char *name;
    Value value;
};

QString serverString(const std::vector<Capability> &caps, Machine &m)
{
    auto flag = [&](const char *name) {
        for (const Capability &c : caps) {
            if (qstrcmp(c.name, name) == 0)
                return m.toBoolean(c.value) ? QStringLiteral("t") : QStringLiteral("f");
        }
        return QStringLiteral("f");
    };
    auto text = [&](const char *name) {
        for (const Capability &c : caps) {
            if (qstrcmp(c.name, name) == 0)
                return QString::fromUtf8(QUrl::toPercentEncoding(m.toString(c.value).text()));
        }
        return QString();
    };
    const struct {
        const char *key;
        const char *flag;
    } flags[] = {{"A", "hasAudio"},
                 {"SA", "hasStreamingAudio"},
                 {"SV", "hasStreamingVideo"},
                 {"EV", "hasEmbeddedVideo"},
                 {"MP3", "hasMP3"},
                 {"AE", "hasAudioEncoder"},
                 {"VE", "hasVideoEncoder"},
                 {"ACC", "hasAccessibility"},
                 {"PR", "hasPrinting"},
                 {"SP", "hasScreenPlayback"},
                 {"SB", "hasScreenBroadcast"},
                 {"DEB", "isDebugger"}};
    QStringList parts;
    for (const auto &f : flags)
        parts << QString::fromLatin1(f.key) + u'=' + flag(f.flag);
    parts << QStringLiteral("V=") + text("version");
    parts << QStringLiteral("M=Adobe%20Linux");
    parts << QStringLiteral("R=") + text("screenResolutionX") + u'x' + text("screenResolutionY");
    parts << QStringLiteral("DP=") + text("screenDPI");
    parts << QStringLiteral("COL=") + text("screenColor");
    parts << QStringLiteral("AR=1.0");
    parts << QStringLiteral("OS=") + text("os");
    parts << QStringLiteral("L=") + text("language");
    parts << QStringLiteral("IME=") + flag("hasIME");
    parts << QStringLiteral("PT=") + text("playerType");
    parts << QStringLiteral("AVD=") + flag("avHardwareDisable");
    parts << QStringLiteral("LFD=") + flag("localFileReadDisable");
    parts << QStringLiteral("WD=") + flag("windowlessDisable");
    parts << QStringLiteral("TLS=") + flag("hasTLS");
    return parts.join(u'&');
}

} // namespace

void installStageAndSystem(Machine &m)
{
    auto *stage = m.heap().make<StageObject>(m.protos().object);
    auto state = std::make_unique<StageState>();
    state->stage = stage;
    m.addExtension(std::move(state));
    m.defineValue(m.global(), QStringLiteral("Stage"), Value(stage));
    makeBroadcaster(m, stage);
    defineAccessor(m, stage, QStringLiteral("width"), stageWidth, nothing, PropertyFlag::DontEnum);
    defineAccessor(m, stage, QStringLiteral("height"), stageHeight, nothing,
                   PropertyFlag::DontEnum);
    defineAccessor(m, stage, QStringLiteral("scaleMode"), scaleMode, setScaleMode,
                   PropertyFlag::DontEnum);
    defineAccessor(m, stage, QStringLiteral("align"), align, setAlign, PropertyFlag::DontEnum);
    defineAccessor(m, stage, QStringLiteral("showMenu"), showMenu, setShowMenu,
                   PropertyFlag::DontEnum);
    defineAccessor(m, stage, QStringLiteral("displayState"), displayState, nothing,
                   PropertyFlag::DontEnum);

    Object *system = m.newObject();
    m.defineValue(m.global(), QStringLiteral("System"), Value(system));
    m.defineValue(system, QStringLiteral("useCodepage"), Value(false), 0);
    m.defineValue(system, QStringLiteral("exactSettings"), Value(m.version() >= 7), 0);
    m.defineMethod(system, QStringLiteral("showSettings"), nothing);
    m.defineMethod(system, QStringLiteral("setClipboard"), nothing);
    Object *security = m.newObject();
    m.defineValue(system, QStringLiteral("security"), Value(security));
    for (const char *name : {"allowDomain", "allowInsecureDomain", "loadPolicyFile"})
        m.defineMethod(security, QString::fromLatin1(name), nothing);

    const QString version = QStringLiteral("LNX 9,0,999,0");
    std::vector<Capability> caps = {
        {"avHardwareDisable", Value(false)},
        {"hasAccessibility", Value(false)},
        {"hasAudio", Value(true)},
        {"hasAudioEncoder", Value(false)},
        {"hasEmbeddedVideo", Value(true)},
        {"hasIME", Value(false)},
        {"hasMP3", Value(true)},
        {"hasPrinting", Value(false)},
        {"hasScreenBroadcast", Value(false)},
        {"hasScreenPlayback", Value(false)},
        {"hasStreamingAudio", Value(true)},
        {"hasStreamingVideo", Value(true)},
        {"hasTLS", Value(false)},
        {"hasVideoEncoder", Value(false)},
        {"isDebugger", Value(false)},
        {"language", Value(QStringLiteral("en"))},
        {"localFileReadDisable", Value(false)},
        {"manufacturer", Value(QStringLiteral("Macromedia Linux"))},
        {"os", Value(QStringLiteral("Linux"))},
        {"pixelAspectRatio", Value(1)},
        {"playerType", Value(QStringLiteral("StandAlone"))},
        {"screenColor", Value(QStringLiteral("color"))},
        {"screenDPI", Value(96)},
        {"screenResolutionX", Value(1024)},
        {"screenResolutionY", Value(768)},
        {"version", Value(version)},
        {"windowlessDisable", Value(false)},
    };
    Object *capabilities = m.newObject();
    m.defineValue(system, QStringLiteral("capabilities"), Value(capabilities));
    for (const Capability &c : caps)
        m.defineValue(capabilities, QString::fromLatin1(c.name), c.value, 0);
    m.defineValue(capabilities, QStringLiteral("serverString"), Value(serverString(caps, m)), 0);
}

} // namespace swf::avm1
