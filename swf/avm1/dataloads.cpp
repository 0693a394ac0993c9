#include "swf/avm1/dataloads.h"

#include "swf/avm1/arrayobject.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/urlvariables.h"
#include "swf/log.h"

#include <QStringDecoder>

namespace swf::avm1 {

namespace {

// Loads waiting at once; more are dropped (with a log line) and never
// answered.
constexpr int kMaxPendingLoads = 1024;

} // namespace

DataLoads &DataLoads::of(Machine &m)
{
    if (DataLoads *loads = m.extension<DataLoads>())
        return *loads;
    auto made = std::make_unique<DataLoads>();
    DataLoads &loads = *made;
    m.addExtension(std::move(made));
    return loads;
}

void DataLoads::start(Machine &m, Object *target, const QString &address)
{
    constexpr quint32 hidden = PropertyFlag::DontEnum;
    m.defineValue(target, QStringLiteral("_bytesLoaded"), Value(0), hidden);
    m.defineValue(target, QStringLiteral("_bytesTotal"), Value(), hidden);
    // XML keeps loaded natively; LoadVars as a hidden property.
    const StrRef loaded = m.key(QStringLiteral("loaded"));
    Property *p = m.findProperty(target, loaded.data());
    if (p && p->setter)
        m.set(target, loaded.data(), Value(false));
    else
        m.defineValue(target, loaded.text(), Value(false), hidden);
    if (int(m_pending.size()) >= kMaxPendingLoads) {
        qCInfo(lcSwfScript).noquote() << "too many loads waiting; load of" << address << "dropped";
        return;
    }
    m_pending.push_back(Pending{target, address, false});
}

void DataLoads::startVariables(Machine &m, DisplayObject &clip, const QString &address)
{
    if (int(m_pending.size()) >= kMaxPendingLoads) {
        qCInfo(lcSwfScript).noquote() << "too many loads waiting; load of" << address << "dropped";
        return;
    }
    m_pending.push_back(Pending{static_cast<Object *>(m.objectOf(clip)), address, true});
}

void DataLoads::markRoots(Heap &heap)
{
    for (const Pending &p : m_pending)
        heap.mark(p.target);
    heap.mark(m_current);
}

void DataLoads::frameStarting(Machine &m)
{
    // Those asked for in earlier frames are answered now, in order; loads
    // their handlers start wait for the next frame. Each stays listed (and
    // so kept alive) until its turn.
    for (size_t count = m_pending.size(); count > 0 && !m_pending.empty() && !m.aborted();
         --count) {
        const Pending load = std::move(m_pending.front());
        m_pending.pop_front();
        m_current = load.target;
        deliver(m, load);
        m_current = nullptr;
    }
}

void DataLoads::deliver(Machine &m, const Pending &load)
{
    DisplayObject *clip = load.variables ? m.displayObjectOf(Value(load.target)) : nullptr;
    if (load.variables && !clip)
        return; // the clip is gone
    auto bytes = m.services().loadData(load.address);
    if (!bytes) {
        qCInfo(lcSwfScript).noquote()
            << "load of" << load.address << "failed:" << bytes.error().message;
    }
    const Value text = bytes ? Value(decodeLoadedText(*bytes, m.version())) : Value();
    if (load.variables) {
        if (!bytes)
            return;
        for (const auto &[name, value] : decodeUrlVariables(m.toString(text).text(), m.version()))
            m.set(load.target, name, Value(value));
        // Text fields take the variables but have no data event.
        if (clip->kind() == CharacterKind::Sprite)
            m.runEvent(*clip, ClipEvent::Data);
        return;
    }
    if (bytes) {
        const Value size(qint64(bytes->size()));
        m.defineValue(load.target, QStringLiteral("_bytesLoaded"), size, PropertyFlag::DontEnum);
        m.defineValue(load.target, QStringLiteral("_bytesTotal"), size, PropertyFlag::DontEnum);
    }
    const std::vector<Value> args{text};
    m.call(m.get(load.target, QStringLiteral("onData")), Value(load.target), Args(args));
    if (m.hasException())
        m.takeException();
}

Value clipLoadVariables(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = m.displayObjectOf(self);
    if (clip && args.size() > 0)
        DataLoads::of(m).startVariables(m, *clip, m.toString(args[0]).text());
    return Value();
}

Value loadMethod(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    if (!object || args.size() == 0)
        return Value(false);
    DataLoads::of(m).start(m, object, m.toString(args[0]).text());
    return Value(true);
}

Value sendAndLoadMethod(Machine &m, const Value &self, const Args &args)
{
    Object *target = args.size() > 1 ? args[1].asObject() : nullptr;
    if (!self.asObject() || !target)
        return Value(false);
    // Nothing is sent anywhere: the answer is what loading the address
    // gives.
    DataLoads::of(m).start(m, target, m.toString(args[0]).text());
    return Value(true);
}

Value sendMethod(Machine &m, const Value &self, const Args &args)
{
    if (!self.asObject() || args.size() == 0)
        return Value(false);
    qCInfo(lcSwfScript).noquote() << "send to" << m.toString(args[0]).text() << "ignored";
    return Value(false);
}

Value getBytesLoadedMethod(Machine &m, const Value &self, const Args &)
{
    Object *object = self.asObject();
    return object ? m.get(object, QStringLiteral("_bytesLoaded")) : Value();
}

Value getBytesTotalMethod(Machine &m, const Value &self, const Args &)
{
    Object *object = self.asObject();
    return object ? m.get(object, QStringLiteral("_bytesTotal")) : Value();
}

Value addRequestHeaderMethod(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    if (!object)
        return Value();
    // The headers go to whatever _customHeaders holds, through its push;
    // an array is made only when it holds nothing.
    const QString name = QStringLiteral("_customHeaders");
    Value list = m.get(object, name);
    if (list.isUndefined()) {
        list = Value(static_cast<Object *>(m.newArray()));
        m.defineValue(object, name, list, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    }
    Object *headers = m.toObject(list);
    if (!headers)
        return Value();
    std::vector<Value> pairs;
    if (args.size() >= 2 && args[0].isString() && args[1].isString()) {
        pairs = {args[0], args[1]};
    } else if (auto *list = asArray(args[0].asObject()); list && args.size() == 1) {
        // Pairs of strings; a pair that is not is skipped.
        const auto &items = list->elements();
        for (size_t i = 0; i + 1 < items.size(); i += 2) {
            if (items[i].isString() && items[i + 1].isString()) {
                pairs.push_back(items[i]);
                pairs.push_back(items[i + 1]);
            }
        }
    }
    const Value push = m.get(headers, QStringLiteral("push"));
    auto *array = asArray(headers);
    for (size_t i = 0; i < pairs.size() && (!array || array->length() < 10000); i += 2) {
        const std::vector<Value> pair{pairs[i], pairs[i + 1]};
        m.call(push, list, Args(pair));
        if (m.aborted())
            break;
    }
    return Value();
}

Value onLoadMethod(Machine &, const Value &, const Args &)
{
    return Value();
}

Value onDataWith(Machine &m, const Value &self, const Args &args, const QString &parse)
{
    Object *object = self.asObject();
    if (!object)
        return Value();
    const Value onLoad = m.get(object, QStringLiteral("onLoad"));
    if (args[0].isUndefined()) {
        const std::vector<Value> failed{Value(false)};
        m.call(onLoad, self, Args(failed));
        return Value();
    }
    const std::vector<Value> text{args[0]};
    m.call(m.get(object, parse), self, Args(text));
    m.set(object, QStringLiteral("loaded"), Value(true));
    const std::vector<Value> done{Value(true)};
    m.call(onLoad, self, Args(done));
    return Value();
}

QString decodeLoadedText(const QByteArray &bytes, int version)
{
    QString text;
    // Version 5 movies know no byte-order marks: all is Latin-1 to them.
    if (version < 6) {
        text = QString::fromLatin1(bytes);
    } else if (bytes.startsWith("\xef\xbb\xbf")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else if (bytes.startsWith("\xfe\xff")) {
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xff\xfe")) {
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    } else {
        text = QString::fromUtf8(bytes);
    }
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

} // namespace swf::avm1
