#include "swf/avm1/movieloads.h"

#include "swf/avm1/clipobject.h"
#include "swf/log.h"
#include "swf/parse/parser.h"
#include "swf/runtime/picturemovie.h"
#include "swf/runtime/player.h"

#include <QUrl>

#include <utility>

namespace swf::avm1 {

namespace {

// Loads waiting at once; more are dropped (with a log line).
constexpr int kMaxPendingLoads = 1024;
// A loaded file arrives at most this many bytes a frame.
constexpr qint64 kBytesPerFrame = 32 * 1024;
// Files held while they arrive, all together; past this, a file arrives
// at once.
constexpr qint64 kMaxBytesHeld = qint64(256) * 1024 * 1024;
// The highest level number scripts may name.
constexpr int kMaxLevelNumber = 16000;

// A network address, which a player without network access may not ask
// for, as against a file that is not there.
bool isNetworkAddress(const QString &address)
{
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    if (colon < 2)
        return false;
    const QString scheme = address.left(colon).toLower();
    return scheme != QLatin1String("file");
}

// "FSCommand:…" loaded anywhere is the command.
bool isCommand(const QString &address)
{
    return address.startsWith(QLatin1String("FSCommand:"), Qt::CaseInsensitive);
}

void tell(Machine &m, Object *loader, const char *event, const std::vector<Value> &args)
{
    if (!loader || m.aborted())
        return;
    m.broadcastToListeners(Value(loader), QString::fromLatin1(event), args);
    if (m.hasException())
        m.takeException();
}

} // namespace

int MovieLoads::levelNumber(const Machine &m, const QString &name)
{
    const Qt::CaseSensitivity cs = m.version() >= 7 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!name.startsWith(QLatin1String("_level"), cs) || name.size() <= 6)
        return -1;
    for (qsizetype i = 6; i < name.size(); ++i) {
        if (!name[i].isDigit())
            return -1;
    }
    bool ok = false;
    const int number = name.mid(6).toInt(&ok);
    return ok && number <= kMaxLevelNumber ? number : -1;
}

MovieLoads &MovieLoads::of(Machine &m)
{
    if (MovieLoads *loads = m.extension<MovieLoads>())
        return *loads;
    auto made = std::make_unique<MovieLoads>();
    MovieLoads &loads = *made;
    m.addExtension(std::move(made));
    return loads;
}

std::optional<MovieLoads::Target> MovieLoads::targetOf(Machine &m, const QString &path,
                                                       DisplayObject *base)
{
    if (const int level = levelNumber(m, path); level >= 0)
        return Target{level, nullptr};
    DisplayObject *clip = m.resolvePath(path, base);
    if (!clip || clip->kind() != CharacterKind::Sprite)
        return std::nullopt;
    if (m.hasPlayer()) {
        if (const int level = m.player().levelNumberOf(*clip); level >= 0)
            return Target{level, nullptr};
    }
    return Target{-1, m.objectOf(*clip)};
}

std::optional<MovieLoads::Target> MovieLoads::targetOf(Machine &m, const Value &value)
{
    if (value.isNumber()) {
        const double number = value.number();
        if (!(number >= 0 && number <= kMaxLevelNumber))
            return std::nullopt;
        return Target{int(number), nullptr};
    }
    if (DisplayObject *clip = m.displayObjectOf(value)) {
        if (clip->kind() != CharacterKind::Sprite)
            return std::nullopt;
        if (const int level = m.player().levelNumberOf(*clip); level >= 0)
            return Target{level, nullptr};
        return Target{-1, m.objectOf(*clip)};
    }
    if (value.isString())
        return targetOf(m, value.string()->text(), nullptr);
    return std::nullopt;
}

void MovieLoads::start(Machine &m, const Target &target, const QString &address, Object *loader)
{
    // An FSCommand is one whatever it is asked of, at once.
    if (isCommand(address)) {
        m.getUrl(address, QString());
        return;
    }
    if (int(m_pending.size()) >= kMaxPendingLoads) {
        qCInfo(lcSwfScript).noquote() << "too many loads waiting; load of" << address << "dropped";
        return;
    }
    Pending load;
    load.target = target;
    load.address = address;
    load.loader = loader;
    m_pending.push_back(std::move(load));
}

