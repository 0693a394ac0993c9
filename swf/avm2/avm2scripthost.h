// The ActionScript 3 machine behind the runtime's script host seam: what
// the player's timelines reach is queued and run when the player says so.
// Scripts do not change the display yet (that is the display API's part),
// so a movie plays its timeline as drawn while its code runs.
#pragma once

#include "swf/avm2/runner.h"
#include "swf/runtime/scripthost.h"

#include <memory>
#include <vector>

namespace swf::avm2 {

class Avm2ScriptHost final : public ScriptHost {
public:
    explicit Avm2ScriptHost(RunnerOptions options = {});
    ~Avm2ScriptHost() override;

    void attach(Player &player) override;
    void doAbc(const DoAbc &tag) override;
    void frameEntered(DisplayObject &object, int frame) override;
    void runPending() override;

    Runner *runner() { return m_runner.get(); }

private:
    RunnerOptions m_options;
    Player *m_player = nullptr;
    std::unique_ptr<Runner> m_runner;
    std::vector<const DoAbc *> m_pendingAbc;
    std::vector<int> m_pendingFrames;
};

} // namespace swf::avm2
