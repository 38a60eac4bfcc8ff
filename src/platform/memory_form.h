#pragma once

#include "platform/main_form.h"

#include <map>
#include <vector>

namespace vesko {

// The main window's working state without a window: the unattended runs, the benchmark and
// the tests use it. It starts with frmMain's design values and is loaded by the same refresh.
class MemoryForm : public MainForm {
public:
    MemoryForm();

    std::string Text(Field field) const override;
    void SetText(Field field, const std::string& text) override { texts_[field] = text; }
    std::string Caption(Label label) const override;
    void SetCaption(Label label, const std::string& text) override { captions_[label] = text; }
    int SpanValue() const override { return span_; }
    void SetSpanValue(int value) override { span_ = value; }
    std::string DateText() const override { return date_; }
    void SetDateText(const std::string& text) override { date_ = text; }
    int SourceCount() const override { return static_cast<int>(sources_.size()); }
    std::string SourceItem(int index) const override { return sources_.at(index); }
    void AppendSource(const std::string& item) override { sources_.push_back(item); }
    void RemoveSource(int index) override;
    void ClearSources() override
    {
        sources_.clear();
        selected_ = -1;
    }
    int SelectedSourceCount() const override { return selected_ >= 0 ? 1 : 0; }
    int SelectedSourceIndex() const override { return selected_; }
    void RepaintSources() override { ++repaints_; }

    void Select(int index) { selected_ = index; }
    const std::vector<std::string>& Sources() const { return sources_; }
    void SetSources(const std::vector<std::string>& items)
    {
        sources_ = items;
        selected_ = -1;
    }
    int Repaints() const { return repaints_; }

private:
    std::map<Field, std::string> texts_;
    std::map<Label, std::string> captions_;
    int span_ = 0;
    std::string date_;
    std::vector<std::string> sources_;
    int selected_ = -1;
    int repaints_ = 0;
};

} // namespace vesko
