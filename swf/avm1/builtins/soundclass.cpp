// Sound: how loud the sounds of a clip (or of the whole movie) play, and
// sounds a script starts itself: those the movie exports under a linkage
// name, and MP3 files loaded from the movie's folder. Volume and pan go to
// the player's mixer (its AudioSink); what a script reads back is kept
// here, so movies played without sound read the same values.
//
// A Sound acts on its target, a clip found again by its path at every
// call (a clip renamed or removed is gone for it), or on the global sound
// without one. From version 6, a Sound that loads a file plays it under a
// transform of its own, which its volume and pan then act on.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/log.h"
#include "swf/model/sound.h"
#include "swf/runtime/player.h"

#include <QStringDecoder>

#include <cmath>
#include <unordered_map>

namespace swf::avm1 {

namespace {

// Clip transforms kept before those of clips gone are dropped.
constexpr size_t kMaxClipTransforms = 1024;
// Objects of classes that extend Sound, whose state is kept aside.
constexpr size_t kMaxExtendedSounds = 4096;
// The groups of Sounds with a loaded sound of their own, apart from the
// serials of clips.
constexpr quint64 kOwnGroupBase = quint64(1) << 63;

// What an MP3 file tells before it is played.
struct Mp3Info {
    double durationMs = 0;
    std::vector<std::pair<QString, QString>> id3; // name, text
};

struct SoundData {
    Value target;         // undefined: the global sound; else the path of a clip
    quint64 ownGroup = 0; // a loaded sound's own transform (version 6 on)
    SoundTransform own;
    quint16 characterId = 0;               // attachSound
    std::shared_ptr<const QByteArray> mp3; // loadSound, once loaded
    double durationMs = 0;
    std::optional<qint64> bytesTotal;
    std::vector<quint64> voices; // started and maybe still playing
    double lastPositionMs = 0;
};

class SoundObject final : public Object {
public:
    using Object::Object;
    ObjectClass objectClass() const override { return ObjectClass::Other; }
    bool getBuiltin(Machine &m, StringData *key, Value &out) override;
    void markChildren(Heap &heap) override
    {
        Object::markChildren(heap);
        heap.mark(data.target);
    }

    SoundData data;
};

// A loadSound answered at the end of a frame, never inside the call.
struct PendingLoad {
    Object *sound = nullptr;
    bool ok = false;
    bool streaming = false;
    std::shared_ptr<const QByteArray> mp3;
    Mp3Info info;
};

class SoundState final : public MachineExtension {
public:
    void markRoots(Heap &heap) override
    {
        heap.mark(constructor);
        for (const auto &[id, sound] : playing)
            heap.mark(sound);
        for (const PendingLoad &load : loads)
            heap.mark(load.sound);
        for (Object *sound : answering)
            heap.mark(sound);
        for (const auto &[object, data] : extended)
            heap.mark(object);
    }
    void frameEnded(Machine &m) override;

