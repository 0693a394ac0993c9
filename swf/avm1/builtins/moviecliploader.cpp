// MovieClipLoader: loads movies and pictures into clips and levels and
// tells its listeners (itself among them) how each load goes.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/movieloads.h"
#include "swf/runtime/player.h"

namespace swf::avm1 {

namespace {

constexpr quint32 kHidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;

// Called without new it makes nothing.
Value call(Machine &, const Value &, const Args &)
{
    return Value();
}

Value construct(Machine &m, const Value &, const Args &)
{
    Object *made = m.newObject();
    m.setPrototypeOf(made, MovieLoads::of(m).loaderPrototype);
    ArrayObject *listeners = m.newArray();
    listeners->elements().push_back(Value(made));
    m.defineValue(made, QStringLiteral("_listeners"), Value(listeners), kHidden);
    return Value(made);
}

Value loadClip(Machine &m, const Value &self, const Args &args)
{
    Object *loader = self.asObject();
    const auto target = MovieLoads::targetOf(m, args[1]);
    if (!loader || args.size() < 2 || !target)
        return Value(false);
    MovieLoads::of(m).start(m, *target, m.toString(args[0]).text(), loader);
    return Value(true);
}

Value unloadClip(Machine &m, const Value &self, const Args &args)
{
    const auto target = MovieLoads::targetOf(m, args[0]);
    if (!self.asObject() || !target)
        return Value(false);
    MovieLoads::of(m).start(m, *target, QString(), nullptr);
    return Value(true);
}

// Whether `self` is a MovieClipLoader: its methods answer nothing for
// other objects that borrow them.
bool isLoader(Machine &m, const Value &self)
{
    const Object *proto = MovieLoads::of(m).loaderPrototype;
    int hops = 0;
    for (const Object *o = self.asObject(); o && hops < 256; o = o->proto(), ++hops) {
        if (o->proto() == proto)
            return true;
    }
    return false;
}

Value getProgress(Machine &m, const Value &self, const Args &args)
{
    if (!isLoader(m, self))
        return Value();
    DisplayObject *clip = m.displayObjectOf(args[0]);
    if (!clip && args[0].isString())
        clip = m.resolvePath(args[0].string()->text(), nullptr);
    if (!clip)
        return Value();
    // A plain record, without even Object's methods.
    Object *progress = m.newObject();
    m.setPrototypeOf(progress, nullptr);
    const Value size(double(clipBytesTotal(*clip)));
    m.set(progress, QStringLiteral("bytesLoaded"), size);
    m.set(progress, QStringLiteral("bytesTotal"), size);
    return Value(progress);
}

} // namespace

void installMovieClipLoader(Machine &m)
{
    MovieLoads &loads = MovieLoads::of(m);
    Object *proto = m.newObject();
    loads.loaderPrototype = proto;
    m.defineClass(QStringLiteral("MovieClipLoader"), proto, call, construct);
    // Its methods are seen from version 7.
    constexpr quint32 flags = kHidden | PropertyFlag::OnlySwf7;
    m.defineValue(proto, QStringLiteral("_listeners"), Value(m.newArray()), flags);
    Object *broadcaster = m.get(m.global(), QStringLiteral("AsBroadcaster")).asObject();
    for (const char *name : {"addListener", "removeListener"}) {
        const QString method = QString::fromLatin1(name);
        m.defineValue(proto, method, broadcaster ? m.get(broadcaster, method) : Value(), flags);
    }
    const struct {
        const char *name;
        NativeFunction call;
    } methods[] = {
        {"broadcastMessage", broadcasterMessage},
        {"getProgress", getProgress},
        {"loadClip", loadClip},
        {"unloadClip", unloadClip},
    };
    for (const auto &method : methods)
        m.defineValue(proto, QString::fromLatin1(method.name), Value(m.newNative(method.call)),
                      flags);
}

} // namespace swf::avm1
