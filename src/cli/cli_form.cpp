#include "cli/cli_form.h"

namespace vesko::cli
{

CliForm::CliForm()
{
    texts_[Field::ExportStatus] = "Status";
    captions_[Label::lblImport] = "Last Import: Date Unavailable";
    captions_[Label::lblExport] = "Last Export: Date Unavailable";
    date_ = "11-27-2004";
}

std::string CliForm::Text(Field field) const
{
    auto it = texts_.find(field);
    return it == texts_.end() ? std::string() : it->second;
}

std::string CliForm::Caption(Label label) const
{
    auto it = captions_.find(label);
    return it == captions_.end() ? std::string() : it->second;
}

void CliForm::RemoveSource(int index)
{
    sources_.erase(sources_.begin() + index);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
}

} // namespace vesko::cli
