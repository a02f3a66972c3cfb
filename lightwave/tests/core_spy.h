#pragma once
// The test program defines QM_EvalShade, QM_EvalBump, QM_BeginRender and
// QM_EndRender itself and exports them, so the module's calls land here
// first: each call is passed on to qm_core, and the record as qm_core
// returned it (or the handle whose render began or ended) is kept for the
// calling thread while a Capture lives there.

#include <vector>

#include <qm_core.h>

namespace corespy {

struct Capture {
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::vector<ShadeRecord> shades;
    std::vector<ShadeRecord> bumps;
    std::vector<NHandle*> begins;
    std::vector<NHandle*> ends;
};

// qm_core's own evaluations and render brackets, past this program's.
void RealEvalShade(NHandle* handle, ShadeRecord* record);
void RealEvalBump(NHandle* handle, ShadeRecord* record);
void RealBeginRender(NHandle* handle);
void RealEndRender(NHandle* handle);

}  // namespace corespy
