#include "platform/memory_form.h"

namespace vesko {

MemoryForm::MemoryForm()
{
    texts_[Field::ExportStatus] = "Status";
    captions_[Label::lblImport] = "Last Import: Date Unavailable";
    captions_[Label::lblExport] = "Last Export: Date Unavailable";
    date_ = "11-27-2004";
}

std::string MemoryForm::Text(Field field) const
{
    auto it = texts_.find(field);
    return it == texts_.end() ? std::string() : it->second;
}

std::string MemoryForm::Caption(Label label) const
{
    auto it = captions_.find(label);
    return it == captions_.end() ? std::string() : it->second;
}

void MemoryForm::RemoveSource(int index)
{
    sources_.erase(sources_.begin() + index);
    selected_ = -1;
}

} // namespace vesko
