#include "swf/avm2/runner.h"

#include "swf/avm2/displaynode.h"
#include "swf/avm2/log.h"
#include "swf/avm2/vm.h"
#include "swf/model/scripttags.h"

namespace swf::avm2 {

Runner::Runner(std::shared_ptr<const Movie> movie, RunnerOptions options)
    : m_movie(std::move(movie)), m_options(std::move(options))
{
    VmOptions vo;
    vo.trace = m_options.trace;
    vo.maxRecursion = m_movie->scriptLimits().maxRecursionDepth;
    vo.timeoutSeconds = m_options.timeoutSeconds > 0 ? m_options.timeoutSeconds
                                                     : m_movie->scriptLimits().timeoutSeconds;
    vo.timeZone = m_options.timeZone;
    vo.swfVersion = m_movie->version();
    vo.clock = m_options.clock;
    m_vm = std::make_unique<Vm>(std::move(vo));
}

Runner::~Runner() = default;

void Runner::report(const ScriptError &e)
{
    const QString text = m_vm->describeError(e.value);
    noteMissing(text);
    if (m_options.trace)
        m_options.trace(text);
}

// A movie that needs more of the player's classes than the machine has
// fails with "Variable X is not defined"; say once which class it was.
void Runner::noteMissing(const QString &message)
{
    static const QString marker = QStringLiteral("Error #1065: Variable ");
    const qsizetype at = message.indexOf(marker);
    if (at < 0)
        return;
    const QString name = message.mid(at + marker.size()).section(QLatin1Char(' '), 0, 0);
    if (!m_missing.contains(name)) {
        m_missing.append(name);
        qCWarning(lcAvm2) << "the movie needs a class the player does not have yet:" << name;
    }
}

void Runner::loadAbc(const DoAbc &abc)
{
    if (m_stopped)
        return;
    try {
        m_vm->startMs = m_vm->nowMs();
        m_vm->timedOut = false;
        const QString error = m_vm->loadAbc(abc.abc, abc.flags & DoAbc::kLazyInitialize);
        if (!error.isEmpty())
            qCWarning(lcAvm2) << "ABC block refused:" << error;
    } catch (const ScriptError &e) {
        report(e);
    } catch (const ScriptAbort &) {
        m_stopped = true;
    }
}

void Runner::runAbcTags(int frame)
{
    const Timeline &tl = m_movie->timeline();
    if (frame >= tl.frameCount())
        return;
    for (const auto &tag : tl.frames[size_t(frame)].tags) {
        if (tag->kind() == ControlKind::DoAbc)
            loadAbc(static_cast<const DoAbc &>(*tag));
    }
}

void Runner::constructRoot()
{
    if (m_rootTried || m_stopped)
        return;
    m_rootTried = true;
    const QString name = m_movie->symbols().documentClass();
    if (name.isEmpty())
        return;
    try {
        m_vm->startMs = m_vm->nowMs();
        m_vm->timedOut = false;
        const Value cv = m_vm->definitionByName(name);
        auto *cls = cv.obj() && cv.o->kind == ObjKind::Class ? static_cast<ClassObject *>(cv.o) : nullptr;
        if (!cls) {
            qCWarning(lcAvm2) << "document class not found:" << name;
            return;
        }
        const Value sprite = m_vm->definitionByName(QStringLiteral("flash.display.Sprite"));
        if (!cls->isSubclassOf(static_cast<ClassObject *>(sprite.obj())))
            m_vm->throwError(ErrorType::TypeError, 2023, cls->qualifiedName() + QLatin1Char('$'));
        const Value root = m_vm->constructClass(cls, nullptr, 0);
        m_vm->pinned.push_back(root);
        m_vm->root = root.obj();
        if (auto *n = dynamic_cast<DisplayNode *>(root.obj()))
            n->totalFrames = qMax(1, m_movie->frameCount());
    } catch (const ScriptError &e) {
        report(e);
    } catch (const ScriptAbort &) {
        m_stopped = true;
    }
}

void Runner::advance()
{
    if (m_stopped)
        return;
    auto *rootNode = dynamic_cast<DisplayNode *>(m_vm->root);
    if (m_frame < 0) {
        m_frame = 0;
        runAbcTags(0);
        constructRoot();
        rootNode = dynamic_cast<DisplayNode *>(m_vm->root);
    } else {
        if (rootNode && !rootNode->playing && rootNode->pendingFrame < 0)
            return;
        int next = rootNode && rootNode->pendingFrame >= 0 ? rootNode->pendingFrame : m_frame + 1;
        if (next >= qMax(1, m_movie->frameCount()))
            next = 0;
        if (rootNode)
            rootNode->pendingFrame = -1;
        if (next > m_frame)
            for (int f = m_frame + 1; f <= next; ++f)
                runAbcTags(f);
        m_frame = next;
    }
    runFrameScript(m_frame);
}

void Runner::runFrameScript(int frame)
{
    auto *rootNode = dynamic_cast<DisplayNode *>(m_vm->root);
    if (!rootNode || m_stopped)
        return;
    rootNode->currentFrame = frame;
    const Value script = rootNode->frameScripts.value(frame);
    if (script.isNullish())
        return;
    try {
        m_vm->startMs = m_vm->nowMs();
        m_vm->timedOut = false;
        m_vm->call(script, Value::object(rootNode), nullptr, 0);
    } catch (const ScriptError &e) {
        report(e);
    } catch (const ScriptAbort &) {
        m_stopped = true;
    }
}

} // namespace swf::avm2
