#pragma once
// What the tests share with the re-entering node plug-in
// (fixture_reentry_plugin.cpp): its one type, "reentry probe" in the category
// "Test", calls back into qm_core from inside its own evaluate or
// beginRender, once, as the test asks, and counts what happens to its
// instances meanwhile. The test reaches the record through the library's
// table entry of the class QM_REENTRY_CLASS, which the scans pass over.

#include <qm_core.h>

#define QM_REENTRY_CLASS "QmTest reentry"

enum ReentryCall {
    kReenterNone,
    kReenterLoad,         // QM_Load of fileName, then QM_Close of what it gave
    kReenterBeginRender,  // QM_BeginRender of handle
    kReenterEndRender,    // QM_EndRender of handle
    kReenterClose,        // QM_Close of handle, twice
    kReenterEvalShade,    // QM_EvalShade of handle into nested
};

enum ReentryFrom {
    kFromEvaluate,
    kFromBeginRender,
    kFromDestroy,
};

struct ReentryControl {
    // qm_core's exports as the test bound them.
    NHandle* (*load)(const char*);
    void (*close)(NHandle*);
    void (*beginRender)(NHandle*);
    void (*endRender)(NHandle*);
    void (*evalShade)(NHandle*, ShadeRecord*);
    void (*evalBump)(NHandle*, ShadeRecord*);
    void (*evalUser)(NHandle*, ShadeRecord*);
    NHandle* (*copy)(NHandle*);
    int (*isTransparent)(NHandle*);
    int (*isBump)(NHandle*);

    // The call to make, once, and from where; set back to kReenterNone when
    // it is made. When touchTime is not 0 the plug-in first sets fileName's
    // modification time to it, so that the call finds the file changed.
    int call;
    int from;
    const char* fileName;
    NHandle* handle;
    long touchTime;
    ShadeRecord nested;  // the record of a nested evaluation

    // When not 0, the next probe destroyed calls, on handle, QM_Copy,
    // QM_BeginRender, the three evaluations (into nested), the two queries
    // and QM_EndRender, and keeps the answers below; set back to 0 then.
    int callOnFree;
    NHandle* copied;  // what QM_Copy answered
    int transparent;  // ... QM_IsTransparent
    int bump;         // ... QM_IsBump

    // Counted by the plug-in.
    int reentered;        // calls made
    int destroys;         // instances destroyed
    int destroyedInside;  // ... while one of their own calls was running
    int renderInside;     // beginRender or endRender while the instance's evaluate ran
};
