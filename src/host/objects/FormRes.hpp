#pragma once

#include <map>
#include <string>

namespace Talvex {

// The host's form-resource reader: numbered texts of captions and messages. A number the
// resource does not hold gives "[text N]", so a missing text shows instead of vanishing.
class FormRes {
public:
    void SetResourceName(const std::string& name);
    const std::string& ResourceName() const { return resourceName_; }
    std::string GetString(long id) const;

private:
    std::string resourceName_;
    const std::map<long, std::string>* texts_ = nullptr;
};

} // namespace Talvex
