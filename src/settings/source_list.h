#pragma once

namespace vesko {

struct Host;

inline constexpr const char* kShortHelpText
    = "Double-click on a folder to select it and then press the Add button.";
inline constexpr const char* kLongHelpText
    = "Double-click on a folder to select it and then press the Add button to have it "
      "included in the backup list.";

void cmdAddSource_Click(Host& host);
void cmdDeleteSource_Click(Host& host);
void cmdDirList_Click(Host& host, int index);

} // namespace vesko
