// ABC parsing, verification and execution: the input is one ABC block,
// loaded and run by a fresh machine with short limits.
#include "swf/avm2/vm.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace swf::avm2;
    VmOptions options;
    options.timeoutSeconds = 1;
    options.maxRecursion = 64;
    // A clock that runs fast makes loops meet the timeout quickly.
    qint64 now = 0;
    options.clock = [&now] { return now += 5; };
    Vm vm(options);
    try {
        vm.loadAbc(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), false);
    } catch (const ScriptError &e) {
        vm.describeError(e.value);
    } catch (const ScriptAbort &) {
    }
    return 0;
}