void MovieLoads::markRoots(Heap &heap)
{
    heap.mark(loaderPrototype);
    const auto mark = [&heap](const Pending &p) {
        heap.mark(p.target.clip);
        heap.mark(p.loader);
    };
    for (const Pending &p : m_pending)
        mark(p);
    for (const Pending &p : m_arriving)
        mark(p);
    if (m_current)
        mark(*m_current);
    for (const Init &init : m_inits) {
        heap.mark(init.clip);
        heap.mark(init.loader);
    }
    for (const Failure &failure : m_failures) {
        heap.mark(failure.clip);
        heap.mark(failure.loader);
    }
}

void MovieLoads::frameStarting(Machine &m)
{
    for (Pending &p : m_pending)
        p.due = true;
    std::vector<Failure> failures = std::move(m_failures);
    m_failures.clear();
    for (const Failure &failure : failures) {
        DisplayObject *clip = failure.clip ? m.displayObjectOf(Value(failure.clip)) : nullptr;
        tell(m, failure.loader, "onLoadError",
             {clip ? Value(m.objectOf(*clip)) : Value(), Value(failure.code), Value(0)});
    }
}

void MovieLoads::frameEnded(Machine &m)
{
    if (!m.hasPlayer())
        return;
    // The loads done as the last frame ended have run their first frame:
    // the newest load hears first.
    std::vector<Init> inits = std::move(m_inits);
    m_inits.clear();
    for (auto it = inits.rbegin(); it != inits.rend() && !m.aborted(); ++it) {
        DisplayObject *clip = m.displayObjectOf(Value(it->clip));
        tell(m, it->loader, "onLoadInit", {clip ? Value(m.objectOf(*clip)) : Value(it->clip)});
    }
    // Those asked for before this frame, in order; the loads their
    // handlers start wait for the next.
    while (!m_pending.empty() && m_pending.front().due) {
        m_arriving.push_back(std::move(m_pending.front()));
        m_pending.pop_front();
    }
    std::deque<Pending> waiting;
    while (!m_arriving.empty()) {
        Pending load = std::move(m_arriving.front());
        m_arriving.pop_front();
        if (m.aborted() || !arrived(m, load)) {
            waiting.push_back(std::move(load));
            continue;
        }
        m_current = std::move(load);
        deliver(m, *m_current);
        m_current.reset();
    }
    m_pending.insert(m_pending.begin(), std::make_move_iterator(waiting.begin()),
                     std::make_move_iterator(waiting.end()));
}

bool MovieLoads::arrived(Machine &m, Pending &load)
{
    if (load.address.isEmpty())
        return true;
    if (!load.bytes) {
        load.bytes = m.services().loadData(load.address);
        const qint64 size = *load.bytes ? (**load.bytes).size() : 0;
        if (m_bytesHeld + size <= kMaxBytesHeld) {
            load.framesLeft = int(size / kBytesPerFrame);
            load.held = size;
            m_bytesHeld += size;
        }
    }
    if (load.framesLeft-- > 0)
        return false;
    m_bytesHeld -= std::exchange(load.held, 0);
    return true;
}

