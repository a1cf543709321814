#pragma once
// The harvesting window's four window-level flags, shared by its interleaved
// operations: the add-all run (MultiPageHarvest), the analysis pass
// (AnalysisPass), the page harvest (PageHarvester) and the clearing commands
// test and set them between their asynchronous steps. The window owns one.
struct HarvestFlags
{
    // The portal showed its verification page; stops an add-all run and is
    // cleared only when the next run starts.
    bool accessBlocked = false;
    // Set while no add-all run is active or a stop was asked for.
    bool addAllStop = true;
    // Set while an analysis pass runs; the clearing commands refuse then.
    bool analysisRunning = false;
    // Set just before the next-page click, cleared by the top-level page's
    // completion.
    bool pageLoading = false;
};