    Object *constructor = nullptr;
    SoundTransform global;
    std::unordered_map<quint64, SoundTransform> clips; // by clip serial
    std::unordered_map<quint64, Object *> playing;     // by voice id
    std::vector<PendingLoad> loads;
    // Sounds whose handlers are being called, kept while the scripts run.
    std::vector<Object *> answering;
    std::unordered_map<Object *, SoundData> extended;
    quint64 nextOwnGroup = kOwnGroupBase;
};

SoundState &stateOf(Machine &m)
{
    return *m.extension<SoundState>();
}

AudioSink &sinkOf(Machine &m)
{
    return *m.player().context().audio;
}

SoundData *dataOf(Machine &m, const Value &self)
{
    Object *object = self.asObject();
    if (auto *sound = dynamic_cast<SoundObject *>(object))
        return &sound->data;
    if (!object)
        return nullptr;
    auto &extended = stateOf(m).extended;
    const auto it = extended.find(object);
    return it == extended.end() ? nullptr : &it->second;
}

DisplayObject *targetClip(Machine &m, const SoundData &d)
{
    if (!d.target.isString())
        return nullptr;
    return m.resolvePath(d.target.string()->text(), &m.player().root());
}

// The transform a Sound acts on and its group; null when its clip is gone.
SoundTransform *transformOf(Machine &m, SoundData &d, quint64 &group)
{
    SoundState &state = stateOf(m);
    if (d.ownGroup) {
        group = d.ownGroup;
        return &d.own;
    }
    if (d.target.isUndefined()) {
        group = kGlobalSoundGroup;
        return &state.global;
    }
    DisplayObject *clip = targetClip(m, d);
    if (!clip)
        return nullptr;
    group = clip->serial();
    if (state.clips.size() >= kMaxClipTransforms && !state.clips.count(group)) {
        // Clips that are gone take their transforms with them.
        RuntimeContext &context = m.player().context();
        std::erase_if(state.clips, [&](const auto &entry) {
            if (context.find(ObjectHandle{entry.first}))
                return false;
            context.audio->setSoundTransform(entry.first, SoundTransform{});
            return true;
        });
    }
    return &state.clips[group];
}

// The groups a sound the Sound starts plays under: its own, or its clip's
// and those around it.
std::vector<quint64> groupsOf(Machine &m, const SoundData &d)
{
    std::vector<quint64> groups;
    if (d.ownGroup)
        groups.push_back(d.ownGroup);
    const DisplayObject *clip = targetClip(m, d);
    for (int depth = 0; clip && depth < 64; ++depth, clip = clip->parent())
        groups.push_back(clip->serial());
    return groups;
}

qint32 int32Of(Machine &m, const Value &v)
{
    return m.toInt32(v);
}

// Sums that wrap as the Flash Player's 32-bit integers do.
qint32 wrap(qint64 v)
{
    return qint32(quint32(quint64(v)));
}

void changed(Machine &m, quint64 group, const SoundTransform &t)
{
    sinkOf(m).setSoundTransform(group, t);
}

// Construction.

void initialize(Machine &m, SoundData &d, const Args &args)
{
    const Value &target = args[0];
    if (args.size() == 0 || target.isNullish())
        return;
    // A clip is kept by its path: a clip renamed or removed is gone for
    // the Sound, and one made again there is found.
    if (DisplayObject *clip = m.displayObjectOf(target))
        d.target = Value(m.targetPathOf(*clip));
    else
        d.target = Value(m.toString(target));
}

Value construct(Machine &m, const Value &, const Args &args)
{
    SoundState &state = stateOf(m);
    auto *constructor = static_cast<FunctionObject *>(state.constructor);
    auto *made =
        m.heap().make<SoundObject>(m.get(constructor, m.names().prototype.data()).asObject());
    // The Flash Player's own constructor leaves its instances these.
    m.defineValue(made, m.names().constructor2.text(), Value(constructor),
                  PropertyFlag::DontEnum | (m.version() < 6 ? PropertyFlag::OnlySwf6 : 0));
    if (m.version() < 7)
        m.defineValue(made, m.names().constructor.text(), Value(constructor),
                      PropertyFlag::DontEnum);
    initialize(m, made->data, args);
    return Value(made);
}

// Called as a function: the super() of a class that extends Sound.
Value call(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    SoundState &state = stateOf(m);
    if (!object || dynamic_cast<SoundObject *>(object) || !m.instanceOf(self, state.constructor))
        return Value();
    auto &extended = state.extended;
    if (!extended.count(object) && extended.size() >= kMaxExtendedSounds)
        return Value();
    SoundData &d = extended[object];
    d = SoundData{};
    initialize(m, d, args);
    return Value();
}

// Volume, pan and transform.

Value getVolume(Machine &m, const Value &self, const Args &)
{
    SoundData *d = dataOf(m, self);
    quint64 group = 0;
    SoundTransform *t = d ? transformOf(m, *d, group) : nullptr;
    return t ? Value(t->volume) : Value();
}

Value setVolume(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    quint64 group = 0;
    SoundTransform *t = d ? transformOf(m, *d, group) : nullptr;
    if (!t)
        return Value();
    t->volume = int32Of(m, args[0]);
    changed(m, group, *t);
    return Value();
}

// The pan a transform makes: how far one speaker is turned down.
qint32 panOf(const SoundTransform &t)
{
    if (t.ll == 100)
        return wrap(qAbs(qint64(t.rr)) - 100);
    return wrap(100 - qAbs(qint64(t.ll)));
}

Value getPan(Machine &m, const Value &self, const Args &)
{
    SoundData *d = dataOf(m, self);
    quint64 group = 0;
    SoundTransform *t = d ? transformOf(m, *d, group) : nullptr;
    return t ? Value(panOf(*t)) : Value();
}

Value setPan(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    quint64 group = 0;
    SoundTransform *t = d ? transformOf(m, *d, group) : nullptr;
    if (!t)
        return Value();
    // Panning one way turns the other speaker down; each speaker plays its
    // own channel only.
    const qint64 pan = int32Of(m, args[0]);
    t->ll = pan >= 0 ? wrap(100 - pan) : 100;
    t->rr = pan >= 0 ? 100 : wrap(100 + pan);
    t->lr = 0;
    t->rl = 0;
    changed(m, group, *t);
    return Value();
}

constexpr const char *kChannelNames[] = {"ll", "lr", "rl", "rr"};

qint32 *channel(SoundTransform &t, int i)
{
    qint32 *fields[] = {&t.ll, &t.lr, &t.rl, &t.rr};
    return fields[i];
}

Value getTransform(Machine &m, const Value &self, const Args &)
{
    SoundData *d = dataOf(m, self);
    quint64 group = 0;
    SoundTransform *t = d ? transformOf(m, *d, group) : nullptr;
    if (!t)
        return Value();
    Object *out = m.newObject();
    for (int i = 0; i < 4; ++i)
        m.set(out, QString::fromLatin1(kChannelNames[i]), Value(*channel(*t, i)));
    return Value(out);
}

Value setTransform(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    Object *from = args[0].asObject();
    quint64 group = 0;
    SoundTransform *t = d && from ? transformOf(m, *d, group) : nullptr;
    if (!t)
        return Value();
    // Only the object's own members count, read as stored: a getter is
    // not called, and members left out keep their value. The right
    // speaker's are read right channel first.
    for (int i : {0, 1, 3, 2}) {
        const StrRef k = m.key(QString::fromLatin1(kChannelNames[i]));
        const Property *p = from->properties().find(k.data());
        if (!p)
            continue;
        const Value stored = p->value;
        *channel(*t, i) = int32Of(m, stored);
    }
    changed(m, group, *t);
    return Value();
}

// Attached and loaded sounds.

const Sound *exportedSound(Machine &m, const Value &name, quint16 *id)
{
    const auto found = m.movie().symbols().exported(m.toString(name).text());
    if (!found)
        return nullptr;
    *id = *found;
    return dynamic_cast<const Sound *>(m.movie().character(*found));
}

double durationOf(const Sound &sound)
{
    const double rate = sound.format.rate();
    return rate > 0 ? std::round(double(sound.sampleCount) * 1000.0 / rate) : 0.0;
}

Value attachSound(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    quint16 id = 0;
    const Sound *sound = d ? exportedSound(m, args[0], &id) : nullptr;
    if (!sound)
        return Value();
    d->characterId = id;
    d->mp3.reset();
    d->durationMs = durationOf(*sound);
    d->lastPositionMs = 0;
    return Value();
}

void startSound(Machine &m, Object *object, SoundData &d, double offsetSeconds, int loops)
{
    if (!d.characterId && !d.mp3)
        return;
    ScriptSoundStart start;
    start.characterId = d.characterId;
    start.mp3 = d.mp3;
    start.groups = groupsOf(m, d);
    start.offsetSeconds = offsetSeconds;
    start.loops = loops;
    const quint64 id = sinkOf(m).startScriptSound(start);
    d.lastPositionMs = 0;
    if (!id)
        return;
    stateOf(m).playing[id] = object;
    d.voices.push_back(id);
}

Value start(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    if (!d)
        return Value();
    const double offset = args.size() > 0 ? m.toNumber(args[0]) : 0.0;
    const int loops = intArg(m, args, 1, 1);
    startSound(m, self.asObject(), *d, std::isfinite(offset) && offset > 0 ? offset : 0.0,
               qBound(1, loops, 65535));
    return Value();
}

Value stop(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    if (!d)
        return Value();
    std::optional<quint16> only;
    if (args.size() > 0) {
        quint16 id = 0;
        if (!exportedSound(m, args[0], &id))
            return Value();
        only = id;
    }
    quint64 group = kGlobalSoundGroup;
    if (d->ownGroup) {
        group = d->ownGroup;
    } else if (!d->target.isUndefined()) {
        DisplayObject *clip = targetClip(m, *d);
        if (!clip)
            return Value();
        group = clip->serial();
    }
    if (group == kGlobalSoundGroup && !only)
        m.stopSounds();
    else
        sinkOf(m).stopScriptSounds(group, only);
    return Value();
}

// Milliseconds the Sound's latest start has played; where it ended once
// it ended.
double positionOf(Machine &m, SoundData &d)
{
    AudioSink &sink = sinkOf(m);
    std::erase_if(d.voices, [&](quint64 id) { return !sink.scriptSoundPosition(id); });
    if (!d.voices.empty())
        d.lastPositionMs = *sink.scriptSoundPosition(d.voices.back());
    return std::floor(d.lastPositionMs);
}

Value getPosition(Machine &m, const Value &self, const Args &)
{
    SoundData *d = dataOf(m, self);
    return d ? Value(positionOf(m, *d)) : Value();
}

Value getDuration(Machine &m, const Value &self, const Args &)
{
    SoundData *d = dataOf(m, self);
    return d ? Value(d->durationMs) : Value();
}

bool SoundObject::getBuiltin(Machine &m, StringData *key, Value &out)
{
    if (m.version() < 6)
        return false;
    if (key == m.key(QStringLiteral("duration")).data()) {
        out = Value(data.durationMs);
        return true;
    }
    if (key == m.key(QStringLiteral("position")).data()) {
        out = Value(positionOf(m, data));
        return true;
    }
    return false;
}

Value getBytesLoaded(Machine &m, const Value &self, const Args &)
{
    SoundData *d = dataOf(m, self);
    return d && d->bytesTotal ? Value(*d->bytesTotal) : Value();
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

Value isFalse(Machine &, const Value &, const Args &)
{
    return Value(false);
}

// MP3 files.

quint32 bigEndian(const uchar *p, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

quint32 syncSafe(const uchar *p)
{
    return quint32(p[0] & 0x7f) << 21 | quint32(p[1] & 0x7f) << 14 | quint32(p[2] & 0x7f) << 7 |
           quint32(p[3] & 0x7f);
}

QString id3Text(QByteArrayView bytes, int encoding)
{
    QString text;
    switch (encoding) {
    case 1: // UTF-16 with a byte-order mark
        text = QStringDecoder(QStringDecoder::Utf16)(bytes);
        break;
    case 2:
        text = QStringDecoder(QStringDecoder::Utf16BE)(bytes);
        break;
    case 3:
        text = QString::fromUtf8(bytes);
        break;
    default:
        text = QString::fromLatin1(bytes);
        break;
    }
    const qsizetype end = text.indexOf(QChar(0));
    return end >= 0 ? text.left(end) : text;
}

// The text of a text or comment frame of an ID3v2 tag.
std::optional<QString> id3FrameText(const QString &id, QByteArrayView body)
{
    if (body.isEmpty())
        return std::nullopt;
    const int encoding = uchar(body[0]);
    body = body.sliced(1);
    if (id == QLatin1String("COMM")) {
        // A language, a description ending in a terminator, then the text.
        if (body.size() < 3)
            return std::nullopt;
        body = body.sliced(3);
        const bool wide = encoding == 1 || encoding == 2;
        qsizetype i = 0;
        for (; i + (wide ? 1 : 0) < body.size(); i += wide ? 2 : 1) {
            if (body[i] == 0 && (!wide || body[i + 1] == 0))
                break;
        }
        body = body.sliced(qMin(body.size(), i + (wide ? 2 : 1)));
        return id3Text(body, encoding);
    }
    if (!id.startsWith(QLatin1Char('T')) || id == QLatin1String("TXXX"))
        return std::nullopt;
    return id3Text(body, encoding);
}

void readId3v2(QByteArrayView file, Mp3Info &info, qsizetype &audioStart)
{
    if (file.size() < 10 || !file.startsWith("ID3"))
        return;
    const auto *h = reinterpret_cast<const uchar *>(file.data());
    const int major = h[3];
    const qsizetype size = syncSafe(h + 6);
    audioStart = qMin(file.size(), 10 + size + ((h[5] & 0x10) ? 10 : 0));
    if (major < 2 || major > 4)
        return;
    QByteArrayView tag = file.sliced(10, qMin(size, file.size() - 10));
    if ((h[5] & 0x40) && major >= 3 && tag.size() >= 4) {
        // An extended header comes first.
        const auto *e = reinterpret_cast<const uchar *>(tag.data());
        const qsizetype extended = major == 4 ? syncSafe(e) : bigEndian(e, 4) + 4;
        tag = tag.sliced(qMin(tag.size(), extended));
    }
    static const std::pair<const char *, const char *> kOldIds[] = {
        {"TT2", "TIT2"}, {"TP1", "TPE1"}, {"TAL", "TALB"}, {"TYE", "TYER"},
        {"COM", "COMM"}, {"TRK", "TRCK"}, {"TCO", "TCON"}, {"TCM", "TCOM"},
    };
    const int header = major == 2 ? 6 : 10;
    const int idSize = major == 2 ? 3 : 4;
    qsizetype at = 0;
    while (at + header <= tag.size() && info.id3.size() < 256) {
        const auto *f = reinterpret_cast<const uchar *>(tag.data() + at);
        if (f[0] == 0)
            break; // padding
        QString id = QString::fromLatin1(tag.sliced(at, idSize));
        const qsizetype frameSize = major == 2   ? bigEndian(f + 3, 3)
                                    : major == 4 ? syncSafe(f + 4)
                                                 : bigEndian(f + 4, 4);
        at += header;
        if (frameSize > tag.size() - at)
            break;
        if (major == 2) {
            for (const auto &[old, now] : kOldIds) {
                if (id == QLatin1String(old))
                    id = QLatin1String(now);
            }
        }
        if (const auto text = id3FrameText(id, tag.sliced(at, frameSize)))
            info.id3.emplace_back(id, *text);
        at += frameSize;
    }
}

void readId3v1(QByteArrayView file, Mp3Info &info)
{
    if (file.size() < 128)
        return;
    const QByteArrayView tag = file.sliced(file.size() - 128);
    if (!tag.startsWith("TAG"))
        return;
    auto field = [&tag](int from, int size) {
        QByteArrayView bytes = tag.sliced(from, size);
        const qsizetype end = bytes.indexOf('\0');
        return QString::fromLatin1(end >= 0 ? bytes.first(end) : bytes).trimmed();
    };
    info.id3.emplace_back(QStringLiteral("songname"), field(3, 30));
    info.id3.emplace_back(QStringLiteral("artist"), field(33, 30));
    info.id3.emplace_back(QStringLiteral("album"), field(63, 30));
    info.id3.emplace_back(QStringLiteral("year"), field(93, 4));
    info.id3.emplace_back(QStringLiteral("comment"), field(97, 30));
    // ID3v1.1 keeps the track in the comment's last byte.
    if (tag[125] == 0 && tag[126] != 0)
        info.id3.emplace_back(QStringLiteral("track"), QString::number(uchar(tag[126])));
    info.id3.emplace_back(QStringLiteral("genre"), QString::number(uchar(tag[127])));
}

// The length of the MPEG audio frames from `at`, by their headers.
double mp3DurationMs(QByteArrayView file, qsizetype at)
{
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    const auto *p = reinterpret_cast<const uchar *>(file.data());
    double seconds = 0;
    while (at + 4 <= file.size()) {
        const uchar *h = p + at;
        const int version = (h[1] >> 3) & 3; // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
        const int layer = 4 - ((h[1] >> 1) & 3);
        const int bitrateIndex = h[2] >> 4;
        const int rateIndex = (h[2] >> 2) & 3;
        if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0 || version == 1 || layer == 4 ||
            bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
            ++at; // not a frame: look for the next one
            continue;
        }
        const bool mpeg1 = version == 3;
        const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
        const int bitrate = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
        const int padding = (h[2] >> 1) & 1;
        int samples = 1152;
        qsizetype length = 0;
        if (layer == 1) {
            samples = 384;
            length = (12 * qsizetype(bitrate) / rate + padding) * 4;
        } else if (layer == 3 && !mpeg1) {
            samples = 576;
            length = 72 * qsizetype(bitrate) / rate + padding;
        } else {
            length = 144 * qsizetype(bitrate) / rate + padding;
        }
        if (length < 4)
            length = 4;
        seconds += double(samples) / rate;
        at += length;
    }
    return std::round(seconds * 1000.0);
}

Mp3Info readMp3(QByteArrayView file)
{
    Mp3Info info;
    readId3v1(file, info);
    qsizetype audioStart = 0;
    readId3v2(file, info, audioStart);
    qsizetype audioEnd = file.size();
    if (file.size() >= 128 && file.sliced(file.size() - 128).startsWith("TAG"))
        audioEnd -= 128;
    if (audioStart < audioEnd)
        info.durationMs = mp3DurationMs(file.first(audioEnd), audioStart);
    return info;
}

Value loadSound(Machine &m, const Value &self, const Args &args)
{
    SoundData *d = dataOf(m, self);
    if (!d)
        return Value();
    if (m.version() >= 6) {
        // The loaded sound plays under a transform of its own, which the
        // Sound acts on from now on; a Sound whose clip is gone loads
        // nothing.
        if (!d->ownGroup && !d->target.isUndefined() && !targetClip(m, *d))
            return Value();
        if (!d->ownGroup)
            d->ownGroup = stateOf(m).nextOwnGroup++;
        else
            sinkOf(m).stopScriptSounds(d->ownGroup, std::nullopt);
        d->own = SoundTransform{};
        changed(m, d->ownGroup, d->own);
    }
    const QString url = m.toString(args[0]).text();
    PendingLoad load;
    load.sound = self.asObject();
    load.streaming = m.toBoolean(args[1]);
    if (auto file = m.services().loadData(url)) {
        auto bytes = std::make_shared<QByteArray>(std::move(*file));
        load.info = readMp3(*bytes);
        load.mp3 = std::move(bytes);
        load.ok = true;
    } else {
        qCInfo(lcSwfScript).noquote()
            << "loadSound of" << url << "refused:" << file.error().message;
    }
    auto &loads = stateOf(m).loads;
    if (loads.size() < 256)
        loads.push_back(std::move(load));
    return Value();
}

void SoundState::frameEnded(Machine &m)
{
    AudioSink &sink = sinkOf(m);
    answering.clear();
    for (quint64 id : sink.takeEndedScriptSounds()) {
        const auto it = playing.find(id);
        if (it == playing.end())
            continue;
        Object *sound = it->second;
        playing.erase(it);
        if (SoundData *d = dataOf(m, Value(sound))) {
            d->lastPositionMs = d->durationMs;
            std::erase(d->voices, id);
        }
        answering.push_back(sound);
    }
    // Sounds stopped will not end: they are forgotten.
    std::erase_if(playing,
                  [&sink](const auto &entry) { return !sink.scriptSoundPosition(entry.first); });
    const std::vector<PendingLoad> due = std::exchange(loads, {});
    for (const PendingLoad &load : due) {
        answering.push_back(load.sound);
        SoundData *d = dataOf(m, Value(load.sound));
        if (!d || !load.ok)
            continue;
        d->characterId = 0;
        d->mp3 = load.mp3;
        d->bytesTotal = qint64(load.mp3->size());
        d->durationMs = load.info.durationMs;
        d->lastPositionMs = 0;
        if (load.streaming)
            startSound(m, load.sound, *d, 0.0, 1);
    }
    // Then the scripts hear of it, in order: sounds that ended, then
    // files loaded, each with its tags first.
    const size_t ended = answering.size() - due.size();
    for (size_t i = 0; i < answering.size() && !m.aborted(); ++i) {
        Object *sound = answering[i];
        if (i < ended) {
            m.call(m.get(sound, QStringLiteral("onSoundComplete")), Value(sound), Args());
            continue;
        }
        const PendingLoad &load = due[i - ended];
        if (load.ok && !load.info.id3.empty()) {
            Object *id3 = m.newObject();
            for (const auto &[name, text] : load.info.id3)
                m.set(id3, name, Value(text));
            m.set(sound, QStringLiteral("id3"), Value(id3));
            m.call(m.get(sound, QStringLiteral("onID3")), Value(sound), Args());
            if (m.aborted())
                break;
        }
        const Value result(load.ok);
        m.call(m.get(sound, QStringLiteral("onLoad")), Value(sound), Args(&result, 1));
    }
    answering.clear();
}

} // namespace

void installSoundClass(Machine &m)
{
    auto owned = std::make_unique<SoundState>();
    SoundState &state = *owned;
    m.addExtension(std::move(owned));
    Object *proto = m.newObject();
    state.constructor = m.defineClass(QStringLiteral("Sound"), proto, call, construct);
    constexpr quint32 kMethod =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    const struct {
        const char *name;
        NativeFunction call;
        quint32 since;
    } methods[] = {
        {"areSoundsInaccessible", isFalse, PropertyFlag::OnlySwf9},
        {"attachSound", attachSound, 0},
        {"getBytesLoaded", getBytesLoaded, PropertyFlag::OnlySwf6},
        {"getBytesTotal", getBytesLoaded, PropertyFlag::OnlySwf6},
        {"getDuration", getDuration, PropertyFlag::OnlySwf6},
        {"getPan", getPan, 0},
        {"getPosition", getPosition, PropertyFlag::OnlySwf6},
        {"getTransform", getTransform, 0},
        {"getVolume", getVolume, 0},
        {"loadSound", loadSound, PropertyFlag::OnlySwf6},
        {"setDuration", nothing, PropertyFlag::OnlySwf6},
        {"setPan", setPan, 0},
        {"setPosition", nothing, PropertyFlag::OnlySwf6},
        {"setTransform", setTransform, 0},
        {"setVolume", setVolume, 0},
        {"start", start, 0},
        {"stop", stop, 0},
    };
    for (const auto &method : methods)
        m.defineValue(proto, QString::fromLatin1(method.name), Value(m.newNative(method.call)),
                      kMethod | method.since);
    // Read as undefined whatever is written to it.
    defineAccessor(m, proto, QStringLiteral("checkPolicyFile"), nothing, nothing,
                   PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    m.defineValue(proto, QStringLiteral("constructor"), Value(state.constructor), kMethod);
    if (Property *link = proto->properties().find(m.names().proto.data()))
        link->flags |= PropertyFlag::ReadOnly;
}

} // namespace swf::avm1