void MovieLoads::deliver(Machine &m, const Pending &load)
{
    Player &player = m.player();
    const Target &target = load.target;
    DisplayObject *clip =
        target.clip ? m.displayObjectOf(Value(target.clip)) : player.level(target.level);
    const auto fail = [&](const QString &code) {
        if (load.loader)
            m_failures.push_back(Failure{clip ? m.objectOf(*clip) : nullptr, load.loader, code});
    };
    if (target.clip && !clip) {
        fail(QStringLiteral("URLNotFound"));
        return;
    }
    if (load.address.isEmpty()) {
        if (target.clip)
            player.loadIntoClip(*clip, nullptr);
        else if (target.level > 0)
            player.loadLevel(target.level, nullptr);
        return;
    }
    const Result<QByteArray> &bytes = *load.bytes;
    if (!bytes) {
        qCInfo(lcSwfScript).noquote()
            << "load of" << load.address << "failed:" << bytes.error().message;
        fail(isNetworkAddress(load.address) ? QStringLiteral("IllegalRequest")
                                            : QStringLiteral("URLNotFound"));
        return;
    }
    // A file that is neither a movie nor a picture leaves an empty clip.
    std::shared_ptr<const Movie> movie;
    if (looksLikePicture(*bytes)) {
        auto picture = pictureMovie(*bytes, m.version());
        if (picture)
            movie = std::move(*picture);
        else
            qCInfo(lcSwfScript).noquote()
                << "picture" << load.address << "not shown:" << picture.error().message;
    } else if (bytes->startsWith("FWS") || bytes->startsWith("CWS") || bytes->startsWith("ZWS")) {
        auto parsed = parseMovie(*bytes);
        if (parsed)
            movie = std::move(*parsed);
        else
            qCInfo(lcSwfScript).noquote()
                << "movie" << load.address << "not loaded:" << parsed.error().message;
    }
    // A movie counts its bytes as its header declares them.
    const qint64 size = !movie                     ? 0
                        : looksLikePicture(*bytes) ? bytes->size()
                                                   : qint64(movie->header().declaredLength);
    DisplayObject *made = nullptr;
    // A movie in level 0 is the whole movie now: what the old one left
    // to run later goes with it.
    if (!target.clip && target.level == 0 && movie)
        m.clearIntervals();
    if (target.clip)
        made = player.loadIntoClip(*clip, movie);
    else if (target.level > 0 || movie)
        made = player.loadLevel(target.level, movie);
    if (!made) {
        fail(QStringLiteral("URLNotFound"));
        return;
    }
    // Forget the clips that are gone.
    std::erase_if(m_urls,
                  [&player](const auto &entry) { return !player.find(ObjectHandle{entry.first}); });
    m_urls[made->serial()] = QUrl(m.services().movieUrl()).resolved(QUrl(load.address)).toString();
    Object *script = m.objectOf(*made);
    const Value loaded(script);
    tell(m, load.loader, "onLoadStart", {loaded});
    for (int i = 0; i < 2; ++i)
        tell(m, load.loader, "onLoadProgress", {loaded, Value(size), Value(size)});
    tell(m, load.loader, "onLoadComplete", {loaded, Value(0)});
    if (movie && load.loader)
        m_inits.push_back(Init{script, load.loader});
}

std::optional<QString> MovieLoads::urlOf(const DisplayObject &clip) const
{
    const auto it = m_urls.find(clip.serial());
    return it == m_urls.end() ? std::nullopt : std::optional<QString>(it->second);
}

QString loadedUrlOf(Machine &m, const DisplayObject &object)
{
    if (const MovieLoads *loads = m.extension<MovieLoads>()) {
        for (const DisplayObject *o = &object; o; o = o->parent()) {
            if (auto url = loads->urlOf(*o))
                return *url;
        }
    }
    return m.services().movieUrl();
}

qint64 clipBytesTotal(const DisplayObject &clip)
{
    const DisplayObject *parent = clip.parent();
    if (!parent || &parent->movie() != &clip.movie() || clip.character())
        return clip.movie().header().declaredLength;
    return 0;
}

bool loadIntoLevelTarget(Machine &m, const QString &url, const QString &target)
{
    const int level = MovieLoads::levelNumber(m, target);
    if (level < 0)
        return false;
    MovieLoads::of(m).start(m, MovieLoads::Target{level, nullptr}, url, nullptr);
    return true;
}

Value clipLoadMovie(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = m.displayObjectOf(self);
    if (!clip || args.size() == 0 || clip->kind() != CharacterKind::Sprite)
        return Value();
    const int level = m.player().levelNumberOf(*clip);
    const MovieLoads::Target target =
        level >= 0 ? MovieLoads::Target{level, nullptr} : MovieLoads::Target{-1, m.objectOf(*clip)};
    MovieLoads::of(m).start(m, target, m.toString(args[0]).text(), nullptr);
    return Value();
}

Value clipUnloadMovie(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = m.displayObjectOf(self);
    if (!clip || clip->kind() != CharacterKind::Sprite)
        return Value();
    const int level = m.player().levelNumberOf(*clip);
    const MovieLoads::Target target =
        level >= 0 ? MovieLoads::Target{level, nullptr} : MovieLoads::Target{-1, m.objectOf(*clip)};
    MovieLoads::of(m).start(m, target, QString(), nullptr);
    return Value();
}

} // namespace swf::avm1
