#include "core/settings.h"

#include "platform/path_rules.h"

namespace vesko {

void AddTrailingSlashes(Settings& settings)
{
    for (std::string* folder :
        { &settings.archiveFolder, &settings.archiverFolder, &settings.tempFolder })
        if (!paths::EndsWithSeparator(*folder))
            *folder += paths::kSeparator;
}

} // namespace vesko
