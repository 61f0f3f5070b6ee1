// What this process sees in the Running Object Table, where a running Lumigrab graph is
// registered as "FilterGraph <pointer> pid <process id>" for outside graph viewers.
#pragma once

#include <string>
#include <vector>

// Display names of every entry of the table ("!FilterGraph ..." for an item moniker).
std::vector<std::wstring> RunningObjectNames();

// The entries naming a filter graph of this process.
std::vector<std::wstring> FilterGraphsOfThisProcess();
