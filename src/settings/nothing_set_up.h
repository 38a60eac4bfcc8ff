#pragma once

namespace vesko {

class SettingsStore;
class UiServices;

// True, after a beep and the box "Nothing Set Up", when the store holds none of the Settings
// tab's values (NothingStored): an unattended export or import would otherwise stop at an
// empty folder with a word about drives or folders, after creating the lock beside a store
// nobody has written. Reads only.
bool RefuseNothingSetUp(UiServices& ui, SettingsStore& store);

} // namespace vesko
