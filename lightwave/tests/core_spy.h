#pragma once
// The test program defines QM_EvalShade and QM_EvalBump itself and exports
// them, so the module's calls land here first: each call is passed on to
// qm_core, and the record as qm_core returned it is kept for the calling
// thread while a Capture lives there.

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
};

// qm_core's own evaluations, past this program's.
void RealEvalShade(NHandle* handle, ShadeRecord* record);
void RealEvalBump(NHandle* handle, ShadeRecord* record);

}  // namespace corespy
