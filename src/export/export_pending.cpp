// Temporary: replaced by the export subsystem.
#include "export/export_run.h"
namespace vesko {
bool cmdExport_Click(Host&) { return false; }
void CopyBackupFiles(Host&, const std::string&, const std::string&, const std::string&,
                     const std::string&) {}
void ArchiveCopiedFiles(Host&, const std::string&, const std::string&, const std::string&) {}
} // namespace vesko
