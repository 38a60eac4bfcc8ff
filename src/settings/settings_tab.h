#pragma once

namespace vesko {

struct Host;

void RefreshLabels(Host& host); // trap "Refresh Labels Error"
void CheckPathEndings(Host& host); // no trap
void cmdApply_Click(Host& host); // trap "Apply Changes Error"; all or nothing
void cmdReset_Click(Host& host);

} // namespace vesko
