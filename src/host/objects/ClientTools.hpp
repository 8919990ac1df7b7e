#pragma once

#include "host/types/Value.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace Talvex {

// The wait window of the sibling library Quarn_Common: shown with a text over its owner,
// closed when the last reference to it goes.
class CommonWaitInfo : public Object {
public:
    CommonWaitInfo();
    ~CommonWaitInfo() override;
    void Show(const std::string& text, std::int64_t ownerHwnd);
    const std::string& Text() const { return text_; }
    std::int64_t OwnerHwnd() const { return ownerHwnd_; }

private:
    struct Window;
    std::unique_ptr<Window> window_;
    std::string text_;
    std::int64_t ownerHwnd_ = 0;
};

// The host client tools: objects of the sibling libraries created by their ProgID.
class ClientTools {
public:
    // "Quarn_Common.CWaitInfo" gives a CommonWaitInfo; an unknown ProgID is a ValueError.
    static std::shared_ptr<Object> CreateObject(std::string_view progId, int flags = 0);
};

} // namespace Talvex
