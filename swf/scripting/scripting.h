// The script machine a movie needs, behind the runtime's ScriptHost seam:
// the player window, the command-line tool and the tests make their
// players' hosts here, so each of them runs scripts the same way.
#pragma once

#include "swf/model/movie.h"
#include "swf/runtime/scripthost.h"
#include "swf/runtime/scriptservices.h"

#include <memory>

namespace swf {

std::unique_ptr<ScriptHost> makeScriptHost(std::shared_ptr<const Movie> movie,
                                           std::shared_ptr<ScriptServices> services);

// Services that drop trace() output and open nothing.
class QuietScriptServices final : public ScriptServices {
public:
    explicit QuietScriptServices(qint64 timeoutMs = 0) : m_timeoutMs(timeoutMs) {}
    void trace(const QString &) override {}
    qint64 scriptTimeoutMs() const override { return m_timeoutMs; }

private:
    qint64 m_timeoutMs;
};

} // namespace swf
