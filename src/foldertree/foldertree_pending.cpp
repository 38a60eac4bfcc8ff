// Temporary: replaced by the folder tree subsystem.
#include "foldertree/add_files.h"
#include "foldertree/make_folders.h"
#include "foldertree/remove_empties.h"
#include "foldertree/remove_tree.h"
namespace vesko {
void MakeFolders(Host&, const std::string&) {}
void AddFiles(Host&, const std::string&) {}
void RemoveEmpties(Host&, const std::string&) {}
void RemoveFiles(Host&, const std::string&) {}
void RemoveFolders(Host&, const std::string&) {}
} // namespace vesko
