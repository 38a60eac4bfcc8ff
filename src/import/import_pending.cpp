// Temporary: replaced by the import subsystem.
#include "import/import_run.h"
namespace vesko {
bool cmdImport_Click(Host&) { return false; }
} // namespace vesko
