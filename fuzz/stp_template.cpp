// Reads arbitrary bytes as a step program template. A read ends in a template or a refusal,
// never a crash, a hang or a runaway allocation; a template that reads is written, read
// again and written again to the same bytes, and its rows load into the step table within
// the editor's limits.
#include "potentiostat/pot_step_setup_model.h"
#include "potentiostat/stp_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace qor::potentiostat;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StpTemplate t;
    if (ReadStp(data, size, t) != StpRead::Ok)
        return 0;
    const std::vector<std::uint8_t> once = WriteStp(t);
    StpTemplate again;
    if (ReadStp(once.data(), once.size(), again) != StpRead::Ok)
        std::abort();
    if (WriteStp(again) != once)
        std::abort();
    // Only a setting outside its choices refuses a template that reads; what loads is within
    // the editor's limits, so it may be programmed.
    PotStepSetupModel model(0);
    const std::string refused = model.ApplyTemplate(StpRead::Ok, t);
    if (refused != CheckSettings(t.settings, 0))
        std::abort();
    if (refused.empty() && !model.CheckProgram().empty())
        std::abort();
    for (int i = 1; i <= kMaxSteps; ++i)
        model.ProgramSlot(i);
    (void)model.CopyText();
    return 0;
}
