#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace vesko {

// The hidden work list List1 of the folder tree mirroring: folder paths in the order they
// were first appended. An entry already in it is not appended again (its mirror is the
// same), so the list stays linear in the size of the trees walked.
class WorkList {
public:
    // Returns false when the path was already there.
    bool Append(const std::string& path)
    {
        if (!seen_.insert(path).second)
            return false;
        items_.push_back(path);
        return true;
    }
    std::size_t Count() const { return items_.size(); }
    const std::string& Item(std::size_t i) const { return items_[i]; }
    const std::vector<std::string>& Items() const { return items_; }
    void Clear()
    {
        items_.clear();
        seen_.clear();
    }

private:
    std::vector<std::string> items_;
    std::unordered_set<std::string> seen_;
};

} // namespace vesko
