#include "swf/audio/resampler.h"

#include "swf/audio/audiooutput.h"

#include <cmath>

namespace swf {

Resampler::Resampler(double sourceRate)
{
    // Rates come from two-bit fields and MP3 headers; the bound only keeps
    // the arithmetic safe.
    const double rate = qBound(1000.0, sourceRate, 192000.0);
    m_step = quint64(std::llround(rate / AudioOutput::kRate * 4294967296.0));
}

} // namespace swf
